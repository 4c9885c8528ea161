#ifndef PREF_H
#define PREF_H
// Preference files behind a typed header; "--pref:" options override them.

enum { pref_file_res = 10, pref_file_installer = 11, pref_file_calib = 12 };

class pref_class {
public:
	void IO_set(int file, int io);	// io 0 reads, 1 writes
};

extern pref_class pref;

#endif
