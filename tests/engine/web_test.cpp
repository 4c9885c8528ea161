// The web install end to end: release sets made by make_release.py with the
// real zip tool, served by nginx on loopback; a second mirror refuses.
#include "engine_support.h"
#include "../support/test_servers.h"
#include "utils.h"
#include "utils_internal.h"
#include "utils_records.h"
#include "http.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "UTL_clock.h"
#include "PLAT_files.h"
#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <sstream>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

static const char* kGood = "127.0.0.31";
static const char* kRefusing = "127.0.0.32";	// nothing listens there
static const char* kFaulty = "127.0.0.81";	// the fault server's archive modes

class WebInstall : public EngineTest {
protected:
	TS_nginx    mirror;
	std::string out;

	void make_set(const std::string& kind)
	{
		out = dir + "set";
		ASSERT_EQ(0, sh("python3 '" VANTOR_SOURCE_DIR "/tests/engine/make_release.py' " + kind + " '" + out + "'"));
		ASSERT_TRUE(mirror.start(kGood, 80, out + "/mirror", dir + "nginx")) << mirror.error;
		g_engine.server_name[0] = kRefusing;
		g_engine.server_name[1] = kGood;
		g_engine.server_path[0] = g_engine.server_path[1] = "/vantor_92102/";
		g_engine.stg.num_servers = 2;
		g_engine.stg.sel_server = 0;
		sh("cp -a '" + out + "/copy' '" + copy_dir + "' 2>/dev/null || mkdir -p '" + copy_dir + "'");
	}

	// As the server-check screen does: fetch, unzip and read the directory file.
	void fetch_directory()
	{
		std::string local = temp_path + "directory.txt.zip";
		int r = 0;
		auto t0 = std::chrono::steady_clock::now();
		while ((r = http.net_check(1, kGood, "/vantor_92102/directory.txt.zip", local)) == 0) {
			xtim.xtim_update();
			ASSERT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 20);
		}
		ASSERT_EQ(1, r);
		ASSERT_EQ(0, zip_to_file(local, temp_path, nullptr, 0));
		delete_file(local);
		ASSERT_EQ(3, read_directory(temp_path + "directory.txt", ""));
	}

	void scan_and_choose() { web_scan_and_choose(); }
	int  pump(double limit_seconds) { return web_pump(limit_seconds); }

	void check_expectations()
	{
		std::istringstream in(read_file(out + "/expect.txt"));
		std::string what;
		int checked = 0;
		while (in >> what) {
			std::string md5, rel;
			if (what == "present") in >> md5;
			std::getline(in, rel);
			rel = rel.substr(1);
			std::string p = copy_dir + rel;
			if (what == "present") {
				EXPECT_EQ(md5, md5_file(p)) << rel;
			}
			if (what == "absent") {
				EXPECT_FALSE(exists(p)) << rel;
			}
			if (what == "dir_absent") {
				EXPECT_FALSE(exists(p)) << rel;
			}
			if (what == "dir_present") {
				EXPECT_TRUE(is_dir(p)) << rel;
			}
			if (what == "exec") {
				struct stat st;
				ASSERT_EQ(0, stat(p.c_str(), &st)) << rel;
				EXPECT_EQ(0755u, st.st_mode & 0777) << rel;
			}
			++checked;
		}
		EXPECT_GT(checked, 20);
	}

	int archives_left() { return atoi(sh_out("find '" + temp_path + "' -name '*.zip*' | wc -l").c_str()); }

	int streams_on()
	{
		int n = 0;
		for (int i = 0; i < http_stream_count; ++i) n += g_grab.streams[i].on;
		return n;
	}

	// The set on the mirror, its directory read and decided, every changed file kept.
	void ready_keeping_changes()
	{
		make_set("web");
		fetch_directory();
		g_prompt_rules = {{"/", select_keep}};
		scan_and_choose();
	}

	// The fault server as mirror 0, serving the set's archives in the given mode.
	void faulty_mirror(TS_fault_server& fs, const std::string& mode)
	{
		fs.root = out + "/mirror";
		ASSERT_TRUE(fs.start(kFaulty, 80, dir + "fault")) << fs.error;
		g_engine.server_name[0] = kFaulty;
		g_engine.server_path[0] = "/" + mode + "/vantor_92102/";
	}

	// The set ready as above, the fault server its only mirror.
	void only_faulty_mirror(TS_fault_server& fs, const std::string& mode)
	{
		ready_keeping_changes();
		faulty_mirror(fs, mode);
		g_engine.stg.num_servers = 1;
	}

	// The same for a row of a table: what the row before made is gone first.
	void afresh_only_faulty_mirror(TS_fault_server& fs, const std::string& mode)
	{
		sh("rm -rf '" + dir + "set' '" + copy_dir + "' '" + dir + "fault'");
		mirror.stop();
		only_faulty_mirror(fs, mode);
	}

	// Which listed file a path in the copy is.
	int file_of_local(const std::string& local)
	{
		for (int i = 0; i < (int)sim_info.size(); ++i)
			if (UTIL_local_path(copy_dir, sim_info[i].versions.back()) == local) return i;
		return -1;
	}
};

