// Closing the program's window while one of the engine's prompts asks about a
// file: the run ends cleanly with the prompt's cancel answer and the copy keeps
// every file as it was. Proxy and site on .111, mirrors .112 and .113, .114 failing.
#include "wizard_support.h"
#include "wizard_servers.h"
#include "wizard_program.h"
#include "../support/close_window.h"
#include <map>

// Every file of a folder with its checksum.
static std::map<std::string, std::string> tree_of(const std::string& dir)
{
	std::map<std::string, std::string> files;
	const std::string out = dir + "../tree.txt";
	wz_sh("cd '" + dir + "' && find . -type f -print0 | xargs -0 -r md5sum > '" + out + "'");
	std::istringstream in(wz_read(out));
	std::string line;
	while (std::getline(in, line))
		if (line.size() > 34) files[line.substr(34)] = line.substr(0, 32);
	return files;
}

TEST(QuitAtPrompt, ClosingTheWindowAtAnEnginePromptEndsTheRunAndChangesNothing)
{
	if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
	if (wz_sh("command -v xdotool >/dev/null && command -v nginx >/dev/null") != 0) GTEST_SKIP() << "needs xdotool and nginx";
	wz_scratch s;
	wz_web web;
	const std::string copy = s.path + "copy/";
	ASSERT_EQ(wz_sh("python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" + kRelease +
	                "' --size 3000 --copy '" + copy + "' 127.0.0.112 127.0.0.114 127.0.0.113 >/dev/null"),
	          0);
	ASSERT_TRUE(web.start("127.0.0.111", kSite, s.path + "rel/site", {"127.0.0.112", "127.0.0.113"}, "127.0.0.114",
	                      s.path + "rel/mirror", s.path + "web", "40k"))
	    << web.error;
	const std::string changed = "Instructions/Manual.txt";
	wz_write(copy + changed, "my own notes\n");
	const auto before = tree_of(copy);
	ASSERT_GT(before.size(), 20u);

	wz_program p;
	p.program = "vantor-web-updater";
	ASSERT_TRUE(p.start(s.path, {"-path", copy, "--fps_test", "--lang=en", "--pref:_proxy_host=127.0.0.111",
	                             "--pref:_proxy_port_int=80", "--pref:_log_actions=1"}));
	ASSERT_TRUE(p.wait_log("Wizard screen: Vantor 9 Web Updater", 30)) << p.log_text();
	ASSERT_TRUE(p.find_window()) << p.window_why;
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 60)) << p.log_text();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Prompt: I am about to install: " + copy + changed + "\n", 20)) << p.log_text();

	ASSERT_TRUE(TS_close_window(p.window));
	ASSERT_TRUE(p.wait_exit(30)) << "closing the window did nothing at the prompt\n" << p.log_text();
	EXPECT_EQ(p.status, 0) << wz_read(s.path + "stdout.txt");
	web.stop();
	const std::string log = p.log_text();
	EXPECT_NE(log.find("Prompt answer: 3\n"), std::string::npos) << log;	// cancel
	EXPECT_EQ(wz_count(log, "Prompt: "), 1) << log;
	EXPECT_EQ(tree_of(copy), before) << "the copy changed";
}
