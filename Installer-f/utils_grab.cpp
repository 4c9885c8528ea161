// The web download pump: up to http_stream_count streams, each a grab_stream
// with an HTTP slot of its own, each archive unpacked as soon as it arrives,
// failed transfers retried from another mirror.
#include "utils.h"
#include "utils_internal.h"
#include "http.h"
#include "io_utils.h"
#include "md5_utils.h"
#include "zip_utils.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include "THREAD_service.h"
#include "UTL_threads.h"
#include "PLAT_files.h"
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <strings.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>


// A downloaded archive on its way into the copy: unpacked, and the file it
// holds signed as it is written, on a worker thread while the streams
// download on. It carries what a failure of its file needs to be counted and
// retried; the main thread decides what the result means.
class grab_unpack_task : public UTL_work_task {
public:
	int         file, server;
	grab_tries  tries;				// what the attempts at the file came to before this one
	int64_t     bytes;				// the archive's listed size, counted against the set's room
	std::string folder, remote, archive, destination;
	bool        in_memory = false;	// the archive's bytes are `held`, not a file at `archive`
	std::string held;
	int         code = 0, chmod_result = 0;
	int         skipped = 0;		// the run was dropped before it got here
	std::string sig = "NONE";
	file_identity identity;			// the file's as it was put in place
	std::string log;				// the unpacking's log lines, written out by the main thread
	grab_unpack_task(int f, int sel, const grab_tries& t, int64_t b, const std::string& c, const std::string& r,
	                 const std::string& a, const std::string& d)
		: file(f), server(sel), tries(t), bytes(b), folder(c), remote(r), archive(a), destination(d)
	{
	}
	void do_it() override;
	// Lets the archive go: its file is deleted, its bytes in memory freed.
	void discard()
	{
		if (!in_memory) (void)delete_file(archive);	// one left goes with the run folder
		held = std::string();
	}
};

// A slice of the run's final check, on a worker thread: each file the run
// wrote is looked up, and read back and signed when it is not as the run put
// it in place; each path it deleted is looked up. The main thread fills it and
// reads what it found.
class grab_check_task : public UTL_work_task {
public:
	struct item {
		std::string   local, sig_want;	// sig_want empty: the path must be gone
		file_identity placed;
	};
	std::vector<item>                                items;
	std::vector<std::pair<std::string, std::string>> wrong;	// each item not as it should be, and what was found
	int                                              read = 0;	// files read back
	void do_it() override;
};

// A slice of the final check ends after this many files to read, or before
// their listed sizes pass about 64 MB, so that large files spread over the
// workers; or after this many look-ups in all.
enum { check_slice_files = 16, check_slice_looks = 512 };
static const float check_slice_kb = 64000;

// Paths compared as a volume that tells no case apart compares them.
struct path_case_less {
	bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};

// Archives the set may hold at once, by count and by bytes (at least one, however
// large): the temporary folder and the memory stay bounded while unpacking
// lags behind the streams.
static const int64_t unpack_room_bytes = int64_t(256) << 20;
// An archive no longer than grab_archive_in_memory_max is received into
// memory: with the count above, the memory the held archives take stays small.
static int unpack_room_tasks()
{
	static const int room = 4 * UTL_count_processors();	// asked once: the count is read from a file
	return room;
}


// The signature a fetched file must have before it takes its place; empty
// where the listing gives none.
static std::string listed_md5(const file_version_struct& v)
{
	enum { md5_hex_digits = 32 };
	return !v.want_delete && v.sig_want.size() == md5_hex_digits ? v.sig_want : std::string();
}

// Unpacks a fetched archive into the copy and lets it go, writing nothing to
// the log but through io_log. The task's written signature is taken as the
// file was written, its identity as it was put in place.
static int unpack_and_discard(grab_unpack_task& t, const std::string& signature, std::string& written)
{
	const file_version_struct& v = sim_info[t.file].versions.back();
	// The listed file's path: only that entry of the archive is written, and only with its listed bytes.
	const int slot = grab_unpack_slot_take(t.file);	// its pace, for the time left
	int code = UTIL_unpack(t.folder, t.archive, t.destination, v.kb2, signature, &written, &t.identity,
	                       t.in_memory ? &t.held : nullptr, &g_grab.unpack_stop,
	                       slot >= 0 ? &g_grab.unpack_meter.slots[slot].written : nullptr);
	grab_unpack_slot_give(slot, v.kb2);
	t.chmod_result = 0;
	// made executable once in place: its identity changes, and the run's final check reads it back
	if (t.destination.find("Contents/MacOS/") != std::string::npos) t.chmod_result = make_file_executable(t.destination);
	t.discard();
	return code;
}

static void log_unpack(const std::string& archive, const std::string& destination, int code, int chmod_result)
{
	// A bad archive is one mirror's failure: the pump tries another.
	if (code != 0)
		xer << "The installer cannot extract a file: " << error_str(code) << " (" << archive << " to " << UTL_log_safe(destination)
		    << ").\n";
	if (stg.log_actions) {
		xer << "EXPANDING file " << UTL_log_safe(destination) << ", with result=" << code << ".\n";
		xer << "CHMODING  file " << UTL_log_safe(destination) << ", with result=" << chmod_result << ".\n";
	}
}

void grab_unpack_task::do_it()
{
	if (g_grab.unpack_dropped.load()) {
		skipped = 1;
		discard();
		return;
	}
	io_log_capture capture;
	// signed from the bytes as they went out: the run's final check reads back
	// only a file whose identity changed since
	std::string written;
	code = unpack_and_discard(*this, listed_md5(sim_info[file].versions.back()), written);
	if (code == 0) sig = written;
	log = capture.text.str();
}

void grab_check_task::do_it()
{
	if (g_grab.unpack_dropped.load()) return;
	for (const item& it : items) {
		if (it.sig_want.empty()) {
			struct stat st;
			if (lstat(it.local.c_str(), &st) == 0) wrong.push_back({it.local, "it is still there"});
			continue;
		}
		// as the run put it in place: its bytes are the ones signed then
		if (it.placed.known && file_identity_of(it.local).same_as(it.placed)) continue;
		++read;
		std::string sig = "NONE";
		int why = md5_missing;
		(void)calc_file_md5(it.local, sig, &why);	// a file it cannot read keeps "NONE", and `why` names the cause
		if (sig != it.sig_want)
			wrong.push_back({it.local, "its signature is " +
			                               (why == md5_not_a_file   ? std::string("that of no file")
			                                : why == md5_unreadable ? std::string("unreadable")
			                                                        : sig) +
			                               ", not the listed " + it.sig_want});
	}
}

