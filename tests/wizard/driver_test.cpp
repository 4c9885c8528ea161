// The wizard driver's decisions: entering flags, the order of moves within a
// frame, and the layout numbers of the frame.
#include "wizard_support.h"
#include "main_wizard.h"
#include "UTL_globals.h"
#include "UTL_alert.h"

static int calls_a = 0, entering_a = 0, calls_b = 0, entering_b = 0;
static int result_b = 0;
static wizard_func next_of_b = nullptr;

static int screen_b(int entering, wizard_screen& s);
static int screen_a(int entering, wizard_screen& s)
{
	++calls_a;
	entering_a += entering;
	s.title = "A";
	s.next = screen_b;
	return 0;
}
static int screen_b(int entering, wizard_screen& s)
{
	++calls_b;
	entering_b += entering;
	s.back = screen_a;
	s.next = next_of_b;
	return result_b;
}

static void start(wizard_func f)
{
	calls_a = entering_a = calls_b = entering_b = result_b = 0;
	next_of_b = nullptr;
	app_done = 0;
	g_wizard = f;
	wizard_reset_driver();
}

static int frame(const wizard_clicks& c = wizard_clicks())
{
	wizard_screen s;
	int ran = 0;
	int r = wizard_run_screen(s, &ran);
	if (ran) wizard_apply_frame(s, r, c);
	return ran;
}

TEST(WizardDriver, EnteringOnTheFirstFrameOfEachScreen)
{
	start(screen_a);
	frame();
	frame();
	EXPECT_EQ(calls_a, 2);
	EXPECT_EQ(entering_a, 1);
	wizard_clicks next;
	next.next = 1;
	frame(next);
	EXPECT_EQ(g_wizard, screen_b);
	frame();
	frame();
	EXPECT_EQ(entering_b, 1);
	wizard_clicks back;
	back.back = 1;
	frame(back);
	frame();
	EXPECT_EQ(entering_a, 2);
	EXPECT_EQ(app_done, 0);
}

TEST(WizardDriver, AdvanceNeedsANextScreen)
{
	start(screen_b);
	result_b = 1;
	frame();
	frame();
	EXPECT_EQ(g_wizard, screen_b);	// returns 1 with next null: stays
	next_of_b = screen_a;
	frame();
	EXPECT_EQ(g_wizard, screen_a);
	// a disabled Next (null) ignores its click
	start(screen_b);
	wizard_clicks c;
	c.next = 1;
	frame(c);
	EXPECT_EQ(g_wizard, screen_b);
	// Next to the screen itself enters it afresh (a check tried again); its
	// own advance to itself does not
	start(screen_b);
	next_of_b = screen_b;
	frame(c);
	frame();
	EXPECT_EQ(entering_b, 2);
	result_b = 1;
	frame();
	frame();
	EXPECT_EQ(entering_b, 2);
	EXPECT_EQ(calls_b, 4);
}

TEST(WizardDriver, LaterMovesWin)
{
	start(screen_b);
	next_of_b = screen_a;
	wizard_clicks c;
	c.next = 1;
	c.back = 1;	// Back comes after Next in the frame
	frame(c);
	EXPECT_EQ(g_wizard, screen_a);

	start(screen_b);
	next_of_b = screen_b;
	result_b = 1;
	c = wizard_clicks();
	c.back = 1;	// the screen's own advance comes last
	frame(c);
	EXPECT_EQ(g_wizard, screen_b);
}

static int quit_calls = 0;
static void on_quit() { ++quit_calls; }
static int screen_q(int, wizard_screen& s)
{
	s.quit_callback = on_quit;
	s.choice_labels.push_back("go");
	s.choice_funcs.push_back(screen_a);
	return 0;
}
static int screen_finish(int, wizard_screen& s)
{
	s.next = wizard_quit;
	s.quit_callback = on_quit;
	return 0;
}

TEST(WizardDriver, QuitChoicesAndTheEnd)
{
	start(screen_q);
	wizard_clicks c;
	c.quit = 1;
	frame(c);
	EXPECT_EQ(quit_calls, 1);
	EXPECT_EQ(app_done, 1);

	start(screen_q);
	c = wizard_clicks();
	c.choice = 0;
	frame(c);
	EXPECT_EQ(g_wizard, screen_a);
	c.choice = 5;	// out of range: nothing
	frame(c);
	EXPECT_EQ(g_wizard, screen_a);

	// Next of a final screen quits; its Quit button is not drawn, so no callback
	quit_calls = 0;
	start(screen_finish);
	c = wizard_clicks();
	c.quit = 1;
	frame(c);
	EXPECT_EQ(app_done, 0);
	EXPECT_EQ(quit_calls, 0);
	c = wizard_clicks();
	c.next = 1;
	frame(c);
	frame();
	EXPECT_EQ(app_done, 1);

	start(nullptr);
	EXPECT_EQ(frame(), 0);
	EXPECT_EQ(app_done, 1);
	app_done = 0;
}