TEST_F(WebInstall, UpdatesACopyFromTwoMirrors)
{
	make_set("web");
	fetch_directory();
	g_prompt_rules = {{"changed_keep", select_keep}, {"changed_over", select_act}, {"obs_changed", select_keep}};
	scan_and_choose();
	EXPECT_EQ(3u, g_prompt_calls.size());
	EXPECT_GT(stg.files_to_install, 10);

	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	EXPECT_EQ(1, grab_pump.done);
	expect_release_or_failure(stg.extract_error);
	check_expectations();
	EXPECT_EQ(0, archives_left());
	EXPECT_GE(streams_on(), 1);
	EXPECT_LE(streams_on(), 4);
	EXPECT_EQ(0, delete_failures);
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		if (v.want_download) {
			EXPECT_EQ(v.sig_want, v.sig_have) << v.path;	// checked after unpacking
		}
	}

	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find("EXPANDING file " + copy_dir + "Resources/older.txt, with result=0."));
	EXPECT_NE(std::string::npos, log.find("CHMODING  file " + copy_dir + "Vantor.app/Contents/MacOS/Vantor, with result=0."));
	EXPECT_NE(std::string::npos, log.find("now we want to nuke a file: DELETING  file " + copy_dir +
	                                      "Old Stuff/deep/obsolete.txt, with result=0."));
	EXPECT_NE(std::string::npos, log.find("cleanup: DELETING  file " + copy_dir + "Old Stuff/, with result=0."));
	EXPECT_NE(std::string::npos, log.find("HTTP Error for"));	// the refusing mirror was tried first
	EXPECT_EQ(std::string::npos, log.find("plugins/flight.vnk  sig_want"));
	// the final check reads back no file as the run put it in place: only the
	// program it made executable after that, where the volume marks every change
	struct stat st;
	ASSERT_EQ(0, stat(copy_dir.c_str(), &st));
	if (PLAT_volume_marks_every_change(copy_dir, st.st_dev)) {
		EXPECT_EQ(1, count_of(log, " (1 read back).")) << log;
	}

	// A second look finds the copy current but for the file the user kept.
	for (auto& h : g_engine.sim_info) h.versions.back().sig_have.clear();
	g_prompt_calls.clear();
	int cursor = 0;
	float progress;
	while (!checksum_directory(copy_dir, cursor, 0, progress)) usleep(500);
	recalc_disk_sizes();
	EXPECT_EQ(1, stg.files_to_install);
	EXPECT_EQ(0, stg.files_to_delete);
}

TEST_F(WebInstall, FixedStreamCountAndDeletedFolders)
{
	ready_keeping_changes();
	g_engine.stg.stream_count = 1;
	EXPECT_EQ(1, pump(60));
	expect_release_or_failure(stg.extract_error);
	EXPECT_EQ(1, streams_on());
	EXPECT_FALSE(exists(copy_dir + "Old Stuff"));
	EXPECT_EQ(0, archives_left());
}

TEST_F(WebInstall, ArchiveThatWillNotUnpackEndsTheRunAsAFailure)
{
	make_set("web");
	std::string on_mirror = out + "/mirror/vantor_92102/All/Resources/bulk/file_03.dat.zip";
	sh("cp '" + on_mirror + "' '" + dir + "good.zip'");
	write_text(on_mirror, "this is not a zip archive at all");
	fetch_directory();
	g_prompt_rules = {{"/", select_keep}};
	scan_and_choose();
	g_engine.server_name[0] = kGood;
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(1, stg.extract_error);
	int bad = -1;
	for (int i = 0; i < (int)sim_info.size(); ++i)
		if (sim_info[i].versions.back().path == "All/Resources/bulk/file_03.dat") bad = i;
	ASSERT_GE(bad, 0);
	EXPECT_EQ(0, sim_info[bad].versions.back().up_to_date);
	EXPECT_EQ(grab_failed, grab_files(copy_dir));	// the run stays ended, a failure
	EXPECT_NE(std::string::npos, log_text().find("The installer cannot extract a file."));
	EXPECT_EQ(0, archives_left());

	// A new run starts clean and can finish once the mirror is mended.
	sh("cp '" + dir + "good.zip' '" + on_mirror + "'");
	grab_files_start();
	EXPECT_EQ(0, stg.extract_error);
	EXPECT_EQ(0, stg.download_error);
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	EXPECT_EQ(sim_info[bad].versions.back().sig_want, md5_file(copy_dir + "Resources/bulk/file_03.dat"));
	expect_release_or_failure(stg.extract_error);
}

