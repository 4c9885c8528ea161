// The disc install: a copy set of one thread brings each archive from the disc
// to the temporary folder, an unpack set of one thread per processor unpacks it.
#include "utils.h"
#include "utils_internal.h"
#include "main_globals.h"
#include "io_utils.h"
#include "p7z_md5.h"
#include "zip_utils.h"
#include "THREAD_service.h"
#include "UTL_globals.h"
#include "UTL_threads.h"
#include <cstdio>
#include <ctime>

UTL_worker_threads* copy_pool = nullptr;
UTL_worker_threads* unzip_pool = nullptr;
int         install_err_num = 0;
std::string install_err_msg;

enum { dvd_set_limit = 30 };

dvd_unpack_task::dvd_unpack_task(int i, const std::string& temp_folder) : index(i), step(0), error_code(0)
{
	const file_version_struct& v = sim_info[i].versions.back();
	std::string suffix = suffix_for_file(i);
	source = dvd_path + install_name + "/" + v.path + suffix;
	char tail[32];
	snprintf(tail, sizeof(tail), "_%d", i);
	temp = temp_folder + v.sig_want + tail + suffix;
	destination = UTIL_local_path(v);
}

void dvd_unpack_task::do_it()
{
	if (step == 0) {
		step = 1;
		error_code = copy_file(source, temp);
		if (error_code)
			error_text = "I was unable to copy the file " + source + " from the DVD to the hard drive.";
		return;
	}
	if (error_code) return;
	std::string folder = destination.substr(0, destination.rfind('/') + 1);
	int code = UTIL_unpack(temp, destination);
	if (code) {
		error_code = code;
		error_text = "I was unable to unzip the file " + temp + " to the folder " + folder +
		             ".  (Original file was: " + source + ")";
		return;
	}
	if (destination.find("Contents/MacOS/") != std::string::npos) make_file_executable(destination);
	delete_file(temp);
	file_version_struct& v = sim_info[index].versions.back();
	v.sig_have = v.sig_want;
	v.up_to_date = v.sig_want == v.sig_have;
}

int dvd_unpack_task::check_error(std::string& msg)
{
	if (int err = retire_error(msg)) return err;
	msg = error_text;
	return error_code;
}

static void dvd_shutdown_hook() { install_files_kill(); }

static int want(int i) { return sim_info[i].versions.back().want_download; }
static int disk_of(int i) { return sim_info[i].versions.back().disk; }

int install_files(int& cursor, int disk)
{
	int count = (int)sim_info.size();
	if (!copy_pool) {
		// The unpackers set file times through mktime: the C library reads the
		// time zone on its first call, so read it here, once, on this thread.
		tzset();
		copy_pool = new UTL_worker_threads(1, dvd_set_limit);
		unzip_pool = new UTL_worker_threads(UTL_count_processors(), dvd_set_limit);
		THREAD_add_shutdown_hook(dvd_shutdown_hook);
	}
	while (cursor < count && !want(cursor)) ++cursor;
	while (cursor < count && copy_pool->has_free_slot()) {
		if (disk_of(cursor) != disk) break;
		if (want(cursor)) copy_pool->enqueue_task(new dvd_unpack_task(cursor, temp_path));
		++cursor;
	}
	while (unzip_pool->has_free_slot()) {
		UTL_work_task* t = copy_pool->check_retired_tasks();
		if (!t) break;
		std::string msg;
		// A task the copy set could not run must not be copied on an unpack thread.
		if (int err = t->retire_error(msg)) {
			install_err_num = err;
			install_err_msg = msg;
			delete t;
			return install_failed;
		}
		unzip_pool->enqueue_task(t);
	}
	while (UTL_work_task* t = unzip_pool->check_retired_tasks()) {
		install_err_num = t->check_error(install_err_msg);
		delete t;
		if (install_err_num) return install_failed;
	}
	bool outstanding = copy_pool->count_total_tasks() > 0 || unzip_pool->count_total_tasks() > 0;
	if (cursor >= count && !outstanding) {
		delete copy_pool;
		delete unzip_pool;
		copy_pool = unzip_pool = nullptr;
		return install_done;
	}
	if (cursor >= count || outstanding) return install_busy;
	return disk_of(cursor) != disk && want(cursor) ? install_need_disk : install_busy;
}

int install_files_get_error(std::string& text)
{
	text = install_err_msg;
	int n = install_err_num;
	install_err_num = 0;
	install_err_msg.clear();
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
}