// Waits for every archive the set holds: those not started are only deleted,
// the one being unpacked finishes under its temporary name. No result counts.
static void drop_unpacks()
{
	if (g_grab.unpack_pool) {
		g_grab.unpack_dropped.store(1);
		while (UTL_work_task* t = g_grab.unpack_pool->wait_retired_tasks()) {
			if (grab_unpack_task* u = dynamic_cast<grab_unpack_task*>(t)) {
				if (!u->log.empty()) xer << u->log;
				std::string msg;
				const bool ran = !u->retire_error(msg);
				if (!ran) u->discard();	// a task the set could not run still had its archive
				// one that ran to its end put its file in place: the run installed it
				if (ran && !u->skipped && u->code == 0 && u->file < (int)sim_info.size()) {
					file_version_struct& v = g_engine.sim_info[u->file].versions.back();
					v.sig_have = u->sig;
					v.up_to_date = v.sig_have == v.sig_want;
					if (v.up_to_date) {
						g_grab.written.insert(u->file);
						g_grab.placed[u->file] = u->identity;
					}
				}
			}
			delete t;
		}
		delete g_grab.unpack_pool;
		g_grab.unpack_pool = nullptr;
		g_grab.unpack_dropped.store(0);
	}
	if (g_grab.unpack_wake >= 0) (void)close(g_grab.unpack_wake);	// nothing was written to it that could be lost
	g_grab.unpack_wake = -1;
	g_grab.files_held.clear();
	g_grab.held_bytes = 0;
	g_grab.held_kb = 0;
	g_grab.held_install_kb = 0;
	g_grab.retry_files.clear();
	g_grab.check_out = 0;
}

// The program ends: the file being written stops at its next block and leaves
// nothing at its path, so Quit answers at once however large it is.
static void grab_shutdown_hook()
{
	g_grab.unpack_stop.store(1);
	drop_unpacks();
	g_grab.unpack_stop.store(0);
}

static bool unpack_has_room()
{
	return !g_grab.unpack_pool || g_grab.files_held.empty() ||
	       ((int)g_grab.files_held.size() < unpack_room_tasks() && g_grab.held_bytes < unpack_room_bytes);
}

static void drop_transfers()
{
	for (const grab_stream& st : g_grab.streams) http.drop(st.slot);
}

std::string grab_archive_path(int file) { return UTIL_run_folder() + std::to_string(file) + ".zip"; }

std::string grab_stream_archive(int stream) { return grab_archive_path(g_grab.streams[stream].file); }

void grab_discard_archives()
{
	for (int i = 0; i < http_stream_count; ++i) {
		const grab_stream& st = g_grab.streams[i];
		if (!st.on || st.file < 0 || st.file >= (int)sim_info.size()) continue;
		(void)delete_file(grab_stream_archive(i));	// one left goes with the run folder
	}
}

// What a run that was left before its final check (Back, then Next) wrote
// and deleted: the next run on the copy checks it as its own.
static void carry_unchecked()
{
	if (g_grab.folder.empty()) return;
	for (int f : g_grab.written)
		if (f < (int)sim_info.size()) {
			const file_version_struct& v = sim_info[f].versions.back();
			g_grab.carried.push_back({UTIL_local_path(g_grab.folder, v), v.sig_want, v.kb2, g_grab.placed[f]});
		}
	for (int f : g_grab.deleted)
		if (f < (int)sim_info.size())
			g_grab.carried.push_back({UTIL_local_path(g_grab.folder, sim_info[f].versions.back()), std::string(), 0, {}});
}

void grab_files_start()
{
	UTIL_run_files_sweep();	// what killed runs left
	grab_files_stop();
}

void grab_files_stop()
{
	grab_discard_archives();
	drop_transfers();	// a cancelled run must not hand its transfers to this one
	drop_unpacks();
	carry_unchecked();
	g_grab.claimed = 0;
	g_engine.pump.next_file = 0;
	g_engine.pump.done = 0;
	for (int i = 0; i < http_stream_count; ++i) {
		grab_stream& st = g_grab.streams[i];
		const int slot = st.slot, retry_server = st.retry_server;
		st = grab_stream();
		st.slot = slot;
		st.retry_server = retry_server;	// drawn by a failure; read only after the next one
		st.on = st.take = i < 2;
	}
	g_grab.answers = 0;
	g_grab.last_attempt = grab_attempt();
	g_grab.last_file.clear();
	g_grab.taken = 0;
	g_grab.failures = 0;
	g_grab.shown = -1;
	g_grab.local_error = 0;
	g_grab.local_folder.clear();
	g_grab.local_more_kb = 0;
	g_engine.pump.start_time = xtim.elapsed;
	g_engine.pump.kb_in_flight = g_engine.pump.kb_fetched = g_engine.pump.kb_installed = g_engine.pump.kb_install_in_flight = 0;
	g_engine.stg.download_error = 0;
	g_engine.stg.extract_error = 0;
	g_engine.grab_failed_files.clear();
	g_grab.failed.clear();
	g_grab.written.clear();
	g_grab.placed.clear();
	g_grab.deleted.clear();
	g_grab.checking = 0;
	g_grab.check_files.clear();
	g_grab.check_next = 0;
	g_grab.check_read = 0;
	g_grab.check_wrong.clear();
	grab_meter_reset();
}

// A file's place in the copy, as the user knows it: below the copy's folder.
static std::string place_in_copy(const std::string& local)
{
	return local.compare(0, g_grab.folder.size(), g_grab.folder) == 0 ? local.substr(g_grab.folder.size()) : local;
}

// Every server is spent on file f: the run goes on without it and names it at
// its end, with what its attempts came to.
static void go_on_without(int f, const grab_tries& tries, const std::string& destination)
{
	g_grab.failed.push_back({f, tries, destination});
	xer << "Giving up on " << UTL_log_safe(place_in_copy(destination))
	    << (tries.telling.why == failed_missing ? ": no server has it.\n"
	        : tries.telling.why == failed_copy ? ": it came, and the copy could not take it.\n"
	                                           : ": every server failed it.\n");
}