// Both mirrors answer 404 for one file: the run installs every other file and
// does every deletion, then ends as failed naming that file; the next run has
// only that file to fetch.
TEST_F(WebInstall, FileNoMirrorHasIsNamedOnceEverythingElseIsDone)
{
	make_set("web");
	const std::string gone = "All/Resources/bulk/file_05.dat";
	const std::string on_mirror = out + "/mirror/vantor_92102/" + gone + ".zip";
	sh("mv '" + on_mirror + "' '" + dir + "kept.zip'");
	fetch_directory();
	g_prompt_rules = {{"/", select_keep}};
	scan_and_choose();
	g_engine.server_name[0] = kGood;
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_EQ(0, grab_pump.done);
	EXPECT_EQ(std::vector<std::string>{copy_dir + "Resources/bulk/file_05.dat"}, grab_failed_files);	// by its place in the copy
	int deletions = 0, installs = 0;
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		std::string rel = v.path;
		trim_dest_folder(rel);
		if (v.want_delete) {
			EXPECT_FALSE(exists(copy_dir + rel)) << rel;
			++deletions;
		}
		if (v.want_download && v.path != gone) {
			EXPECT_EQ(v.sig_want, md5_file(copy_dir + rel)) << rel;
			++installs;
		}
	}
	EXPECT_GE(deletions, 2);
	EXPECT_GT(installs, 10);
	EXPECT_FALSE(exists(copy_dir + "Old Stuff"));	// emptied folders went too
	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find("I could not download a file from any of the servers.\nFile: Resources/bulk/file_05.dat\n"
	                                      "None of the servers has this file."));
	EXPECT_NE(std::string::npos, log.find("Giving up on Resources/bulk/file_05.dat: no server has it."));
	// no alert per mirror while the run goes on: the end names the file once
	EXPECT_EQ(std::string::npos, log.find("File not found!")) << log;
	grab_outcome o = grab_run_outcome();
	EXPECT_EQ(1, o.not_on_servers);
	EXPECT_EQ(installs, o.installed);
	EXPECT_EQ(0, archives_left());
	for (int i = 0; i < http_stream_count; ++i) EXPECT_EQ(nullptr, http.transfer(http_slot_stream_first + i));

	// the next run, with the mirror mended, fetches that one file and nothing else
	sh("mv '" + dir + "kept.zip' '" + on_mirror + "'");
	for (auto& h : g_engine.sim_info) h.versions.back().sig_have.clear();
	size_t before = log_text().size();
	scan_and_choose();
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
	std::string rerun = log_text().substr(before);
	EXPECT_EQ(1, count_of(rerun, "EXPANDING file ")) << rerun;
	EXPECT_EQ(1, count_of(rerun, "EXPANDING file " + copy_dir + "Resources/bulk/file_05.dat,")) << rerun;
	EXPECT_EQ(0, count_of(rerun, "DELETING  file ")) << rerun;
}

// No server can be reached at all, for ten minutes: each stream asks again
// after a pause that doubles with each failure, up to half a minute, every
// pause is one that waits for the network, and no file is given up. Once a
// server answers, the run ends exact.
// The clock is the test's: the pauses are jumped over.
TEST_F(WebInstall, ServersOutOfReachAreAskedCalmlyForAsLongAsItTakes)
{
	ready_keeping_changes();
	g_engine.server_name[1] = kRefusing;
	bool back = false, for_network = true;
	EXPECT_EQ(1, web_pump_clocked(60, [&](float) {
		bool net = false;
		grab_pause_left(&net);
		for_network = for_network && (net || back);
		if (back || g_clock_jumped < 600) return;
		back = true;
		g_engine.server_name[1] = kGood;
	}));
	EXPECT_TRUE(back);
	EXPECT_TRUE(for_network);
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
	std::vector<std::string> pauses;	// stream 0's, longer after each failure
	std::string log = log_text();
	for (size_t at = log.find(": stream 0 tries again in "); at != std::string::npos;
	     at = log.find(": stream 0 tries again in ", at + 1))
		pauses.push_back(log.substr(at + 26, log.find(" s.", at) - at - 26));
	EXPECT_EQ((std::vector<std::string>{"1", "2", "4", "8", "16", "30", "30", "30"}),
	          std::vector<std::string>(pauses.begin(), pauses.begin() + std::min<size_t>(8, pauses.size())));
	EXPECT_EQ(0, count_of(log, "Giving up on ")) << log;
	EXPECT_TRUE(grab_failed_files.empty());
	EXPECT_EQ(0, archives_left());
}

// Every mirror goes away for a while in the middle of a run, and comes back:
// the run waits, then goes on with what is left and ends exact, each file
// fetched and unpacked once, none given up.
TEST_F(WebInstall, AnOutageOfEveryMirrorIsRiddenOut)
{
	ready_keeping_changes();
	int pauses = 0;
	mirror.stop();	// both refuse from the first request on
	EXPECT_EQ(1, web_pump_clocked(60, [&](float) {
		if (++pauses == 4) {
			g_engine.server_name[0] = kGood;	// both mirrors answer again
			ASSERT_TRUE(mirror.start(kGood, 80, out + "/mirror", dir + "nginx")) << mirror.error;
		}
	}));
	EXPECT_GE(pauses, 4);
	EXPECT_EQ(0, stg.extract_error);
	EXPECT_EQ(1, grab_pump.done);
	expect_release_or_failure(stg.extract_error);
	std::string log = log_text();
	EXPECT_EQ(0, count_of(log, "Giving up on ")) << log;
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		if (v.want_download) {
			EXPECT_EQ(1, count_of(log, "EXPANDING file " + UTIL_local_path(copy_dir, v) + ",")) << v.path;
		}
	}
	EXPECT_EQ(0, archives_left());
}

// The first transfer is cut short a second after it began, while the other
// stream installs the next files: none of those is asked for again, nor named
// as failed.
TEST_F(WebInstall, AFileInstalledInTheRunIsNeverFetchedAgain)
{
	TS_fault_server fs;
	only_faulty_mirror(fs, "cutfirst");
	EXPECT_EQ(1, web_pump_clocked(60));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
	EXPECT_TRUE(grab_failed_files.empty());
	std::map<std::string, int> asked;
	for (const std::string& head : fs.requests()) ++asked[head.substr(0, head.find(" HTTP/1.1"))];
	std::string log = log_text();
	int wanted = 0;
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		if (!v.want_download) continue;
		++wanted;
		EXPECT_EQ(1, count_of(log, "EXPANDING file " + UTIL_local_path(copy_dir, v) + ",")) << v.path;
	}
	size_t requests = 0;
	for (const auto& [line, n] : asked) {
		requests += n;
		EXPECT_LE(n, 2) << line;
	}
	EXPECT_EQ((size_t)wanted + 1, requests);	// the cut one, once more
}

