// The checksum scan of an installed copy, in slices on one worker per processor.
#include "utils.h"
#include "utils_internal.h"
#include "io_utils.h"
#include "md5_utils.h"
#include "THREAD_service.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_threads.h"
#include <atomic>
#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

UTL_worker_threads* checksum_workers = nullptr;
// Set by a kill: the workers stop at their next piece of a file, so a scan
// abandoned in a large file ends at once.
static std::atomic<int> checksum_stop{0};

// A slice holds up to 10 files, and ends before its listed sizes pass about
// 64 MB: a large file is signed alone, so a few of them spread over every
// worker instead of queueing on one.
enum { checksum_slice = 10 };
static const float checksum_slice_kb = 64000;

// The queue is topped up once a frame, so it holds what the workers sign
// while a frame is drawn, a slow one on a loaded machine included: at least
// four slices per worker, and more while it holds fewer than this many files.
// Work not yet started is dropped on a kill, so depth costs only the task
// records.
enum { checksum_queue_files = 16384 };
enum { checksum_slices_per_worker = 4 };

// What the running scan has queued and signed, for the top-up and the progress.
static struct {
	int files_queued;	// handed out, not yet back
	int files_done;		// back from the workers, or before the cursor the scan started at
} checksum_feed;

// What a listed path that holds a folder, pipe, socket or device has for its
// signature: no listed signature equals it, so it counts as changed by the
// user and is asked about like any modified file (a folder holding only files
// the release dropped excepted, see choose_files).
const char* const UTIL_sig_not_a_file = "NOT_A_FILE";
// ... and what a file has that is there but cannot be read: it is not missing,
// so it is never replaced without a question.
static const char* const sig_unreadable = "UNREADABLE";

checksum_task::checksum_task(const std::string& copy, int f, int l, int q) : folder(copy), first(f), last(l), quick(q) {}

// The scan's workers give way to the thread that draws the window: with every
// processor signing files, a frame otherwise waits its turn behind them. They
// still take every processor the window leaves idle. The set's threads end
// with the scan, so nothing else runs at this priority.
static const int checksum_worker_nice = 5;

static void checksum_worker_give_way()
{
	thread_local bool lowered = false;
	if (lowered) return;
	lowered = true;
	// a worker that cannot be lowered signs at the window's priority, as before
	id_t self = (id_t)syscall(SYS_gettid);
	errno = 0;
	int now = getpriority(PRIO_PROCESS, self);
	if (errno == 0) setpriority(PRIO_PROCESS, self, now + checksum_worker_nice);
}

void checksum_task::do_it()
{
	checksum_worker_give_way();
	for (int i = first; i < last && !checksum_stop.load(std::memory_order_relaxed); ++i) {
		file_version_struct& v = g_engine.sim_info[i].versions.back();
		if (!want_this_f(i, (int)sim_info[i].versions.size() - 1)) continue;
		std::string local = v.path;
		trim_dest_folder(local);
		local = folder + local;
		std::string sig = "NONE";
		int why = md5_missing;
		if (!quick) {
			if (calc_file_md5(local, sig, &why, &checksum_stop) == ECANCELED) break;	// the scan is abandoned
			if (why == md5_not_a_file) sig = UTIL_sig_not_a_file;
			if (why == md5_unreadable) sig = sig_unreadable;
		} else if (file_exists(local))
			sig = v.sig_want;
		v.sig_have = sig;
		v.up_to_date = v.sig_want == v.sig_have;
	}
}

int checksum_task::check_error(std::string& msg)
{
	// A task the set could not run leaves its files as they were; the scan goes on.
	int err = retire_error(msg);
	if (err) xer << "checksum slice " << first << ".." << last << " did not run: " << msg << "\n";
	msg.clear();
	return 0;
}

static void checksum_shutdown_hook() { checksum_directory_kill(); }

// Files in the slice that starts at `cursor`; a quick scan reads nothing, so
// only the count cuts its slices.
static int checksum_slice_size(int cursor, int count, int quick)
{
	int n = 0;
	float kb = 0;
	while (cursor + n < count && n < checksum_slice) {
		float file_kb = quick ? 0 : sim_info[cursor + n].versions.back().kb2;
		if (n > 0 && kb + file_kb > checksum_slice_kb) break;
		kb += file_kb;
		++n;
	}
	return n;
}

static bool checksum_queue_wants_more(int workers)
{
	if (!checksum_workers->has_free_slot()) return false;
	if (checksum_workers->count_total_tasks() < checksum_slices_per_worker * workers) return true;
	return checksum_feed.files_queued < checksum_queue_files;
}

int checksum_directory(const std::string& folder, int& cursor, int quick, float& progress)
{
	int count = (int)sim_info.size();
	if (!dir_exists(folder)) {
		for (auto& h : g_engine.sim_info) {
			file_version_struct& v = h.versions.back();
			v.sig_have = "NONE";
			v.up_to_date = v.sig_want == v.sig_have;
		}
		progress = count ? (float)cursor / (float)count : 0.0f;
		return 1;
	}
	int workers = UTL_count_processors();
	if (!checksum_workers) {
		checksum_workers = new UTL_worker_threads(workers, checksum_queue_files);
		THREAD_add_shutdown_hook(checksum_shutdown_hook);
		checksum_feed.files_queued = 0;
		checksum_feed.files_done = cursor;
		xer << " Start of MD5 at " << (double)xtim_class::microsecs() / 1000000.0 << "\n";
	}
	// what came back first, so the top-up sees the room it left
	while (UTL_work_task* t = checksum_workers->check_retired_tasks()) {
		checksum_task* done = (checksum_task*)t;
		checksum_feed.files_queued -= done->last - done->first;
		checksum_feed.files_done += done->last - done->first;
		std::string msg;
		(void)t->check_error(msg);	// it logs a slice that did not run
		delete t;
	}
	while (cursor < count && checksum_queue_wants_more(workers)) {
		int size = checksum_slice_size(cursor, count, quick);
		checksum_workers->enqueue_task(new checksum_task(folder, cursor, cursor + size, quick));
		checksum_feed.files_queued += size;
		cursor += size;
	}
	progress = count ? (float)checksum_feed.files_done / (float)count : 0.0f;
	if (cursor < count || checksum_workers->count_total_tasks() > 0) return 0;
	delete checksum_workers;
	checksum_workers = nullptr;
	xer << " End of MD5 at " << (double)xtim_class::microsecs() / 1000000.0 << "\n";
	return 1;
}

int checksum_files_done() { return checksum_workers ? checksum_feed.files_done : 0; }

void checksum_directory_kill()
{
	if (!checksum_workers) return;
	checksum_stop.store(1);
	checksum_workers->cancel_queued();
	while (UTL_work_task* t = checksum_workers->wait_retired_tasks()) delete t;
	delete checksum_workers;
	checksum_workers = nullptr;
	checksum_stop.store(0);
}
