#include <gtest/gtest.h>
#include "UTL_alert.h"
#include "UTL_cmdline.h"
#include "UTL_exce.h"
#include "UTL_log.h"
#include "THREAD_service.h"
#include "core_support.h"
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Each case gets a folder of its own as the current folder, a log in it, no
// display (so the standard alert writes to stderr) and a clean command line.
class Alert : public ::testing::Test {
protected:
	std::string dir;
	void SetUp() override
	{
		const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
		dir = core_test_dir(t->name());
		unsetenv("DISPLAY");
		unsetenv("WAYLAND_DISPLAY");
		cmdline.opts.clear();
		ogl_inited = 0;
		app_done = 0;
		MACIBM_shell_hooks = MACIBM_shell_hooks_t{};
	}
	void TearDown() override { MACIBM_shell_hooks = MACIBM_shell_hooks_t{}; }
	std::string file(const char* name) { return core_read_file(dir + "/" + name); }
	bool has(const char* name) { return core_file_exists(dir + "/" + name); }
	void enter()
	{
		if (chdir(dir.c_str()) != 0) abort();
		core_open_log("log.txt");
	}
};

// Out of line, so the stack crawl has a frame of this name.
__attribute__((noinline)) void core_test_raise_fatal(const char* why)
{
	APL_alert("Fatal one", why, "Fatal three", "Fatal four", t_exit);
	abort();	// never reached
}

TEST_F(Alert, FatalInTestRunLogsCrawlsAndExitsOne)
{
	EXPECT_EXIT(
		{
			enter();
			cmdline.opts["--fps_test"] = "";
			core_test_raise_fatal("Fatal two");
		},
		::testing::ExitedWithCode(1), "");
	std::string log = file("log.txt");
	EXPECT_NE(log.find("Fatal one\nFatal two\nFatal three\nFatal four\n(" __FILE__ " line "), std::string::npos) << log;
	std::string crawl = file("stack_crawl.txt");
	EXPECT_EQ(crawl.rfind("  0) ", 0), 0u) << crawl;
	EXPECT_NE(crawl.find("  1) "), std::string::npos);
	// demangled names of the alert and of the function that raised it
	EXPECT_NE(crawl.find("__MACIBM_alert(int, std::"), std::string::npos) << crawl;
	EXPECT_NE(crawl.find("core_test_raise_fatal(char const*) + "), std::string::npos) << crawl;
	EXPECT_NE(crawl.find("(test_core + "), std::string::npos) << crawl;
	// a test run writes no memory report and runs no shutdown
	EXPECT_FALSE(has("MemoryLog.txt"));
	EXPECT_EQ(log.find("OK check MemoryLog.txt!"), std::string::npos);

	// a second fatal run appends to the crawl
	EXPECT_EXIT(
		{
			enter();
			cmdline.opts["--fps_test"] = "";
			core_test_raise_fatal("again");
		},
		::testing::ExitedWithCode(1), "");
	EXPECT_EQ(core_count(file("stack_crawl.txt"), "  0) "), 2);
}

static void mark_shell_down()
{
	if (FILE* f = fopen("shell_down.txt", "w")) fclose(f);
}
static void mark_keys_saved()
{
	if (FILE* f = fopen("keys_saved.txt", "w")) fclose(f);
}

TEST_F(Alert, FatalBeforeWindowShowsReportsShutsDownAndExitsOne)
{
	EXPECT_EXIT(
		{
			enter();
			MACIBM_shell_hooks.shell_down = mark_shell_down;
			MACIBM_shell_hooks.save_keys = mark_keys_saved;
			APL_alert("Cannot go on", "because", "of this", "and that", t_exit);
		},
		::testing::ExitedWithCode(1), "Cannot go on because\nof this and that\n");
	std::string log = file("log.txt");
	EXPECT_NE(log.find("\nCannot go on\nbecause\nof this\nand that\n(" __FILE__ " line "), std::string::npos) << log;
	EXPECT_NE(log.find("OK check MemoryLog.txt! I just sent him a dump from This is the dump_mem_stats call from the following code: if(type==t_exit || type == t_alert || recursive_error)\n"), std::string::npos);
	EXPECT_NE(file("MemoryLog.txt").find("dump_mem_stats: This is the dump_mem_stats call"), std::string::npos);
	EXPECT_TRUE(has("stack_crawl.txt"));
	EXPECT_TRUE(has("shell_down.txt"));	// the shutdown steps ran
	EXPECT_FALSE(has("keys_saved.txt"));	// the fatal path saves nothing
}

