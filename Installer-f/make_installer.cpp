// The builder's writer: one archive per file, the directory file with the
// histories carried over from the previous release, discs and the marker file.
#include "make_installer.h"
#include "make_installer_deps.h"
#include "utils_internal.h"
#include "THREAD_service.h"
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

int   release_number = 92102;
int   dvd_now = 0;
float zip_size_dvd = 0;
float dvd_limit_kb = 7670000.0f;
volatile int make_installer_interrupted = 0;

// Histories by exact name: names that differ only in case are two files, and a
// rename in case alone tombstones the old spelling.
static std::map<std::string, int> sim_info_index;
static std::string prev_dir;

// Against the previous release: files new to it, files whose content changed,
// and the paths that left it (each with a note when the master still holds
// the file but the set cannot).
static int num_files_new = 0, num_files_changed = 0;
static std::vector<std::string> gone_files;

static bool contains(const std::string& s, const std::string& what) { return s.find(what) != std::string::npos; }
static std::vector<file_version_struct>& versions_of(size_t i) { return g_engine.sim_info[i].versions; }

static std::string num(int n)
{
	char buf[16];
	int_to_str(n, buf, 1, 0);
	return buf;
}

void chop_platform(std::string& path, int os)
{
	size_t slash = path.find('/');
	if (slash == std::string::npos) MI_STOP("Could not find the dir char!", path, "", "");
	static const char* tags[] = {"ALL_os", "APL_os", "IBM_os", "LIN_os"};
	std::string tag = (os >= 0 && os <= 3) ? tags[os] : "";
	path = tag + path.substr(slash);
}

int platform_code_for(const std::string& rel)
{
	std::string first = rel.substr(0, rel.find('/'));
	int code = -1;
	if (first == ALL_str) code = 0;
	else if (first == APL_str) code = 1;
	else if (first == WIN_str) code = 2;
	else if (first == LIN_str) code = 3;
	if (code != 0 || !contains(rel, "All/Resources/plugins/")) return code;
	static const struct { const char* name; int code; } plugins[] = {
		{"All/Resources/plugins/ZENK.shlb", 1}, {"All/Resources/plugins/ZenkWidgets.shlb", 1},
		{"All/Resources/plugins/ZENK.framework/ZENK", 1},
		{"All/Resources/plugins/ZenkWidgets.framework/ZenkWidgets", 1},
		{"All/Resources/plugins/PluginAdminMac.vnk", 1},
		{"All/Resources/plugins/ZENK.dll", 2}, {"All/Resources/plugins/ZenkWidgets.dll", 2},
		{"All/Resources/plugins/PluginAdminWin.vnk", 2},
		{"All/Resources/plugins/ZENK.so", 6}, {"All/Resources/plugins/ZenkWidgets.so", 6},
		{"All/Resources/plugins/PluginAdminLin.vnk", 6}};
	for (auto& p : plugins)
		if (contains(rel, p.name)) return p.code;
	return code;
}

static void write_file_line(int os, int version, float kb1, float kb2, const std::string& signature,
                            const std::string& name, const char* where)
{
	if (name.empty())
		MI_STOP("0-size filename!", "Now how am I supposed to deal with this?", where, name);
	ouf << "FILE 0 " << os << " " << version << " " << (long long)kb1 << " " << (long long)kb2 << " "
	    << signature << " " << name << "\n";
}