// Bytes of the same length, none of them as they were.
static std::string other_bytes(const std::string& data)
{
	std::string o = data;
	for (char& c : o) c = (char)(c ^ 0x5a);
	return o;
}

// Between the unpacking and the finish, files the run installed are changed in
// each way another program can, and a file it deleted comes back: the final
// check names each one and the run ends as failed. The check reads back only
// what changed, so each row leaves to its identity as little as it can.
TEST_F(WebInstall, FinalCheckNamesWhatChangedSinceTheRunWroteIt)
{
	struct fault {
		const char*                              what;
		std::function<void(const std::string&, int)> make;	// the path, its file
	};
	auto in_place = [](const std::string& p) {	// the same size, the same inode
		std::string now = other_bytes(read_file(p));
		int fd = open(p.c_str(), O_WRONLY);
		ASSERT_GE(fd, 0) << p;
		ASSERT_EQ((ssize_t)now.size(), pwrite(fd, now.data(), now.size(), 0)) << p;
		close(fd);
	};
	const std::vector<fault> faults = {
		{"written over", [](const std::string& p, int) { write_text(p, "written over by something else"); }},
		{"rewritten in place, the same size", [&](const std::string& p, int) { in_place(p); }},
		{"another file of the same size and time renamed over it",
		 [](const std::string& p, int) {
			 write_text(p + ".new", other_bytes(read_file(p)));
			 ASSERT_EQ(0, sh("touch -r '" + p + "' '" + p + ".new' && mv '" + p + ".new' '" + p + "'"));
		 }},
		{"rewritten in place, then touched back to its old time",
		 [&](const std::string& p, int) {
			 struct stat st;
			 ASSERT_EQ(0, stat(p.c_str(), &st));
			 in_place(p);
			 const struct timespec old[2] = {st.st_atim, st.st_mtim};
			 ASSERT_EQ(0, utimensat(AT_FDCWD, p.c_str(), old, 0));
		 }},
		{"its identity not recorded, rewritten in place",
		 [&](const std::string& p, int f) {
			 g_grab.placed[f] = file_identity();
			 in_place(p);
		 }},
	};
	ready_keeping_changes();
	g_engine.server_name[0] = kGood;	// no failed transfer sends the cursor back over what was changed
	grab_files_start();
	std::map<std::string, std::string> changed;	// path, how
	std::set<int> seen;
	std::string undone;
	int r = 0;
	auto t0 = std::chrono::steady_clock::now();
	while (!(r = grab_files(copy_dir))) {
		xtim.xtim_update();
		ASSERT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 60);
		if (g_grab.checking) continue;	// only what changed before the check began counts
		for (int f : g_grab.written) {
			const std::string p = UTIL_local_path(copy_dir, sim_info[f].versions.back());
			if (changed.size() == faults.size() || !seen.insert(f).second || read_file(p).size() < 2) continue;
			const fault& x = faults[changed.size()];
			x.make(p, f);
			changed[p] = x.what;
		}
		for (int f : g_grab.deleted)
			if (undone.empty()) {
				undone = UTIL_local_path(copy_dir, sim_info[f].versions.back());
				write_text(undone, "back again");
			}
	}
	ASSERT_EQ(faults.size(), changed.size());
	ASSERT_FALSE(undone.empty());
	EXPECT_EQ(grab_failed, r);
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_EQ(0, grab_pump.done);
	std::set<std::string> named(grab_failed_files.begin(), grab_failed_files.end());
	std::string log = log_text();
	for (const auto& [p, how] : changed) {
		EXPECT_EQ(1u, named.count(p)) << how;
		EXPECT_NE(std::string::npos, log.find("After the run, " + p + ": its signature is " + md5_file(p))) << how;
	}
	EXPECT_EQ(changed.size() + 1, named.size());
	EXPECT_EQ(1u, named.count(undone));
	EXPECT_NE(std::string::npos, log.find("A file the installer wrote or deleted is no longer as the release has it."));
	EXPECT_NE(std::string::npos, log.find(std::to_string(changed.size()) + " more files failed the same way; the log names each one."));
	EXPECT_NE(std::string::npos, log.find("After the run, " + undone + ": it is still there."));
	EXPECT_EQ(0, archives_left());

	// untouched, the same run is checked and ends well
	for (auto& h : g_engine.sim_info) h.versions.back().sig_have.clear();
	scan_and_choose();
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	EXPECT_EQ(1, grab_pump.done);
	expect_release_or_failure(stg.extract_error);
}

// Back while the final check runs, then Next: the next run checks what the
// first one wrote as its own, so a file changed in between is named and the
// run is no success.
TEST_F(WebInstall, BackDuringTheFinalCheckDoesNotSkipIt)
{
	ready_keeping_changes();
	g_engine.server_name[0] = kGood;
	grab_files_start();
	auto t0 = std::chrono::steady_clock::now();
	while (!g_grab.checking) {
		xtim.xtim_update();
		ASSERT_EQ(0, grab_files(copy_dir));
		ASSERT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 60);
	}
	ASSERT_FALSE(g_grab.written.empty());
	const size_t wrote = g_grab.check_files.size();
	std::string changed = UTIL_local_path(copy_dir, sim_info[*g_grab.written.begin()].versions.back());
	grab_files_start();	// Back, as the install screens do
	write_text(changed, "changed while the user went back");
	ASSERT_EQ(1, choose_files(copy_dir));	// Next
	ASSERT_EQ(0, make_dirs(copy_dir));
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_EQ(0, grab_pump.done);
	EXPECT_EQ(std::vector<std::string>{changed}, grab_failed_files);
	std::string log = log_text();
	EXPECT_EQ(0, count_of(log, "Checked the 0 files")) << log;
	EXPECT_NE(std::string::npos, log.find("Checked the " + std::to_string(wrote) + " files")) << log;

	// untouched since, the next run checks it all and ends well
	for (auto& h : g_engine.sim_info) h.versions.back().sig_have.clear();
	scan_and_choose();
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
}