float grab_pause_after(int failures_in_a_row)
{
	if (failures_in_a_row < 1) return 0;
	if (failures_in_a_row > 6) return (float)grab_pause_max;
	float p = (float)(1 << (failures_in_a_row - 1));
	return p < (float)grab_pause_max ? p : (float)grab_pause_max;
}

bool grab_local_write_error(int err)
{
	return err == ENOSPC || err == EDQUOT || err == EROFS || err == EACCES || err == EPERM || err == EFBIG;
}

// A server answered stream i: the network works.
static void answered(int i)
{
	++g_grab.answers;
	g_grab.streams[i].net_fails = 0;
}

// More than one file failed the same way: how many more the alert leaves to the log.
static std::string more_files_line(size_t n)
{
	if (n < 2) return "";
	return UTL_string_sub(UTL_translate_plural((int)(n - 1), "%1:number% more file failed the same way; the log names it.",
	                                           "%1:number% more files failed the same way; the log names each one."),
	                      std::to_string(n - 1));
}

// What a failure named at the run's end came to, for the log.
static std::string attempt_log_text(const grab_attempt& a)
{
	const std::string on = a.server >= 0 && a.server < server_slots ? " (" + server_name[a.server] + ")" : "";
	switch (a.why) {
	case failed_copy: return "it came, and the copy could not take it: " + error_str(a.code) + on;
	case failed_extract: return "its archive would not unpack: " + error_str(a.code) + on;
	case failed_signature: return "every copy differed from the release";
	case failed_missing: return "no server has it";
	default:
		return "no server would deliver it: the last answer was " +
		       (a.transfer.kind == http_failed_status ? "status " + std::to_string(a.transfer.status)
		                                              : "failure kind " + std::to_string(a.transfer.kind)) + on;
	}
}

// The listed files of this install that the directory reader could not
// take, each path once: of its platform, through its filters, and of the
// scenery tiles it keeps.
static std::vector<const UTIL_refused_path*> refused_here()
{
	std::vector<const UTIL_refused_path*> out;
	std::set<std::string> seen;
	for (const UTIL_refused_path& r : refused_listed) {
		if (r.os != os_all && r.os != stg.target_os && !(r.os == 6 && stg.target_os == os_linux)) continue;
		int lon = 0, lat = 0;
		const bool global = is_global_scenery_f(r.path.c_str()) && find_sector(&lon, &lat, r.path);
		if (global ? !g_want_global || !stg.tile_wanted[lon][lat] : !g_want_sim) continue;
		if (seen.insert(r.path).second) out.push_back(&r);
	}
	return out;
}

int UTIL_listed_refused() { return (int)refused_here().size(); }

std::vector<std::string> UTIL_report_listed_refused(const std::string& folder)
{
	std::vector<std::string> places;
	const std::vector<const UTIL_refused_path*> refused = refused_here();
	for (const UTIL_refused_path* r : refused) {
		std::string below = r->path;
		trim_dest_folder(below);
		places.push_back(folder + UTL_log_safe(below));
		xer << "Not installed: " << UTL_log_safe(r->path) << " (the release lists it at a path this installer cannot take: "
		    << r->why << ").\n";
	}
	if (!refused.empty())
		APL_alert(UTL_translate_string("The release lists a file at a path this installer cannot take.", 0),
		          UTL_translate_string("File: ", 0) + UTL_log_safe(refused.front()->path), "", more_files_line(refused.size()),
		          t_alert);
	return places;
}

// The end of a run that went on without some files: each is named in the log
// and in the run's list by its place in the copy, and each cause has its
// alert, naming the first file.
static void report_given_up()
{
	for (int why : {failed_copy, failed_transfer, failed_missing, failed_signature, failed_extract}) {
		std::vector<const grab_failure*> of;
		for (const grab_failure& g : g_grab.failed)
			if (g.tries.telling.why == why) of.push_back(&g);
		if (of.empty()) continue;
		for (const grab_failure* g : of) {
			g_engine.grab_failed_files.push_back(g->destination);
			xer << "Not installed: " << UTL_log_safe(place_in_copy(g->destination)) << " (" << attempt_log_text(g->tries.telling)
			    << ").\n";
		}
		const grab_failure& g = *of.front();
		const std::string file = UTL_translate_string("File: ", 0) + UTL_log_safe(place_in_copy(g.destination));
		if (why == failed_extract || why == failed_copy)
			APL_alert(UTL_translate_string("The installer cannot extract a file.", 0),
			          UTL_translate_string("Error: ", 0) + error_str(g.tries.telling.code), file, more_files_line(of.size()),
			          t_alert);
		else if (why == failed_signature)
			APL_alert(UTL_translate_string("I could not download a file from any of the servers.", 0), file,
			          UTL_translate_string("Every copy the servers sent differs from the release.", 0),
			          more_files_line(of.size()), t_alert);
		else if (why == failed_missing)
			APL_alert(UTL_translate_string("I could not download a file from any of the servers.", 0), file,
			          UTL_translate_string("None of the servers has this file.", 0), more_files_line(of.size()), t_alert);
		else
			APL_alert(UTL_translate_string("I could not download a file from any of the servers.", 0), file,
			          UTL_translate_string("The servers answered, but would not deliver it.", 0), more_files_line(of.size()),
			          t_alert);
	}
	for (const std::string& local : UTIL_report_listed_refused(g_grab.folder)) g_engine.grab_failed_files.push_back(local);
}

static unsigned every_server()
{
	const int n = stg.num_servers > 0 ? std::min<int>(stg.num_servers, server_slots) : 1;
	return (1u << n) - 1;
}

// The one rule for a failed attempt at a file, by where its fault lay: a
// server that said it lacks the file, or sent what the copy could not take,
// is not asked for it again; one that answered and did not deliver is asked
// again up to grab_rounds_per_file times in all. (The caller charges a
// failure with no answer at all only while some server answers.) 1 once every
// server is spent on the file: the run goes on without it.
static int tries_failed(grab_tries& t, const grab_attempt& a)
{
	const unsigned bit = a.server >= 0 && a.server < server_slots ? 1u << a.server : 0;
	if (a.fault == grab_fault_copy) {
		t.came = 1;
		t.spent |= bit;
	} else if (a.fault == grab_fault_missing) {
		t.spent |= bit;
	} else if (bit && ++t.count[a.server] >= grab_rounds_per_file) {
		t.spent |= bit;
	}
	if (a.why >= t.telling.why) t.telling = a;	// a later one of the same weight tells what holds now
	return (t.spent & every_server()) == every_server();
}

