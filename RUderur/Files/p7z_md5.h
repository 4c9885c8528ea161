#ifndef P7Z_MD5_H
#define P7Z_MD5_H
// 7z extraction (only the 7z format is accepted) and MD5 signatures of files.
#include <cstddef>
#include <cstdint>
#include <string>
#include "io_utils.h"
#include <md5.h>

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
// link text. A folder, pipe, socket or device is never opened.
int calc_file_md5(const std::string& path, std::string& signature, int* why = nullptr);

void MD5UpdateWide(MD5Context* ctx, const void* data, size_t length);
// Ends a signature taken piece by piece: its 32 lower-case hex digits.
std::string md5_hex_digest(MD5Context* ctx);

// One entry an unpacker writes, signed from its bytes as they are written and
// held to the signature its listing gives (unpack_rules::md5).
struct unpack_signer {
	explicit unpack_signer(const unpack_rules* rules);
	void add(const void* data, size_t length);
	// After the last byte: err_archive_wrong_bytes when the listing's signature
	// differs, else 0.
	int check();
	// Once the file is in place: its signature to unpack_rules::signature, as
	// calc_file_md5 then gives it (empty for an empty file).
	void placed();

private:
	MD5Context   ctx;
	std::string  want, got;
	std::string* out;
	bool         on;
	uint64_t     bytes = 0;
};

#endif