// A mirror that stops sending in the middle of a file: after a few seconds of
// nothing the file shown is said to wait for that server, not to stand at a share.
TEST_F(WebInstall, AStalledMirrorIsNamedAsWaitedFor)
{
	ready_keeping_changes();
	TS_fault_server fs;
	ASSERT_TRUE(fs.start(kFaulty, 80, dir + "fault")) << fs.error;
	g_engine.server_name[0] = kFaulty;
	g_engine.server_path[0] = "/stall/100000/";	// half of each body, then silence
	g_engine.stg.num_servers = 1;
	g_grab.streams[1].on = 0;
	grab_files_start();
	g_grab.streams[1].on = 0;	// one stream: the file shown is its own
	xtim.xtim_update();
	const float base = xtim.elapsed;
	float ahead = 0;
	std::string server;
	auto t0 = std::chrono::steady_clock::now();
	while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(20)) {
		xtim.elapsed = base + std::chrono::duration<float>(std::chrono::steady_clock::now() - t0).count() + ahead;
		ASSERT_EQ(0, grab_files(copy_dir));
		down_class* d = http.transfer(http_slot_stream_first);
		// the whole half has come (it may come in several reads): nothing more will
		if (stg.action == action_download && d && d->bytes_received >= 50000 && ahead == 0) {
			EXPECT_LT(grab_shown_quiet(server), 1.0f);	// bytes came just now
			ahead = 6;	// the clock moves on: nothing more comes
			continue;
		}
		if (ahead > 0) break;
		usleep(1000);
	}
	ASSERT_GT(ahead, 0);
	EXPECT_GE(grab_shown_quiet(server), 5.0f);
	EXPECT_EQ(kFaulty, server);
	EXPECT_EQ(0, stg.download_error);	// still waiting, nothing failed yet
	const int f = file_of_local(copy_dir + crnt_file_path);	// the file shown by its place in the copy
	ASSERT_GE(f, 0) << crnt_file_path;
	// past the stall limit it fails: the server stopped sending, it did answer
	xtim.elapsed += http_stall_seconds;
	ASSERT_EQ(0, grab_files(copy_dir));
	EXPECT_EQ(1, stg.download_error);
	std::string file;
	const grab_attempt& a = grab_last_attempt(file);
	EXPECT_EQ(crnt_file_path, file);
	EXPECT_EQ(http_failed_silent, a.transfer.kind);
	EXPECT_TRUE(a.transfer.answered);
	EXPECT_EQ(http_side_server, a.transfer.side());
}

// The fault server as mirror 0 answers 503 to everything; nginx as mirror 1
// serves the release. One file arrives and the copy cannot take it: it is
// not fetched again from nginx, the 503 mirror is asked a bounded number of
// times, and the run ends naming that file with why; every other file is in.
TEST_F(WebInstall, AFileTheCopyCannotTakeIsNamedWithWhyWhileTheOtherMirrorAnswers503)
{
	const struct {
		const char* how;
		std::string place;	// the file, in the copy
		int         code;
		std::function<void()> make;
	} ways[] = {
		{"a folder on its way is a link out of the copy", "Aircraft/New Plane/plane file.acf", err_path_outside,
		 [this] {
			 ASSERT_EQ(0, sh("mkdir -p '" + dir + "outside/Aircraft' && ln -s '" + dir + "outside/Aircraft' '" + copy_dir +
			                 "Aircraft'"));
		 }},
		{"its archive holds the file's name in another case", "Resources/bulk/file_03.dat", err_archive_no_entry,
		 [this] {
			 const std::string zip = out + "/mirror/vantor_92102/All/Resources/bulk/file_03.dat.zip";
			 ASSERT_EQ(0, sh("mkdir -p '" + dir + "case' && cd '" + dir + "case' && unzip -q -o '" + zip +
			                 "' && mv file_03.dat FILE_03.dat && rm '" + zip + "' && zip -q -X '" + zip + "' FILE_03.dat"));
		 }},
	};
	for (const auto& way : ways) {
		SCOPED_TRACE(way.how);
		const size_t from = log_text().size();	// this row's part of the log
		sh("rm -rf '" + dir + "set' '" + dir + "outside' '" + copy_dir + "' '" + dir + "fault'");
		mirror.stop();
		make_set("web");
		way.make();
		if (HasFatalFailure()) return;
		fetch_directory();
		g_prompt_rules = {{"/", select_keep}};
		scan_and_choose();
		TS_fault_server fs;
		faulty_mirror(fs, "status/503");
		ASSERT_EQ(1, web_pump_clocked(60)) << "the run never ended";
		EXPECT_EQ(1, stg.extract_error);
		EXPECT_EQ(std::vector<std::string>{copy_dir + way.place}, grab_failed_files);
		const std::string log = log_text().substr(from);
		EXPECT_NE(std::string::npos, log.find("Not installed: " + way.place + " (it came, and the copy could not take it: " +
		                                      error_str(way.code))) << log;
		// nginx sent it once, and is not asked for it again
		EXPECT_EQ(1, count_of(log, "EXPANDING file " + copy_dir + way.place + ",")) << log;
		int asked = 0;
		for (const std::string& head : fs.requests()) asked += head.find(way.place.substr(way.place.rfind('/') + 1)) != std::string::npos;
		EXPECT_LE(asked, grab_rounds_per_file) << "the 503 mirror";
		int wanted = 0;
		for (auto& h : sim_info) wanted += h.versions.back().want_download;
		EXPECT_EQ(wanted - 1, grab_run_outcome().installed);
		EXPECT_EQ(failed_copy, grab_run_outcome().not_placed.why);
		fs.stop();
		sh("rm -f '" + copy_dir + "Aircraft'");
	}
}