// The server to ask next for a file whose attempt on `failed` failed: one
// that is not spent on it, another than `failed` where there is one.
static int next_server(const grab_tries& t, int failed)
{
	return UTIL_pick_server(stg.num_servers, failed, pick_towards_top, t.spent);
}

// The pause before asking `server` for the file again after a failure that
// was an answer: none when it is another server, a short one when it is the
// same server again.
static float pause_before(const grab_tries& t, int server, int failed)
{
	return server == failed && server >= 0 && server < server_slots ? grab_pause_after(t.count[server]) : 0;
}

// What the client said of stream i's failed transfer, as the rule counts it.
static grab_attempt attempt_of(const http_failure& why, int sel)
{
	grab_attempt a;
	a.server = sel;
	a.transfer = why;
	a.why = failed_transfer;
	const bool missing = why.kind == http_failed_status && (why.status == 404 || why.status == 410);
	a.fault = missing ? grab_fault_missing : why.side() == http_side_network ? grab_fault_network : grab_fault_server;
	if (missing) a.why = failed_missing;
	return a;
}

// Stream i's transfer of file f from server sel failed: it tries again, from
// another server where there is one. 1 when it gives the file up and moves on.
static int attempt_failed(int i, int f, int sel, const std::string& remote, const std::string& destination)
{
	grab_stream& st = g_grab.streams[i];
	const grab_attempt a = attempt_of(http.failure(st.slot), sel);
	g_grab.last_attempt = a;
	g_grab.last_file = place_in_copy(destination);
	st.failed = 1;
	st.failed_at = ++g_grab.failures;
	// No answer at all: the network, or that server, is out of reach. It counts
	// against the server only while the network is seen to work: some server
	// answered since this stream last failed so, or the file came already.
	bool charged = a.fault != grab_fault_network;
	if (!charged) {
		charged = g_grab.answers != st.answer_mark || st.tries.came;
		st.answer_mark = g_grab.answers;
	} else {
		answered(i);	// if not with the file
	}
	if (charged && tries_failed(st.tries, a)) {
		go_on_without(f, st.tries, destination);
		return 1;
	}
	st.retry_server = g_engine.stg.sel_server = next_server(st.tries, sel);
	float pause = 0;
	st.net_wait = a.fault == grab_fault_network;
	if (st.net_wait)
		pause = grab_pause_after(++st.net_fails);
	else
		pause = pause_before(st.tries, st.retry_server, sel);
	st.retry_at = xtim.elapsed + pause;
	xer << (st.net_wait ? "No answer for " : "No delivery of ") << UTL_log_safe(remote) << " from " << UTL_log_safe(server_name[sel]);
	if (a.transfer.kind == http_failed_status) xer << " (status " << a.transfer.status << ")";
	xer << ": stream " << i << " tries again in " << pause << " s.\n";
	return 0;
}

// A slice of the final check is back: what it found wrong is kept for the end.
static void collect_check(grab_check_task* c)
{
	--g_grab.check_out;
	std::string msg;
	if (c->retire_error(msg)) {	// unread is unchecked: each of its files counts as wrong
		for (const grab_check_task::item& it : c->items) c->wrong.push_back({it.local, "it could not be checked: " + msg});
	}
	for (const auto& w : c->wrong) g_grab.check_wrong.push_back(w);
	g_grab.check_read += c->read;
	delete c;
}

static void local_failure(const std::string& local, int err, const std::string& folder, float file_kb);

// What an archive that came and did not become the file came to: the copy
// could not take it (a folder on its way leads out of the copy, the archive
// holds no entry of the listed name as spelled, a write the copy refused), or
// the server sent other bytes or an archive that does not unpack.
static grab_attempt unpack_attempt(int code, int server)
{
	grab_attempt a;
	a.server = server;
	a.code = code;
	const bool errno_code = code > 0 && code < err_zip_open;
	if (code == err_path_outside || code == err_archive_no_entry || errno_code) {
		a.fault = grab_fault_copy;
		a.why = failed_copy;
	} else {
		a.fault = grab_fault_server;
		a.why = code == 0 || code == err_archive_wrong_bytes ? failed_signature : failed_extract;
	}
	return a;
}

// The tasks the set has run. An unpacked file is installed when its signature
// is the listed one; otherwise (a wrong copy, an archive that would not
// unpack, one the copy could not take) it waits to be fetched again, from a
// server the rule leaves it to.
static void collect_tasks()
{
	if (!g_grab.unpack_pool) return;
	uint64_t signals;
	while (read(g_grab.unpack_wake, &signals, sizeof(signals)) > 0) {}
	while (UTL_work_task* t = g_grab.unpack_pool->check_retired_tasks()) {
		g_grab.moved = 1;
		if (grab_check_task* k = dynamic_cast<grab_check_task*>(t)) {
			collect_check(k);
			continue;
		}
		grab_unpack_task* c = static_cast<grab_unpack_task*>(t);
		if (!c->log.empty()) xer << c->log;
		std::string msg;
		if (int err = c->retire_error(msg)) {	// the set could not run it: the attempt failed
			c->discard();
			xer << "Unpacking " << c->archive << " did not run: " << msg << "\n";
			c->code = err;
		}
		g_grab.files_held.erase(c->file);
		g_grab.held_bytes -= c->bytes;
		g_grab.held_kb -= sim_info[c->file].versions.back().kb1;
		g_grab.held_install_kb -= sim_info[c->file].versions.back().kb2;
		log_unpack(c->archive, c->destination, c->code, c->chmod_result);
		file_version_struct& v = g_engine.sim_info[c->file].versions.back();
		if (c->code == 0) {
			v.sig_have = c->sig;
			v.up_to_date = v.sig_have == v.sig_want;
		}
		if (c->code == 0 && v.up_to_date) {
			g_engine.pump.kb_fetched += v.kb1;
			g_engine.pump.kb_installed += v.kb2;
			g_grab.written.insert(c->file);
			g_grab.placed[c->file] = c->identity;
		} else if (grab_local_write_error(c->code)) {
			if (!stg.extract_error)
				local_failure(c->destination, c->code, c->destination.substr(0, c->destination.rfind('/') + 1), v.kb2);
		} else if (!stg.extract_error) {
			if (c->code == 0)
				xer << "The file " << UTL_log_safe(c->destination) << " from " << server_name[c->server] << UTL_log_safe(c->remote)
				    << " has the signature " << v.sig_have << ", not the listed " << v.sig_want << ".\n";
			// other bytes under the listed name were refused before they took its place
			if (c->code == err_archive_wrong_bytes)
				xer << "The file " << UTL_log_safe(c->destination) << " from " << server_name[c->server] << UTL_log_safe(c->remote)
				    << " has other bytes, not the listed " << v.sig_want << "; they were not put in place.\n";
			grab_retry r = {c->file, c->tries, 0};
			const grab_attempt a = unpack_attempt(c->code, c->server);
			g_grab.last_attempt = a;
			g_grab.last_file = place_in_copy(c->destination);
			if (tries_failed(r.tries, a)) {
				go_on_without(c->file, r.tries, c->destination);
			} else {
				r.server = g_engine.stg.sel_server = next_server(r.tries, c->server);
				g_grab.retry_files.push_back(r);
			}
		}
		delete c;
	}
}

