#include <gtest/gtest.h>
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "core_support.h"

static void fresh_cmdline() { cmdline.opts.clear(); }

TEST(Cmdline, SplitsAtFirstEqualsAndKeepsLastValue)
{
	fresh_cmdline();
	const char* argv[] = {"prog", "--lang=de=x", "--fps_test", "--fps_test=", "=x", "--a=1", "--a=2"};
	UTL_cmdline::init_unix(7, argv);
	EXPECT_EQ(UTL_cmdline::get_option("--lang"), "de=x");
	EXPECT_TRUE(UTL_cmdline::has_option("--fps_test"));
	EXPECT_EQ(UTL_cmdline::get_option("--fps_test"), "");
	EXPECT_TRUE(UTL_cmdline::has_option(""));
	EXPECT_EQ(UTL_cmdline::get_option(""), "x");
	EXPECT_EQ(UTL_cmdline::get_option("--a"), "2");
	EXPECT_EQ(UTL_cmdline::get_option("--never"), "");
	EXPECT_FALSE(UTL_cmdline::has_option("--never"));
	EXPECT_FALSE(UTL_cmdline::has_option("prog"));	// argument 0 is the program
}

TEST(Cmdline, EchoAndRepeatWarningInLog)
{
	std::string dir = core_test_dir("cmdline_echo");
	core_open_log(dir + "/log.txt");
	fresh_cmdline();
	const char* argv[] = {"prog", "--lang=fr", "--fps_test", "--lang=de", "-path", "/some folder"};
	UTL_cmdline::init_unix(6, argv);
	xer.close();
	std::string log = core_read_file(dir + "/log.txt");
	EXPECT_NE(log.find("     '--lang'='fr'\n"), std::string::npos) << log;
	EXPECT_NE(log.find("     '--fps_test'\n"), std::string::npos) << log;
	EXPECT_NE(log.find("WARNING: command line option --lang=deused twice.\n"), std::string::npos) << log;
	// the relaunch pair is stored as two keys without values
	EXPECT_TRUE(UTL_cmdline::has_option("-path"));
	EXPECT_TRUE(UTL_cmdline::has_option("/some folder"));
	EXPECT_EQ(UTL_cmdline::get_option("-path"), "");
}

TEST(Cmdline, SingleStringTokens)
{
	fresh_cmdline();
	UTL_cmdline::init_win("  --lang=it\t=x  --no_vbos\n--k=a=b ");
	EXPECT_EQ(UTL_cmdline::get_option("--lang"), "it");
	EXPECT_FALSE(UTL_cmdline::has_option(""));	// "=x" is dropped here
	EXPECT_TRUE(UTL_cmdline::has_option("--no_vbos"));
	EXPECT_EQ(UTL_cmdline::get_option("--k"), "a=b");
	EXPECT_EQ(cmdline.opts.size(), 3u);
	fresh_cmdline();
	UTL_cmdline::init_win("");
	UTL_cmdline::init_win(nullptr);
	EXPECT_TRUE(cmdline.opts.empty());
}

// The informational options, run through the program itself.
static std::string program() { return std::string(VANTOR_BINARY_DIR) + "/vantor-installer"; }

TEST(Cmdline, HelpPrintsUsageAndExitsZero)
{
	std::string dir = core_test_dir("cmdline_help");
	std::string out;
	for (const char* flag : {"--help", "-h"}) {
		ASSERT_EQ(core_run("cd '" + dir + "' && '" + program() + "' " + flag, &out), 0);
		EXPECT_EQ(out.rfind("Usage: Vantor [options...]\n\n", 0), 0u) << out;
		EXPECT_EQ(out, std::string(UTL_usage_text) + "\n");
	}
	// the option lines in their order, and the three headings
	const char* lines[] = {"--help or -h\n", "--no_sound\n", "--missing_strings\n", "--lang=<lang code>\n",
		"OPTIONS TO DISABLE HARDWARE ACCELERATION\n", "--no_vbos\n", "--no_fbos\n", "--no_pbos\n", "--no_sprites\n",
		"--no_pixel_counters\n", "--no_aniso_filtering\n", "--no_hw_mipmap\n", "--no_fshaders\n", "--no_vshaders\n",
		"--no_glsl\n", "--no_threaded_ogl\n", "OPTIONS TO ENABLE INCOMPATIBLE HARDWARE ACCELERATION\n", "--use_vbos\n",
		"--use_sprites\n", "--use_fshaders\n", "--use_vshaders\n", "--use_glsl\n", "--force_run\n",
		"FRAMERATE TEST\n", "--fps_test=n\n", "--require_fps=n\n"};
	size_t at = 0;
	for (const char* l : lines) {
		size_t next = out.find(std::string("\n") + l, at);
		ASSERT_NE(next, std::string::npos) << "missing or out of order: " << l;
		at = next + 1;
	}
}

TEST(Cmdline, VersionPrintsNothing)
{
	std::string dir = core_test_dir("cmdline_version");
	std::string out;
	EXPECT_EQ(core_run("cd '" + dir + "' && '" + program() + "' --version", &out), 0);
	EXPECT_EQ(out, "");
}

// Unknown options and odd arguments are only stored: the program opens its
// window and runs on.
TEST(Cmdline, UnknownOptionsRun)
{
	const char* display = getenv("DISPLAY");
	if (!display || !*display) GTEST_SKIP() << "needs a display (run under xvfb-run)";
#ifdef __SANITIZE_THREAD__
	// The window part runs the GL driver, whose threads the checker cannot see.
	GTEST_SKIP() << "runs the GL driver";
#endif
	std::string dir = core_test_dir("cmdline_unknown");
	std::string out;
	// The program writes its log beside itself and runs until told to quit:
	// a copy in the test's folder with the resources, ended by the quit signal.
	EXPECT_EQ(core_run("cp '" + program() + "' '" + dir + "/' && ln -sfn '" VANTOR_BINARY_DIR "/Resources' '" + dir +
	                   "/Resources' && cd '" + dir + "' && timeout --preserve-status -s TERM 10 "
	                   "./vantor-installer --fps_test --lang=en --bogus=1 = == -path /nowhere '' --pref:x=1 </dev/null", &out), 0);
	std::string log = core_read_file(dir + "/Vantor Installer Log.txt");
	EXPECT_NE(log.find("'--bogus'='1'"), std::string::npos) << log;
}

TEST(Cmdline, CommandListerWinsOverHelp)
{
	std::string dir = core_test_dir("cmdline_cmnds");
	std::string out;
	EXPECT_EQ(core_run("cd '" + dir + "' && '" + program() + "' --help --cmnds=all", &out), 0);
	char want[256];
	snprintf(want, sizeof(want), "%-50s %s\n%-50s %s\n", "sim/none/none", "Do nothing at all!", "sim/operation/quit",
	         "Quit the simulation.");
	EXPECT_EQ(out, want);
	EXPECT_EQ(core_run("cd '" + dir + "' && '" + program() + "' --cmnds=sim/", &out), 0);
	EXPECT_EQ(out, "none/\noperation/\n");
	EXPECT_EQ(core_run("cd '" + dir + "' && '" + program() + "' --cmnds", &out), 0);
	EXPECT_EQ(out, "sim/\n");
	EXPECT_EQ(core_run("cd '" + dir + "' && '" + program() + "' --cmnds=nothing/", &out), 0);
	EXPECT_EQ(out, "");
}
