#ifndef P7Z_MD5_H
#define P7Z_MD5_H
// 7z extraction (only the 7z format is accepted) and MD5 signatures of files.
#include <cstddef>
#include <cstdint>
#include <string>
#include "io_utils.h"

struct evp_md_ctx_st;

// rules (optional): the one entry to write, and the folder the output must stay in.
int p7z_to_file(const std::string& archive, const std::string& out_dir, std::string* out_path, int rename,
                const unpack_rules* rules = nullptr);

// Why calc_file_md5 gave no signature.
enum md5_absent {
	md5_missing    = 0,	// nothing there, or an empty file
	md5_not_a_file = 1,	// a folder, pipe, socket or device
	md5_unreadable = 2	// a file that is there but cannot be opened or read
};

// 0 and a signature of 32 lower-case hex digits, or 20006 (signature untouched)
// and *why (when given) set to an md5_absent. A symbolic link is signed by its
// link text. A folder, pipe, socket or device is never opened. stop
// (optional): once set, the reading ends before its next piece with
// ECANCELED, the signature untouched.
int calc_file_md5(const std::string& path, std::string& signature, int* why = nullptr,
                  const std::atomic<int>* stop = nullptr);

// The identity of what stands at path, found as calc_file_md5 finds it (a link
// itself, not what it leads to); unknown when nothing is there.
file_identity file_identity_of(const std::string& path);
// The identity a file's status (lstat) gives.
file_identity file_identity_from(const struct stat& st);

// An MD5 signature taken piece by piece: the program's one MD5, that of the
// system's crypto library (its code tuned for this processor).
class md5_digest {
public:
	md5_digest();
	~md5_digest();
	md5_digest(const md5_digest&) = delete;
	md5_digest& operator=(const md5_digest&) = delete;
	void add(const void* data, size_t length);
	// Ends it: 32 lower-case hex digits, or "" when the library could not
	// give an MD5 (logged once); a signature that matches nothing.
	std::string hex();

private:
	evp_md_ctx_st* ctx;
	bool           failed = false;
};

#endif
