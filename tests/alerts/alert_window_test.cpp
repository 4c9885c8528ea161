// The drawn alert window and the save-changes question in a real window: the
// shell's own host program and the installer raise them, xdotool answers them,
// screenshots show what was drawn and the log shows what came back.
#include "../support/window_program.h"

static const dialog_box kAdvise = {420, 250}, kQuestion = {300, 166};

struct AlertWindow : window_program {
	void SetUp() override { set_up("alert_test_tmp"); }

	// The text band of an alert line centred on y.
	pixels line_band(int y) { return grab(kAdvise, 20, y - 4, 380, 16); }
	void press_return() { keys("key --window " + window + " Return"); }
	// Both title-bar corners, where other dialogs have their close boxes.
	void click_close_boxes(const dialog_box& d)
	{
		click(d, 8, d.h - 8);
		click(d, d.w - 8, d.h - 8);
	}
};

TEST_F(AlertWindow, ShowsItsLinesUntilReturnOrItsButtonAndTheCallerGoesOn)
{
	start("alert_host", {"alerts", "--lang=en"});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kAdvise, 150, 225, 120, 20, 20)) << "no title on the alert";
	ASSERT_TRUE(wait_drawn(kAdvise, 20, 201, 380, 16, 20)) << "no first line";
	const int ys[4] = {205, 165, 125, 85};
	pixels first[4];
	for (int i = 0; i < 4; ++i) first[i] = line_band(ys[i]);
	const pixels location = line_band(45);
	// the inset panel, between two lines and beside their text, is not the
	// window's background
	const pixels outside = grab(kAdvise, -150, 100, 40, 10), panel = grab(kAdvise, 30, 100, 40, 10);
	ASSERT_EQ(panel.size(), 40u * 10 * 3);
	EXPECT_GT(differing(outside, panel), 40 * 10 * 9 / 10) << "no panel drawn";

	// The corners of the title bar are no close boxes here; the lines are logged
	// only once the alert is answered.
	click_close_boxes(kAdvise);
	pause_ms(300);
	EXPECT_TRUE(running());
	EXPECT_EQ(log().find("Host alert line one"), std::string::npos);
	EXPECT_EQ(differing(first[1], line_band(ys[1])), 0) << "the alert changed without an answer";

	press_return();
	ASSERT_TRUE(wait_log("host: first alert answered, window 0, mouse restored", 30)) << log();
	std::string l = log();
	size_t at = l.find("\nHost alert line one\nHost alert line two\nHost alert line three\nHost alert line four\n(");
	ASSERT_NE(at, std::string::npos) << l;
	EXPECT_NE(l.find("alert_host.cpp line ", at), std::string::npos);
	EXPECT_LT(at, l.find("host: first alert answered"));

	// The second alert has one line: the other bands are empty now, and neither
	// alert drew the location line of a fatal one.
	bool changed = false;
	for (int i = 0; i < 150 && !changed; ++i, pause_ms(100)) changed = differing(first[1], line_band(ys[1])) > 20;
	ASSERT_TRUE(changed) << "the second alert's empty lines still show text";
	EXPECT_GT(differing(first[0], line_band(ys[0])), 20);
	EXPECT_GT(differing(first[2], line_band(ys[2])), 20);
	EXPECT_GT(differing(first[3], line_band(ys[3])), 20);
	EXPECT_EQ(differing(location, line_band(45)), 0);

	click(kAdvise, 210, 18);	// "Understood"
	ASSERT_TRUE(wait_log("host: second alert answered, window 0\n", 30)) << log();
	EXPECT_NE(log().find("\nHost second alert\n\n\n\n("), std::string::npos);
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
}

TEST_F(AlertWindow, QuestionAnswersWithTheButtonClicked)
{
	start("alert_host", {"question", "--lang=en"});
	if (HasFatalFailure()) return;
	const int cancel_x = kQuestion.w - 25, left_x = 25;

	ASSERT_TRUE(wait_drawn(kQuestion, 10, 116, 280, 20, 20)) << "no question text";
	click_close_boxes(kQuestion);
	pause_ms(300);
	EXPECT_EQ(log().find("host: question answer"), std::string::npos) << "a corner click answered the question";
	click(kQuestion, cancel_x, 25);
	ASSERT_TRUE(wait_log("host: question answer 3, window 0\n", 30)) << log();

	// Without Cancel its place is empty; "Don't Save" sits below "Save".
	pause_ms(300);
	click(kQuestion, cancel_x, 25);
	pause_ms(300);
	EXPECT_EQ(log().find("host: question answer 2"), std::string::npos);
	// The second question may still be opening on a loaded machine; a click
	// before its first frame is not a press of its button, so click again.
	bool answered = false;
	for (int i = 0; i < 6 && !answered; ++i) {
		click(kQuestion, left_x, 25);
		answered = wait_log("host: question answer 2, window 0\n", 5);
	}
	ASSERT_TRUE(answered) << log();
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
}

