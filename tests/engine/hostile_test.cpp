// Hostile releases made by tests/files/make_hostile.py, served by nginx on
// loopback and installed by the engine into a copy inside a stand-in home:
// whatever the archives hold, nothing outside the copy changes.
#include "engine_support.h"
#include "../support/test_servers.h"
#include "utils.h"
#include "utils_internal.h"
#include "http.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "UTL_clock.h"
#include <chrono>
#include <fstream>
#include <functional>
#include <sys/statvfs.h>

static const char* kHost = "127.0.0.71";

class HostileMirror : public EngineTest {
protected:
	TS_nginx    mirror;
	std::string home, www, saved_home;

	void SetUp() override
	{
		EngineTest::SetUp();
		home = dir + "home/";
		www = dir + "www/";
		copy_dir = home + "Vantor 9/";
		saved_home = getenv("HOME") ? getenv("HOME") : "";
		setenv("HOME", home.c_str(), 1);
		sh("mkdir -p '" + home + ".config/autostart' '" + home + "Documents' '" + copy_dir + "Resources' '" + www +
		   "' '" + dir + "beside'");
		write_text(home + ".config/autostart/mine.desktop", "[Desktop Entry]\n");
		write_text(home + "Documents/notes.txt", "notes\n");
		write_text(home + "victim.txt", "the user's own file, outside the copy\n");
		write_text(dir + "beside/file.txt", "beside the home\n");
		ASSERT_TRUE(mirror.start(kHost, 80, www, dir + "nginx")) << mirror.error;
		g_engine.server_name[0] = kHost;
		g_engine.server_path[0] = "/vantor_92102/";
		g_engine.stg.num_servers = 1;
		g_engine.stg.sel_server = 0;
		g_prompt_rules = {{"/", select_keep}};
	}

	void TearDown() override
	{
		mirror.stop();
		setenv("HOME", saved_home.c_str(), 1);
		EngineTest::TearDown();
	}

	// Every item of the home and beside it, but the copy: kind, size, link text, MD5.
	std::string outside()
	{
		return sh_out("cd '" + dir + "' && find home beside -path 'home/Vantor 9' -prune -o -printf '%p %y %s %l\\n' | sort && "
		              "find home beside -path 'home/Vantor 9' -prune -o -type f -print0 | sort -z | xargs -0 md5sum");
	}

	// Fetches the release's directory archive and unpacks it as the web flows do; 0 or the code.
	int fetch_directory()
	{
		std::string local = UTIL_run_folder() + "directory.txt.zip";
		int r = 0;
		auto t0 = std::chrono::steady_clock::now();
		while ((r = http.net_check(1, kHost, "/vantor_92102/directory.txt.zip", local)) == 0) {
			xtim.xtim_update();
			if (each_step) each_step();
			if (std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() > 30) return -3;
		}
		if (r != 1) return -3;
		int err = UTIL_unpack_directory(local);
		if (each_step) each_step();
		delete_file(local);
		return err;
	}

	int directory_error = 0;
	std::function<void()> each_step;	// called between the steps of a run

	// Puts the copy and the temporary folder on the small disk; `most` then
	// takes the most bytes it held between the steps of a run.
	bool watch_disk(const small_disk& disk, uint64_t& most)
	{
		copy_dir = disk.path + "Vantor 9/";
		g_engine.temp_path = disk.path + "temp/";
		sh("mkdir -p '" + copy_dir + "Resources' '" + temp_path + "'");
		struct statvfs empty;
		if (statvfs(disk.path.c_str(), &empty) != 0) return false;
		std::string path = disk.path;
		each_step = [path, empty, &most] {
			struct statvfs now;
			if (statvfs(path.c_str(), &now) == 0 && empty.f_bfree > now.f_bfree)
				most = std::max<uint64_t>(most, (uint64_t)(empty.f_bfree - now.f_bfree) * now.f_frsize);
		};
		return true;
	}