// The only mirror answers every file at once and delivers none: a redirect
// (never followed), or its head and then a close. Each file is asked a few
// times, never as if the network were down, and the run ends naming each one.
TEST_F(WebInstall, ASoleMirrorThatAnswersButDoesNotDeliverIsNamedNeverTheNetwork)
{
	for (const char* mode : {"redirect", "headclose"}) {
		SCOPED_TRACE(mode);
		TS_fault_server fs;
		afresh_only_faulty_mirror(fs, mode);
		bool waited_for_network = false;
		ASSERT_EQ(1, web_pump_clocked(60, [&](float) {
			bool net = false;
			grab_pause_left(&net);
			waited_for_network = waited_for_network || net;
		})) << "the run never ended";
		EXPECT_FALSE(waited_for_network);
		EXPECT_EQ(1, stg.extract_error);
		std::set<std::string> named(grab_failed_files.begin(), grab_failed_files.end()), wanted;
		std::map<std::string, int> asked;
		for (const std::string& head : fs.requests()) ++asked[head.substr(0, head.find(" HTTP/1.1"))];
		for (auto& h : sim_info) {
			const file_version_struct& v = h.versions.back();
			if (!v.want_download) continue;
			wanted.insert(UTIL_local_path(copy_dir, v));
			EXPECT_LE(asked["GET /" + std::string(mode) + "/vantor_92102/" + v.path + ".zip"], grab_rounds_per_file) << v.path;
		}
		EXPECT_EQ(wanted, named);
		const std::string log = log_text();
		EXPECT_EQ(0, count_of(log, "No answer for ")) << log;	// a failure with no answer at all
		EXPECT_EQ(0, count_of(log, "left for the next run")) << log;
		EXPECT_NE(std::string::npos, log.find("The servers answered, but would not deliver it.")) << log;
		EXPECT_EQ(failed_transfer, grab_run_outcome().not_sent.why);
		fs.stop();
	}
}

// HTTP/1.1 answers in chunks, and HTTP/1.0 ones that only the close ends:
// the copy is the release.
TEST_F(WebInstall, ChunkedAndCloseDelimitedAnswersInstallExact)
{
	for (const char* mode : {"chunks", "closed"}) {
		SCOPED_TRACE(mode);
		TS_fault_server fs;
		afresh_only_faulty_mirror(fs, mode);
		EXPECT_EQ(1, pump(60));
		EXPECT_EQ(0, stg.extract_error);
		expect_release_or_failure(stg.extract_error);
		EXPECT_EQ(0, count_of(log_text(), "HTTP Error for "));
		fs.stop();
	}
}

// A listed path with "." segments is the file where they lead, and installs;
// one that climbs out of the copy is refused, named at the run's end, and
// the run is no success.
TEST_F(WebInstall, ListedPathsAreTakenAsTheyLeadAndOnesThatLeaveFailTheRun)
{
	make_set("web");
	const std::string rel = out + "/mirror/vantor_92102/";
	const std::string data = "a file listed through dot segments\n";
	ASSERT_EQ(0, sh("mkdir -p '" + dir + "odd' '" + rel + "All/Resources/odd' && cd '" + dir + "odd' && printf '%s' '" + data +
	                "' > dot.txt && zip -q -X '" + rel + "All/Resources/odd/dot.txt.zip' dot.txt && unzip -q -o '" + rel +
	                "directory.txt.zip' && printf '\\nDIR All/Resources/./odd/./\\nFILE 0 0 92102 1 1 " + md5_text(data) +
	                " dot.txt\\nDIR All/Resources/../../\\nFILE 0 0 92102 1 1 " + md5_text(data) +
	                " escape.txt\\n' >> directory.txt && rm '" + rel + "directory.txt.zip' && zip -q -X '" + rel +
	                "directory.txt.zip' directory.txt"));
	fetch_directory();
	g_prompt_rules = {{"/", select_keep}};
	scan_and_choose();
	g_engine.server_name[0] = kGood;
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(data, read_file(copy_dir + "Resources/odd/dot.txt"));
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_EQ(0, grab_pump.done);
	EXPECT_EQ(std::vector<std::string>{copy_dir + "Resources/../../escape.txt"}, grab_failed_files);
	EXPECT_FALSE(exists(dir + "escape.txt"));
	EXPECT_NE(std::string::npos, log_text().find("Not installed: All/Resources/../../escape.txt (the release lists it at a "
	                                             "path this installer cannot take: it would leave the install folder)."));
	EXPECT_EQ(1, grab_run_outcome().not_listable);
}

