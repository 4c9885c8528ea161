#ifndef UNPACK_WRITER_H
#define UNPACK_WRITER_H
// The one disk writer of the unpackers, and the one place their rules are
// kept. An archive format only reads: it hands the writer its listing and
// then each entry, and unpack_session applies the caller's unpack_rules to
// every entry alike, whatever the format. An entry is written in its target's
// folder (never through a link there) without a name, or under a temporary one
// where it replaces a file, bounded, signed as it is written, checked against
// its listing, and given the target's name only once whole: the target is the
// old file or the new one, never a part, and a killed run leaves no fragment
// at a listed path.
#include <cstdint>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include "io_utils.h"
#include "md5_utils.h"

// The extended attributes a resource fork and its Finder information are kept
// in, where the file system allows it.
constexpr char unpack_fork_attr[]   = "user.com.apple.ResourceFork";
constexpr char unpack_finder_attr[] = "user.com.apple.FinderInfo";

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
	// Ends the file: its signature checked, given its mode and time, closed and
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
	int  give_mode();
	void give_time(bool follow);
	int  put_in_place(int err);
	int  place_unnamed(int err);
};

// What a format's entries become on disk, as the format is known to keep them.
struct unpack_format {
	bool folders_made;	// a folder entry is made; else passed over, and its folder must be there
	bool links_placed;	// a link entry becomes a link; else a file holding the link's text
};

// One archive unpacked into out_dir (ending in "/") under the rules (optional).
// The reader calls start, then listed for each name of the archive's listing
// and listing_done, all before anything is written; then, in the archive's
// order, entry for each entry and, when that takes it, the call for its kind;
// finish at the end. Every call returns 0 or the code that stops the unpack.
class unpack_session {
public:
	enum kind { folder, file, link, fork };

	// archive names it in the log; first_as (optional): the name the first
	// entry is written under instead of its own.
	unpack_session(const std::string& archive, const std::string& out_dir, const unpack_rules* rules,
	               const unpack_format& format, const std::string* first_as = nullptr);

	// The output folder stays inside rules.root, links followed: else err_path_outside.
	int start();
	// The most entries the listing may hold.
	uint64_t entries_allowed() const;
	// A name of the listing: a fork entry by the file it belongs to.
	void listed(const std::string& name, kind k);
	// The listing judged by its count and the names given: err_archive_repeats
	// (the wanted entry or its fork listed twice), err_archive_too_many.
	int listing_done(uint64_t entries);

	// The next entry, stored as `name` (a fork entry named by its file, or as
	// stored when it names none): *take false when it is passed over, and a
	// folder entry is made here. Its path as the copy will hold it is checked
	// against the links already on disk.
	int entry(kind k, const std::string& name, bool* take);
	// The file entry taken last, of `declared` bytes (-1: not known): *out the
	// writer its bytes go to, held by the session, bounded by what the rules
	// still allow.
	int file_begin(int64_t declared, unpack_writer** out);
	// After its last byte: placed with the entry's mode (0: none) and time (when timed).
	int file_end(int mode, bool timed, time_t when);
	// The link entry taken last, with this text.
	int link_place(const std::string& text, bool timed, time_t when);
	// The fork entry taken last: its Finder information (32 bytes; null when
	// none) and its fork's bytes, kept with its file when this unpack placed
	// that file, else dropped.
	int fork_place(const unsigned char* finder, const unsigned char* data, size_t length);
	// The end, err being how the reading ended: the entries passed over are one
	// log line, and a wanted entry never met is err_archive_no_entry.
	int finish(int err);

	// The path of the entry taken last.
	const std::string& path() const { return path_; }

private:
	std::string          archive_, out_dir_, name_, target_, path_, first_skipped_;
	const unpack_rules*  rules_;
	unpack_format        format_;
	const std::string*   first_as_;
	bool                 first_ = true, found_ = false;
	int                  seen_ = 0, seen_fork_ = 0;
	uint64_t             written_ = 0, skipped_ = 0;
	std::set<std::string> placed_;	// the paths this unpack placed files at
	std::unique_ptr<unpack_writer> writer_;
	bool only_one() const { return rules_ && !rules_->entry.empty(); }
	uint64_t allowance() const;
	int  placed(int err, uint64_t bytes);
};

#endif
