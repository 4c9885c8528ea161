#ifndef MAIN_WEB_STEPS_H
#define MAIN_WEB_STEPS_H
// The steps the web flows (demo and update) share on their screens.
#include <string>

struct wizard_screen;
typedef int (*wizard_func)(int entering, wizard_screen& screen);

// One step of the directory download (UTL_download_directory) with its screen
// texts: `contacting` ends the sentence naming the maker's site, `processing`
// while the directory is read, the progress line and bar and
// `downloading_text` with the server's name while the archive arrives; after
// a failure, what failed and how it is tried again, with Next leading to the
// screen `self` afresh. Prefs stays on. 1 once the directory is read (no text then).
int web_directory_step(wizard_screen& s, wizard_func self, const std::string& contacting,
                       const std::string& processing, const std::string& downloading_text);
// The download pump for about 20 ms of a frame, with its status, time-left
// and server-error texts; 1 once the run ended (stg.extract_error tells
// whether it failed).
int web_pump_frame(wizard_screen& s, float& totl_inst_rat);
// Where the install screen of a web flow leads, and what its run is.
struct web_run_flow {
	wizard_func back;	// Back while it runs, and where a first frame that failed leads
	wizard_func done;	// the finish screen
	int         new_copy;	// a new copy: registered, and marked unfinished until its run ends whole
	float*      bar;	// its smoothed progress, 0..1
};
// The install screen of both web flows. On its `first` frame: what to fetch
// (choose_files) and the folders (make_dirs_start); then the folders a few ms
// a frame, the one start of the run, and the pump (web_pump_frame) until the
// run ends; 1 moves on now (screen.next).
int web_run_screen(wizard_screen& s, int first, const web_run_flow& flow);

#endif
