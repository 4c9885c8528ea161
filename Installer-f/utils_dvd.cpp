// The disc install: a copy set of one thread brings each archive from the disc
// to the temporary folder, an unpack set of one thread per processor unpacks it.
#include "utils.h"
#include "utils_internal.h"
#include "http.h"
#include "io_utils.h"
#include "land_file.h"
#include "md5_utils.h"
#include "zip_utils.h"
#include "THREAD_service.h"
#include "UTL_globals.h"
#include "UTL_threads.h"
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

UTL_worker_threads* copy_pool = nullptr;
UTL_worker_threads* unzip_pool = nullptr;

enum { dvd_set_limit = 30 };

dvd_unpack_task::dvd_unpack_task(const std::string& folder, int i, const std::string& temp_folder)
	: index(i), step(0), copy(folder), error_code(0), disc_gone(0)
{
	const file_version_struct& v = sim_info[i].versions.back();
	std::string suffix = suffix_for_file(i);
	disc_folder = dvd_path + install_name + "/";
	source = disc_folder + v.path + suffix;
	char tail[24];
	snprintf(tail, sizeof(tail), "_%d", i);
	temp = temp_folder + v.sig_want + tail + suffix;
	destination = UTIL_local_path(folder, v);
}

void dvd_unpack_task::do_it()
{
	if (step == 0) {
		step = 1;
		// no further than its listing allows: a disc's archive is bounded as a mirror's is
		error_code = land_copy(source, temp, http_listed_limit(sim_info[index].versions.back().kb1));
		if (error_code) {
			error_text = "I was unable to copy the file " + source + " from the DVD to the hard drive.";
			// the set's folder is gone with the disc (unmounted, taken out): the
			// file is not at fault; an archive missing from a disc still there is
			struct stat st;
			disc_gone = stat(disc_folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
		}
		return;
	}
	if (error_code) return;
	std::string folder = destination.substr(0, destination.rfind('/') + 1);
	int code = UTIL_unpack(copy, temp, destination, sim_info[index].versions.back().kb2);
	if (code) {
		error_code = code;
		error_text = "I was unable to unzip the file " + temp + " to the folder " + folder +
		             ".  (Original file was: " + source + ")";
		return;
	}
	// a program of the copy that cannot be run is no install of it
	if (destination.find("Contents/MacOS/") != std::string::npos && (code = make_file_executable(destination)) != 0) {
		error_code = code;
		error_text = "I was unable to make the program " + destination + " executable.";
		return;
	}
	// left in the run's folder, which goes with the run, when it cannot go now
	(void)delete_file(temp);
	// The copy is the release's only when the unpacked file has the listed signature.
	file_version_struct& v = g_engine.sim_info[index].versions.back();
	std::string sig = "NONE";
	(void)calc_file_md5(destination, sig);	// unread, it stays NONE and fails the check below
	v.sig_have = sig;
	v.up_to_date = v.sig_want == v.sig_have;
	if (!v.up_to_date) {
		error_code = err_install_signature;
		error_text = "The file " + destination + " unpacked from " + source + " differs from the release (signature " +
		             sig + ", listed " + v.sig_want + ").";
	}
}

int dvd_unpack_task::check_error(std::string& msg)
{
	if (int err = retire_error(msg)) return err;
	msg = error_text;
	return error_code;
}

static void dvd_shutdown_hook() { install_files_kill(); }

// Wanted and not placed yet: a file this run already placed (it is the
// release's now) is passed over when the run goes back for what a disc took.
static int want(int i)
{
	const file_version_struct& v = sim_info[i].versions.back();
	return v.want_download && !v.up_to_date;
}
static int disk_of(int i) { return sim_info[i].versions.back().disk; }

int install_files_disc_left() { return g_engine.disc_left; }

static void forget_lost_disc()
{
	g_engine.disc_lost_files.clear();
	g_engine.disc_left = 0;
}

int install_files(const std::string& folder, int& cursor, int disk)
{
	int count = (int)sim_info.size();
	if (!copy_pool && UTIL_claim_copy(folder)) {
		g_engine.install_err_num = copy_busy;
		g_engine.install_err_msg = "Another installer is working on the copy at " + folder + ".";
		return install_failed;
	}
	if (!copy_pool) {
		forget_lost_disc();
		// The unpackers set file times through localtime_r: the C library reads the
		// time zone on its first call, so read it here, once, on this thread.
		tzset();
		copy_pool = new UTL_worker_threads(1, dvd_set_limit);
		unzip_pool = new UTL_worker_threads(UTL_count_processors(), dvd_set_limit);
		THREAD_add_shutdown_hook(dvd_shutdown_hook);
	}
	// the disc is back (the wizard found it): the files it took are copied first
	g_engine.disc_left = 0;
	while (cursor < count && !want(cursor)) ++cursor;
	while (cursor < count && g_engine.disc_lost_files.empty() && copy_pool->has_free_slot()) {
		if (disk_of(cursor) != disk) break;
		// the copied archives lie in this run's folder, and go with it
		if (want(cursor)) copy_pool->enqueue_task(new dvd_unpack_task(folder, cursor, UTIL_run_folder()));
		++cursor;
	}
	while (unzip_pool->has_free_slot()) {
		UTL_work_task* t = copy_pool->check_retired_tasks();
		if (!t) break;
		std::string msg;
		// A task the copy set could not run must not be copied on an unpack thread.
		if (int err = t->retire_error(msg)) {
			g_engine.install_err_num = err;
			g_engine.install_err_msg = msg;
			delete t;
			return install_failed;
		}
		unzip_pool->enqueue_task(t);
	}
	while (UTL_work_task* t = unzip_pool->check_retired_tasks()) {
		dvd_unpack_task* d = static_cast<dvd_unpack_task*>(t);
		if (d->disc_gone && !t->retire_error(g_engine.install_err_msg)) {
			// copied again once the disc is back: no failure, nothing skipped
			g_engine.disc_lost_files.push_back(d->index);
			delete t;
			continue;
		}
		g_engine.install_err_num = t->check_error(g_engine.install_err_msg);
		delete t;
		if (install_err_num) return install_failed;
	}
	bool outstanding = copy_pool->count_total_tasks() > 0 || unzip_pool->count_total_tasks() > 0;
	if (!g_engine.disc_lost_files.empty()) {
		if (outstanding) return install_busy;
		// every task is in: the run asks for the disc again, at the first file it took
		cursor = *std::min_element(g_engine.disc_lost_files.begin(), g_engine.disc_lost_files.end());
		g_engine.disc_lost_files.clear();
		g_engine.disc_left = 1;
		return install_need_disk;
	}
	if (cursor >= count && !outstanding) {
		delete copy_pool;
		delete unzip_pool;
		copy_pool = unzip_pool = nullptr;
		UTIL_unlock_copy();
		return install_done;
	}
	if (cursor >= count || outstanding) return install_busy;
	return disk_of(cursor) != disk && want(cursor) ? install_need_disk : install_busy;
}

int install_files_get_error(std::string& text)
{
	text = install_err_msg;
	int n = install_err_num;
	g_engine.install_err_num = 0;
	g_engine.install_err_msg.clear();
	return n;
}

void install_files_kill()
{
	if (!copy_pool) return;
	while (UTL_work_task* t = copy_pool->wait_retired_tasks()) {
		std::string msg;
		if (t->retire_error(msg))
			delete t;
		else
			unzip_pool->enqueue_task(t);
	}
	while (UTL_work_task* t = unzip_pool->wait_retired_tasks()) delete t;
	delete copy_pool;
	delete unzip_pool;
	copy_pool = unzip_pool = nullptr;
	forget_lost_disc();
	UTIL_unlock_copy();
}