static std::string leaf(const std::string& path) { return path.substr(path.rfind('/') + 1); }
static std::string folder_of(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

static void dir_line(const std::string& folder)
{
	if (folder == prev_dir) return;
	prev_dir = folder;
	ouf << "\nDIR " << folder << "\n";
}

// The first signal stops the run at its next progress report; a second, sent
// while that one waits, ends the program at once.
static void on_interrupt(int sig)
{
	if (make_installer_interrupted) {
		(void)signal(sig, SIG_DFL);	// a valid signal: it cannot fail
		(void)raise(sig);	// the program ends here
	}
	make_installer_interrupted = 1;
}

void make_installer_say(const std::string& text)
{
	printf("%s\n", text.c_str());
	(void)fflush(stdout);	// the log below keeps it
	xer << text << "\n";
	xer.flush();
}

void make_installer_progress(const std::string& line1, const std::string& line2)
{
	printf("%s\n    %s\n", line1.c_str(), line2.c_str());
	(void)fflush(stdout);	// progress only
	if (make_installer_interrupted) {
		make_installer_interrupted = 0;
		MI_STOP("You hit Q dumbass!", "", "", "");
	}
}

// One file's archive, sizes and signature: made on a worker thread (or on the
// main thread when there are no workers), read back by the main thread in
// scan order. A disc set's pre-made 7z is linked by the main thread once the
// file's disc is known; the worker only signs the source.
class comp_task : public UTL_work_task {
public:
	std::string path;	// the source, as listed in comp_files
	std::string planned;	// archive path without suffix, on the disc current when it was handed out
	int         seven_zip;
	size_t      index = 0;	// its place in comp_files

	int         laa_err = 0, zip_err = 0, md5_err = 0;
	int64_t     zip_bytes = -1, src_bytes = -1;
	std::string sig;
	std::string log;	// the archive code's log lines, written out by the main thread

	comp_task(const std::string& p, const std::string& base, int z) : path(p), planned(base), seven_zip(z) {}
	void do_it() override;
};

static bool is_windows_exe(const std::string& path) { return contains(path, str_win_fold) && contains(path, ".exe"); }

// The installer takes 7z archives only from discs and only for global
// scenery; everything else, and every update set, is zipped.
static bool takes_seven_zip(const std::string& rel) { return build_type != 0 && contains(rel, "Global Scenery"); }

// Set when the run stops: workers skip what they have not started.
static int comp_cancelled = 0;

void comp_task::do_it()
{
	if (__atomic_load_n(&comp_cancelled, __ATOMIC_RELAXED)) return;
	io_log_capture capture;
	if (is_windows_exe(path)) laa_err = make_file_large_address_aware(path);
	if (!laa_err && seven_zip) {
		src_bytes = APL_file_size(path);
		md5_err = calc_file_md5(path, sig);
	} else if (!laa_err) {
		// the signature comes from the bytes the archive was made of
		zip_err = file_to_zip(path, planned + ".zip", &sig);
		if (!zip_err) {
			zip_bytes = APL_file_size(planned + ".zip");
			src_bytes = APL_file_size(path);
		}
	}
	log = capture.text.str();
}

// The rest of a file, on the main thread in scan order: its archive in place
// on its disc, its lines in the directory file, the disc cut.
static void comp_file_finish(comp_task& t)
{
	const std::string& path = t.path;
	std::string rel = path.substr(src_fold.size());
	std::string name = leaf(rel);
	std::string folder = folder_of(rel);
	if (!t.log.empty()) xer << t.log;

	// The worker ended without finishing: its own report first, when it sent one.
	std::string why;
	if (int e = t.check_error(why)) {
		make_installer_stop_workers();
		THREAD_check_exception(1);
		MI_STOP("I could not zip a file!", why.empty() ? error_str(e) : why, path, t.planned);
	}
	if (t.laa_err) {
		char buf[64];
		snprintf(buf, sizeof buf, "error# %f", (double)t.laa_err);
		MI_STOP("Oops! We could not make a windows exe file large-address-aware!", buf, path, "");
	}

	std::string base = dst_folder + sim_name + "/" + rel;
	std::string archive;
	if (t.seven_zip) {
		if (!file_exists(path + ".7z"))
			MI_STOP("ERROR: a global scenery file has no 7z archive beside it!", path + ".7z", "", "");
		archive = base + ".7z";
		if (link((path + ".7z").c_str(), archive.c_str()) != 0)
			MI_STOP("ERROR: could not make hard link!", path + ".7z", archive, "");
		t.zip_bytes = APL_file_size(archive);
	} else {
		archive = base + ".zip";
		if (t.zip_err) MI_STOP("I could not zip a file!", error_str(t.zip_err), path, t.planned + ".zip");
		// a disc was cut since the worker was handed the file: the archive moves to its own disc
		if (base != t.planned && rename((t.planned + ".zip").c_str(), archive.c_str()) != 0)
			MI_STOP("I could not zip a file!", error_str(errno), path, archive);
	}

	if (t.zip_bytes < 0) MI_STOP("ERROR: could not get file size!", archive, "", "");
	if (t.src_bytes < 0) MI_STOP("ERROR: could not get src file size!", path, "", "");
	float zip_kb = (float)(long long)(t.zip_bytes * 0.001);
	float src_kb = (float)(long long)(t.src_bytes * 0.001);
	zip_size_dvd += zip_kb;

	// A file without a signature must not enter the set: it would carry the
	// previous file's signature and every install of it would look modified.
	if (t.md5_err) MI_STOP("Could not MD5 file!", path, "", "");
	const std::string& sig = t.sig;

	dir_line(folder);

	int code = platform_code_for(rel);
	if (code < 0)
		MI_STOP("WHAT THE FUCK? I CAN'T TELL WHAT TYPE OF FILE THIS IS!", folder, rel.substr(0, rel.find('/')), "");

	std::string key = rel;
	chop_platform(key, code);
	auto it = sim_info_index.find(key);
	if (it == sim_info_index.end() || versions_of(it->second).back().sig_want == "GONE") ++num_files_new;
	else if (versions_of(it->second).back().sig_want != sig) ++num_files_changed;
	if (it != sim_info_index.end()) {
		auto& hist = versions_of(it->second);
		for (auto& v : hist)
			if (v.sig_want != sig && v.sig_want != "GONE")
				write_file_line(v.os, v.version, v.kb1, v.kb2, v.sig_want, name, "This is in the OLD file list.");
		hist.front().want_download = 0;
	}
	write_file_line(code, release_number, zip_kb, src_kb, sig, name, "This is in the NEW file loop");

	if (zip_size_dvd > dvd_limit_kb) {
		// a disc set has the folders of six discs: the files after this one need a seventh
		if (build_type != 0 && dvd_now == dvd_last_disc && (size_t)num_files_com + 1 < comp_files.size())
			MI_STOP("The set needs more than " + num(dvd_last_disc + 1) + " discs: the disc size is too small for it.",
			        "The last file on disc " + num(dvd_last_disc) + " is " + rel + ".",
			        "Give a larger disc size (make_release --disc-kb).", "");
		printf("Going to next disk - last file on disk %d was %s\n", dvd_now, name.c_str());
		zip_size_dvd = 0;
		++dvd_now;
		ouf << "DISK " << dvd_now << "\n";
		set_dest_dvd(dvd_now);
	}

	++num_files_com;
	if (num_files_com % 20 == 0)
		make_installer_progress("reg: " + num(reg) + ": total files to compress: " + num(num_files_use) +
		                        ". now doing: " + num(num_files_com) + ".", archive);
}

static comp_task* new_comp_task(const std::string& path)
{
	std::string rel = path.substr(src_fold.size());
	return new comp_task(path, dst_folder + sim_name + "/" + rel, takes_seven_zip(rel) ? 1 : 0);
}

void comp_file(std::string path)
{
	comp_task* t = new_comp_task(path);
	t->do_it();
	comp_file_finish(*t);
	delete t;
}

int make_installer_workers = -1;

// Files handed out ahead of the one the directory file waits for, per
// worker: enough to keep every worker busy behind a large file, few enough
// that what waits stays small however many files the set has.
enum { comp_ahead_per_worker = 4 };

static UTL_worker_threads*          comp_workers = nullptr;
static std::map<size_t, comp_task*> comp_done;	// back from the workers, waiting for their turn

void make_installer_stop_workers()
{
	if (!comp_workers) return;
	__atomic_store_n(&comp_cancelled, 1, __ATOMIC_RELAXED);
	while (UTL_work_task* t = comp_workers->wait_retired_tasks()) delete t;
	for (auto& d : comp_done) delete d.second;
	comp_done.clear();
	delete comp_workers;
	comp_workers = nullptr;
}

// Pass 1: every file of comp_files archived on the workers, finished in scan order.
static void comp_all_files()
{
	int n = make_installer_workers >= 0 ? make_installer_workers : UTL_count_processors();
	comp_cancelled = 0;
	if (n == 0) {
		for (const auto& f : comp_files) comp_file(f);
		return;
	}
	size_t ahead = (size_t)n * comp_ahead_per_worker;
	comp_workers = new UTL_worker_threads(n, (int)ahead);
	// Of the files the window holds, the largest goes first: a large file
	// handed out last would leave one worker busy long after the rest.
	std::multimap<int64_t, size_t, std::greater<int64_t>> waiting;	// bytes, place in comp_files
	size_t seen = 0, handed = 0, finished = 0;
	while (finished < comp_files.size()) {
		for (; seen < comp_files.size() && seen - finished < ahead; ++seen)
			waiting.emplace(APL_file_size(comp_files[seen]), seen);
		for (; !waiting.empty() && handed - finished < ahead; ++handed) {
			comp_task* t = new_comp_task(comp_files[waiting.begin()->second]);
			t->index = waiting.begin()->second;
			waiting.erase(waiting.begin());
			comp_workers->enqueue_task(t);
		}
		comp_task* t = (comp_task*)comp_workers->wait_retired_tasks();
		comp_done[t->index] = t;
		for (auto it = comp_done.find(finished); it != comp_done.end(); it = comp_done.find(finished)) {
			comp_task* next = it->second;
			comp_done.erase(it);
			comp_file_finish(*next);
			delete next;
			++finished;
		}
	}
	make_installer_stop_workers();
}

// The zipped directory must hold exactly the plain file before the plain file goes.
static bool zip_matches(const std::string& plain, const std::string& archive)
{
	char tmpl[] = "/tmp/vantor-dircheck-XXXXXX";
	if (!mkdtemp(tmpl)) return false;
	std::string dir = std::string(tmpl) + "/";
	std::string want, got;
	bool ok = zip_to_file(archive, dir, nullptr, 0) == 0 && calc_file_md5(plain, want) == 0 &&
	          calc_file_md5(dir + leaf(plain), got) == 0 && want == got;
	(void)recursive_delete_folder(dir);	// scratch in /tmp
	return ok;
}

// The output folders this run made and has not finished. Whatever ends the
// run before the set is whole removes them, so that the next run starts on a
// fresh output root as the first did.
static std::vector<std::string> unfinished_output;

static void remove_unfinished_output()
{
	for (auto& folder : unfinished_output)
		if (recursive_delete_folder(folder) != 0)
			fprintf(stderr, "I could not remove the unfinished set in %s\n", folder.c_str());
	unfinished_output.clear();
}

static bool exists(const std::string& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0;
}

// The output folders about to be made: an update set's root, which must be
// new; a disc set's root, or those of its discs that do not exist yet.
static void note_unfinished_output()
{
	static bool registered = false;
	if (!registered) atexit(remove_unfinished_output);
	registered = true;
	unfinished_output.clear();
	if (build_type == 0 || !exists(dst_fold_base)) {
		unfinished_output.push_back(dst_fold_base);
		return;
	}
	for (int disk = 0; disk <= dvd_last_disc; ++disk) {
		set_dest_dvd(disk);
		if (!exists(dst_folder)) unfinished_output.push_back(dst_folder);
	}
	set_dest_dvd(0);
}

// Files shown on the terminal of those the release drops; the log names all.
enum { gone_shown = 10 };

// What the set holds against the previous release, and what every update of
// a copy will delete: the maker sees it before publishing.
static void say_summary()
{
	std::string text = "The set holds " + num(num_files_com) + " files";
	if (build_type == 0)
		text += ": " + num(num_files_new) + " new, " + num(num_files_changed) + " changed and " +
		        num((int)gone_files.size()) + " gone against the previous release.";
	else
		text += ".";
	make_installer_say(text);
	if (gone_files.empty()) return;
	xer << "Gone, deleted from every copy by an update of this release:\n";
	for (auto& g : gone_files) xer << "Gone:\t" << UTL_log_safe(g) << "\n";
	text = "Gone, deleted from every copy by an update of this release:";
	for (size_t i = 0; i < gone_files.size() && i < gone_shown; ++i) text += "\n  " + UTL_log_safe(gone_files[i]);
	if (gone_files.size() > gone_shown)
		text += "\n... and " + num((int)(gone_files.size() - gone_shown)) +
		        " more: the log names every one on a line beginning \"Gone:\".";
	printf("%s\n", text.c_str());
	(void)fflush(stdout);	// the log names every one too
}

// A folder of the set that is there or made; any other failure stops the run.
static void need_folder(const std::string& path)
{
	const int e = make_folder(path);
	if (e != 0 && e != EEXIST) MI_STOP("Could not make a folder of the set!", path, error_str(e), "");
}

void sub_install()
{
	dst_folder = dst_fold_base;
	set_dest_dvd(0);
	std::string target = dst_folder + sim_name + "/";
	std::string dir_path = target + "directory.txt";
	std::string zip_path = target + "directory.txt.zip";
	std::string dvd_file = dst_folder + "dvd_version.txt";

	zip_size_dvd = 0;
	dvd_now = 0;
	prev_dir = "---";
	num_files_rec = num_files_use = num_files_com = 0;
	num_files_new = num_files_changed = 0;
	gone_files.clear();
	comp_paths.clear();
	comp_files.clear();
	g_engine.sim_info.clear();
	sim_info_index.clear();

	if (build_type == 0) {
		if (read_directory(old_dir_path, "Scanning old directory text file to get change log!") != 3)
			MI_STOP("I could not read the old directory!",
			        "This means that this installer will not delete old files (needed even for the Vantor / USA scenery install).",
			        "It also means I will forget to fix this, and release without an old directory, and think that older versions of stuff is all user-modified cause I don't recognize it!",
			        "So fix this.");
	} else {
		old_dir_path.clear();
	}

	int highest = 0;	// the previous directory's highest release number
	std::string highest_path;
	for (size_t i = 0; i < sim_info.size(); ++i) {
		auto& hist = versions_of(i);
		std::string key = hist.front().path;
		chop_platform(key, hist.front().os);
		if (sim_info_index.count(key))
			MI_STOP("WARNING: you appear to have a file TWICE in an old directory file.", "", "", hist.front().path);
		sim_info_index[key] = (int)i;
		hist.front().want_download = 1;
		for (auto& v : hist)
			if (v.version == release_number) {
				char buf[64];
				snprintf(buf, sizeof buf, "version_number %f", (double)release_number);
				MI_STOP("You idiot! I already have a version:", buf, "in file ", hist.front().path);
			} else if (v.version > highest) {
				highest = v.version;
				highest_path = v.path;
			}
	}
	// A number below one of the previous release's would come again in a later
	// release, and its lines would read as older than the ones they replace.
	if (highest > release_number)
		MI_STOP("The release number " + num(release_number) + " is not above the previous release's " + num(highest) + ":",
		        "in file " + highest_path,
		        "Each release needs a number above every one before it (make_release --release).", "");

	// An update set needs a fresh output root: told before the scan, as nothing is made yet.
	if (build_type == 0 && exists(dst_folder))
		MI_STOP("Could not make the dst_folder!", dst_folder, "THIS MAY SIMPLY BE BECAUSE THE FOLDER ALREADY EXISTS THOUGH!", "");

	// The whole master is checked before anything is written, and the run stops once on all it refuses.
	pref_level(src_fold);
	check_required_folders();
	stop_on_refusals();

	set_dest_dvd(0);	// the scan leaves it at the last disc's folder
	note_unfinished_output();
	if (build_type != 0) need_folder(dst_fold_base);	// the discs' folders lie in it
	int r1 = make_folder(dst_folder);
	int r2 = make_folder(target);
	if (build_type == 0) {
		if (r1 != 0) MI_STOP("Could not make the dst_folder!", dst_folder, "THIS MAY SIMPLY BE BECAUSE THE FOLDER ALREADY EXISTS THOUGH!", "");
		if (r2 != 0) MI_STOP("Could not make the target_folder!", target, "THIS MAY SIMPLY BE BECAUSE THE FOLDER ALREADY EXISTS THOUGH!", "");
	}

	(void)ouf_open(dir_path, 10001, 900, "no-copyright-string");	// a failure shows in ouf.fail() below
	ouf << "INSTALLER\n\n";

	set_dest_dvd(dvd_now);
	for (const auto& p : comp_paths) need_folder(p);

	comp_all_files();

	for (size_t i = 0; i < sim_info.size(); ++i) {
		auto& hist = versions_of(i);
		if (hist.front().want_download != 1) continue;
		if (is_good_file(src_fold + hist.front().path, 0, 0) == 0) continue;
		dir_line(folder_of(hist.front().path));
		for (auto& v : hist)
			write_file_line(v.os, v.version, v.kb1, v.kb2, v.sig_want, leaf(v.path), "This is in the OLD file list.");
		if (hist.back().sig_want != "GONE") {
			write_file_line(hist.back().os, release_number, 0, 0, "GONE", leaf(hist.back().path), "This is in the OLD file list.");
			const std::string& path = hist.back().path;
			gone_files.push_back(path + (master_empty_files.count(path)
				? " (emptied in the master: an empty file never enters a set)" : ""));
		}
	}

	ouf.close();
	bool dir_ok = !ouf.fail();

	(void)ouf_open(dvd_file, 10001, 900, "no-copyright-string");	// a failure shows in ouf.fail() below
	ouf << "DVD\n\n" << "VERSION " << sim_name << "\n";
	ouf.close();
	if (ouf.fail()) MI_STOP("Could not write the disc marker file!", dvd_file, "", "");
	if (!dir_ok) MI_STOP("Could not write the directory file!", dir_path, "", "");

	int zr = file_to_zip(dir_path, zip_path);
	if (zr != 0 || !zip_matches(dir_path, zip_path))
		MI_STOP("zip!=0", "", dir_path, zip_path);
	if (delete_file(dir_path) != 0) MI_STOP("del!=0", "", "", dir_path);
	unfinished_output.clear();
	say_summary();
}

void build_install()
{
	switch (build_type) {
	case 0: reg = 0; sim_name = "Vantor 9.21rc2"; break;
	case 1: reg = 0; sim_name = build_name[0]; break;
	case 2: reg = 1; sim_name = build_name[1]; break;
	case 3: reg = 2; sim_name = build_name[2]; break;
	default: return;
	}
	// an interrupted or closed run stops as "q" does, and takes its unfinished output with it
	for (int sig : {SIGINT, SIGTERM, SIGHUP}) (void)signal(sig, on_interrupt);	// valid signals: it cannot fail
	sub_install();
	__MACIBM_alert(0, "OK compression is done. Checklist if doing net:",
	               "Carry the release's version string and number into serverlist.txt and send it to the web server.",
	               "Upload the -NET uploads- folder stuff.",
	               "Extract directory.txt.zip to the next previous directory file for use next time.",
	               t_alert, "make_installer", __LINE__);
}
