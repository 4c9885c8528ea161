// The real program in a real window: start-up log, frames, and the close box.
#include <gtest/gtest.h>
#include "../support/program_env.h"
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
// after the test framework: Xlib defines None, Bool and Status as macros
#include <X11/Xatom.h>
#include <X11/Xlib.h>

static const char* title = "Vantor Installer";

// Another test's window can vanish between listing and asking: Xlib's default
// handler would end this process and leave the program holding CTest's pipe.
static int ignore_x_error(Display*, XErrorEvent*) { return 0; }

struct Program : ::testing::Test {
	pid_t pid = -1;
	Display* dpy = nullptr;
	std::string dir;	// a copy of the program runs here, and writes its log here
	void SetUp() override
	{
		const char* d = getenv("DISPLAY");
		if (!d || !*d) GTEST_SKIP() << "no display";
		dpy = XOpenDisplay(nullptr);
		ASSERT_NE(dpy, nullptr);
		XSetErrorHandler(ignore_x_error);
		dir = std::string(VANTOR_BINARY_DIR) + "/shell_test_tmp/program-" + std::to_string(getpid());
		const std::string bin = VANTOR_BINARY_DIR;
		ASSERT_EQ(system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "' && cp '" + bin + "/vantor-installer' '" + dir +
		                  "/' && ln -s '" + bin + "/Resources' '" + dir + "/Resources'").c_str()), 0);
	}
	void TearDown() override
	{
		if (pid > 0) {
			kill(pid, SIGKILL);
			waitpid(pid, nullptr, 0);
		}
		if (dpy) XCloseDisplay(dpy);
		if (!dir.empty() && !HasFailure()) system(("rm -rf '" + dir + "'").c_str());
	}
	void start(std::vector<std::string> args)
	{
		std::string exe = dir + "/vantor-installer";
		pid = fork();
		ASSERT_GE(pid, 0);
		if (pid == 0) {
			prctl(PR_SET_PDEATHSIG, SIGKILL);	// never outlive a test that died
			std::vector<char*> argv{(char*)exe.c_str()};
			for (auto& a : args) argv.push_back((char*)a.c_str());
			argv.push_back(nullptr);
			TS_program_env();
			execv(exe.c_str(), argv.data());
			_exit(127);
		}
	}
	// The process that made a window, from the property the window library sets.
	long window_pid(Window w)
	{
		Atom type;
		int format;
		unsigned long n = 0, after = 0;
		unsigned char* data = nullptr;
		long pid_of = -1;
		if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type,
		                       &format, &n, &after, &data) == Success && data && n == 1)
			pid_of = *(long*)data;
		if (data) XFree(data);
		return pid_of;
	}
	// Our program's top-level window with the installer's title (other tests
	// may run copies of their own); 0 when it does not come.
	Window find_window(int seconds)
	{
		auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
		while (std::chrono::steady_clock::now() < until) {
			Window root_ret, parent, *kids = nullptr;
			unsigned n = 0;
			if (XQueryTree(dpy, DefaultRootWindow(dpy), &root_ret, &parent, &kids, &n)) {
				for (unsigned i = 0; i < n; ++i) {
					char* name = nullptr;
					if (XFetchName(dpy, kids[i], &name) && name) {
						bool hit = std::string(name) == title && window_pid(kids[i]) == pid;
						XFree(name);
						if (hit) {
							Window w = kids[i];
							XFree(kids);
							return w;
						}
					}
				}
				if (kids) XFree(kids);
			}
			std::this_thread::sleep_for(std::chrono::milliseconds(100));
		}
		return 0;
	}
	void close_window(Window w)
	{
		XEvent ev = {};
		ev.xclient.type = ClientMessage;
		ev.xclient.window = w;
		ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
		ev.xclient.format = 32;
		ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
		ev.xclient.data.l[1] = CurrentTime;
		XSendEvent(dpy, w, False, NoEventMask, &ev);
		XFlush(dpy);
	}
	// Exit status, or -1 when the program is still running after the wait.
	int wait_exit(int seconds)
	{
		for (int i = 0; i < seconds * 10; ++i) {
			int st = 0;
			if (waitpid(pid, &st, WNOHANG) == pid) {
				pid = -1;
				return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
			}
			std::this_thread::sleep_for(std::chrono::milliseconds(100));
		}
		return -1;
	}
	std::string read_log()
	{
		std::ifstream in(dir + "/Vantor Installer Log.txt");
		std::stringstream s;
		s << in.rdbuf();
		return s.str();
	}
};

TEST_F(Program, ClosingTheWindowOrSignallingEndsTheRunCleanly)
{
	start({"--fps_test", "--lang=en", "--no_vbos", "--no_glsl", "--no_fbos"});
	Window w = find_window(20);
	ASSERT_NE(w, 0u) << "no window titled " << title;
	XWindowAttributes a;
	ASSERT_TRUE(XGetWindowAttributes(dpy, w, &a));
	EXPECT_EQ(a.width, 800);
	EXPECT_EQ(a.height, 600);
	std::this_thread::sleep_for(std::chrono::milliseconds(500));	// a few frames
	EXPECT_EQ(wait_exit(0), -1) << "ended before it was closed";
	close_window(w);
	EXPECT_EQ(wait_exit(20), 0);

	const std::string log = read_log();
	EXPECT_EQ(log.rfind("Installer log.txt for Vantor Web Demo Installer 2.05r2 compiled on ", 0), 0u);
	for (const char* line : {"OpenGL Vendor    : ", "OpenGL Render    : ", "OpenGL Version   : ",
	                         "max tex units    : ", "max texture size : ", "threaded_avail   : 0\n",
	                         "vbo_avail        : 0\n", "pbo_avail        : 0\n", "glsl_avail       : 0",
	                         "framebuf_avail   : 0\n", "AGL_DEPTH_SIZE   : "})
		EXPECT_NE(log.find(line), std::string::npos) << line;

	EXPECT_NE(log.find("os_dir_this_app\t\t=" + dir + "/\n"), std::string::npos);
	EXPECT_NE(log.find("os_dir_prefs\t\t\t="), std::string::npos);
	EXPECT_EQ(log.find("WARNING: we are missing the texture"), std::string::npos);

	// A termination signal is the quit command too.
	start({"--fps_test", "--lang=en"});
	ASSERT_NE(find_window(20), 0u);
	kill(pid, SIGTERM);
	EXPECT_EQ(wait_exit(20), 0);
	EXPECT_NE(read_log().find("vbo_avail        : 1\n"), std::string::npos);
}