// The run's worker set, made on first use: 0, or errno.
static int unpack_pool_ready()
{
	if (g_grab.unpack_pool) return 0;
	// The unpackers set file times through localtime_r: the C library reads
	// the time zone on its first call, so read it here, once, on this thread.
	tzset();
	g_grab.unpack_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
	if (g_grab.unpack_wake < 0) return errno;
	g_grab.unpack_pool = new UTL_worker_threads(UTL_count_processors(), unpack_room_tasks() + 4);
	g_grab.unpack_pool->retire_notify_fd = g_grab.unpack_wake;
	THREAD_add_shutdown_hook(grab_shutdown_hook);
	return 0;
}

// Stream i finished the archive of file f: it goes to the unpack set as it
// lies, under the file's own name or in memory, and the stream fetches its
// next file. 0, or errno when the set could not be made.
static int hand_over(const std::string& folder, int i, int f, int sel, const std::string& remote,
                     const std::string& archive, const std::string& destination)
{
	grab_unpack_task* t = new grab_unpack_task(f, sel, g_grab.streams[i].tries, (int64_t)sim_info[f].versions.back().kb1 * 1000,
	                                           folder, remote, archive, destination);
	t->in_memory = http.take_body(g_grab.streams[i].slot, t->held);
	// what the log calls it: no file of that name was ever made
	if (t->in_memory) t->archive = UTL_log_safe(server_name[sel] + remote) + " (received into memory)";
	if (int err = unpack_pool_ready()) {
		t->discard();
		delete t;
		return err;
	}
	const file_version_struct& v = sim_info[f].versions.back();
	const int64_t bytes = t->bytes;
	g_grab.unpack_pool->enqueue_task(t);
	g_grab.files_held.insert(f);
	g_grab.held_bytes += bytes;
	g_grab.held_kb += v.kb1;
	g_grab.held_install_kb += v.kb2;
	return 0;
}

std::string grab_full_disk_text(float more_kb)
{
	if (!(more_kb > 0)) return UTL_translate_string("The disk that holds this folder is full.", 0);
	// "about" takes the genitive in Russian, as in the time left
	const long long mb = std::max(1LL, std::min((long long)INT_MAX, (long long)lroundf(std::min(more_kb / 1024, 2e9f))));
	return UTL_string_sub(UTL_translate_plural_genitive((int)mb,
	                                                    "The disk that holds this folder is full: about %1:megabytes% "
	                                                    "megabyte more free space is needed there.",
	                                                    "The disk that holds this folder is full: about %1:megabytes% "
	                                                    "megabytes more free space is needed there."),
	                      UTL_translate_count(mb));
}

static void local_failure_alert(int err, const std::string& folder, float more_kb)
{
	const std::string room = err == ENOSPC || err == EDQUOT ? grab_full_disk_text(more_kb) : "";
	APL_alert(UTL_translate_string("I could not save a downloaded file on this computer.", 0),
	          UTL_translate_string("Error: ", 0) + error_str(err), UTL_translate_string("Folder: ", 0) + UTL_log_safe(folder),
	          room, t_alert);
}

void grab_local_failure_alert(int err) { local_failure_alert(err, temp_path, 0); }

static bool given_up(int f);

// The room (kB) the run still needs where `folder` is: the files it has not
// installed yet, where the copy is, and the largest of their archives, where
// the temporary folder is.
static float room_needed_kb(const std::string& folder)
{
	struct stat at, copy, temp;
	bool here = stat(folder.c_str(), &at) == 0;
	bool copy_here = !here || (stat(g_grab.folder.c_str(), &copy) == 0 && copy.st_dev == at.st_dev);
	bool temp_here = !here || (stat(temp_path.c_str(), &temp) == 0 && temp.st_dev == at.st_dev);
	float install = 0, archive = 0;
	for (size_t f = 0; f < sim_info.size(); ++f) {
		const file_version_struct& v = sim_info[f].versions.back();
		if (!v.want_download || v.up_to_date || g_grab.written.count((int)f) || given_up((int)f)) continue;
		install += v.kb2;
		if (v.kb1 > archive) archive = v.kb1;
	}
	return (copy_here ? install : 0) + (temp_here ? archive : 0);
}

// A write failed on this computer (errno err, in folder): no server is to
// blame, so nothing is fetched again and no other server is asked; the run
// stops, keeping what it installed, and names the folder and the cause.
static void local_failure(const std::string& local, int err, const std::string& folder, float file_kb)
{
	g_engine.grab_failed_files.push_back(local);
	g_engine.stg.extract_error = 1;
	drop_transfers();
	g_grab.local_error = err;
	g_grab.local_folder = folder;
	g_grab.local_more_kb = 0;
	if (err == ENOSPC || err == EDQUOT) {
		uint64_t total = 0, free_bytes = 0;
		float need = room_needed_kb(folder);
		float free_kb = get_free_space(folder + ".", &total, &free_bytes) == 0 ? (float)(free_bytes / 1000) : 0;
		g_grab.local_more_kb = need - free_kb > file_kb ? need - free_kb : file_kb;
	}
	xer << "Stopped at " << UTL_log_safe(place_in_copy(local)) << ": a write in " << UTL_log_safe(folder) << " failed: " << error_str(err)
	    << " (" << err << ").\n";
	xer.flush();	// the alert waits for the user: the log says why meanwhile
	local_failure_alert(err, folder, g_grab.local_more_kb);
}

