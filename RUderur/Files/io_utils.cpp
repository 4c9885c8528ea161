#include "io_utils.h"
#include "land_file.h"
#include "opensave.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <set>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>
#include <vector>

thread_local const char* sErrFile = "";
thread_local int         sErrLine = -1;

struct err_msg { int code; const char* text; };

// errno rows are keyed by name: the values are Linux's, the texts the program's.
static const err_msg kErrMsgs[] = {
	{EPERM, "Operation not permitted. Perhaps you do not have access to a directory or file system"},
	{ENOENT, "No such file or directory"},
	{ESRCH, "No such process"},
	{EINTR, "Interrupted system call"},
	{EIO, "Input/output error"},
	{ENXIO, "Device not configured"},
	{E2BIG, "Argument list too long"},
	{ENOEXEC, "Exec format error"},
	{EBADF, "Bad file descriptor"},
	{ECHILD, "No child processes"},
	{EDEADLK, "Resource deadlock avoided"},
	{ENOMEM, "Out of memory"},
	{EACCES, "Permission denied. Perhaps you do not have access to a directory or file system"},
	{EFAULT, "Bad address"},
	{EBUSY, "Device busy"},
	{EEXIST, "File exists"},
	{EXDEV, "Cross-device link"},
	{ENODEV, "Operation not supported by device"},
	{ENOTDIR, "Not a directory"},
	{EISDIR, "Is a directory"},
	{EINVAL, "Invalid argument"},
	{ENFILE, "Too many open files in system"},
	{EMFILE, "Too many open files"},
	{ENOTTY, "Inappropriate ioctl for device"},
	{EFBIG, "File too large"},
	{ENOSPC, "No space left on device. Perhaps your hard drive is full"},
	{ESPIPE, "Illegal seek"},
	{EROFS, "The destination file system is read-only"},
	{EMLINK, "Too many links"},
	{EPIPE, "Broken pipe"},
	{EDOM, "Numerical argument out of domain"},
	{ERANGE, "Result too large"},
	{EAGAIN, "Resource temporarily unavailable"},
	{ENAMETOOLONG, "File name too long"},
	{ENOTEMPTY, "Directory not empty"},
	{ENOLCK, "No locks available"},
	{ENOSYS, "Function not implemented"},
	{EILSEQ, "Wide character encoding error"},
	{ELOOP, "Too many levels of symbolic links"},
	{EDQUOT, "Disk quota exceeded. Your share of the disk is full"},
	{ETXTBSY, "A program file is in use and cannot be written"},
	{EOVERFLOW, "A file is too large for this operation"},
	{EOPNOTSUPP, "Operation not supported by this file system"},
	{ESTALE, "A file on a network volume is no longer available"},
	{-33, "Directory is full"},
	{-34, "The disk is full"},
	{-35, "no such volume"},
	{-36, "An internal I/O error occurred"},
	{-37, "bad name"},
	{-38, "file not open"},
	{-39, "end of file"},
	{-40, "position error"},
	{-41, "Memory is full"},
	{-42, "Too many files open"},
	{err_file_not_found, "File not found"},
	{-44, "A disk is write protected"},
	{-45, "File locked"},
	{-46, "Hard disk is locked"},
	{-47, "A file is in use by another application"},
	{err_duplicate_name, "duplicate file name"},
	{-49, "File already open with write permissions by another application"},
	{-50, "param err"},
	{-51, "refnum error"},
	{-52, "get file position error"},
	{-53, "A needed volume is offline"},
	{-54, "Permissions error - perhaps you do not have access to a directory"},
	{-56, "no such drive"},
	{-57, "Not a macintosh disk"},
	{-60, "bad master directory block"},
	{-61, "Write permissions error - perhaps you do not have enough access to a directory"},
	{-108, "Out of memory (memory is full)"},
	{-120, "directory not found"},
	{-5000, "You have insufficient privileges for this operation"},
	{err_zip_open, "We were unable to open a zip file. It may be missing or damaged"},
	{err_zip_short_read, "We were unable to read from a zip file (short-read error). It may be missing or damaged"},
	{err_zip_create, "We were unable to create a zip file"},
	{err_zip_write, "We were unable to write to a zip file. It may be missing or damaged"},
	{err_zip_fork_too_big, "We cannot compress a zip file because its source file resource fork is more than 2 GB. The source file is probably damaged"},
	{err_file_open_read, "We could not open a file to read from it"},
	{err_net_reconnect, "We were unable to connct to the network due to an internal reconnect error"},
	{err_net_bad_state, "We wre unable to connect to the network due to a bad state error"},
	{err_net_alloc, "We could not allocate a connection to the network"},
	{err_net_write_file, "We could not write the incoming file from the web to disk"},
	{err_net_no_server, "We could not find the server over the network"},
	{err_zip_fork_header, "Part of the downloaded zip file is corrupted (the resource fork header is bad)"},
	{err_archive_unsafe, "An archive holds a file that would be written outside its folder. The archive is damaged or unsafe"},
	{err_archive_no_entry, "An archive does not hold the file it was fetched for. The archive is damaged or the wrong one"},
	{err_archive_too_big, "A file in an archive is much larger than the release lists it. The archive is damaged or the wrong one"},
	{err_archive_wrong_bytes, "An archive holds another file under the name it was fetched for. The archive is damaged or the wrong one"},
	{err_path_outside, "A folder on the way is a link that leads outside the install folder, so nothing was written or deleted there"},
	{err_archive_damaged, "An archive is damaged: what it holds does not match its own records. It may be incomplete or the wrong one"},
	{err_archive_repeats, "An archive lists the file it was fetched for more than once. The archive is damaged or unsafe"},
	{err_archive_too_many, "An archive lists far more files than it should. The archive is damaged or unsafe"},
	{err_directory_too_big, "The release's directory file unpacks to far more than any directory file holds. The archive is damaged or the wrong one"},
	{err_installer_too_big, "The installer archive unpacks to far more than any installer holds. The archive is damaged or the wrong one"},
	{err_file_too_big, "A file is much larger than the release lists it. It is damaged or the wrong one"},
	{0, nullptr}
};

