#ifndef BENCH_SCRATCH_H
#define BENCH_SCRATCH_H
// A benchmark's scratch folders: each made new inside the folder it is given
// (the temporary folder by default), and the only things the benchmark
// removes, at its end and when it is interrupted (Ctrl-C, a kill, a closed
// terminal). Header-only.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// The folders' paths and the process that made them, for the signal handler,
// which may only use what is safe there.
enum { bench_scratch_most = 4 };
inline char  bench_scratch_paths[bench_scratch_most][4096];
inline pid_t bench_scratch_owner = 0;

inline void bench_scratch_remove_slot(int i)
{
	if (!bench_scratch_paths[i][0] || getpid() != bench_scratch_owner) return;
	pid_t p = fork();
	if (p == 0) {
		execl("/bin/rm", "rm", "-rf", "--", bench_scratch_paths[i], (char*)nullptr);
		_exit(127);
	}
	if (p > 0)
		while (waitpid(p, nullptr, 0) < 0 && errno == EINTR) {}
	bench_scratch_paths[i][0] = 0;
}

// Removes every scratch folder this process made.
inline void bench_scratch_remove_all()
{
	for (int i = 0; i < bench_scratch_most; ++i) bench_scratch_remove_slot(i);
}

// Removes the scratch folder `folder` (as bench_scratch_make returned it, with
// or without its last "/").
inline void bench_scratch_remove(std::string folder)
{
	while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
	for (int i = 0; i < bench_scratch_most; ++i)
		if (folder == bench_scratch_paths[i]) bench_scratch_remove_slot(i);
}

inline void bench_scratch_on_signal(int sig)
{
	bench_scratch_remove_all();
	signal(sig, SIG_DFL);
	raise(sig);
}

// A new folder "<parent>/<tag>-XXXXXX/" (the temporary folder when parent is
// empty); its path ends in "/", or is empty when it could not be made.
inline std::string bench_scratch_make(std::string parent, const std::string& tag)
{
	if (parent.empty()) {
		const char* t = getenv("TMPDIR");
		parent = t && *t ? t : "/tmp";
	}
	while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
	const std::string templ = parent + "/" + tag + "-XXXXXX";
	int slot = 0;
	while (slot < bench_scratch_most && bench_scratch_paths[slot][0]) ++slot;
	if (slot == bench_scratch_most || templ.size() >= sizeof bench_scratch_paths[slot]) {
		errno = ENAMETOOLONG;
		return "";
	}
	char made[sizeof bench_scratch_paths[slot]];
	strcpy(made, templ.c_str());
	if (!mkdtemp(made)) return "";
	static bool hooked = false;
	if (!hooked) {
		bench_scratch_owner = getpid();
		for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, bench_scratch_on_signal);
		atexit(bench_scratch_remove_all);
		hooked = true;
	}
	strcpy(bench_scratch_paths[slot], made);
	return std::string(made) + "/";
}

// A child the benchmark waited for (system's, pclose's or waitpid's status)
// ended by Ctrl-C: system() kept the signal from this process, which now takes
// it as its own.
inline void bench_scratch_child_ended(int status)
{
	if (status != -1 && WIFSIGNALED(status) && (WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGQUIT))
		raise(SIGINT);
}

#endif
