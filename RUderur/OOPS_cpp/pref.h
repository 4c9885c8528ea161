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

// Reads or writes the installer's own lines of its preference file; set by
// the layer that owns those settings when it is linked in. Left empty, the
// installer's file is neither read nor written.
extern void (*pref_installer_io)(scan_class& s);

#endif