// Every mirror goes quiet in the middle of the run, transfers under way and
// new connections alike, for three minutes, as behind a router that
// restarts; then they send again. The run waits for the network, gives up no
// file, and ends exact, each file unpacked once. The clock is the test's: it
// runs fast while nothing comes.
TEST_F(WebInstall, AFreezeOfEveryMirrorMidTransferIsRiddenOut)
{
	ready_keeping_changes();
	TS_fault_server fs;
	const std::string switch_file = dir + "switch";
	write_text(switch_file, "up");
	fs.files = out + "/mirror";
	fs.switch_file = switch_file;
	fs.rate = 40000;	// the larger files take a while
	ASSERT_TRUE(fs.start(kFaulty, 80, dir + "fault", 200)) << fs.error;
	g_engine.server_name[0] = g_engine.server_name[1] = kFaulty;
	xtim.xtim_update();
	const float base = xtim.elapsed;
	float jumped = 0, frozen_at = -1;
	bool thawed = false, network_only = true;
	grab_files_start();
	auto t0 = std::chrono::steady_clock::now();
	int r = grab_running;
	while ((r = grab_files(copy_dir)) == grab_running) {
		const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
		ASSERT_LT(real, 90) << "the run never ended";
		xtim.elapsed = base + (float)real + jumped;
		if (frozen_at < 0 && count_of(log_text(), "EXPANDING file ") >= 3) {
			write_text(switch_file, "silent");
			frozen_at = xtim.elapsed;
		}
		if (frozen_at >= 0 && !thawed) {
			if (xtim.elapsed - frozen_at > 180) {
				write_text(switch_file, "up");
				thawed = true;
			} else {
				bool net = false;
				if (grab_pause_left(&net) > 0) network_only = network_only && net;
				jumped += 1;	// nothing comes: the clock runs on
				usleep(2000);
				continue;
			}
		}
		float pause = grab_pause_left();
		if (pause > 0) jumped += pause + 0.001f;
		else grab_files_wait(2);
	}
	ASSERT_TRUE(thawed);
	EXPECT_TRUE(network_only);
	EXPECT_EQ(grab_done, r);
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
	const std::string log = log_text();
	EXPECT_EQ(0, count_of(log, "Giving up on ")) << log;
	EXPECT_GT(count_of(log, "No answer for "), 0) << log;	// the freeze was met, and waited out
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		if (v.want_download) {
			EXPECT_EQ(1, count_of(log, "EXPANDING file " + UTIL_local_path(copy_dir, v) + ",")) << v.path;
		}
	}
	EXPECT_EQ(0, archives_left());
}

TEST_F(WebInstall, EmptyListAndSkippedFiles)
{
	sh("mkdir -p '" + copy_dir + "'");
	g_engine.stg.num_servers = 1;
	EXPECT_EQ(1, pump(5));	// both streams start past the end
	ASSERT_EQ(3, load_directory(dir, "DIR V/\nFILE 0 0 92102 1 1 11111111111111111111111111111111 a\n"
	                                 "FILE 0 2 92102 1 1 11111111111111111111111111111111 b\n"));
	g_engine.sim_info[0].versions.back().up_to_date = 1;
	grab_files_start();
	EXPECT_EQ(0, grab_files(copy_dir));	// stream 0 skips a, stream 1 skips b
	EXPECT_EQ(3, stg.action);
	EXPECT_EQ(1, grab_files(copy_dir));
}

TEST_F(WebInstall, WrongContentOnceIsFetchedAgainAndTheCopyIsExact)
{
	TS_fault_server fs;
	only_faulty_mirror(fs, "wrongonce");	// every archive: another file's worth first, then the real one
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		if (v.want_download) {
			EXPECT_EQ(1, v.up_to_date) << v.path;
			EXPECT_EQ(v.sig_want, v.sig_have) << v.path;
		}
	}
	std::string log = log_text();
	EXPECT_GT(count_of(log, ", not the listed "), 0);	// the wrong copies were refused
	EXPECT_EQ(0, archives_left());
}

TEST_F(WebInstall, MirrorThatAlwaysSendsWrongContentEndsTheRunNamingEachFile)
{
	TS_fault_server fs;
	only_faulty_mirror(fs, "wrongalways");
	std::map<std::string, std::string> before;	// what the copy held where each file goes
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		std::string at = UTIL_local_path(copy_dir, v);
		if (v.want_download) before[at] = exists(at) ? md5_file(at) : "absent";
	}
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(1, stg.extract_error);
	// wrong bytes never take a listed file's place: an older file stays, so
	// the next run finds it as the release once had it and asks nothing
	for (const auto& [at, sig] : before) EXPECT_EQ(sig, exists(at) ? md5_file(at) : "absent") << at;
	int wanted = 0;
	for (auto& h : sim_info) wanted += h.versions.back().want_download;
	ASSERT_EQ((size_t)wanted, grab_failed_files.size());	// each one named
	int bad = file_of_local(grab_failed_files[0]);
	ASSERT_GE(bad, 0) << grab_failed_files[0];
	const file_version_struct& v = sim_info[bad].versions.back();
	EXPECT_EQ(0, v.up_to_date);
	EXPECT_NE(v.sig_want, v.sig_have);
	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find("Every copy the servers sent differs from the release."));
	EXPECT_NE(std::string::npos, log.find(grab_failed_files[0]));
	EXPECT_NE(std::string::npos, log.find(std::to_string(wanted - 1) + " more files failed the same way"));
	// nothing wrong was counted as installed
	for (auto& h : sim_info) {
		EXPECT_FALSE(h.versions.back().want_download && h.versions.back().up_to_date) << h.versions.back().path;
	}
	EXPECT_EQ(0, archives_left());
}

