#ifndef MD5_UTILS_H
#define MD5_UTILS_H
// MD5 signatures of bytes and of files.
#include <atomic>
#include <cstddef>
#include <string>

struct evp_md_ctx_st;

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
