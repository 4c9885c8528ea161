#ifndef MAIN_WIZARD_H
#define MAIN_WIZARD_H
// The wizard: a screen function fills a wizard_screen every frame, and the
// driver (APP_update) draws it and moves g_wizard on.
#include "main_demo.h"
#include <string>
#include <vector>

struct wizard_screen;
typedef int (*wizard_func)(int entering, wizard_screen& screen);

struct wizard_screen {
	std::string title;
	std::string text;
	wizard_func back = nullptr;		// null greys Back out
	wizard_func next = nullptr;		// null greys Next out; wizard_quit makes it the Quit picture
	float       progress = -1.0f;	// below 0: no bar, no progress text
	std::string progress_text;
	int         show_servers = 0;
	int         prefs_enabled = 0;
	std::vector<std::string> choice_labels;
	std::vector<wizard_func> choice_funcs;
	void (*quit_callback)() = nullptr;
	wizard_func step = nullptr;	// the listed step this screen is part of, when it is not listed itself
};

extern wizard_func g_wizard;	// the current screen; null ends the program

// A new-install destination screen's choice, kept while the flow runs (Back
// and on again finds it as it was), and the scan of it.
struct wizard_dest_choice {
	std::string    desktop_f;		// the desktop, to tell whether the copy lands on it
	std::string    parent_dir;		// the folder that holds the install folder; empty until first shown
	std::string    install_folder;	// the install folder's name, as the user edits it
	demo_dest_scan scan;
};
// A flow's cursors and choices between its frames and screens. Screens reset
// their cursors when they are entered; a flow started anew starts from this
// record's first state.
struct wizard_flow_record {
	wizard_dest_choice demo_dest;		// the web demo's destination
	float              demo_install_rat = 0;	// the web demo's smoothed install progress, 0..1
	int                update_scan = 0;		// the web update's scan cursor
	float              update_install_rat = 0;	// the web update's smoothed install progress, 0..1
	float              pump_last = -1;		// xtim.elapsed at the web download pump's last frame
	float              pump_left_out = 0;	// seconds of the pump's run left out of its clock
	int                bar_logged = -1;		// the whole percent of the pump's bar last written to the log
	int                install_said = -1;	// what the install screen's text last told (web_install_screen)
	wizard_dest_choice install_dest;		// the disc install's destination
	int                install_scan = 0;	// the disc install's scan cursor before the world map
	int                install_scanning = 0;	// that scan still runs: the map waits
	int                install_file = 0;	// the disc install's cursor into sim_info
	int                repair_scan = 0;		// the repair's scan cursor
	int                repair_files = 0;	// files the repair is to bring back
	int                repair_file = 0;		// the repair's cursor into sim_info
	int                scenery_scan = 0;	// the scenery flow's scan cursor (presence only)
	int                scenery_file = 0;	// the scenery flow's cursor into sim_info
	// The disc-change screens: whether the run asks because the disc left the
	// drive (install_files_disc_left), whether the user has been asked (the
	// next check is an answer), and which disc the drive then held
	// (UTIL_disc_in_drive; said when it is the wrong one).
	int                disc_left = 0, disc_asked = 0, disc_found = -1;
	// microseconds of the first run of each kind in the process (0 until it
	// starts), the base of the log's "Starting install at" line
	unsigned long long install_clock = 0, repair_clock = 0, scenery_clock = 0;
};
extern wizard_flow_record g_flow;
// Puts the wizard on a flow's first screen with a fresh flow record.
void wizard_start_flow(wizard_func first);
// The clock of a run kind: taken on its first call in the process.
unsigned long long wizard_run_clock(unsigned long long& clock);

extern std::vector<std::string> step_names;
extern std::vector<wizard_func> step_funcs;

// Ends the program from a screen's Next.
int wizard_quit(int entering, wizard_screen& screen);

// Replaces the step list with n translated names and their screens.
void wizard_set_steps(const char* const* names, const wizard_func* funcs, int n);

// What the user pressed this frame, for wizard_apply_frame.
struct wizard_clicks {
	int choice = -1;	// index of a choice button, or -1
	int quit = 0;
	int next = 0;
	int back = 0;
};

