#ifndef IO_UTILS_H
#define IO_UTILS_H
// File and folder operations. Each returns 0 or an error code that error_str
// turns into a sentence: errno values (native), negative volume codes, or the
// program's own codes from 20001.
#include <atomic>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>
#include "path_utils.h"

struct stat;

enum {
	err_zip_open         = 20001,
	err_zip_short_read   = 20002,
	err_zip_create       = 20003,
	err_zip_write        = 20004,
	err_zip_fork_too_big = 20005,
	err_file_open_read   = 20006,
	err_net_reconnect    = 20007,
	err_net_bad_state    = 20008,
	err_net_alloc        = 20009,
	err_net_write_file   = 20010,
	err_net_no_server    = 20011,
	err_zip_fork_header  = 20012,
	err_not_mz           = 20013,
	err_not_pe           = 20014,
	err_archive_unsafe   = 20015,	// an entry would land outside its folder
	err_archive_no_entry = 20016,	// the archive lacks the one file it was fetched for
	err_path_outside     = 20017,	// a path leads out of its folder through a link
	err_archive_too_big  = 20018,	// an entry inflates past the size its caller expects
	err_archive_wrong_bytes = 20019,	// an entry's bytes are not the ones its caller expects
	err_archive_damaged  = 20020,	// the archive's own structure or check sums are wrong
	err_archive_repeats  = 20021,	// the archive lists the entry it was fetched for more than once
	err_archive_too_many = 20022,	// the archive lists more entries than its caller allows
	err_directory_too_big = 20023,	// the directory file unpacks past any directory file's size
	err_installer_too_big = 20024,	// an installer archive unpacks past any installer's size
	err_file_too_big     = 20025	// a file received whole runs past the size its caller allows
};

// Where the last archive or folder step of this thread failed, for the log:
// archives unpack on several worker threads at once.
extern thread_local const char* sErrFile;
extern thread_local int         sErrLine;
// A source file's own name, its folders left out: the unit sErrFile names.
constexpr const char* io_unit_of(const char* path)
{
	const char* leaf = path;
	for (const char* p = path; *p; ++p)
		if (*p == '/') leaf = p + 1;
	return leaf;
}
// Notes in sErrFile and sErrLine the step that failed, in the unit that says so.
#define ERR_AT() (sErrFile = io_unit_of(__FILE__), sErrLine = __LINE__)

std::string error_str(int code);

int     make_folder(const std::string& path);
int     rename_file(const std::string& folder, const std::string& old_name, const std::string& new_name);
// Copies the bytes and the permission bits through a land_file (never over
// or through a link at `to`): 0 or the errno of the step that failed.
int     copy_file(const std::string& from, const std::string& to);
int     delete_file(const std::string& path);
int64_t APL_file_size(const std::string& path);	// -1 when missing or a folder
int     dir_exists(const std::string& path);
int     file_exists(const std::string& path);
int     make_file_executable(const std::string& path);
int     is_sim_link(const std::string& path, std::string* target);
int     copy_file_recursive(const std::string& from, const std::string& to);
int     recursive_delete_folder(const std::string& path);
int     get_free_space(const std::string& path, uint64_t* total, uint64_t* free_bytes);
int     show_make_dir_err(int code);
int     show_del_err(int code);
int     launch_app(const std::string& app, const std::string& arg, int finish);
// As launch_app, the program started with these arguments (after its name).
int     launch_app_with(const std::string& app, const std::vector<std::string>& args, int finish);
int     eject_dvd(const std::string& path);
int     APL_is_dvd_disk(const std::string& path);	// by path: Linux has no volume numbers
int     make_file_large_address_aware(const std::string& path);

// --- paths that must stay inside a folder, whatever links lie on the way

// 1 when `path` (a path beginning with the folder `root`, which ends in "/")
// stays inside root at every step, each link found on disk followed (the last
// component's only when follow_last); 0 when it leaves root, loops, or climbs
// out of a folder that does not exist.
int path_stays_inside(const std::string& root, const std::string& path, int follow_last);
// 1 when a link with this text, placed at link_path inside root, points inside root.
int link_stays_inside(const std::string& root, const std::string& link_path, const std::string& text);

// --- unpacking: each file is written without a name, or under a temporary
// one, in its own folder and takes its target's name only once complete, so a
// killed run never leaves a fragment at a listed path.

// Opens a new temporary file in folder (O_EXCL, never through a link); the fd,
// or -errno. `temp` receives its full path.
int  unpack_temp_open(const std::string& folder, std::string& temp);
// Makes a link with this text under a temporary name in folder; 0 or errno.
int  unpack_temp_link(const std::string& folder, const std::string& text, std::string& temp);
// Opens a new file without a name in folder (a full path, its case already
// repaired), where the volume makes such files: it appears only when linked
// whole at its name, and a killed run leaves nothing of it. The fd, or -errno.
int  unpack_unnamed_open(const std::string& folder);
// Gives the file without a name `fd` the name `path`, which must be free:
// 0 or errno (EEXIST when it is taken).
int  unpack_unnamed_link(int fd, const std::string& path);
// Gives it a temporary name in folder instead; 0 or errno.
int  unpack_unnamed_link_temp(int fd, const std::string& folder, std::string& temp);
// 1 when a folder entry's name is such a temporary.
int  is_unpack_temp(const std::string& name);
// Removes the temporaries a killed run left in folder; the number removed.
int  unpack_remove_stale(const std::string& folder);

