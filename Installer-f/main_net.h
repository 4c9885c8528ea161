#ifndef MAIN_NET_H
#define MAIN_NET_H
// The server list and the release's directory file, fetched a step per frame.
#include <string>

enum { net_installer_version = 20502 };	// this installer, as the server list counts

// What reading a server list came to.
enum {
	net_list_read = 0,		// stg.num_servers and the server arrays are filled
	net_list_newer_installer = 1,	// *address names the page of a newer installer
	net_list_bad_header = 2,	// a typed text file of a version or kind this installer does not read
	net_list_not_a_list = 3		// no typed text file at all (a sign-in page, say): a failed fetch
};

// Reads a downloaded "serverlist9.txt". Entries past the tenth are ignored; a
// host is cut at its first "/" and a folder gets its leading "/"; an entry
// with no usable host is skipped.
int net_read_server_list(const std::string& path, std::string* address);

// One step of the fetch of the server list and the directory archive, and of
// reading the directory file (stg.stage: stage_fetch, stage_read, then
// stage_failed or stage_ready). The first mirror is drawn towards the top of
// the list; after a failed fetch, any other evenly.
// A request that fails on the network is made again after a pause that grows
// with each failure in a row (net_retry_pause_seconds), for as long as it
// takes; stg.stage becomes stage_failed only for what asking again cannot mend by itself
// (a list without servers, archives that never unpack, an unreadable directory
// file, a temporary folder that takes nothing). Changed proxy settings take
// effect at once.
void UTL_download_directory();

// The directory archive's progress on its slot: -1 when the reply gave no
// length, 0 while there is no transfer, else the percentage received.
int net_directory_percent(float* fraction);

// Extraction failures of the directory archive in a row before giving up.
int net_directory_failure_limit();

// The pause after the n-th failed request in a row: 1, 2, 4, 8, 16, then 30 s.
int net_retry_pause_seconds(int in_a_row);

// Starts the fetch afresh (the screens call it on entering, and so Next on a
// screen with a problem): the failures are forgotten, the next request goes
// at once, and stage 2 becomes 0 again.
void net_directory_restart();

struct http_failure;
// What a failed request of the server check came to, in the user's words:
// the name not found, the connection refused or not made (of the proxy, when
// it went through one, with where to set it), the server's error answer.
std::string net_cause_text(const http_failure& failure);
// 1 while the server check has a problem: a request failed and is to be made
// again, or it gave up (stage 2).
int net_has_problem();
// The screen's text for that problem: what failed and how it is tried again
// (when, or with Next); empty without a problem.
std::string net_problem_text();

// Counts a failed request of `slot` (http.failure says why) and pauses the next.
void net_note_failure(int slot);
// The same for an answer that came whole and was not the file asked for:
// `cause` says so in the user's words.
void net_note_not_the_file(const std::string& cause);
// The microsecond clock the pauses are measured on (null: the program's).
void net_set_clock(unsigned long long (*now)());

#endif
