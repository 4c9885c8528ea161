#include "unpack_writer.h"
#include "path_utils.h"
#include "UTL_log.h"
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

static std::string folder_of(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

unpack_signer::unpack_signer(const unpack_rules* rules)
    : want(rules ? rules->md5 : std::string()), out(rules ? rules->signature : nullptr),
      id_out(out ? rules->identity : nullptr), on(out || !want.empty())
{
}

void unpack_signer::add(const void* data, size_t length)
{
	bytes += length;
	if (on) md5.add(data, length);
}

int unpack_signer::check()
{
	if (!on) return 0;
	got = md5.hex();
	// no signature to hold the bytes to: they are not taken on trust
	return got.empty() || (!want.empty() && got != want) ? err_archive_wrong_bytes : 0;
}

int unpack_signer::put_in_place(const std::string& temp, const std::string& path)
{
	struct stat written;
	const bool looked = id_out && lstat(temp.c_str(), &written) == 0;
	if (rename(temp.c_str(), path.c_str()) != 0) return errno;
	placed(path, looked ? &written : nullptr, false);
	return 0;
}

void unpack_signer::placed(const std::string& path, const struct stat* written, bool written_is_there)
{
	// The identity is taken after the file took its name, which changes its
	// change time, and only when the inode there is the one written: another
	// entry, a case twin or another program may have put a file there since.
	path_case_placed(path);
	if (out) *out = bytes ? got : std::string();
	if (!id_out) return;
	*id_out = file_identity();
	struct stat there;
	if (written && written_is_there)
		there = *written;
	else if (!written || lstat(path.c_str(), &there) != 0 || there.st_dev != written->st_dev || there.st_ino != written->st_ino)
		return;
	if ((uint64_t)there.st_size == bytes) *id_out = file_identity_from(there);
}

unpack_writer::unpack_writer(const std::string& target, const unpack_rules* rules, uint64_t max_bytes)
    : target_(target), sign_(rules), stop_(rules ? rules->stop : nullptr),
      progress_(rules ? rules->progress : nullptr), max_(max_bytes)
{
}

unpack_writer::~unpack_writer()
{
	// an entry that failed already: what goes wrong in clearing it away adds nothing
	if (fd_ >= 0) (void)close(fd_);
	if (!temp_.empty()) (void)unlink(temp_.c_str());
}

int unpack_writer::open()
{
	// A new file is written without a name and linked at its target once
	// whole: one change to its folder, made outside the folder's lock, and
	// nothing left when the run is killed. One that replaces a file is renamed
	// over it, so that the target is always the old file or the new one.
	bool absent = false;	// the case repair may already have looked
	full_ = path_full(target_, &absent);
	struct stat st;
	if (absent || (lstat(full_.c_str(), &st) != 0 && errno == ENOENT)) {
		int fd = unpack_unnamed_open(folder_of(full_));	// full already: no second repair
		if (fd >= 0) {
			fd_ = fd;
			unnamed_ = true;
			return 0;
		}
	}
	int fd = unpack_temp_open(folder_of(target_), temp_);
	if (fd < 0) { ERR_AT(); return -fd; }
	fd_ = fd;
	return 0;
}

int unpack_writer::write(const void* data, size_t n)
{
	if (n > max_ - bytes_ || bytes_ > max_) { ERR_AT(); return err_archive_too_big; }
	// the program is ending or the run was dropped: the entry goes unfinished, leaving nothing
	if (stop_ && stop_->load(std::memory_order_relaxed)) { ERR_AT(); return ECANCELED; }
	sign_.add(data, n);
	const char* p = (const char*)data;
	while (n > 0) {
		ssize_t w = ::write(fd_, p, n);
		if (w < 0 && errno == EINTR) continue;
		// a full disk is the user's to mend, not the archive's fault
		if (w <= 0) { ERR_AT(); return w < 0 ? errno : EIO; }
		p += w;
		n -= (size_t)w;
		bytes_ += (uint64_t)w;
		if (progress_) progress_->fetch_add(w, std::memory_order_relaxed);
	}
	return 0;
}

// A mode the volume will not keep (a FAT stick keeps none) is said and let
// be, unless the file is then open to others the entry shuts out: then it is
// not placed.
int unpack_writer::give_mode()
{
	if (mode_ == 0 || fchmod(fd_, mode_ & 0777) == 0) return 0;
	int err = errno;
	struct stat st;
	if (fstat(fd_, &st) != 0 || (st.st_mode & 0066 & ~mode_) != 0) { ERR_AT(); return err; }
	io_log() << "The volume keeps " << UTL_log_safe(target_) << " with mode " << std::oct << (st.st_mode & 0777)
	         << " where the archive gives " << (mode_ & 0777) << std::dec << ": " << strerror(err) << ".\n";
	return 0;
}

// A time that cannot be given is said: nothing the run checks rests on it.
void unpack_writer::give_time(bool follow)
{
	if (!timed_) return;
	struct timespec ts[2];
	ts[0].tv_sec = ts[1].tv_sec = when_;
	ts[0].tv_nsec = ts[1].tv_nsec = 0;
	int r = unnamed_ ? futimens(fd_, ts) : utimensat(AT_FDCWD, temp_.c_str(), ts, follow ? 0 : AT_SYMLINK_NOFOLLOW);
	if (r != 0) io_log() << "Could not give " << UTL_log_safe(target_) << " its time: " << strerror(errno) << ".\n";
}

// The file without a name takes the target's name; when a file came there
// meanwhile, a temporary one that is renamed over it.
int unpack_writer::place_unnamed(int err)
{
	struct stat written;
	if (!err) give_time(true);
	bool linked = false, looked = false;
	if (!err) {
		err = unpack_unnamed_link(fd_, full_);
		linked = err == 0;
		// taken after the link, which changes its change time: the inode that
		// now has the name
		looked = linked && fstat(fd_, &written) == 0;
		if (err == EEXIST && (err = unpack_unnamed_link_temp(fd_, folder_of(full_), temp_)) == 0)
			err = sign_.put_in_place(temp_, full_);
		if (err) ERR_AT();
	}
	int closed = close(fd_);
	fd_ = -1;
	if (closed != 0 && !err) {
		// its bytes may not all have reached the disk: a new file goes again
		err = errno;
		ERR_AT();
		struct stat there;
		// the close's errno is what the caller is told; a file that cannot go is left to the next run's scan
		if (looked && lstat(full_.c_str(), &there) == 0 && there.st_ino == written.st_ino && there.st_dev == written.st_dev)
			(void)unlink(full_.c_str());
		return err;
	}
	if (err) return err;	// the destructor removes a temporary name
	if (linked) sign_.placed(full_, looked ? &written : nullptr, true);
	temp_.clear();
	return 0;
}

// The last step of both kinds: the temporary takes the target's name, or goes.
int unpack_writer::put_in_place(int err)
{
	// the rename into place, and the placed file's signature and identity taken
	if (!err && (err = sign_.put_in_place(temp_, full_.empty() ? path_full(target_) : full_)) != 0) ERR_AT();
	if (err) return err;	// the destructor removes the temporary
	temp_.clear();
	return 0;
}

int unpack_writer::place()
{
	int err = sign_.check();
	if (err) ERR_AT();
	if (!err) err = give_mode();
	if (unnamed_) return place_unnamed(err);
	int closed = close(fd_);
	fd_ = -1;
	if (closed != 0 && !err) { err = errno; ERR_AT(); }
	if (!err) give_time(true);
	return put_in_place(err);
}

int unpack_writer::place_link(const std::string& text)
{
	sign_.add(text.data(), text.size());
	int err = sign_.check();
	if (err) { ERR_AT(); return err; }
	if ((err = unpack_temp_link(folder_of(target_), text, temp_)) != 0) { ERR_AT(); return err; }
	give_time(false);
	return put_in_place(0);
}

// --- the rules of an unpack, the same for every format

// Builds out_dir + name for an archive entry, refusing absolute names, ".."
// components and any path that would pass through a symbolic link already
// inside out_dir (check_last: the last component too). 0 or err_archive_unsafe.
static int archive_entry_path(const std::string& out_dir, const std::string& name, int check_last, std::string& out)
{
	if (name.empty() || name[0] == '/' || name.find('\0') != std::string::npos) { ERR_AT(); return err_archive_unsafe; }
	std::string root = path_full(out_dir);
	size_t start = 0;
	while (start < name.size()) {
		size_t slash = name.find('/', start);
		bool last = slash == std::string::npos || slash + 1 == name.size();
		std::string comp = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
		if (comp == "..") { ERR_AT(); return err_archive_unsafe; }
		if (!comp.empty() && comp != "." && (!last || check_last)) {
			std::string prefix = root + name.substr(0, slash == std::string::npos ? name.size() : slash);
			struct stat st;
			if (lstat(prefix.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) { ERR_AT(); return err_archive_unsafe; }
		}
		if (slash == std::string::npos) break;
		start = slash + 1;
	}
	out = out_dir + name;
	return 0;
}

// 1 when a link placed at entry `name` with this text stays inside the archive's folder.
static int archive_link_inside(const std::string& name, const std::string& text)
{
	if (text.empty() || text[0] == '/' || text.find('\0') != std::string::npos) return 0;
	int depth = 0;	// folders between the archive's folder and the link
	for (size_t i = 0; i < name.size(); ++i)
		if (name[i] == '/' && i + 1 < name.size()) ++depth;
	size_t start = 0;
	while (start <= text.size()) {
		size_t slash = text.find('/', start);
		if (slash == std::string::npos) slash = text.size();
		std::string comp = text.substr(start, slash - start);
		if (comp == "..") {
			if (--depth < 0) return 0;
		} else if (!comp.empty() && comp != ".") {
			++depth;
		}
		start = slash + 1;
	}
	return 1;
}

// Stored names longer than this are cut in the log.
enum { logged_name_max = 200 };

unpack_session::unpack_session(const std::string& archive, const std::string& out_dir, const unpack_rules* rules,
                               const unpack_format& format, const std::string* first_as)
    : archive_(archive), out_dir_(out_dir), rules_(rules), format_(format), first_as_(first_as)
{
}

int unpack_session::start()
{
	if (!rules_ || rules_->root.empty() || path_stays_inside(rules_->root, out_dir_, 1)) return 0;
	io_log() << "Refusing to unpack into " << out_dir_ << ": it leads outside " << rules_->root << " through a link.\n";
	ERR_AT();
	return err_path_outside;
}

uint64_t unpack_session::entries_allowed() const
{
	return rules_ && rules_->max_entries ? rules_->max_entries : (uint64_t)archive_entries_max;
}

void unpack_session::listed(const std::string& name, kind k)
{
	if (!only_one() || name != rules_->entry) return;
	if (k == fork) ++seen_fork_;
	else if (k != folder) ++seen_;
}

int unpack_session::listing_done(uint64_t entries)
{
	if (seen_ > 1 || seen_fork_ > 1) {
		io_log() << "Refusing " << archive_ << ": it lists " << UTL_log_safe(rules_->entry) << " more than once.\n";
		ERR_AT();
		return err_archive_repeats;
	}
	if (entries > entries_allowed()) {
		io_log() << "Refusing " << archive_ << ": it lists more than " << entries_allowed() << " entries.\n";
		ERR_AT();
		return err_archive_too_many;
	}
	return 0;
}

// What the next file may still write: its own bound, and what is left of the
// bound on all files together.
uint64_t unpack_session::allowance() const
{
	uint64_t most = rules_ && rules_->max_bytes ? rules_->max_bytes : UINT64_MAX;
	if (rules_ && rules_->max_total) {
		uint64_t left = written_ < rules_->max_total ? rules_->max_total - written_ : 0;
		if (left < most) most = left;
	}
	return most;
}

int unpack_session::entry(kind k, const std::string& name, bool* take)
{
	*take = false;
	writer_.reset();
	const bool first = first_;
	first_ = false;
	name_ = name;
	target_ = first && first_as_ ? *first_as_ : name;
	path_.clear();
	// With one entry wanted, folders are never made: its folder is the caller's.
	if (k == folder) {
		if (only_one() || !format_.folders_made) return 0;
		int err = archive_entry_path(out_dir_, target_, 1, path_);
		if (!err) err = make_folder(path_);
		return err == EEXIST || err == err_duplicate_name ? 0 : err;
	}
	if (only_one() && name != rules_->entry) {
		if (!skipped_++) first_skipped_ = name;
		return 0;
	}
	if (k != fork) found_ = true;
	// a fork is placed by its file's name, not the one it was given
	int err = archive_entry_path(out_dir_, k == fork ? name : target_, 0, path_);
	*take = err == 0;
	return err;
}

int unpack_session::file_begin(int64_t declared, unpack_writer** out)
{
	const uint64_t most = allowance();
	if (declared >= 0 && (uint64_t)declared > most) { ERR_AT(); return err_archive_too_big; }
	writer_.reset(new unpack_writer(path_, rules_, most));
	*out = writer_.get();
	return writer_->open();
}

// After a file or link was placed (or failed): counted, and known as this unpack's.
int unpack_session::placed(int err, uint64_t bytes)
{
	written_ += bytes;
	writer_.reset();
	if (err) return err;
	placed_.insert(path_);
	return 0;
}

int unpack_session::file_end(int mode, bool timed, time_t when)
{
	writer_->set_mode(mode);
	if (timed) writer_->set_time(when);
	int err = writer_->place();
	return placed(err, writer_->bytes());
}

int unpack_session::link_place(const std::string& text, bool timed, time_t when)
{
	if (!format_.links_placed) {
		// kept as a file holding its text: the listed size of a link is its target's, no bound for the text
		unpack_writer w(path_, rules_);
		int err = w.open();
		if (!err) err = w.write(text.data(), text.size());
		if (!err) err = w.place();
		return placed(err, w.bytes());
	}
	// With a root, a link is judged by where it lands on disk against that
	// root, so a link into a sibling folder of the copy is kept; without, it
	// may not climb above the archive's own folder either.
	bool inside = rules_ && !rules_->root.empty()
	                  ? link_stays_inside(rules_->root, path_, text)
	                  : archive_link_inside(target_, text) && link_stays_inside(out_dir_, path_, text);
	if (!inside) {
		io_log() << "Refusing a link that leads out of its folder: " << UTL_log_safe(target_) << " -> " << UTL_log_safe(text) << "\n";
		ERR_AT();
		return err_archive_unsafe;
	}
	unpack_writer w(path_, rules_);
	if (timed) w.set_time(when);
	return placed(w.place_link(text), 0);
}

int unpack_session::fork_place(const unsigned char* finder, const unsigned char* data, size_t length)
{
	// only a file this unpack placed takes a fork: never one that was there
	if (!placed_.count(path_)) return 0;
	std::string file = path_full(path_);
	struct stat st;
	const char* why = nullptr;
	if (lstat(file.c_str(), &st) != 0) why = strerror(errno);
	else if (S_ISLNK(st.st_mode)) why = "the file is a link";
	if (!why && finder && lsetxattr(file.c_str(), unpack_finder_attr, finder, 32, 0) != 0) why = strerror(errno);
	if (!why && data && length > 0 && lsetxattr(file.c_str(), unpack_fork_attr, data, length, 0) != 0) why = strerror(errno);
	// the file is the release's with or without it: said, and the unpack goes on
	if (why) io_log() << "The resource fork of " << UTL_log_safe(file) << " was dropped: " << why << "\n";
	return 0;
}

int unpack_session::finish(int err)
{
	if (skipped_) {
		std::string name = first_skipped_.size() > logged_name_max ? first_skipped_.substr(0, logged_name_max) + "..." : first_skipped_;
		io_log() << "Skipped " << skipped_ << (skipped_ == 1 ? " entry" : " entries") << " of " << archive_ << " (the first: "
		         << UTL_log_safe(name) << "): the archive was fetched for " << UTL_log_safe(rules_->entry) << " alone.\n";
	}
	if (!err && only_one() && !found_) {
		io_log() << "The archive " << archive_ << " does not hold " << UTL_log_safe(rules_->entry) << ".\n";
		err = err_archive_no_entry;
	}
	return err;
}