TEST_F(Alert, WarningBeforeWindowShowsLogsAndReturns)
{
	core_cwd here(dir);
	core_open_log("log.txt");
	::testing::internal::CaptureStderr();
	APL_alert("Line one", "line two", "line three", "line four", t_alert);
	std::string shown = ::testing::internal::GetCapturedStderr();
	EXPECT_EQ(shown, "Line one line two\nline three line four\n");
	// a part left empty leaves no blank at a line's start or end
	::testing::internal::CaptureStderr();
	APL_alert("Line one", "", "", "line four", t_alert);
	EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Line one\nline four\n");
	EXPECT_FALSE(has("stack_crawl.txt"));
	// four empty lines: nothing is shown, but the report and log are written
	::testing::internal::CaptureStderr();
	ogl_inited = 1;
	int drawn = 0;
	static int* drawn_p;
	drawn_p = &drawn;
	MACIBM_shell_hooks.alert_window = [](int, const std::string&, const std::string&, const std::string&,
	                                     const std::string&, int, const std::string&) { ++*drawn_p; };
	APL_alert("", "", "", "", t_alert);
	EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
	EXPECT_EQ(drawn, 0);
	// with the window up, the shell draws it
	APL_alert("drawn", "", "", "", t_alert);
	EXPECT_EQ(drawn, 1);
	xer.close();
	std::string log = file("log.txt");
	EXPECT_NE(log.find("\nLine one\nline two\nline three\nline four\n(" __FILE__ " line "), std::string::npos) << log;
	EXPECT_NE(log.find("\n\n\n\n\n(" __FILE__ " line "), std::string::npos) << log;
	EXPECT_EQ(core_count(log, "OK check MemoryLog.txt!"), 4);
	EXPECT_EQ(core_count(file("MemoryLog.txt"), "dump_mem_stats: "), 4);	// one run: appended
	EXPECT_EQ(app_done, 0);
}

TEST_F(Alert, TestRunWarningOnlyLogs)
{
	core_cwd here(dir);
	core_open_log("log.txt");
	cmdline.opts["--fps_test"] = "";
	::testing::internal::CaptureStderr();
	APL_alert("a", "b", "c", "d", t_alert);
	APL_alert("e", "f", "g", "h", t_choose_language);
	EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
	xer.close();
	std::string log = file("log.txt");
	EXPECT_EQ(log.find("a\nb\nc\nd\n(" __FILE__ " line "), 0u) << log;
	EXPECT_NE(log.find("e\nf\ng\nh\n("), std::string::npos);
	EXPECT_FALSE(has("MemoryLog.txt"));
}

TEST_F(Alert, LanguageChoiceBeforeWindowShowsAndLogsNothing)
{
	core_cwd here(dir);
	core_open_log("log.txt");
	::testing::internal::CaptureStderr();
	__MACIBM_alert(-1, "-", "-", "-", "-", t_choose_language, "RUderur/GenC/hl_init", 1767);
	EXPECT_EQ(::testing::internal::GetCapturedStderr(), "- -\n- -\n");
	xer.close();
	EXPECT_EQ(file("log.txt"), "");
	EXPECT_FALSE(has("MemoryLog.txt"));
}

TEST_F(Alert, AlertInsideAlertEndsTheProgram)
{
	EXPECT_EXIT(
		{
			enter();
			ogl_inited = 1;
			MACIBM_shell_hooks.shell_down = mark_shell_down;
			// a frame handler of the alert's own loop raises another alert
			MACIBM_shell_hooks.alert_window = [](int, const std::string&, const std::string&, const std::string&,
			                                     const std::string&, int, const std::string&) {
				APL_alert("inner", "", "", "", t_alert);
			};
			APL_alert("outer", "", "", "", t_alert);
			exit(0);
		},
		::testing::ExitedWithCode(1), "inner");
	std::string log = file("log.txt");
	EXPECT_NE(log.find("\ninner\n"), std::string::npos) << log;
	EXPECT_TRUE(has("shell_down.txt"));
	EXPECT_FALSE(has("stack_crawl.txt"));	// only a fatal alert crawls
}

TEST_F(Alert, FinishupSavesOnlyOutsideTestRuns)
{
	core_cwd here(dir);
	MACIBM_shell_hooks.shell_down = mark_shell_down;
	MACIBM_shell_hooks.save_keys = mark_keys_saved;
	core_open_log("log.txt");
	cmdline.opts["--fps_test"] = "";
	MACIBM_finishup(1);
	EXPECT_FALSE(xer.is_open());
	EXPECT_FALSE(has("keys_saved.txt"));
	EXPECT_TRUE(has("shell_down.txt"));
	cmdline.opts.clear();
	core_open_log("log.txt");
	MACIBM_finishup(0);
	EXPECT_FALSE(has("keys_saved.txt"));
	core_open_log("log.txt");
	MACIBM_finishup(1);
	EXPECT_TRUE(has("keys_saved.txt"));
	EXPECT_FALSE(xer.is_open());
	MACIBM_finishup(0);	// a closed log is no trouble
}

