// Paths checked against the links on disk, and the temporary names files are
// unpacked under before they take their listed place.
#include "io_utils.h"
#include "UTL_log.h"
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

enum { max_links_followed = 40 };	// as the kernel: more is a loop

static const char kTempPrefix[] = ".vantor-unpack-";


static void split_into(const std::string& text, std::deque<std::string>& out, bool front)
{
	std::vector<std::string> parts;
	size_t start = 0;
	while (start <= text.size()) {
		size_t slash = text.find('/', start);
		if (slash == std::string::npos) slash = text.size();
		parts.push_back(text.substr(start, slash - start));
		start = slash + 1;
	}
	if (front)
		out.insert(out.begin(), parts.begin(), parts.end());
	else
		out.insert(out.end(), parts.begin(), parts.end());
}

// The (full) folder without its final "/", resolved when it exists.
static std::string real_root(const std::string& root)
{
	std::string r = root;
	while (r.size() > 1 && r.back() == '/') r.pop_back();
	char buf[PATH_MAX];
	if (realpath(r.c_str(), buf)) r = buf;
	return r == "/" ? "" : r;
}

// Walks `rest` from the folder `at` (components below root): false as soon as a
// step leaves root. A component that is not an existing folder ends what the
// disk can say: ".." after it is refused rather than guessed.
static bool walk_inside(const std::string& root, std::vector<std::string>& at, std::deque<std::string> rest, bool follow_last)
{
	int links = 0;
	bool solid = true;	// every component of `at` is a folder on disk
	while (!rest.empty()) {
		std::string c = rest.front();
		rest.pop_front();
		if (c.empty() || c == ".") continue;
		if (c == "..") {
			if (at.empty() || !solid) return false;
			at.pop_back();
			continue;
		}
		std::string here = root;
		for (const std::string& a : at) here += "/" + a;
		here += "/" + c;
		struct stat st;
		bool found = solid && lstat(here.c_str(), &st) == 0;
		if (found && S_ISLNK(st.st_mode) && (follow_last || !rest.empty())) {
			if (++links > max_links_followed) return false;
			char buf[PATH_MAX];
			ssize_t n = readlink(here.c_str(), buf, sizeof(buf) - 1);
			if (n <= 0) return false;
			std::string text(buf, n);
			if (text[0] == '/') {
				if (text.compare(0, root.size(), root) != 0 || (text.size() > root.size() && text[root.size()] != '/'))
					return false;
				at.clear();
				text = text.substr(root.size());
			}
			split_into(text, rest, true);
			continue;
		}
		at.push_back(c);
		if (!found || !S_ISDIR(st.st_mode)) solid = false;
	}
	return true;
}

int path_stays_inside(const std::string& root_in, const std::string& path_in, int follow_last)
{
	std::string root = path_full(root_in), path = path_full(path_in);
	if (root_in.empty() || path.compare(0, root.size(), root) != 0) return 0;
	std::deque<std::string> rest;
	split_into(path.substr(root.size()), rest, false);
	std::vector<std::string> at;
	return walk_inside(real_root(root), at, rest, follow_last != 0);
}

int link_stays_inside(const std::string& root_in, const std::string& link_path, const std::string& text)
{
	std::string root = path_full(root_in), link = path_full(link_path);
	if (text.empty() || text.find('\0') != std::string::npos) return 0;
	if (root_in.empty() || link.compare(0, root.size(), root) != 0) return 0;
	std::string r = real_root(root);
	std::string below = link.substr(root.size());
	size_t slash = below.rfind('/');
	std::string folder = slash == std::string::npos ? "" : below.substr(0, slash);
	// the folder the link lands in must itself be inside, followed
	std::deque<std::string> rest;
	split_into(folder, rest, false);
	std::vector<std::string> at;
	if (!walk_inside(r, at, rest, true)) return 0;
	if (text[0] == '/') {
		if (text.compare(0, r.size(), r) != 0 || (text.size() > r.size() && text[r.size()] != '/')) return 0;
		at.clear();
		rest.clear();
		split_into(text.substr(r.size()), rest, false);
	} else {
		rest.clear();
		split_into(text, rest, false);
	}
	return walk_inside(r, at, rest, true);
}

static std::string random_suffix()
{
	thread_local std::mt19937_64 rng(std::random_device{}() ^ ((uint64_t)getpid() << 32) ^ (uint64_t)(uintptr_t)&rng);
	static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
	std::string s(8, 'x');
	for (char& c : s) c = kChars[rng() % (sizeof(kChars) - 1)];
	return s;
}

