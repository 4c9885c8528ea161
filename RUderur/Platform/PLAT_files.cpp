#include "PLAT_files.h"
#include "path_utils.h"
#include "io_utils.h"
#include "UTL_log.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <linux/magic.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::string PLAT_exe_path()
{
	char buf[PATH_MAX + 1];
	ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
	if (n <= 0) return "";
	return std::string(buf, n);
}

int PLAT_volume_case_sensitive(const std::string& path)
{
	struct statfs s;
	if (statfs(path.empty() ? "." : path.c_str(), &s) != 0) return 1;
	switch ((unsigned long)s.f_type) {
	case MSDOS_SUPER_MAGIC:
	case 0x2011BAB0UL:	// exfat
	case 0x5346544EUL:	// ntfs
	case 0x7366746EUL:	// ntfs3
		return 0;
	}
	return 1;
}

int PLAT_volume_marks_every_change(const std::string& folder, uint64_t device)
{
	std::string temp;
	int fd = unpack_temp_open(folder, temp);
	if (fd < 0) return 0;
	struct statfs fs;
	struct stat a, b;
	bool local = false;
	if (fstatfs(fd, &fs) == 0) switch ((unsigned long)fs.f_type) {
		case EXT4_SUPER_MAGIC:
		case XFS_SUPER_MAGIC:
		case BTRFS_SUPER_MAGIC:
		case F2FS_SUPER_MAGIC:
		case TMPFS_MAGIC:
			local = true;
		}
	// Two writes a few microseconds apart, each after a look: with coarse
	// time stamps they nearly always share the clock's tick, so three pairs
	// that all differ tell fine-grained ones.
	int marks = local && fstat(fd, &a) == 0 && (uint64_t)a.st_dev == device;
	for (int i = 0; marks && i < 3; ++i)
		marks = pwrite(fd, "a", 1, 0) == 1 && fstat(fd, &a) == 0 && pwrite(fd, "b", 1, 0) == 1 && fstat(fd, &b) == 0 &&
		        (a.st_ctim.tv_sec != b.st_ctim.tv_sec || a.st_ctim.tv_nsec != b.st_ctim.tv_nsec);
	(void)close(fd);	// a probe: its bytes are of no account
	(void)unlink(temp.c_str());	// best effort: a probe left holds one byte
	return marks;
}

void MACIBM_set_app_path(std::string* out, int flag)
{
	std::string p = PLAT_exe_path();
	if (p.empty()) return;	// the system's own path, used as it is
	std::string folder;
	get_path_with_path(folder, p);
	g_case_sensitive = PLAT_volume_case_sensitive(folder);
	*out = flag ? p : folder;
}

static std::string home_folder()
{
	const char* h = getenv("HOME");
	if (h && *h) return h;
	struct passwd* pw = getpwuid(getuid());
	return pw && pw->pw_dir ? pw->pw_dir : "/";
}

static std::string with_slash(std::string s)
{
	if (s.empty() || s.back() != '/') s += '/';
	return s;
}