// The browser is a stand-in on PATH that notes each address, then waits for
// the file "release" (as a browser that stays open would) before it ends.
TEST_F(Alert, OnlyWebAddressesGoToTheBrowserWhichIsNeverWaitedFor)
{
	EXPECT_TRUE(UTL_url_is_web("http://www.tarrowfield.example/order.html"));
	EXPECT_TRUE(UTL_url_is_web("HTTPS://host"));
	for (const char* bad : {"file:///etc/passwd", "javascript:alert(1)", "http://", "http:///etc/passwd",
	                        "ftp://host/x", "http://host/a b", "http://host/\n--help", "/etc/passwd", ""})
		EXPECT_FALSE(UTL_url_is_web(bad)) << bad;

	enter();
	const std::string bin = dir + "/bin", old_path = getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin";
	std::string ignored;
	ASSERT_EQ(0, core_run("mkdir -p '" + bin + "'", &ignored));
	std::ofstream(bin + "/xdg-open") << "#!/bin/sh\necho \"$1\" >> '" << dir << "/opened.txt'\n"
	                                 << "while [ ! -e '" << dir << "/release' ]; do sleep 0.05; done\n";
	ASSERT_EQ(0, chmod((bin + "/xdg-open").c_str(), 0755));
	setenv("PATH", (bin + ":" + old_path).c_str(), 1);

	const std::string long_page = "http://127.0.0.121/" + std::string(600, 'p');
	EXPECT_EQ(1, go_to_URL(long_page));	// returns while the browser is still open
	EXPECT_EQ(0, go_to_URL("file:///etc/passwd"));
	EXPECT_EQ(0, go_to_URL("http://127.0.0.121/" + std::string(200000, 'q')));	// more than one argument holds
	std::string opened;
	for (int i = 0; i < 200 && opened.empty(); ++i) {
		usleep(50000);
		opened = file("opened.txt");
	}
	EXPECT_EQ(long_page + "\n", opened);
	EXPECT_EQ(app_done, 0);

	// once the browser ends it is reaped: no ended child is left behind
	core_run("touch '" + dir + "/release'", &ignored);
	std::string zombies = "?";
	for (int i = 0; i < 200 && !zombies.empty(); ++i) {
		usleep(50000);
		core_run("ps --ppid " + std::to_string(getpid()) + " -o stat= | grep Z", &zombies);
	}
	EXPECT_EQ("", zombies);
	setenv("PATH", old_path.c_str(), 1);
	std::string log = file("log.txt");
	EXPECT_NE(log.find("Refused to open \"file:///etc/passwd\" in the browser"), std::string::npos) << log;
	EXPECT_NE(log.find("... (200019 characters)"), std::string::npos) << log;
	EXPECT_EQ(log.find(std::string(300, 'q')), std::string::npos) << "long addresses are cut in the log";
}

TEST(Exce, DefaultsCopiesAndLogLines)
{
	exce_class d;
	EXPECT_STREQ(d.file, "no exception");
	EXPECT_EQ(d.line, 0);
	EXPECT_EQ(d.severity, t_exit);

	const char* src = "some/file.cpp";
	exce_class a("one", "two", "three", "four", src, 12, t_alert);
	exce_class b(a);
	b.msg2 = "changed";
	EXPECT_EQ(a.msg2, "two");
	EXPECT_EQ(b.file, src);	// the pointer is shared
	exce_class c;
	c = a;
	EXPECT_EQ(c.msg4, "four");
	EXPECT_EQ(c.line, 12);
	EXPECT_EQ(c.severity, t_alert);
	c.MakeFatal();
	EXPECT_EQ(c.severity, t_exit);
	EXPECT_EQ(c.msg1, "one");

	std::string dir = core_test_dir("exce_log");
	core_open_log(dir + "/log.txt");
	a.LogAndContinue();
	exce_class n("n1", "", "", "", src, 3, t_choose_language);
	n.LogAndContinue();
	xer.close();
	std::string log = core_read_file(dir + "/log.txt");
	EXPECT_EQ(log,
	          "Logging fatal Exception thrown from file: some/file.cpp, line 12.\none\ntwo\nthree\nfour\n"
	          "Logging non-fatal Exception thrown from file: some/file.cpp, line 3.\nn1\n\n\n\n");
}

TEST(Exce, ReportOnMainThreadRaisesTheAlert)
{
	std::string dir = core_test_dir("exce_report");
	core_open_log(dir + "/log.txt");
	cmdline.opts.clear();
	cmdline.opts["--fps_test"] = "";
	exce_class e("warn", "", "", "", "x.cpp", 7, t_alert);
	e.Report();	// a warning returns
	xer.close();
	EXPECT_EQ(core_read_file(dir + "/log.txt"), "warn\n\n\n\n(x.cpp line 7)\n");
	cmdline.opts.clear();
}

TEST(Exce, ReportOffTheMainThreadOnlyLogsAndStops)
{
	THREAD_init();
	if (!THREAD_is_inited()) GTEST_SKIP() << "the thread service is not started in this build";
	std::string dir = core_test_dir("exce_thread");
	core_open_log(dir + "/log.txt");
	app_done = 0;
	exce_class e("from a worker", "b", "c", "d", "w.cpp", 9, t_exit);
	std::thread t([&] { e.Report(); });
	t.join();
	xer.close();
	EXPECT_EQ(app_done, 1);
	EXPECT_EQ(core_read_file(dir + "/log.txt"),
	          "EXCEPTION REPORTED FROM THREAD!!  File: w.cpp, line 9.\nfrom a worker\nb\nc\nd\n");
	app_done = 0;
}
