#include "unpack_writer.h"
#include "path_utils.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#define ERR_AT() (sErrFile = "unpack_writer", sErrLine = __LINE__)

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
	if (fd_ >= 0) close(fd_);
	if (!temp_.empty()) unlink(temp_.c_str());
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

void unpack_writer::set_temp_time(bool follow)
{
	if (!timed_) return;
	struct timespec ts[2];
	ts[0].tv_sec = ts[1].tv_sec = when_;
	ts[0].tv_nsec = ts[1].tv_nsec = 0;
	if (unnamed_)
		futimens(fd_, ts);
	else
		utimensat(AT_FDCWD, temp_.c_str(), ts, follow ? 0 : AT_SYMLINK_NOFOLLOW);
}

// The file without a name takes the target's name; when a file came there
// meanwhile, a temporary one that is renamed over it.
int unpack_writer::place_unnamed(int err)
{
	struct stat written;
	if (!err) set_temp_time(true);
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
		if (looked && lstat(full_.c_str(), &there) == 0 && there.st_ino == written.st_ino && there.st_dev == written.st_dev)
			unlink(full_.c_str());
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
	if (!err && mode_ != 0) fchmod(fd_, mode_ & 0777);
	if (unnamed_) return place_unnamed(err);
	int closed = close(fd_);
	fd_ = -1;
	if (closed != 0 && !err) { err = errno; ERR_AT(); }
	if (!err) set_temp_time(true);
	return put_in_place(err);
}

int unpack_writer::place_link(const std::string& text)
{
	sign_.add(text.data(), text.size());
	int err = sign_.check();
	if (err) { ERR_AT(); return err; }
	if ((err = unpack_temp_link(folder_of(target_), text, temp_)) != 0) { ERR_AT(); return err; }
	set_temp_time(false);
	return put_in_place(0);
}
