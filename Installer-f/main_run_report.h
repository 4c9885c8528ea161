#ifndef MAIN_RUN_REPORT_H
#define MAIN_RUN_REPORT_H
// What the web install screens say about the download pump beyond its
// progress: a pause after the network failed, a server that sends nothing,
// and how a run that did not finish ended. No drawing: the screens show them.
#include <string>

// A server that has sent nothing for this long (seconds) is named as waited for.
enum { run_quiet_seconds = 5 };

// While every stream waits out its pause after a failure: that the program
// waits for the network and when it tries again. Empty otherwise.
std::string run_waiting_text();
// While a stream's last attempt failed (stg.download_error): which file, by
// its place in the copy, what the server (or the copy) did, and that it is
// tried again.
std::string run_failed_text();
// The status line of `file` while its server has sent nothing for a while:
// the server waited for. Empty otherwise.
std::string run_quiet_line(const std::string& file);
// The finish screens' account of a run that ended as failed: what stopped it
// (and, for a write that failed here, the folder, the cause and the room
// needed), how many files it installed, which ones it did not, and what to do.
// `rerun_resumes`: running the program again goes on where this run stopped.
std::string run_failure_details(bool rerun_resumes);

#endif
