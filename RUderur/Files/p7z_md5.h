#ifndef P7Z_MD5_H
#define P7Z_MD5_H
// 7z extraction (only the 7z format is accepted) and MD5 signatures of files.
#include <cstddef>
#include <cstdint>
#include <string>
#include "io_utils.h"

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

struct MD5Context;
void MD5UpdateWide(MD5Context* ctx, const void* data, size_t length);
// Ends a signature taken piece by piece: its 32 lower-case hex digits.
std::string md5_hex_digest(MD5Context* ctx);
// Ends the signature of a file an unpacker wrote `written` bytes of: as
// calc_file_md5 then signs it, or empty for an empty file.
std::string md5_written_signature(MD5Context* ctx, uint64_t written);

#endif