static void adjust_streams(int i)
{
	float now = xtim.elapsed;
	float span = now - grab_pump.start_time;
	if (span < 1) span = 1;
	float rate = (grab_pump.kb_fetched + grab_pump.kb_in_flight) / span;
	// A count outside 1..http_stream_count (an edited preference file) means
	// automatic: a target below one would switch every stream off with files left.
	int target = stg.stream_count >= 1 && stg.stream_count <= http_stream_count ? stg.stream_count : 0;
	if (target == 0) target = rate > 200 ? 9 : rate > 150 ? 8 : rate > 100 ? 6 : rate > 50 ? 4 : 2;
	int active = 0;
	for (const grab_stream& k : g_grab.streams) active += k.on != 0;
	if (target > active) {
		for (grab_stream& k : g_grab.streams)
			if (!k.on) {
				k.on = 1;
				k.take = 1;
				break;
			}
	}
	if (target < active)
		g_grab.streams[i].on = 0;
	else
		g_grab.streams[i].take = 1;
}

// One step of stream i on file f.
static void stream_step(const std::string& folder, int i, int f)
{
	file_version_struct& v = g_engine.sim_info[f].versions.back();
	grab_stream& st = g_grab.streams[i];
	int sel = stg.sel_server;
	if (sel < 0 || sel >= server_slots) sel = g_engine.stg.sel_server = 0;
	// A running transfer stays with the server it was asked of, whatever another
	// stream's failure drew since: its copy and its failures are that server's.
	// A stream trying a file again asks the server its own failure drew:
	// another stream's draw could send it back to the one that failed it.
	if (v.want_download && http.busy(st.slot))
		sel = st.server;
	else if (v.want_download && st.failed)
		sel = st.server = st.retry_server;
	else
		st.server = sel;
	std::string remote = server_path[sel] + v.path + ".zip";
	std::string destination = UTIL_local_path(folder, v);
	st.take = 0;
	// the file as the user knows it: its place in the copy, not the server's path
	st.file_path = place_in_copy(destination);
	st.file_name = st.file_path.substr(st.file_path.rfind('/') + 1);

	bool finished = false;
	if (path_has_no_file(v.path)) {
		APL_alert("I am working through the list and found a path that has no file!",
		          "This is impossible to download or delete!", "It is:", v.path, t_exit);
		// the fatal alert returns when raised off the main thread: such a path is passed over
		st.action = action_skip_unneeded;
		finished = true;
	} else if (v.want_delete) {
		st.action = action_delete;
		// a failure is logged and counted there, and the final check finds the file still there
		(void)UTIL_delete_listed(folder, destination, "now we want to nuke a file: DELETING  file ");
		UTIL_note_folders(folder, destination, g_engine.deleted_files);
		g_grab.deleted.push_back(f);
		finished = true;
	} else if (v.want_download) {
		st.action = action_download;
		if (!http.busy(st.slot)) {	// a new transfer
			st.seen = 0;
			st.archive = grab_archive_path(f);
			grab_meter_begins(i, v.kb1);
		}
		const std::string archive = st.archive;
		st.quiet = 0;
		// it lands at its name only whole (land_file): the run's folder is this run's alone
		int r = http.net_check(st.slot, server_name[sel], remote, archive, http_listed_limit(v.kb1),
		                       grab_archive_in_memory_max);
		if (r != http_running) g_grab.moved = 1;
		if (r == http_complete) {
			grab_meter_done(i, std::max<int64_t>(0, (int64_t)v.kb1 * 1000 - st.seen));
			answered(i);
			// installed once unpacked and its signature checked; the stream goes on
			if (int err = hand_over(folder, i, f, sel, remote, archive, destination)) {
				local_failure(destination, err, temp_path, v.kb1);
				return;
			}
			finished = true;
		} else if (r == http_failed && http.local_error(st.slot)) {
			local_failure(destination, http.local_error(st.slot), temp_path, v.kb1);
			return;
		} else if (r == http_failed) {
			finished = attempt_failed(i, f, sel, remote, destination);
		} else {
			const http_progress p = http.progress(st.slot);
			if (p.running && p.received > st.seen) {
				grab_meter_received(i, p.received - st.seen);
				st.seen = p.received;
				answered(i);
			}
			st.quiet = p.running ? p.quiet : 0;
			if (!p.running)
				st.file_progress = 0;
			else if (p.length < 0)
				st.file_progress = -0.01f;
			else
				st.file_progress = p.length ? (float)p.received / (float)p.length : 0;
			const float arrived = st.file_progress > 0 ? st.file_progress : 0;
			g_engine.pump.kb_in_flight += arrived * v.kb1;
			g_engine.pump.kb_install_in_flight += arrived * v.kb2;
		}
	} else {
		st.action = v.up_to_date ? action_skip_current : action_skip_unneeded;
		finished = true;
	}
	if (finished) {
		g_grab.moved = 1;
		st.tries = grab_tries();
		st.failed = 0;
		adjust_streams(i);
	}
}

// Whether every server has failed file f in this run.
static bool given_up(int f)
{
	for (const grab_failure& g : g_grab.failed)
		if (g.file == f) return true;
	return false;
}

// Whether file f is in hand or done: another stream fetches it, the unpack set
// holds it, it waits to be fetched again, every server has failed it, or this
// run has installed it.
static bool file_in_hand(int i, int f)
{
	if (g_grab.files_held.count(f) || given_up(f) || g_grab.written.count(f)) return true;
	for (const grab_retry& r : g_grab.retry_files)
		if (r.file == f) return true;
	for (const grab_stream& k : g_grab.streams)
		if (&k != &g_grab.streams[i] && k.on && !k.take && k.file == f) return true;
	return false;
}

static int end_failed_run()
{
	drop_transfers();
	drop_unpacks();	// nothing writes into the copy once its lock is let go
	UTIL_unlock_copy();
	return grab_failed;
}