	// Puts the release on the mirror and installs it as the web flows do; the pump's result.
	int install(const std::string& kind)
	{
		std::string set = dir + "set-" + kind;
		if (sh("python3 '" VANTOR_SOURCE_DIR "/tests/files/make_hostile.py' release " + kind + " '" + set + "'") != 0 ||
		    sh("rm -rf '" + www + "vantor_92102' && cp -a '" + set + "/mirror/vantor_92102' '" + www + "'") != 0)
			return -2;
		directory_error = fetch_directory();
		if (directory_error || read_directory(UTIL_run_directory_file(), "") != 3) return -4;
		int r = 0;
		int cursor = 0;
		float progress;
		while (!checksum_directory(copy_dir, cursor, 0, progress)) usleep(500);
		recalc_disk_sizes();
		if (choose_files(copy_dir) != 1 || make_dirs(copy_dir) != 0) return -5;
		grab_files_start();
		auto t0 = std::chrono::steady_clock::now();
		while (!(r = grab_files(copy_dir))) {
			xtim.xtim_update();
			if (each_step) each_step();
			if (std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() > 60) return -1;
		}
		return 1;	// ended: stg.extract_error tells how
	}
};

// A link that looks inside by its text but climbs out through another link is
// refused; the later release then writes and deletes only inside the copy.
TEST_F(HostileMirror, ChainedLinksNeverReachOutsideTheCopy)
{
	std::string before = outside();
	for (const char* chain : {"chain_dots", "chain_links"}) {
		SCOPED_TRACE(chain);
		EXPECT_EQ(1, install(chain));
		EXPECT_EQ(1, stg.extract_error);	// the run says it failed
		EXPECT_FALSE(exists(copy_dir + "Resources/a"));
		EXPECT_NE(std::string::npos, log_text().find("Refusing a link that leads out of its folder"));
		EXPECT_EQ(1, install("through"));
		EXPECT_EQ(before, outside());
		sh("rm -rf '" + copy_dir + "'");
	}
}

// A link out of the copy already there (an earlier release's, or planted): no
// folder, file or deletion goes through it, and the run ends as a failure.
TEST_F(HostileMirror, NothingIsWrittenOrDeletedThroughALinkOutOfTheCopy)
{
	symlink("../..", (copy_dir + "Resources/a").c_str());
	std::string before = outside();
	EXPECT_EQ(1, install("through"));
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_EQ(before, outside());
	EXPECT_EQ(1, delete_failures);
	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find("a link on the way leads outside"));
	EXPECT_NE(std::string::npos, log.find(error_str(err_path_outside)));
}

// An archive fetched for one file writes that file alone; one without it fails.
TEST_F(HostileMirror, OnlyTheListedFileLeavesItsArchive)
{
	std::string before = outside();
	EXPECT_EQ(1, install("entries"));
	EXPECT_EQ("the listed file\n", read_file(copy_dir + "Resources/extra.dat"));
	EXPECT_FALSE(exists(copy_dir + "Resources/more.txt"));
	EXPECT_FALSE(exists(copy_dir + "Resources/sub"));
	EXPECT_FALSE(exists(copy_dir + "Resources/other.dat"));
	EXPECT_FALSE(exists(copy_dir + "Resources/wrong.dat"));
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_NE(std::string::npos, log_text().find(error_str(err_archive_no_entry)));
	EXPECT_EQ(before, outside());
}

// Links planted in the temporary folder are replaced, never written through;
// an unpack a killed run left in the copy is cleared and never asked about.
TEST_F(HostileMirror, PlantedTemporariesAreNeitherFollowedNorKept)
{
	for (int i = 0; i < 4; ++i) {
		symlink((dir + "beside/file.txt").c_str(), (temp_path + std::to_string(i) + ".zip.part").c_str());
		symlink((dir + "beside/file.txt").c_str(), (temp_path + std::to_string(i) + ".zip").c_str());
	}
	write_text(copy_dir + "Resources/.vantor-unpack-Ab3dE5gH", "half of a file");
	std::string before = outside();
	EXPECT_EQ(1, install("entries"));
	EXPECT_EQ(before, outside());
	EXPECT_EQ("the listed file\n", read_file(copy_dir + "Resources/extra.dat"));
	EXPECT_FALSE(exists(copy_dir + "Resources/.vantor-unpack-Ab3dE5gH"));
	EXPECT_TRUE(g_prompt_calls.empty());
}