// Mirror 0 refuses: a stream that failed there asks the other mirror next,
// whatever the random draw, and the run then installs every file.
TEST_F(WebInstall, AMirrorThatFailedIsNotAskedNext)
{
	ready_keeping_changes();
	for (unsigned seed = 1; seed <= 8; ++seed) {
		srand(seed);
		grab_files_start();
		g_grab.streams[1].on = 0;	// one stream, so that the draw seen is its own
		g_engine.stg.sel_server = 0;
		auto t0 = std::chrono::steady_clock::now();
		while (!stg.download_error && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(60)) {
			xtim.xtim_update();
			ASSERT_EQ(0, grab_files(copy_dir));
		}
		ASSERT_EQ(1, stg.download_error);
		EXPECT_EQ(1, stg.sel_server) << "seed " << seed;
	}
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
}

TEST(ServerPick, ARetryLeavesTheFailedServerOutAndKeepsTheBias)
{
	srand(5);
	EXPECT_EQ(0, UTIL_pick_server(1, 0, pick_towards_top));
	EXPECT_EQ(0, UTIL_pick_server(0, 0, pick_towards_top));
	for (int i = 0; i < 100; ++i) EXPECT_EQ(1, UTIL_pick_server(2, 0, pick_towards_top));
	int counts[4] = {0, 0, 0, 0};
	for (int i = 0; i < 30000; ++i) {
		int k = UTIL_pick_server(4, 2, pick_towards_top);
		ASSERT_GE(k, 0);
		ASSERT_LT(k, 4);
		++counts[k];
	}
	EXPECT_EQ(0, counts[2]) << "the server that just failed";
	EXPECT_GT(counts[0], counts[1]);
	EXPECT_GT(counts[1], counts[3]);
	EXPECT_GT(counts[3], 0);
}

TEST_F(WebInstall, BadArchiveFromOneMirrorIsFetchedFromTheOther)
{
	ready_keeping_changes();
	TS_fault_server fs;
	faulty_mirror(fs, "badzip");	// mirror 0: half of each archive; mirror 1 (nginx): the real ones
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
	const std::string log = log_text();
	const size_t at = log.find("The installer cannot extract a file: ");
	EXPECT_NE(std::string::npos, at);
	// a small archive never lay in the run folder, and the log names none there
	const std::string line = at == std::string::npos ? "" : log.substr(at, log.find('\n', at) - at);
	EXPECT_NE(std::string::npos, line.find(" (received into memory) to ")) << line;
	EXPECT_EQ(std::string::npos, line.find("vantor-run-")) << line;
	EXPECT_EQ(0, archives_left());
}

TEST_F(WebInstall, StreamCountOutsideItsRangeStillFetchesEveryFile)
{
	ready_keeping_changes();
	g_engine.stg.stream_count = -1;	// as an edited preference file left it
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
	EXPECT_GE(streams_on(), 1);
}

// The other installer of the test below: this program run a second time, it
// takes the copy's lock and holds it until told to let go.
TEST(CopyLock, HeldByAnotherInstaller)
{
	const char* copy = getenv("VANTOR_TEST_HOLD_COPY");
	const char* signals = getenv("VANTOR_TEST_HOLD_SIGNALS");
	if (!copy || !signals) GTEST_SKIP() << "only as the second process of WebInstall.SecondInstallerOnTheSameCopyIsToldItIsBusy";
	ASSERT_EQ(0, UTIL_lock_copy(copy));
	write_text(std::string(signals) + "held", "");
	for (int i = 0; i < 1200 && !exists(std::string(signals) + "release"); ++i) usleep(100000);	// a hang guard
	UTIL_unlock_copy();
}

TEST_F(WebInstall, SecondInstallerOnTheSameCopyIsToldItIsBusy)
{
	make_set("web");
	fetch_directory();
	g_prompt_rules = {{"/", select_keep}};
	char self[4096];
	ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
	ASSERT_GT(n, 0);
	self[n] = 0;
	sh("VANTOR_TEST_HOLD_COPY='" + copy_dir + "' VANTOR_TEST_HOLD_SIGNALS='" + dir + "' '" + self +
	   "' --gtest_filter=CopyLock.HeldByAnotherInstaller >'" + dir + "holder.log' 2>&1 &");
	for (int i = 0; i < 600 && !exists(dir + "held"); ++i) usleep(100000);
	ASSERT_TRUE(exists(dir + "held")) << read_file(dir + "holder.log");

	auto tree = [&] {
		return sh_out("cd '" + copy_dir + "' && find . -printf '%p %y %s %m %l\\n' | sort && find . -type f -exec md5sum {} + | sort");
	};
	std::string before = tree();
	int cursor = 0;
	float progress;
	while (!checksum_directory(copy_dir, cursor, 0, progress)) usleep(500);
	recalc_disk_sizes();
	ASSERT_EQ(1, choose_files(copy_dir));
	EXPECT_EQ(copy_busy, make_dirs(copy_dir));
	EXPECT_EQ(1, pump(60));	// a run that skips the folders is refused as well
	EXPECT_EQ(1, stg.extract_error);
	delete_files(copy_dir);
	EXPECT_EQ(before, tree());	// nothing touched
	EXPECT_GE(count_of(log_text(), "Another installer is working on this copy of Vantor right now."), 2);
	EXPECT_EQ(0, archives_left());

	// once the other one has finished, this one installs
	write_text(dir + "release", "");
	int err = copy_busy;
	for (int i = 0; i < 600 && (err = UTIL_lock_copy(copy_dir)) == copy_busy; ++i) usleep(100000);
	ASSERT_EQ(0, err);
	EXPECT_EQ(0, make_dirs(copy_dir));
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
}