// The screen of a frame: a null g_wizard ends the program (returns 0 and
// sets *ran to 0); else the current screen is called with its entering flag.
int  wizard_run_screen(wizard_screen& screen, int* ran);
// The moves of a frame in their order: choices, Quit, Next, Back, then the
// screen's own advance; a later move replaces an earlier one. Next to the
// screen itself enters it afresh on the next frame.
void wizard_apply_frame(const wizard_screen& screen, int result, const wizard_clicks& clicks);
// The index in the step list of the screen just run (or of the step it is
// part of), drawn highlighted; -1 when the list has neither.
int  wizard_current_step(const wizard_screen& screen);
// Forgets the previous screen, so the next call enters afresh (tests).
void wizard_reset_driver();

// Layout of the driver.
float wizard_progress_width(float progress);	// the bar's fill width for a progress 0..1
float wizard_server_y(int k, int num_servers);	// y of server k's radio button
// The wrap widths of a screen's text and of the line under its progress bar.
enum { wizard_text_width = 540, wizard_progress_text_width = 520 };

// The bottom row's pictures: image i spans cut i to cut i+1 of its language.
extern const int btn_cuts[8][6];
enum { img_quit = 0, img_back = 1, img_next = 2, img_map_a = 3, img_map_b = 4, img_buy = 5, img_prefs = 6 };
// Left and right edges of image `image` placed at x with align 0 centred,
// 1 left edge at x, -1 right edge at x; the picture's width is returned.
int  interface_rect_span(float x, int image, int align, int language, float* left, float* right);
int  interface_rect(float x, float y, int image, int align, int* width_out, int enabled, int type);

void APP_update();
// The installer has no menus: it does nothing.
void APP_handlemenu(int item);
// Hands APP_update and APP_handlemenu to the shell; before the first frame.
void APP_install_hooks();
// The modal preferences window of the Prefs button.
void handle_prefs();
// One pass of the preferences window, drawn into the current window; 1 while
// the port field holds no port (the port in use is kept).
int prefs_pass();

// The web-demo flow.
int demo_start(int entering, wizard_screen& screen);
int see_eula(int entering, wizard_screen& screen);
int demo_get_updates(int entering, wizard_screen& screen);
int demo_pick_dest(int entering, wizard_screen& screen);
int demo_run_patch(int entering, wizard_screen& screen);
int demo_done(int entering, wizard_screen& screen);
// The web-update flow.
int net_start(int entering, wizard_screen& screen);
int net_pick_dest(int entering, wizard_screen& screen);
int net_get_updates(int entering, wizard_screen& screen);
int net_check_disk(int entering, wizard_screen& screen);
int net_run_patch(int entering, wizard_screen& screen);
int net_done(int entering, wizard_screen& screen);
// Starts the installed simulator of dest_dir_path.
int dvd_do_run_sim(int entering, wizard_screen& screen);
// Where the License step's Back and Next lead: the flow that shows it sets them.
extern wizard_func eula_back, eula_next;