// mkdir -p, each new level with the given mode.
static int make_folders(const std::string& path, mode_t mode)
{
	std::string p = path;
	while (p.size() > 1 && p.back() == '/') p.pop_back();
	for (size_t i = 1; i <= p.size(); ++i) {
		if (i != p.size() && p[i] != '/') continue;
		std::string part = p.substr(0, i);
		if (mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return errno;
	}
	struct stat st;
	if (stat(p.c_str(), &st) != 0) return errno;
	return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// The Desktop named in user-dirs.dirs: XDG_DESKTOP_DIR="$HOME/Desktop"
static std::string xdg_desktop(const std::string& config, const std::string& home)
{
	FILE* f = fopen((config + "user-dirs.dirs").c_str(), "r");
	if (!f) return "";
	std::string result;
	char line[4096];
	while (fgets(line, sizeof(line), f)) {
		const char* p = line;
		while (*p == ' ' || *p == '\t') ++p;
		if (strncmp(p, "XDG_DESKTOP_DIR=", 16) != 0) continue;
		std::string v = p + 16;
		while (!v.empty() && (v.back() == '\n' || v.back() == '\r' || v.back() == ' ')) v.pop_back();
		if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
		if (v.compare(0, 5, "$HOME") == 0) v = home + v.substr(5);
		else if (v.empty() || v[0] != '/') continue;	// only absolute or $HOME-relative forms are valid
		result = v;
	}
	(void)fclose(f);	// read only
	return result;
}

static std::string config_folder()
{
	const char* x = getenv("XDG_CONFIG_HOME");
	if (x && x[0] == '/') return with_slash(x);
	return with_slash(home_folder()) + ".config/";
}

// The program's own preference and registration files live in the folder
// VANTOR_PREFS_FOLDER names (a whole path), else in the config home. Only
// they move: the user's own folders are still read from the config home.
static std::string prefs_folder()
{
	const char* p = getenv("VANTOR_PREFS_FOLDER");
	if (p && p[0] == '/') return with_slash(p);
	static bool told = false;
	if (p && *p && !told) {
		told = true;
		xer << "VANTOR_PREFS_FOLDER=" << UTL_log_safe(p) << " is not a whole path (one beginning with /): the preferences stay in "
		    << config_folder() << "\n";
	}
	return config_folder();
}

// A folder only we could have filled: ours, a real folder (not a link), mode 0700.
static bool is_private_folder(const std::string& p)
{
	struct stat st;
	return lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 0777) == 0700;
}

// The archives written there have fixed names and /tmp is shared, so the folder
// is private to the user. One that was ever open to others may hold links
// planted meanwhile: it is not used, not even after a chmod.
static int private_temp(std::string& out)
{
	static std::string cached;
	const char* t = getenv("TMPDIR");
	std::string base = with_slash(t && t[0] == '/' ? t : "/tmp");
	if (!cached.empty() && cached.compare(0, base.size(), base) == 0 && is_private_folder(cached)) {
		out = cached;
		return 0;
	}
	std::string p = base + "vantor-" + std::to_string(getuid());
	if (mkdir(p.c_str(), 0700) != 0 && errno != EEXIST) return errno;
	if (is_private_folder(p)) {
		cached = with_slash(p);
		out = cached;
		return 0;
	}
	// Someone else holds the name, or it was open to others: a fresh private folder for this run.
	std::string tmpl = p + "-XXXXXX";
	std::vector<char> buf(tmpl.begin(), tmpl.end());
	buf.push_back(0);
	if (!mkdtemp(buf.data())) return errno;
	xer << "Temporary folder " << p << " is not ours alone; using " << buf.data() << "\n";
	cached = with_slash(buf.data());
	out = cached;
	return 0;
}

int PLAT_user_folder(int kind, std::string& out)
{
	std::string p;
	if (kind == PLAT_folder_temp) return private_temp(out);
	if (kind == PLAT_folder_prefs) {
		p = prefs_folder();
	} else if (kind == PLAT_folder_desktop) {
		std::string home = home_folder();
		p = xdg_desktop(config_folder(), home);
		if (p.empty()) p = with_slash(home) + "Desktop";
		p = with_slash(p);
	} else {
		return EINVAL;
	}
	int err = make_folders(p, 0755);
	if (err) return err;
	out = p;
	return 0;
}

static bool on_path(const char* prog)
{
	const char* path = getenv("PATH");
	std::string all = path ? path : "/usr/bin:/bin";
	size_t start = 0;
	while (start <= all.size()) {
		size_t colon = all.find(':', start);
		if (colon == std::string::npos) colon = all.size();
		std::string dir = all.substr(start, colon - start);
		if (dir.empty()) dir = ".";
		if (access((dir + "/" + prog).c_str(), X_OK) == 0) return true;
		start = colon + 1;
	}
	return false;
}

int PLAT_choose_path(int mode, const std::string& message, const std::string& start, std::string& out)
{
	if (!on_path("zenity")) {
		xer << "The file dialog was cancelled: no chooser (zenity) is installed.\n";
		xer.flush();
		return 0;
	}
	std::string title = "--title=" + message;
	std::string file = "--filename=" + start;
	if (mode == 2 && !start.empty() && start.back() != '/') file += "/";
	std::vector<const char*> argv = {"zenity", "--file-selection", title.c_str()};
	if (mode == 2) argv.push_back("--directory");
	if (mode == 1) argv.push_back("--save");
	if (!start.empty()) argv.push_back(file.c_str());
	argv.push_back(nullptr);

	int fds[2];
	if (pipe2(fds, O_CLOEXEC) != 0) return 0;
	posix_spawn_file_actions_t fa;
	int rc = posix_spawn_file_actions_init(&fa);
	// without its output on the pipe the dialog's choice would be lost
	if (rc == 0 && (rc = posix_spawn_file_actions_adddup2(&fa, fds[1], 1)) != 0)
		(void)posix_spawn_file_actions_destroy(&fa);	// an initialised set: it cannot fail
	pid_t pid;
	if (rc == 0) {
		rc = posix_spawnp(&pid, "zenity", &fa, nullptr, (char* const*)argv.data(), environ);
		(void)posix_spawn_file_actions_destroy(&fa);	// as above
	}
	(void)close(fds[1]);	// the child's end
	if (rc != 0) {
		(void)close(fds[0]);	// read only
		xer << "The file dialog could not start zenity: " << strerror(rc) << "\n";
		return 0;
	}
	std::string text;
	char buf[4096];
	ssize_t n;
	while ((n = read(fds[0], buf, sizeof(buf))) > 0 || (n < 0 && errno == EINTR))
		if (n > 0) text.append(buf, n);
	(void)close(fds[0]);	// read only
	int status = 0;
	while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
	if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 0;
	while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
	if (text.empty() || text[0] != '/') return 0;
	while (text.size() > 1 && text.back() == '/') text.pop_back();
	out = text;
	return 1;
}