TEST(WizardDriver, FrameLayout)
{
	EXPECT_FLOAT_EQ(wizard_progress_width(0), 20.8f);
	EXPECT_FLOAT_EQ(wizard_progress_width(1), 520);
	EXPECT_FLOAT_EQ(wizard_progress_width(0.5f), 270.4f);
	EXPECT_FLOAT_EQ(wizard_progress_width(-0.01f), 20.8f);
	EXPECT_FLOAT_EQ(wizard_progress_width(3), 520);
	EXPECT_FLOAT_EQ(wizard_server_y(0, 3), 158);
	EXPECT_FLOAT_EQ(wizard_server_y(1, 3), 118);
	EXPECT_FLOAT_EQ(wizard_server_y(2, 3), 78);

	float l, r;
	// Italian Next: cut 2 to 3 of column 4, right edge at 770
	EXPECT_EQ(interface_rect_span(770, img_next, -1, 4, &l, &r), 100);
	EXPECT_FLOAT_EQ(r, 770);
	EXPECT_FLOAT_EQ(l, 670);
	EXPECT_EQ(interface_rect_span(30, img_quit, 1, 0, &l, &r), 56);
	EXPECT_FLOAT_EQ(l, 30);
	EXPECT_EQ(interface_rect_span(400, img_buy, 0, 2, &l, &r), 151);
	EXPECT_FLOAT_EQ(l, 400 - 75.5f);
	// an unknown language takes the English column
	EXPECT_EQ(interface_rect_span(0, img_prefs, 1, 9, &l, &r), 86);
}

TEST(WizardDriver, StepList)
{
	static const char* const names[2] = {"Welcome", "License"};
	static const wizard_func funcs[2] = {screen_a, screen_b};
	wizard_set_steps(names, funcs, 2);
	ASSERT_EQ(step_names.size(), 2u);
	EXPECT_EQ(step_names[1], "License");
	EXPECT_EQ(step_funcs[1], screen_b);
	wizard_set_steps(names, funcs, 1);
	EXPECT_EQ(step_names.size(), 1u);
}

// A flow started again, on the screen it was left on, enters that screen
// afresh and finds no cursor or choice of the run before.
TEST(WizardDriver, AFlowStartedAgainStartsFromItsFirstState)
{
	start(screen_a);
	frame();
	g_flow.demo_dest.parent_dir = "/home/pilot/Desktop/";
	g_flow.demo_dest.scan.state = 1;
	g_flow.update_scan = 7;
	g_flow.repair_file = 12;
	wizard_start_flow(screen_a);
	frame();
	EXPECT_EQ(entering_a, 2);
	EXPECT_TRUE(g_flow.demo_dest.parent_dir.empty());
	EXPECT_EQ(g_flow.demo_dest.scan.state, 0);
	EXPECT_EQ(g_flow.update_scan, 0);
	EXPECT_EQ(g_flow.repair_file, 0);
}

#include "main_globals.h"

TEST(CommandLine, PathFolderGetsItsSlash)
{
	const char* a1[] = {"prog", "-path", "/home/u/Vantor 9"};
	EXPECT_EQ(main_cmd_line_path(3, a1), "/home/u/Vantor 9/");
	const char* a2[] = {"prog", "-path", "/"};
	EXPECT_EQ(main_cmd_line_path(3, a2), "/");
	const char* a3[] = {"prog", "-path", ""};
	EXPECT_EQ(main_cmd_line_path(3, a3), "");
}

// The step list highlights the screen shown; a disc change, which is no step
// of its own, highlights the run it interrupts and names the Next button.
TEST(WizardDriver, TheCurrentStepIsHighlightedThroughADiscChange)
{
	const char* const names[3] = {"A", "B", "Run"};
	start(screen_a);
	const wizard_func listed[3] = {screen_b, screen_a, screen_b};
	wizard_set_steps(names, listed, 3);
	wizard_screen s;
	int ran = 0;
	wizard_run_screen(s, &ran);
	EXPECT_EQ(wizard_current_step(s), 1);

	struct {
		wizard_func change, run;
	} flows[3] = {{dvd_switch_disk_install, dvd_run_install},
	              {dvd_switch_disk_repair, dvd_install_repair},
	              {dvd_switch_disk_scenery, dvd_install_scenery}};
	dvd_path.clear();	// nothing to eject
	for (const auto& f : flows) {
		const wizard_func steps[3] = {screen_a, screen_b, f.run};
		wizard_set_steps(names, steps, 3);
		start(f.change);
		wizard_screen c;
		wizard_run_screen(c, &ran);
		EXPECT_EQ(wizard_current_step(c), 2);
		EXPECT_EQ(c.text, "Please insert DVD number 1 and click Next.");
	}
	wizard_set_steps(names, listed, 0);
}