// The disc installer: start screen, new install, running a copy.
int dvd_start(int entering, wizard_screen& screen);
int dvd_pick_install(int entering, wizard_screen& screen);
int dvd_scenery_install(int entering, wizard_screen& screen);
int dvd_run_install(int entering, wizard_screen& screen);
// The start screen's "Finish Installing Vantor": the new-install flow again,
// on the copy an unfinished install left, with the scenery chosen then.
int dvd_finish_install(int entering, wizard_screen& screen);
int dvd_switch_disk_install(int entering, wizard_screen& screen);
int dvd_verify_disk_install(int entering, wizard_screen& screen);
int dvd_done_install(int entering, wizard_screen& screen);
int dvd_pick_run_sim(int entering, wizard_screen& screen);
// The repair flow.
int dvd_pick_repair(int entering, wizard_screen& screen);
int dvd_scan_repair(int entering, wizard_screen& screen);
int dvd_confirm_repair(int entering, wizard_screen& screen);
int dvd_install_repair(int entering, wizard_screen& screen);
int dvd_switch_disk_repair(int entering, wizard_screen& screen);
int dvd_verify_disk_repair(int entering, wizard_screen& screen);
int dvd_done_repair(int entering, wizard_screen& screen);
// The scenery flow: tiles chosen on the world map are added or removed.
int dvd_pick_scenery(int entering, wizard_screen& screen);
int dvd_scan_scenery(int entering, wizard_screen& screen);
int dvd_edit_scenery(int entering, wizard_screen& screen);
int dvd_install_scenery(int entering, wizard_screen& screen);
int dvd_switch_disk_scenery(int entering, wizard_screen& screen);
int dvd_verify_disk_scenery(int entering, wizard_screen& screen);
int dvd_done_scenery(int entering, wizard_screen& screen);
// A run screen's bar and line for engine cursor f.
void dvd_run_progress(wizard_screen& screen, int f, const char* running_text, const char* finishing_text);
// A disc flow's run screen, its disc-change loop and its end: where each
// leads and what each says. One table holds the three flows' rows.
struct dvd_run_flow {
	wizard_func working_back;	// Back while the engine works, and from the change-disc screen
	wizard_func done;
	wizard_func verify;		// the verify screen of its disc-change loop
	wizard_func failed;		// after a failure not answered Continue
	const char* body;		// "%1:file path%" is the copy's folder
	const char* running;		// the progress line, "%1:..." the file's listed path
	const char* finishing;		// the progress line past the last file
	int         kind;		// dvd_flow_*: a failure ends a repair or scenery run at once
	wizard_func run = nullptr;		// the run screen
	wizard_func change = nullptr;	// the change-disc screen
	wizard_func cancelled = nullptr;	// where the run's first frame leads when the user cancelled a prompt
	wizard_func no_folders = nullptr;	// ... when a folder could not be made
	int         register_copy = 0;	// a new copy: registered, and marked unfinished until its run ends whole
	const char* titles[4] = {};	// of the run, change-disc, verify and done screens
	int*        running_flag = nullptr;	// 1 while its run is started
	int*        cursor = nullptr;		// its cursor into sim_info
	unsigned long long* clock = nullptr;	// the base of its "Starting install at" line
};
// One frame of a run screen: the engine's answer decides; 1 moves on now.
int dvd_run_frame(wizard_screen& screen, int& f, int& running, const dvd_run_flow& flow);
// The first frame of a run (while `running` is 0): the engine's choice, the
// folders and the deletions, logged with the seconds since `first_call`.
// 1 when the screen is to move on at once to screen.next: `cancelled` when
// the user cancelled a prompt, `no_folders` when a folder could not be made.
int dvd_run_begin(wizard_screen& screen, int& f, int& running, unsigned long long first_call, wizard_func cancelled,
                  wizard_func no_folders, int register_copy);
// The change-disc screen of a flow: ejects on entering, asks for the file's disc
// (saying which disc the drive held when it was the wrong one, or that the
// disc left the drive during the copy); the step list shows the flow's run
// screen `run` as current.
int dvd_change_disc(int entering, wizard_screen& screen, wizard_func back, wizard_func verify, wizard_func run);
// The verify screen of a flow: on to `run` when a mounted disc holds the
// file's archive, else to the change-disc screen `change`.
int dvd_verify_frame(wizard_screen& screen, wizard_func run, wizard_func change);
// The copy list of a flow's pick screen, with its closing line.
void dvd_pick_copy(wizard_screen& screen, const char* closing);
// One frame of a flow's scan of dest_dir_path from cursor ctr (quick: presence
// only); 1 when done and the screen moves on to `done`.
int dvd_scan_frame(wizard_screen& screen, int& ctr, int quick, wizard_func back, wizard_func done);
// One step of the checksum scan of dest_dir_path from cursor ctr, as every
// screen that scans makes it once a frame: Quit stops the workers, the bar and
// its line show how many files are signed. 1 once the scan is complete.
int wizard_scan_step(wizard_screen& screen, int& ctr, int quick);

#endif