// Hands the set the next slices of the final check while it has room: a
// few files to read a slice, or many to look up, on its threads.
static void feed_check()
{
	const std::vector<grab_check_item>& files = g_grab.check_files;
	while (g_grab.check_next < files.size() && g_grab.unpack_pool->has_free_slot()) {
		grab_check_task* t = new grab_check_task;
		float kb = 0;
		int reads = 0;
		while (g_grab.check_next < files.size() && (int)t->items.size() < check_slice_looks) {
			const grab_check_item& c = files[g_grab.check_next];
			if (!c.sig_want.empty() && !c.placed.known) {	// to be read
				if (reads == check_slice_files || (reads && kb + c.kb > check_slice_kb)) break;
				kb += c.kb;
				++reads;
			}
			t->items.push_back({c.local, c.sig_want, c.placed});
			++g_grab.check_next;
		}
		g_grab.unpack_pool->enqueue_task(t);
		++g_grab.check_out;
	}
}

// The final check found files that are not what the run made them: each is
// logged and named in the run's list; the alert names the first.
static void report_check()
{
	for (const auto& w : g_grab.check_wrong) {
		g_engine.grab_failed_files.push_back(w.first);
		xer << "After the run, " << UTL_log_safe(w.first) << ": " << w.second << ".\n";
	}
	APL_alert(UTL_translate_string("A file the installer wrote or deleted is no longer as the release has it.", 0),
	          UTL_translate_string("File: ", 0) + UTL_log_safe(g_grab.check_wrong.front().first), "",
	          more_files_line(g_grab.check_wrong.size()), t_alert);
}

// An identity vouches for a file's bytes only on a volume that marks every
// change after a look; elsewhere (coarse time stamps, a network volume) the
// file is read back. One probe per volume, in the folder of its first file.
static void trust_identities_where_changes_show()
{
	std::map<uint64_t, int> marks;
	for (grab_check_item& c : g_grab.check_files) {
		if (!c.placed.known) continue;
		auto m = marks.find(c.placed.device);
		if (m == marks.end())
			m = marks.emplace(c.placed.device, PLAT_volume_marks_every_change(c.local.substr(0, c.local.rfind('/') + 1),
			                                                                  c.placed.device)).first;
		if (!m->second) c.placed.known = false;
	}
}

// One step of the run's final check: every file it wrote is looked up (and
// read back and signed when it changed since), every path it deleted looked
// up, on the set's threads. 0 while it runs; at its end the run's result.
static int check_step(const std::string& folder)
{
	if (int err = unpack_pool_ready()) {
		g_grab.check_wrong.push_back({folder, "the check could not start: " + error_str(err)});
		g_grab.check_next = g_grab.check_files.size();
	}
	if (g_grab.unpack_pool) feed_check();
	if (g_grab.check_next < g_grab.check_files.size() || g_grab.check_out > 0) return grab_running;
	xer << "Checked the " << g_grab.check_files.size() << " files this run wrote or deleted in "
	    << (double)(xtim_class::microsecs() - g_grab.check_start) / 1e6 << " s (" << g_grab.check_read << " read back).\n";
	// checked: nothing of it is carried to a next run
	g_grab.carried.clear();
	g_grab.written.clear();
	g_grab.placed.clear();
	g_grab.deleted.clear();
	// a listed file the reader could not take is not in the copy: no success
	if (!g_grab.failed.empty() || !g_grab.check_wrong.empty() || UTIL_listed_refused()) {
		report_given_up();
		if (!g_grab.check_wrong.empty()) report_check();
		g_engine.stg.extract_error = 1;
		return end_failed_run();
	}
	g_engine.pump.done = 1;
	UTIL_unlock_copy();
	xer.flush();
	return grab_done;
}

// What the screen shows of the streams, after each step of the run: the file
// of the stream that failed last while it tries again (the failure shown is
// its own), else of the one that took its file last (the newest in hand); and
// a failure while any stream, or a file waiting to be fetched again, tries
// again after one.
static void show_streams()
{
	const int count = (int)sim_info.size();
	int failing = !g_grab.retry_files.empty(), newest = -1;
	auto later = [](const grab_stream& a, const grab_stream& b) {
		const bool fa = a.failed && !a.take, fb = b.failed && !b.take;
		if (fa != fb) return fa;
		return fa ? a.failed_at > b.failed_at : a.taken > b.taken;
	};
	for (int i = 0; i < http_stream_count; ++i) {
		const grab_stream& st = g_grab.streams[i];
		if (!st.on || st.file >= count || !st.taken) continue;
		failing |= st.failed && !st.take;
		if (newest < 0 || later(st, g_grab.streams[newest])) newest = i;
	}
	g_engine.stg.download_error = failing;
	if (newest >= 0) g_grab.shown = newest;	// with none at work, the last one shown stays
	if (g_grab.shown < 0) return;
	const grab_stream& shown = g_grab.streams[g_grab.shown];
	g_engine.stg.action = shown.action;
	g_engine.stg.file_progress = shown.file_progress;
	g_engine.crnt_file_path = shown.file_path;
	g_engine.crnt_file_name = shown.file_name;
}

static int run_step(const std::string& folder);

int grab_files(const std::string& folder)
{
	const int r = run_step(folder);
	show_streams();
	return r;
}