TEST_F(AlertWindow, FatalAlertEndsTheProgramOnlyAfterItsButton)
{
	// the interface picture of the language is missing: a fatal alert, drawn
	// because the window is up by then
	ASSERT_EQ(unlink((app + "Resources/elements_English.png").c_str()), 0);
	start("vantor-installer", {"--lang=en"});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kAdvise, 20, 201, 380, 16, 20)) << "no alert";
	ASSERT_TRUE(wait_drawn(kAdvise, 20, 41, 380, 16, 20)) << "no location line";
	click_close_boxes(kAdvise);
	pause_ms(500);
	ASSERT_TRUE(running()) << "ended before the alert was answered";
	EXPECT_EQ(log().find("Trying to load a texture that you do not have!"), std::string::npos);

	click(kAdvise, 210, 18);
	ASSERT_TRUE(wait_exit(20)) << "still running after the fatal alert";
	EXPECT_EQ(status, 1);
	const std::string l = log();
	EXPECT_NE(l.find("\nTrying to load a texture that you do not have!\nThis smacks of a mis-installed copy of Vantor!\n"
	                 "Please get a new download from the Vantor web site. The missing file is:\n"
	                 "RESOURCE:elements_English.png\n("),
	          std::string::npos)
	    << l;
	EXPECT_EQ(access((app + "stack_crawl.txt").c_str(), F_OK), 0);
}

TEST_F(AlertWindow, LanguageChoiceTakesTheClickedLanguage)
{
	// No language named anywhere: start-up asks. French's picture is missing, so
	// the fatal alert that follows names the picture of the language chosen.
	ASSERT_EQ(unlink((app + "Resources/elements_French.png").c_str()), 0);
	start("vantor-installer", {});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kAdvise, 150, 176, 120, 16, 10)) << "no language buttons";
	const pixels english_title = grab(kAdvise, 100, 228, 220, 16);

	click(kAdvise, 185, 163);	// French, the second language
	press_return();	// "Accept"
	bool retitled = false;
	for (int i = 0; i < 150 && !retitled; ++i, pause_ms(100))
		retitled = differing(english_title, grab(kAdvise, 100, 228, 220, 16)) > 10;
	ASSERT_TRUE(retitled) << "the fatal alert did not come";
	EXPECT_TRUE(running());
	EXPECT_EQ(log().find("\n-\n-\n-\n-\n"), std::string::npos) << "the language choice was logged";

	press_return();
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 1);
	EXPECT_NE(log().find("\nRESOURCE:elements_French.png\n("), std::string::npos) << log();
}

// The binding editor in the file window's frame (561 by 474), where the host
// draws it alone every frame.
struct KeyEditorWindow : AlertWindow {};
static const dialog_box kFileWindow = {561, 474};

TEST_F(KeyEditorWindow, ARowTakesTheKeyPressedAndAddAppendsARow)
{
	start("alert_host", {"bindings", "--lang=en"});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kFileWindow, 20, 380, 120, 40, 20)) << "no binding rows";
	const pixels unselected = grab(kFileWindow, 210, 150, 184, 90);

	click(kFileWindow, 78, 409);	// row 14 of 16
	bool shown = false;	// the selected command's name and description appear
	for (int i = 0; i < 30 && !shown; ++i, pause_ms(100))
		shown = differing(unselected, grab(kFileWindow, 210, 150, 184, 90)) > 50;
	EXPECT_TRUE(shown) << "selecting a row showed no command";
	// xdotool lets Shift go before the letter, as hands often do
	system(("timeout 10 xdotool key --window " + window + " shift+k").c_str());
	pause_ms(300);
	click(kFileWindow, 302, 105);	// "Add New Key Assignment"
	pause_ms(300);
	kill(pid, SIGTERM);	// the quit command
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
	const std::string l = log();
	EXPECT_NE(l.find("host: 17 bindings\n"), std::string::npos) << l;
	EXPECT_NE(l.find("host: binding 14 SHIFT K\n"), std::string::npos) << l;
	EXPECT_NE(l.find("host: binding 13 <none> <NONE>\n"), std::string::npos) << l;
	EXPECT_NE(l.find("host: binding 16 <none> <NONE>\n"), std::string::npos) << l;
}