static std::string with_slash(const std::string& folder)
{
	std::string f = path_full(folder);
	if (!f.empty() && f.back() != '/') f += '/';
	return f;
}

// Tries fresh temporary names in folder until `make` (0 or errno) takes one.
template <class F> static int with_temp_name(const std::string& folder, std::string& temp, F make)
{
	std::string f = with_slash(folder);
	for (int attempt = 0; attempt < 100; ++attempt) {
		std::string name = f + kTempPrefix + random_suffix();
		int err = make(name);
		if (err == 0) {
			temp = name;
			return 0;
		}
		if (err != EEXIST) return err;
	}
	return EEXIST;
}

int unpack_temp_open(const std::string& folder, std::string& temp)
{
	int fd = -1;
	int err = with_temp_name(folder, temp, [&](const std::string& name) {
		fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
		return fd >= 0 ? 0 : errno;
	});
	return err ? -err : fd;
}

int unpack_temp_link(const std::string& folder, const std::string& text, std::string& temp)
{
	return with_temp_name(folder, temp,
	                      [&](const std::string& name) { return symlink(text.c_str(), name.c_str()) == 0 ? 0 : errno; });
}

int unpack_unnamed_open(const std::string& folder)
{
	// named through /proc/self/fd: without it such a file could never be placed
	static const bool can_name = access("/proc/self/fd", X_OK) == 0;
	if (!can_name) return -EOPNOTSUPP;
	std::string f = folder;
	if (!f.empty() && f.back() != '/') f += '/';
	int fd = open(f.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
	return fd >= 0 ? fd : -errno;
}

int unpack_unnamed_link(int fd, const std::string& path)
{
	std::string self = "/proc/self/fd/" + std::to_string(fd);
	return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

int unpack_unnamed_link_temp(int fd, const std::string& folder, std::string& temp)
{
	return with_temp_name(folder, temp, [&](const std::string& name) { return unpack_unnamed_link(fd, name); });
}

int is_unpack_temp(const std::string& name)
{
	return name.size() == sizeof(kTempPrefix) - 1 + 8 && name.compare(0, sizeof(kTempPrefix) - 1, kTempPrefix) == 0;
}

int unpack_remove_stale(const std::string& folder)
{
	std::string f = with_slash(folder);
	DIR* d = opendir(f.c_str());
	if (!d) return 0;
	std::vector<std::string> stale;
	while (struct dirent* e = readdir(d))
		if (is_unpack_temp(e->d_name)) stale.push_back(e->d_name);
	(void)closedir(d);	// a folder only read: its close tells nothing
	int removed = 0;
	for (const std::string& n : stale) {
		struct stat st;
		// only files and links: a folder of that name is none of ours
		if (lstat((f + n).c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && unlink((f + n).c_str()) == 0) {
			xer << "Removed " << UTL_log_safe(f + n) << ", left unfinished by an earlier run.\n";
			++removed;
		}
	}
	return removed;
}

char* unpack_buffer()
{
	// new char[] leaves the bytes as they are: nothing is cleared, ever
	thread_local std::unique_ptr<char[]> buf(new char[unpack_buffer_size]);
	return buf.get();
}

static thread_local std::ostream* log_sink = nullptr;

std::ostream& io_log() { return log_sink ? *log_sink : xer; }

io_log_text::io_log_text() : std::ostream(&buf) {}

std::streamsize io_log_text::bounded_buf::xsputn(const char* s, std::streamsize n)
{
	size_t room = kept.size() < (size_t)io_log_capture_max ? io_log_capture_max - kept.size() : 0;
	size_t take = (size_t)n < room ? (size_t)n : room;
	kept.append(s, take);
	dropped += (uint64_t)n - take;
	return n;
}

io_log_text::bounded_buf::int_type io_log_text::bounded_buf::overflow(int_type c)
{
	if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
	char ch = traits_type::to_char_type(c);
	xsputn(&ch, 1);
	return c;
}

std::string io_log_text::str() const
{
	if (!buf.dropped) return buf.kept;
	std::string s = buf.kept;
	if (!s.empty() && s.back() != '\n') s += "\n";
	return s + "(" + std::to_string(buf.dropped) + " more bytes of log lines were left out)\n";
}

io_log_capture::io_log_capture() : outer(log_sink) { log_sink = &text; }

io_log_capture::~io_log_capture() { log_sink = outer; }
