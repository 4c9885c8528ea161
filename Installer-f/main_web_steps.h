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
// Makes the folders make_dirs_start listed for a few ms of a frame, then starts
// the download pump; 1 once it is started (or no folders were left to make).
int web_folders_frame();

#endif