// The buffer an extraction streams entries through: one per thread, made once
// and reused (never cleared), so unpacking thousands of files costs no
// allocation per file.
enum { unpack_buffer_size = 1 << 20 };
char* unpack_buffer();

// Where the archive code writes its log lines: the log xer, or, on a thread
// inside an io_log_capture, that capture's text. Worker threads never write
// the log themselves; their owner writes the captured text out.
std::ostream& io_log();
// A capture's text, bounded: what comes past io_log_capture_max bytes is
// counted, not kept, so no archive can make the log held in memory grow.
class io_log_text : public std::ostream {
public:
	enum { io_log_capture_max = 64 << 10 };
	io_log_text();
	// The text kept, and a line saying how much was left out.
	std::string str() const;

private:
	struct bounded_buf : std::streambuf {
		std::string kept;
		uint64_t    dropped = 0;
		int_type    overflow(int_type c) override;
		std::streamsize xsputn(const char* s, std::streamsize n) override;
	} buf;
};
class io_log_capture {
public:
	io_log_text text;
	io_log_capture();
	~io_log_capture();
private:
	std::ostream* outer;
	io_log_capture(const io_log_capture&) = delete;
	io_log_capture& operator=(const io_log_capture&) = delete;
};

// The most entries an archive may list when its caller sets no lower bound:
// every archive is refused past it, before anything is written.
enum { archive_entries_max = 1 << 16 };

// Which file stands at a path and when it last changed, as the file system
// tells it: device, inode, size, modification and change times. A write,
// truncation, mode change, new link or rename over the path changes one of
// them; on a volume whose change times mark every change
// (PLAT_volume_marks_every_change) a file showing the identity it had when it
// was looked at is the same file with the same bytes.
struct file_identity {
	bool     known = false;
	uint64_t device = 0, inode = 0;
	int64_t  size = 0, mtime_s = 0, mtime_ns = 0, ctime_s = 0, ctime_ns = 0;
	// Both known, and every part the same.
	bool same_as(const file_identity& o) const
	{
		return known && o.known && device == o.device && inode == o.inode && size == o.size && mtime_s == o.mtime_s &&
		       mtime_ns == o.mtime_ns && ctime_s == o.ctime_s && ctime_ns == o.ctime_ns;
	}
};

// What stands at path (a link itself, not what it leads to), found as the
// file operations find a name: 1, its full name and its status; 0 when
// nothing is there.
int file_look_at(const std::string& path, std::string& found, struct stat& st);
// The identity of what stands at path, found so; unknown when nothing is there.
file_identity file_identity_of(const std::string& path);
// The identity a file's status (lstat) gives.
file_identity file_identity_from(const struct stat& st);

// What a caller may demand of an extraction (zip_to_file, p7z_to_file). With an
// entry named, an archive that lists it (or its AppleDouble companion) more
// than once is refused before anything is written, with err_archive_repeats;
// entries skipped are logged in one line.
struct unpack_rules {
	std::string entry;	// not empty: the one stored name to write; others are skipped and
				// logged, and an archive without it fails with err_archive_no_entry
	std::string root;	// not empty: the folder (ending in "/") out_dir must lie in, links followed
	uint64_t    max_bytes = 0;	// not 0: an entry larger than this is refused, and its writing
				// stops there, with err_archive_too_big
	uint64_t    max_total = 0;	// not 0: the same for all entries together, however their
				// stored bytes are shared
	uint64_t    max_entries = 0;	// not 0: an archive listing more entries is refused before
				// anything is written, with err_archive_too_many (0: archive_entries_max)
	std::string md5;	// not empty: the signature the written entry must have, else it
				// does not take its place and the unpack fails with err_archive_wrong_bytes
	std::string* signature = nullptr;	// not null: set, as each entry's file is put in place, to
				// what calc_file_md5 then gives, taken from the bytes as they were
				// written; emptied when that file is empty
	file_identity* identity = nullptr;	// not null (with signature): set as each entry's
				// file is put in place to its identity then; unknown when what stands
				// there is not surely the file written (file_identity_of)
	const std::atomic<int>* stop = nullptr;	// not null: once it is set, the writing stops
				// before its next block with ECANCELED, and the entry leaves nothing
	std::atomic<int64_t>* progress = nullptr;	// not null: grows by each block's bytes as
				// they are written, for another thread to read while the entry is written
};

#endif
