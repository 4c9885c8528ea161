// The file window in a real window: a host program opens it, xdotool answers it,
// and the log shows the path that came back.
#include "../support/window_program.h"

static const dialog_box kMain = {800, 600}, kOpen = {561, 474}, kSave = {330, 474};

struct FileWindow : window_program {
	void SetUp() override { set_up("filedlg_test_tmp"); }
	void start_host(const std::string& step) { start("filedlg_host", {step, "--lang=en"}); }
	int sh(const std::string& cmd) { return system(cmd.c_str()); }
	void key(const std::string& name)
	{
		keys("key --window " + window + " " + name);
		pause_ms(200);
	}
};

TEST_F(FileWindow, SaveGivesTheTypedNameTheKindsExtensionInTheDefaultFolder)
{
	ASSERT_EQ(sh("mkdir -p '" + app + "Output/FMS plans/old-plans' && touch '" + app + "Output/FMS plans/a.FMS'"), 0);
	start_host("save");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kSave, 10, 300, 290, 120, 20)) << "no Save window";
	// the scroll bar's up arrow stays beside the list, clear of the panel above it:
	// the gap right of that panel shows only the window's own fill
	const pixels gap = grab(kSave, 312, 292, 12, 14);
	ASSERT_EQ(gap.size(), 12u * 14 * 3);
	int unlike = 0;
	for (size_t k = 3; k + 2 < gap.size(); k += 3)
		unlike += abs(gap[k] - gap[0]) + abs(gap[k + 1] - gap[1]) + abs(gap[k + 2] - gap[2]) > 30;
	EXPECT_EQ(unlike, 0) << "the scroll bar's arrow reaches into the panel above the list";
	keys("type --window " + window + " --delay 60 plann");
	key("BackSpace");
	keys("type --window " + window + " --delay 60 .txt");
	key("Return");
	ASSERT_TRUE(wait_log("host: save ", 30)) << log();
	EXPECT_NE(log().find("host: save 1 [Output/FMS plans/plan.FMS] window 0\n"), std::string::npos) << log();
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
}

TEST_F(FileWindow, PickerOpensTheWindowWhichWalksFoldersNamedWithTheListsSeparators)
{
	// docs/ lists a.txt, b|x-y/, c.txt and starts on the middle one; in b|x-y/ the
	// middle one is m.txt
	ASSERT_EQ(sh("cd '" + app + "' && mkdir -p 'docs/b|x-y/deep' && touch docs/a.txt docs/c.txt 'docs/b|x-y/m.txt' "
	             "'docs/b|x-y/z.txt' 'docs/b|x-y/deep/f.txt'"),
	          0);
	start_host("picker");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kMain, 60, 290, 250, 26, 20)) << "no picker";
	click(kMain, 83, 303);	// the folder icon
	ASSERT_TRUE(wait_drawn(kOpen, 10, 300, 290, 120, 20)) << "no Open window";
	// from deep/ two levels up, then into b|x-y/ and its middle file
	key("Delete");
	key("Delete");
	key("Return");
	key("Return");
	ASSERT_TRUE(wait_log("host: picked ", 30)) << log();
	EXPECT_NE(log().find("host: picked [docs/b|x-y/m.txt] window 0\n"), std::string::npos) << log();
	// Escape leaves the path as it was
	ASSERT_TRUE(wait_drawn(kOpen, 10, 300, 290, 120, 20));
	key("Escape");
	ASSERT_TRUE(wait_log("host: open ", 30)) << log();
	EXPECT_NE(log().find("host: open 0 [docs/b|x-y/m.txt]\n"), std::string::npos) << log();
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
}

TEST_F(FileWindow, OpenWindowPreviewsTheSelectedFlightDirectorsComment)
{
	ASSERT_EQ(sh("mkdir -p '" + app + "fdrs' && printf 'I\\n1 version\\nCOMM, Preview comment text\\n' > '" + app +
	             "fdrs/a.fdr'"),
	          0);
	start_host("preview");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kOpen, 10, 300, 290, 120, 20)) << "no Open window";
	// the comment's line in the lower preview frame, which is empty otherwise
	EXPECT_TRUE(wait_drawn(kOpen, 341, 262, 200, 16, 30)) << "no comment shown";
	key("Escape");
	ASSERT_TRUE(wait_log("host: preview 0 [fdrs/x]\n", 30)) << log();
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
}

TEST_F(FileWindow, AQuitWhileTheWindowIsUpEndsTheRunWithNothingChosen)
{
	ASSERT_EQ(sh("mkdir -p '" + app + "Output/FMS plans' && touch '" + app + "Output/FMS plans/a.FMS'"), 0);
	start_host("save");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kSave, 10, 300, 290, 120, 20)) << "no Save window";
	kill(pid, SIGTERM);	// the platform's quit
	ASSERT_TRUE(wait_log("host: save ", 30)) << "the quit did nothing while the file window was up\n" << log();
	EXPECT_NE(log().find("host: save 0 [] window 0\n"), std::string::npos) << log();
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
}