// An archive that inflates far past its listing is that mirror's bad archive:
// its writing stops a little past the listed size, on every try. The
// directory file is bounded too. On a small disk of the copy's and the
// temporary folder's own, whose most used bytes are taken between steps.
TEST_F(HostileMirror, ArchivesInflatingPastTheirListingStopEarly)
{
	small_disk disk(dir, 64);
	if (disk.path.empty()) GTEST_SKIP() << "no permission to mount a small file system";
	uint64_t most = 0;
	ASSERT_TRUE(watch_disk(disk, most));
	EXPECT_EQ(1, install("bomb"));
	EXPECT_EQ(1, stg.extract_error);
	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find(error_str(err_archive_too_big)));
	EXPECT_EQ(std::string::npos, log.find(error_str(ENOSPC)));
	EXPECT_GT(count_of(log, error_str(err_archive_too_big)), 1);	// each try, each time stopped
	EXPECT_EQ("a plain file\n", read_file(copy_dir + "Resources/ok.txt"));
	EXPECT_FALSE(exists(copy_dir + "Resources/bomb.bin"));
	EXPECT_LT(most, uint64_t(8) << 20);
	printf("The most the copy and the temporary folder held: %.1f MB\n", most / 1e6);

	most = 0;
	EXPECT_EQ(-4, install("directory_bomb"));
	EXPECT_EQ(err_directory_too_big, directory_error);
	EXPECT_LT(most, uint64_t(8) << 20);
	EXPECT_EQ("", sh_out("ls -A '" + UTIL_run_folder() + "'"));
	each_step = nullptr;
	UTIL_run_files_remove();
	copy_dir = dir + "copy/";
}

// Bytes this process has handed to write() so far: what unpacking costs, even
// where each file replaces the last.
static uint64_t bytes_written()
{
	std::ifstream io("/proc/self/io");
	std::string key;
	uint64_t v = 0;
	while (io >> key >> v)
		if (key == "wchar:") return v;
	return 0;
}

// A few kilobytes from a mirror may not cost gigabytes: a line listed at a
// negative size is no line, and an archive listing its file 100 times over one
// stream is refused before anything is written. The disk, the bytes written
// and the log stay small, and the alert says in words what happened.
TEST_F(HostileMirror, ListingsAndArchivesCannotMultiplyTheWork)
{
	small_disk disk(dir, 64);
	if (disk.path.empty()) GTEST_SKIP() << "no permission to mount a small file system";
	uint64_t most = 0;
	ASSERT_TRUE(watch_disk(disk, most));
	uint64_t before = bytes_written();
	auto t0 = std::chrono::steady_clock::now();
	EXPECT_EQ(1, install("work"));
	double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
	uint64_t wrote = bytes_written() - before;
	std::string log = log_text();
	printf("Negative listing and shared stream: %.1f MB written, the disk at most %.1f MB, a log of %zu bytes, %.1f s\n",
	       wrote / 1e6, most / 1e6, log.size(), seconds);
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_EQ(1u, refused_listed.size());
	EXPECT_NE(std::string::npos, log.find("'negative.bin': its sizes"));
	EXPECT_NE(std::string::npos, log.find(error_str(err_archive_repeats))) << log;
	EXPECT_EQ("a plain file\n", read_file(copy_dir + "Resources/ok.txt"));
	EXPECT_FALSE(exists(copy_dir + "Resources/shared.bin"));
	EXPECT_FALSE(exists(copy_dir + "Resources/negative.bin"));
	EXPECT_LT(most, uint64_t(8) << 20);
	EXPECT_LT(wrote, uint64_t(16) << 20);
	EXPECT_LT(log.size(), 1000000u);
	each_step = nullptr;
	copy_dir = dir + "copy/";
}
