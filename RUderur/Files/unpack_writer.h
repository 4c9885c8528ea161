#ifndef UNPACK_WRITER_H
#define UNPACK_WRITER_H
// The one disk writer of the unpackers: an archive format reads its entries
// and hands each entry's bytes here. An entry is written in its target's
// folder (never through a link there) without a name, or under a temporary one
// where it replaces a file, bounded, signed as it is written, checked against
// its listing, and given the target's name only once whole: the target is the
// old file or the new one, never a part, and a killed run leaves no fragment
// at a listed path.
#include <cstdint>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include "io_utils.h"
#include "p7z_md5.h"

// An entry signed from its bytes as they are written and held to the
// signature its listing gives (unpack_rules::md5).
class unpack_signer {
public:
	explicit unpack_signer(const unpack_rules* rules);
	void add(const void* data, size_t length);
	// After the last byte: err_archive_wrong_bytes when the listing's signature
	// differs, else 0.
	int check();
	// After check(): renames the written temporary file (or link) over path; 0
	// or errno. Once in place, its signature goes to unpack_rules::signature, as
	// calc_file_md5 then gives it (empty for an empty file), and its identity
	// to unpack_rules::identity, known only when what then stands at path is
	// the file renamed there, holding every byte signed.
	int put_in_place(const std::string& temp, const std::string& path);
	// The same for a file that took its name at path otherwise: written (null:
	// not known) is how it stood just before, or (written_is_there) how the
	// inode that took the name stands now.
	void placed(const std::string& path, const struct stat* written, bool written_is_there);

private:
	md5_digest     md5;
	std::string    want, got;
	std::string*   out;
	file_identity* id_out;
	bool           on;
	uint64_t       bytes = 0;
};

// One entry on its way to `target`.
class unpack_writer {
public:
	// rules (optional): the signature the entry must have and where its own
	// goes. max_bytes: the most the entry may hold.
	unpack_writer(const std::string& target, const unpack_rules* rules, uint64_t max_bytes = UINT64_MAX);
	~unpack_writer();	// an entry never placed leaves nothing behind
	unpack_writer(const unpack_writer&) = delete;
	unpack_writer& operator=(const unpack_writer&) = delete;

	// Starts the entry as a file: 0 or errno.
	int open();
	// Its next bytes: 0, err_archive_too_big when they would take it past
	// max_bytes (none of them written), ECANCELED once the rules' stop is
	// set, or the errno of a failed write.
	int write(const void* data, size_t n);
	// The permission bits (0: left as made) and the time it is given when placed.
	void set_mode(int mode) { mode_ = mode; }
	void set_time(time_t when)
	{
		when_ = when;
		timed_ = true;
	}
	// Ends the file: its signature checked, closed, given its mode and time and
	// renamed over the target. 0 or the code; a failed close is its errno (a
	// full disk, most often), whatever the format.
	int place();
	// Puts a link with this text at the target instead (a link is signed by its
	// text, as a copy's scan signs it): 0 or the code.
	int place_link(const std::string& text);
	uint64_t bytes() const { return bytes_; }

private:
	std::string   target_, full_, temp_;	// full_: the target as found on disk, once opened
	unpack_signer sign_;
	const std::atomic<int>* stop_;
	std::atomic<int64_t>*   progress_;
	uint64_t      max_, bytes_ = 0;
	int           fd_ = -1, mode_ = 0;
	bool          timed_ = false;
	bool          unnamed_ = false;	// written without a name, linked at the target
	time_t        when_ = 0;
	void set_temp_time(bool follow);
	int  put_in_place(int err);
	int  place_unnamed(int err);
};

#endif
