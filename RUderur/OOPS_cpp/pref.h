#ifndef PREF_H
#define PREF_H
// Preference files behind a typed header; "--pref:" options override them.
#include <map>
#include <string>

enum { pref_file_res = 10, pref_file_installer = 11, pref_file_calib = 12, pref_file_cal = pref_file_calib };

class pref_class {
public:
	void IO_set(int file, int io);	// io 0 reads, 1 writes
	int  IO_sta(int, int, std::string) { return 0; }
};

extern pref_class pref;

// The install engine's settings the installer preference file holds, read and
// written in place: the engine points these at its record when it is linked in
// (null: the file holds no lines for them).
struct pref_installer_fields {
	int* stream_count;	// "_stream_count"
	int* log_actions;	// "_log_actions"
	int* get_beta;		// "_get_beta"
};
extern pref_installer_fields pref_installer;

// Reads or writes the key-value lines of one preference file.
class scan_class {
public:
	int mode;	// 1 write, 0 read
	std::map<std::string, std::string> values;

	scan_class(const std::string& path, int mode);
	~scan_class();
	bool int_io(int* value, const std::string& key);
	bool str_io(std::string* value, const std::string& key);
};

#endif