std::string error_str(int code)
{
	if (code == 0) return "";
	for (const err_msg* m = kErrMsgs; m->text; ++m)
		if (m->code == code) return UTL_translate_string(m->text, 0);	// shown to the user in their language
	char buf[40];
	snprintf(buf, sizeof(buf), "Error code %d", code);
	return buf;
}


static std::string strip_slash(const std::string& p)
{
	if (!p.empty() && p.back() == '/') return p.substr(0, p.size() - 1);
	return p;
}

int make_folder(const std::string& path)
{
	std::string p = path_full(strip_slash(path));
	if (mkdir(p.c_str(), 0755) != 0) { ERR_AT(); return errno; }
	return 0;
}

int rename_file(const std::string& folder, const std::string& old_name, const std::string& new_name)
{
	std::string a = path_full(folder + old_name), b = path_full(folder + new_name);
	if (rename(a.c_str(), b.c_str()) != 0) { ERR_AT(); return errno; }
	return 0;
}

int copy_file(const std::string& from, const std::string& to)
{
	std::string src = path_full(from), dst = path_full(to);
	struct stat s_in, s_out;
	// The source is looked at first: a missing source must not cost the destination.
	if (stat(src.c_str(), &s_in) != 0) return errno;
	if (lstat(dst.c_str(), &s_out) == 0) {
		// never over a link at the destination, as never through one
		if (S_ISLNK(s_out.st_mode)) return ELOOP;
		if (s_in.st_dev == s_out.st_dev && s_in.st_ino == s_out.st_ino) return 0;	// a file onto itself
	}
	return land_copy(src, dst);
}

int delete_file(const std::string& path)
{
	if (path.empty()) return 2;
	std::string p = path_full(path);
	if (p.back() == '/') {
		p.pop_back();
		if (rmdir(p.c_str()) != 0) { ERR_AT(); return errno; }
		return 0;
	}
	if (unlink(p.c_str()) != 0) { ERR_AT(); return errno; }
	return 0;
}

