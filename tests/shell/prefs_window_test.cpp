// The installer's Prefs window in a real window: its pop-up list reads on its
// box, a field focused again after the window reopens has its text selected, and
// closing the program's window with Prefs up ends the run cleanly.
#include "../support/window_program.h"
#include "../support/close_window.h"
#include <cmath>

static const dialog_box kMain = {800, 600}, kPrefs = {700, 380};

// Relative luminance of an sRGB pixel.
static double luminance(const unsigned char* p)
{
	double c[3];
	for (int i = 0; i < 3; ++i) {
		double v = p[i] / 255.0;
		c[i] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
	}
	return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
}

// Pixels of a box that stand out from its lightest pixel (the box's own fill)
// by a contrast ratio of 3 or more: the strokes of text that can be read.
static int legible_ink(const pixels& px)
{
	double light = 0;
	for (size_t i = 0; i + 2 < px.size(); i += 3) light = std::max(light, luminance(&px[i]));
	int n = 0;
	for (size_t i = 0; i + 2 < px.size(); i += 3) n += (light + 0.05) / (luminance(&px[i]) + 0.05) >= 3.0;
	return n;
}

struct PrefsWindow : window_program {
	void SetUp() override { set_up("prefs_test_tmp"); }
	void open_prefs()
	{
		ASSERT_TRUE(wait_log("Wizard screen: Welcome", 30)) << log();
		ASSERT_TRUE(wait_drawn(kMain, 20, 10, 200, 30, 50)) << "no buttons drawn";
		click(kMain, 158, 23);	// Prefs
		ASSERT_TRUE(wait_drawn(kPrefs, 40, 240, 400, 30, 50)) << "no Prefs window";
	}
};

TEST_F(PrefsWindow, ThePopupListsValueAndRowsReadOnTheirBoxes)
{
	start("vantor-installer", {"--fps_test", "--lang=en"});
	if (HasFatalFailure()) return;
	open_prefs();
	if (HasFatalFailure()) return;
	// the platform's name, centred on (250, 300) inside the white box
	const pixels value = grab(kPrefs, 228, 297, 44, 11);
	ASSERT_EQ(value.size(), 44u * 11 * 3);
	EXPECT_GT(legible_ink(value), 25) << "the chosen platform cannot be read";

	// open: rows of 12 units, the chosen one (Linux, the platform the installer
	// runs on, the last) level with the field and the others above it
	const pixels closed = grab(kPrefs, 222, 297, 50, 36);
	click(kPrefs, 250, 303);
	for (int i = 0; i < 20 && differing(grab(kPrefs, 222, 297, 50, 36), closed) < 50; ++i) pause_ms(100);
	int readable_rows = 0;
	for (int r = 0; r < 3; ++r)	// each row's band, inside the pop-up's panel
		readable_rows += legible_ink(grab(kPrefs, 224, 298 + 12 * r, 46, 10)) > 20;
	EXPECT_EQ(readable_rows, 3) << "the pop-up's rows cannot be read";
	system(("import -window " + window + " '" + root + "prefs_popup.png' 2>/dev/null").c_str());
}

TEST_F(PrefsWindow, ReopenedFieldHasItsTextSelectedAndClosingTheWindowEndsTheRun)
{
	// without --fps_test, so that the preferences are written when the run ends
	start("vantor-installer", {"--lang=en"});
	if (HasFatalFailure()) return;
	open_prefs();
	if (HasFatalFailure()) return;
	keys("type --delay 40 abc");	// the proxy host field has the keyboard
	click(kPrefs, 16, 370);			// the close box
	ASSERT_TRUE(wait_drawn(kMain, 20, 10, 200, 30, 50));
	pause_ms(300);
	open_prefs();
	if (HasFatalFailure()) return;
	keys("type --delay 40 xyz");	// replaces the text, selected as the field took the keyboard
	pause_ms(300);

	ASSERT_TRUE(TS_close_window(window));
	ASSERT_TRUE(wait_exit(30)) << "closing the window did nothing while Prefs was up";
	EXPECT_EQ(status, 0);
	std::ifstream f(root + "config/Vantor Installer.prf");
	std::stringstream s;
	s << f.rdbuf();
	EXPECT_NE(s.str().find("_proxy_host xyz\n"), std::string::npos) << s.str();
}