// One step of every stream, the unpack set's news, or of the final check.
static int run_step(const std::string& folder)
{
	if (stg.extract_error) return grab_failed;
	if (!g_grab.claimed) {
		g_grab.claimed = 1;
		if (folder != g_grab.folder) g_grab.carried.clear();	// another copy's files
		g_grab.folder = folder;
		if (UTIL_claim_copy(folder)) {
			g_engine.stg.extract_error = 1;
			return grab_failed;
		}
	}
	if (!g_grab.meter.counted) grab_meter_count_work();
	grab_meter_tick();
	g_grab.moved = 0;
	collect_tasks();
	if (stg.extract_error) return end_failed_run();
	if (g_grab.checking) return check_step(folder);
	g_engine.pump.kb_in_flight = g_grab.held_kb;	// downloaded, not yet unpacked
	g_engine.pump.kb_install_in_flight = g_grab.held_install_kb;
	int count = (int)sim_info.size();
	for (int i = 0; i < http_stream_count; ++i) {
		grab_stream& st = g_grab.streams[i];
		if (!st.on) continue;
		if (st.take && !unpack_has_room()) continue;	// the unpacking catches up first
		// a stream whose transfer failed waits out its pause
		if (!st.take && !http.busy(st.slot) && xtim.elapsed < st.retry_at) continue;
		if (st.take && !g_grab.retry_files.empty()) {
			// a file whose copy was wrong comes first, with its count of failures
			grab_retry r = g_grab.retry_files.front();
			g_grab.retry_files.erase(g_grab.retry_files.begin());
			st.file = r.file;
			st.taken = ++g_grab.taken;
			st.tries = r.tries;
			st.failed = 1;
			st.failed_at = ++g_grab.failures;	// its failure is now this stream's to try again
			st.retry_server = r.server;	// drawn when its copy was refused
		} else if (st.take) {
			// Two streams never write one file: a file handed out again after a
			// failure is passed over while another stream or the unpack set has it.
			do {
				st.file = grab_pump.next_file;
				g_engine.pump.next_file = g_engine.pump.next_file + 1 < count ? g_engine.pump.next_file + 1 : count;
			} while (st.file < count && file_in_hand(i, st.file));
			st.taken = ++g_grab.taken;
		}
		if (st.file < count) stream_step(folder, i, st.file);
		if (stg.extract_error) return end_failed_run();
	}
	for (const grab_stream& st : g_grab.streams)
		if (st.on && st.file < count) return grab_running;
	if (!g_grab.files_held.empty() || !g_grab.retry_files.empty()) return grab_running;
	// every file fetched or given up, every deletion done
	UTIL_remove_empty_folders(folder, deleted_files);
	g_grab.checking = 1;
	g_grab.check_start = xtim_class::microsecs();
	std::set<std::string> listed_here;	// each path once: this run's look comes first
	for (int f : g_grab.written)
		if (!given_up(f)) {	// one given up later is named as such
			const file_version_struct& v = sim_info[f].versions.back();
			g_grab.check_files.push_back({UTIL_local_path(folder, v), v.sig_want, v.kb2, g_grab.placed[f]});
			listed_here.insert(g_grab.check_files.back().local);
		}
	// Where the volume tells no case apart, a deleted spelling of a listed
	// name is that listed file, which is checked as such.
	std::set<std::string, path_case_less> kept;
	const bool any_deleted = !g_grab.deleted.empty() || !g_grab.carried.empty();
	if (any_deleted && !PLAT_volume_case_sensitive(folder))
		for (const file_history_struct& h : sim_info)
			if (!h.versions.back().want_delete) kept.insert(UTIL_local_path(folder, h.versions.back()));
	for (int f : g_grab.deleted) {
		std::string local = UTIL_local_path(folder, sim_info[f].versions.back());
		if (!kept.count(local) && listed_here.insert(local).second) g_grab.check_files.push_back({local, std::string(), 0, {}});
	}
	// what a run left before its check (Back, then Next) is checked with it
	for (const grab_check_item& c : g_grab.carried) {
		if (c.sig_want.empty() && kept.count(c.local)) continue;
		if (listed_here.insert(c.local).second) g_grab.check_files.push_back(c);
	}
	trust_identities_where_changes_show();
	return check_step(folder);
}

void grab_leave_out(float seconds) { g_engine.pump.start_time += seconds; }

float grab_pause_left(bool* for_network)
{
	if (for_network) *for_network = false;
	if (stg.extract_error || g_grab.checking || !g_grab.files_held.empty()) return -1;
	const int count = (int)sim_info.size();
	float first = -1;
	bool network = true;
	for (const grab_stream& st : g_grab.streams) {
		if (!st.on || st.file >= count) continue;
		if (st.take || http.busy(st.slot)) return -1;	// at work
		float left = st.retry_at - xtim.elapsed;
		if (left <= 0) return -1;	// tries again now
		if (first < 0 || left < first) first = left;
		network = network && st.net_wait;
	}
	if (for_network) *for_network = first >= 0 && network;
	return first;
}

const grab_attempt& grab_last_attempt(std::string& file)
{
	file = g_grab.last_file;
	return g_grab.last_attempt;
}

int grab_streams_on()
{
	int on = 0;
	for (const grab_stream& st : g_grab.streams) on += st.on != 0;
	return on;
}

float grab_shown_quiet(std::string& server)
{
	server.clear();
	if (g_grab.shown < 0) return 0;
	const grab_stream& st = g_grab.streams[g_grab.shown];
	if (st.action != action_download) return 0;
	if (st.server >= 0 && st.server < server_slots) server = server_name[st.server];
	return st.quiet;
}

grab_outcome grab_run_outcome()
{
	grab_outcome o;
	if (g_grab.checking) {
		for (const grab_check_item& c : g_grab.check_files) o.installed += !c.sig_want.empty();
		o.installed -= (int)g_grab.check_wrong.size();
		if (o.installed < 0) o.installed = 0;
	} else {
		o.installed = (int)g_grab.written.size();
	}
	o.missing = grab_failed_files;
	if (g_grab.local_error && !g_grab.folder.empty()) {
		// the run stopped: what it had not fetched yet is missing too
		std::set<std::string> named(o.missing.begin(), o.missing.end());
		for (size_t f = 0; f < sim_info.size(); ++f) {
			const file_version_struct& v = sim_info[f].versions.back();
			if (!v.want_download || v.up_to_date || g_grab.written.count((int)f)) continue;
			const std::string local = UTIL_local_path(g_grab.folder, v);
			if (!named.count(local)) o.missing.push_back(local);
		}
	}
	o.local_error = g_grab.local_error;
	o.local_folder = g_grab.local_folder;
	o.more_kb = g_grab.local_more_kb;
	bool all_missing = !g_grab.failed.empty() && g_grab.check_wrong.empty();
	for (const grab_failure& g : g_grab.failed) {
		all_missing = all_missing && g.tries.telling.why == failed_missing;
		if (g.tries.telling.why == failed_copy && o.not_placed_files++ == 0) o.not_placed = g.tries.telling;
		if (g.tries.telling.why == failed_transfer && o.not_sent_files++ == 0) o.not_sent = g.tries.telling;
	}
	o.not_on_servers = all_missing;
	o.not_listable = UTIL_listed_refused();
	return o;
}

int grab_files_wait(int ms)
{
	if (g_grab.moved || ms <= 0) return 0;
	float pause = grab_pause_left();
	if (pause >= 0) {
		// every stream waits out a pause: sleep through it, or the frame
		int wait = (int)(pause * 1000) + 1;
		if (wait > ms) wait = ms;
		return poll(nullptr, 0, wait) > 0;
	}
	return http.net_wait(g_grab.streams[0].slot, g_grab.streams[http_stream_count - 1].slot, ms,
	                     g_grab.unpack_pool ? g_grab.unpack_wake : -1);
}