int64_t APL_file_size(const std::string& path)
{
	struct stat st;
	if (stat(path_full(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
	return (int64_t)st.st_size;
}

int dir_exists(const std::string& path)
{
	std::string p = path.empty() ? path : strip_slash(path);
	if (p.empty() && !path.empty()) p = "/";
	struct stat st;
	return stat(path_full(p).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int file_exists(const std::string& path)
{
	struct stat st;
	return stat(path_full(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

int make_file_executable(const std::string& path)
{
	if (chmod(path_full(path).c_str(), 0755) != 0) return errno;
	return 0;
}

int is_sim_link(const std::string& path, std::string* target)
{
	char buf[4096];
	ssize_t n = readlink(path_full(path).c_str(), buf, sizeof(buf));
	if (n < 0) return 0;
	if (target) target->assign(buf, n);
	return 1;
}

typedef std::set<std::pair<dev_t, ino_t>> folder_set;

// `active` holds the source folders being walked, so a link back into one of
// them is not followed round for ever; `made` the folders this copy created,
// so copying a folder into itself does not copy its own copy.
static int copy_tree(const std::string& from, const std::string& to, folder_set& active, folder_set& made)
{
	if (!dir_exists(from)) return copy_file(from, to);
	struct stat st;
	if (stat(path_full(from).c_str(), &st) != 0) return errno;
	std::pair<dev_t, ino_t> id(st.st_dev, st.st_ino);
	if (made.count(id)) return 0;
	if (active.count(id)) {
		std::string text;
		if (!is_sim_link(from, &text)) return ELOOP;
		xer << "Copying " << from << " as a link: it leads back into the folder being copied.\n";
		(void)delete_file(to);	// what stays there fails the link, and that is told
		if (symlink(text.c_str(), path_full(to).c_str()) != 0) return errno;
		return 0;
	}
	// a folder that is there already is the one to copy into
	if (int made_err = make_folder(to + "/"); made_err != 0 && made_err != EEXIST) return made_err;
	struct stat dst;
	if (stat(path_full(to).c_str(), &dst) == 0) made.insert(std::make_pair(dst.st_dev, dst.st_ino));
	active.insert(id);
	std::vector<std::string> names;
	std::vector<int> kinds;
	opensave_getitems(from + "/", 0, names, kinds);
	int err = 0;
	for (const std::string& n : names) {
		err = copy_tree(from + "/" + n, to + "/" + n, active, made);
		if (err) break;
	}
	active.erase(id);
	return err;
}

int copy_file_recursive(const std::string& from, const std::string& to)
{
	folder_set active, made;
	return copy_tree(strip_slash(from), strip_slash(to), active, made);
}

int recursive_delete_folder(const std::string& path)
{
	std::vector<std::string> names;
	std::vector<int> kinds;
	opensave_getitems(path, 0, names, kinds);
	for (size_t i = 0; i < names.size(); ++i) {
		struct stat st;
		std::string item = path + names[i];
		// listed kinds follow extensions, so ask the disk whether it is a real folder
		bool folder = lstat(path_full(item).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
		int err = folder ? recursive_delete_folder(item + "/") : delete_file(item);
		if (err) return err;
	}
	return delete_file(path);
}

int get_free_space(const std::string& path, uint64_t* total, uint64_t* free_bytes)
{
	FSRef ref;
	std::string leaf;
	int err = FilePathToFSRefAndName(path_full(path).c_str(), &ref, &leaf);
	if (err) return err;
	struct statvfs v;
	if (statvfs(ref.path.c_str(), &v) != 0) return -35;
	if (total) *total = (uint64_t)v.f_blocks * v.f_frsize;
	if (free_bytes) *free_bytes = (uint64_t)v.f_bavail * v.f_frsize;
	return 0;
}

int show_make_dir_err(int code) { return !(code == 0 || code == EEXIST || code == err_duplicate_name); }
int show_del_err(int) { return 0; }

int launch_app(const std::string& app, const std::string& arg, int finish)
{
	std::vector<std::string> args;
	if (!arg.empty()) args = {"-path", arg};
	return launch_app_with(app, args, finish);
}

int launch_app_with(const std::string& app, const std::vector<std::string>& args, int finish)
{
	std::string path = path_full(strip_slash(app));
	// A bundle folder X.app runs X.app/Contents/MacOS/X.
	if (path.size() > 4 && path.compare(path.size() - 4, 4, ".app") == 0 && dir_exists(path)) {
		std::string leaf;
		get_file_with_path(leaf, path);
		std::string exe = path + "/Contents/MacOS/" + leaf.substr(0, leaf.size() - 4);
		if (access(exe.c_str(), X_OK) == 0) path = exe;
	}
	xer << "Launching: " << path << " with";
	for (const std::string& a : args) xer << " " << a;
	xer << "\n";
	xer.flush();

	std::vector<const char*> argv{path.c_str()};
	for (const std::string& a : args) argv.push_back(a.c_str());
	argv.push_back(nullptr);
	// The child reports a failed exec through this pipe; a successful exec closes it.
	int fds[2];
	if (pipe2(fds, O_CLOEXEC) != 0) return errno;
	pid_t pid = fork();
	if (pid < 0) {
		int e = errno;
		// the pipe's ends close as the program's own: nothing to tell
		(void)close(fds[0]);
		(void)close(fds[1]);
		return e;
	}
	if (pid == 0) {
		(void)close(fds[0]);
		(void)execv(argv[0], (char* const*)argv.data());	// it returns only on a failure, whose errno goes to the parent
		int e = errno;
		ssize_t w = write(fds[1], &e, sizeof(e));
		(void)w;
		_exit(127);
	}
	(void)close(fds[1]);
	int child_err = 0;
	ssize_t n;
	while ((n = read(fds[0], &child_err, sizeof(child_err))) < 0 && errno == EINTR) {}
	(void)close(fds[0]);
	if (n == (ssize_t)sizeof(child_err)) {
		xer << "Launch failed: " << error_str(child_err) << "\n";
		xer.flush();
		return child_err ? child_err : ENOEXEC;
	}
	if (finish) MACIBM_finishup(1);
	exit(1);
}

// The mount that holds path: its device and mount point, from /proc/self/mountinfo.
static bool find_mount(const std::string& path, std::string& device, std::string& point)
{
	struct stat st;
	if (stat(path.c_str(), &st) != 0) return false;
	FILE* f = fopen("/proc/self/mountinfo", "r");
	if (!f) return false;
	char line[4096];
	bool found = false;
	while (fgets(line, sizeof(line), f)) {
		unsigned maj, min;
		char mnt[2048];
		if (sscanf(line, "%*d %*d %u:%u %*s %2047s", &maj, &min, mnt) != 3) continue;
		if (makedev(maj, min) != st.st_dev) continue;
		const char* dash = strstr(line, " - ");
		char fstype[256], src[2048];
		if (!dash || sscanf(dash + 3, "%255s %2047s", fstype, src) != 2) continue;
		device = src;
		point = mnt;
		found = true;
	}
	(void)fclose(f);	// only read: its close tells nothing
	return found;
}

int eject_dvd(const std::string& path)
{
	std::string device, point;
	if (!find_mount(path, device, point)) return -35;
	if (umount2(point.c_str(), 0) != 0) return errno;
	int fd = open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
	if (fd < 0) return errno;
	int err = ioctl(fd, CDROMEJECT, 0) != 0 ? errno : 0;
	(void)close(fd);	// the eject's own result is the answer
	return err;
}

int APL_is_dvd_disk(const std::string& path)
{
	struct stat st;
	if (stat(path.c_str(), &st) != 0) return 0;
	return major(st.st_dev) == 11;	// SCSI CD-ROM block devices (sr*)
}

int make_file_large_address_aware(const std::string& path)
{
	FILE* f = fopen(path_full(path).c_str(), "r+b");
	if (!f) return errno;
	unsigned char dos[64], pe[24];
	int err = 0;
	long off = 0;
	if (fread(dos, 1, 64, f) != 64) err = 5;
	else if (dos[0] != 'M' || dos[1] != 'Z') err = err_not_mz;
	if (!err) {
		off = (long)((uint32_t)dos[60] | ((uint32_t)dos[61] << 8) | ((uint32_t)dos[62] << 16) | ((uint32_t)dos[63] << 24));
		if (fseek(f, off, SEEK_SET) != 0) err = errno;
		else if (fread(pe, 1, 24, f) != 24) err = 5;
		else if (memcmp(pe, "PE\0\0", 4) != 0) err = err_not_pe;
	}
	if (!err) {
		pe[22] |= 0x20;
		if (fseek(f, off, SEEK_SET) != 0) err = errno;
		else if (fwrite(pe, 1, 24, f) != 24) err = 5;
	}
	if (fclose(f) != 0 && !err) err = errno;
	return err;
}

// The name as given when it is there (most are; the look-up in other cases
// costs a stat of its own), else as set_path_to_full finds it.
int file_look_at(const std::string& path, std::string& f, struct stat& st)
{
	f = path;
	if (lstat(f.c_str(), &st) == 0) return 1;
	std::string other = path_full(path);
	if (other == f) return 0;
	f = other;
	return lstat(f.c_str(), &st) == 0;
}

file_identity file_identity_from(const struct stat& st)
{
	file_identity id;
	id.known = true;
	id.device = (uint64_t)st.st_dev;
	id.inode = (uint64_t)st.st_ino;
	id.size = (int64_t)st.st_size;
	id.mtime_s = (int64_t)st.st_mtim.tv_sec;
	id.mtime_ns = (int64_t)st.st_mtim.tv_nsec;
	id.ctime_s = (int64_t)st.st_ctim.tv_sec;
	id.ctime_ns = (int64_t)st.st_ctim.tv_nsec;
	return id;
}

file_identity file_identity_of(const std::string& path)
{
	std::string f;
	struct stat st;
	return file_look_at(path, f, st) ? file_identity_from(st) : file_identity();
}
