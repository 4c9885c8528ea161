#include "land_file.h"
#include "io_utils.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

land_file::land_file(const std::string& path, uint64_t max_bytes) : path_(path_full(path)), max_(max_bytes) {}

land_file::~land_file()
{
	// a file that did not land: its failure is told already, the clearing adds nothing
	if (fd_ >= 0) (void)close(fd_);
	if (!temp_.empty()) (void)unlink(temp_.c_str());
}

int land_file::open()
{
	int fd = unpack_temp_open(path_.substr(0, path_.rfind('/') + 1), temp_);
	if (fd < 0) { ERR_AT(); return -fd; }
	fd_ = fd;
	return 0;
}

int land_file::write_at(uint64_t offset, const void* data, size_t n)
{
	if (fd_ < 0) return EBADF;
	if (offset > size_ || n > max_ || offset > max_ - n) { ERR_AT(); return err_file_too_big; }
	const char* p = (const char*)data;
	while (n > 0) {
		ssize_t w = pwrite(fd_, p, n, (off_t)offset);
		if (w < 0 && errno == EINTR) continue;
		if (w <= 0) { ERR_AT(); return w < 0 ? errno : EIO; }
		p += w;
		n -= (size_t)w;
		offset += (uint64_t)w;
		if (offset > size_) size_ = offset;
	}
	return 0;
}

int land_file::land()
{
	if (fd_ < 0) return EBADF;
	int err = 0;
	if (mode_ >= 0 && fchmod(fd_, (mode_t)mode_) != 0) err = errno;
	// whole on the disk before it has the name: a crash leaves the old file or this one
	if (!err && fdatasync(fd_) != 0) err = errno;
	if (close(fd_) != 0 && !err) err = errno;
	fd_ = -1;
	if (!err && rename(temp_.c_str(), path_.c_str()) != 0) err = errno;
	if (err) { ERR_AT(); return err; }	// the destructor removes the temporary
	temp_.clear();
	return 0;
}

int land_copy(const std::string& from, const std::string& to, uint64_t max_bytes)
{
	int in = open(path_full(from).c_str(), O_RDONLY | O_CLOEXEC);
	if (in < 0) { ERR_AT(); return errno; }
	struct stat st;
	land_file out(to, max_bytes);
	int err = fstat(in, &st) != 0 ? errno : out.open();
	// each thread its own buffer: the disc's copy set and the main thread may copy at once
	thread_local std::vector<char> buf(1 << 16);
	while (!err) {
		ssize_t n = read(in, buf.data(), buf.size());
		if (n < 0 && errno == EINTR) continue;
		if (n < 0) { ERR_AT(); err = errno; }
		if (n <= 0) break;
		err = out.write(buf.data(), (size_t)n);
	}
	(void)close(in);	// read only: its close tells nothing of the copy
	if (err) return err;
	out.set_mode(st.st_mode & 0777);
	return out.land();
}
