// The disc routines against a disc set made by the release-set builder: two
// folders stand for the two discs, a mount table of the test's own says which
// one is "in the drive".
#include "../engine/engine_support.h"
#include "dvd_support.h"
#include "main_disc.h"
#include "main_dvd.h"
#include "main_globals.h"
#include "main_wizard.h"
#include "utils.h"
#include "utils_internal.h"
#include "UTL_clock.h"
#include "UTL_globals.h"
#include <chrono>

class DiscRoutines : public EngineTest {
protected:
	std::string set, disc0, disc1, table;
	void SetUp() override
	{
		EngineTest::SetUp();
		dest_dir_path = copy_dir;	// the wizard's copy is the engine's
		set = dir + "set/";
		ASSERT_EQ(0, sh("bash '" VANTOR_SOURCE_DIR "/tests/dvd/make_discs.sh' '" + set + "' '" VANTOR_BINARY_DIR
		                "' >'" + dir + "make.log' 2>&1"))
			<< read_file(dir + "make.log");
		disc0 = set + "out/disk_0/";
		disc1 = set + "out/disk_1/";
		table = dir + "mounts";
		setenv("VANTOR_MOUNT_TABLE", table.c_str(), 1);
		g_engine.stg.target_os = os_linux;
		g_engine.install_name = no_install_name;
		dvd_scan_reset();
	}
	// The folders "mounted" now, in the mount table's own format.
	void mount(const std::vector<std::string>& folders)
	{
		std::string t = "proc /proc proc rw 0 0\n";
		for (const std::string& f : folders) {
			std::string esc;
			for (char c : f) esc += c == ' ' ? std::string("\\040") : std::string(1, c);
			t += "/dev/sr0 " + esc + " iso9660 ro 0 0\n";
		}
		write_text(table, t);
	}
	int first_on_disc(int disc)
	{
		for (size_t i = 0; i < sim_info.size(); ++i)
			if (sim_info[i].versions.back().disk == disc && want_this_f((int)i, (int)sim_info[i].versions.size() - 1))
				return (int)i;
		return -1;
	}
};

TEST_F(DiscRoutines, ScanReadsOnlyTheFirstDiscOfTheSet)
{
	mount({disc1});	// the second disc has no version file
	UTIL_scan_dvd();
	EXPECT_EQ("", dvd_path);
	EXPECT_EQ(no_install_name, install_name);

	mount({disc1, disc0});
	UTIL_scan_dvd();
	ASSERT_EQ(disc0, dvd_path);
	EXPECT_EQ("Vantor 9", install_name);
	EXPECT_EQ(3, stg.stage);
	EXPECT_EQ(1, stg.disk_has_sim);
	EXPECT_EQ(1, stg.disk_has_scenery);
	EXPECT_GT(first_on_disc(1), 0) << "the set spans two discs";

	// a disc whose version file is damaged, or names a folder outside the disc
	for (const char* bad : {"I\n900 version\nINSTALLER\n\nVERSION Vantor 9\n", "I\n900 version\nDVD\n\nVERSION ../x\n"}) {
		std::string other = dir + "other/";
		write_text(other + "dvd_version.txt", bad);
		mount({other});
		dvd_path.clear();
		UTIL_scan_dvd();
		EXPECT_EQ(other, dvd_path);
		EXPECT_EQ(no_install_name, install_name) << bad;
		dvd_scan_reset();
	}
	// a version file whose set folder holds no directory
	std::string empty = dir + "empty/";
	write_text(empty + "dvd_version.txt", "I\n900 version\nDVD\n\nVERSION Vantor 9\n");
	mount({empty});
	dvd_path.clear();
	UTIL_scan_dvd();
	EXPECT_EQ("Vantor 9", install_name);
	EXPECT_EQ(2, stg.stage);
}

TEST_F(DiscRoutines, VerifyAcceptsOnlyTheDiscHoldingTheArchive)
{
	mount({disc0});
	UTIL_scan_dvd();
	ASSERT_EQ(3, stg.stage);
	int on1 = first_on_disc(1), on0 = first_on_disc(0);
	ASSERT_GE(on1, 0);
	ASSERT_GE(on0, 0);

	want_file_disk = on1;
	EXPECT_EQ(1, UTIL_switch_disk(1)) << "the screen asks for DVD number 2";
	EXPECT_EQ("", dvd_path);
	EXPECT_TRUE(is_dir(disc0)) << "a folder standing for a disc is not ejected";
	EXPECT_EQ(0, UTIL_verify_disk()) << "the first disc is still in";
	EXPECT_EQ(0, current_disk);

	mount({dir, disc1});	// another mounted volume first
	EXPECT_EQ(1, UTIL_verify_disk());
	EXPECT_EQ(disc1, dvd_path);
	EXPECT_EQ(1, current_disk);

	want_file_disk = on0;
	EXPECT_EQ(0, UTIL_verify_disk());
	mount({disc0});
	EXPECT_EQ(1, UTIL_verify_disk());
	EXPECT_EQ(0, current_disk);

	want_file_disk = (int)sim_info.size();	// past the end: no disc holds it
	EXPECT_EQ(0, UTIL_verify_disk());
}

// The disc-change loop as the run screens drive it: the engine runs until it
// needs the second disc, the disc is changed, and the install finishes. The
// disc's directory file lists a folder through "." segments, which is the
// folder they lead to, and one file at a path that climbs out of the copy:
// that one is named at the end, and the run is no success.
TEST_F(DiscRoutines, NewInstallChangesDiscsAndEveryFileArrives)
{
	const std::string zip = disc0 + "Vantor 9/directory.txt.zip";
	ASSERT_EQ(0, sh("mkdir -p '" + dir + "craft' && cd '" + dir + "craft' && unzip -q '" + zip + "' && sed -i "
	                "'s#^DIR All/Aircraft/Glider ASK/liveries/$#DIR All/Aircraft/./Glider ASK/liveries/./#' directory.txt && "
	                "grep -q '^DIR All/Aircraft/./Glider' directory.txt && printf 'DIR All/Airfoils/../../\\nFILE 0 0 92102 1 "
	                "1 " + md5_text("x") + " escape.txt\\n' >> directory.txt && rm '" + zip + "' && zip -q -X '" + zip +
	                "' directory.txt"));
	mount({disc0});
	UTIL_scan_dvd();
	ASSERT_EQ(3, stg.stage);
	int cursor = 0;
	float progress;
	while (!checksum_directory(dest_dir_path, cursor, 0, progress)) usleep(500);
	set_install_filter(1, 0);
	recalc_disk_sizes();
	ASSERT_EQ(1, choose_files(dest_dir_path));
	ASSERT_EQ(0, make_dirs(dest_dir_path));
	delete_files(dest_dir_path);

	int f = 0, changes = 0, running = 1;
	num_install_errors = 0;
	const dvd_run_flow flow = {dvd_scenery_install, dvd_done_install, dvd_verify_disk_install, dvd_done_install,
	                           "", "", "", dvd_flow_install};
	auto t0 = std::chrono::steady_clock::now();
	for (;;) {
		wizard_screen s;
		ASSERT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 60);
		if (!dvd_run_frame(s, f, running, flow)) {
			usleep(1000);
			continue;
		}
		if (s.next == dvd_done_install) break;
		ASSERT_EQ(dvd_verify_disk_install, s.next) << install_err_msg;
		++changes;
		ASSERT_EQ(1, UTIL_switch_disk(1));
		EXPECT_EQ(0, UTIL_verify_disk()) << "the wrong disc is refused";
		mount({disc1});
		ASSERT_EQ(1, UTIL_verify_disk());
	}
	EXPECT_EQ(1, changes);
	EXPECT_EQ(0, running);
	EXPECT_EQ(1, num_install_errors) << "a listed file is not in the copy";
	EXPECT_NE(std::string::npos, log_text().find("Not installed: All/Airfoils/../../escape.txt (the release lists it at a "
	                                             "path this installer cannot take: it would leave the install folder)."));
	EXPECT_FALSE(exists(dir + "escape.txt"));

	int files = 0;
	for (const auto& [rel, md5] : disc_manifest(set + "manifest.txt")) {
		EXPECT_EQ(md5, md5_file(dest_dir_path + rel)) << rel;
		++files;
	}
	EXPECT_GT(files, 300);
	EXPECT_FALSE(exists(dest_dir_path + "Global Scenery")) << "no tile was chosen";
}

TEST_F(DiscRoutines, StartScreenOffersSceneryBeforeRepairWhenTheSetHasTiles)
{
	mount({disc0});
	all_rootdecks = {dir + "copy/"};
	wizard_screen s;
	EXPECT_EQ(0, dvd_start(0, s));
	ASSERT_EQ(3, stg.stage);
	ASSERT_EQ(1, stg.disk_has_scenery);
	const std::vector<std::string> labels = {"Run Vantor Now", "Add Or Remove Scenery", "Repair Vantor",
	                                         "Install A Second Copy of Vantor"};
	const std::vector<wizard_func> funcs = {dvd_pick_run_sim, dvd_pick_scenery, dvd_pick_repair, dvd_pick_install};
	EXPECT_EQ(labels, s.choice_labels);
	EXPECT_EQ(funcs, s.choice_funcs);
	EXPECT_EQ(nullptr, s.next);
	// no flow is chosen yet: no flow's steps are listed; a new install's are
	// once Next leads into it
	EXPECT_EQ(std::vector<std::string>{"Welcome"}, step_names);
	EXPECT_EQ(std::vector<wizard_func>{dvd_start}, step_funcs);
	all_rootdecks.clear();
	wizard_screen fresh;
	dvd_start(0, fresh);
	EXPECT_EQ(dvd_pick_install, fresh.next);
	EXPECT_EQ((std::vector<std::string>{"Welcome", "Pick Destination", "License", "Select Scenery", "Install", "Finish"}),
	          step_names);
	// running a copy is a flow of its own
	all_rootdecks = {dir + "copy/"};
	wizard_screen run;
	EXPECT_EQ(1, dvd_pick_run_sim(1, run));
	EXPECT_EQ((std::vector<wizard_func>{dvd_start, dvd_pick_run_sim}), step_funcs);
	all_rootdecks.clear();
	// the set's three tiles, and nothing else, are on the map
	int tiles = 0;
	for (auto& column : stg.tile_avail)
		for (int t : column) tiles += t != 0;
	EXPECT_EQ(3, tiles);
	EXPECT_EQ(1, stg.tile_avail[10][13]);
	EXPECT_EQ(1, stg.tile_avail[11][13]);
	EXPECT_EQ(1, stg.tile_avail[32][5]);
	all_rootdecks.clear();
}

// After a flow took the second disc, the start screen's scan finds the first
// one again: the engine must not copy from it as if it were the second.
TEST_F(DiscRoutines, BackOnTheFirstDiscTheEngineKnowsItIsDiscOne)
{
	mount({disc0});
	UTIL_scan_dvd();
	ASSERT_EQ(3, stg.stage);
	want_file_disk = first_on_disc(1);
	UTIL_switch_disk(1);
	mount({disc1});
	ASSERT_EQ(1, UTIL_verify_disk());
	ASSERT_EQ(1, current_disk);

	mount({disc0, disc1});
	UTIL_scan_dvd();
	EXPECT_EQ(disc0, dvd_path);
	EXPECT_EQ(0, current_disk);
}

TEST_F(DiscRoutines, OnlyOpticalOrReadOnlyVolumesAreDiscs)
{
	std::string esc;
	for (char c : disc0) esc += c == ' ' ? std::string("\\040") : std::string(1, c);
	auto offered_as = [&](const std::string& device, const std::string& rest) {
		write_text(table, "proc /proc proc rw 0 0\n" + device + " " + esc + " " + rest + "\n");
		dvd_path.clear();
		dvd_scan_reset();
		UTIL_scan_dvd();
		return dvd_path;
	};
	// writable volumes any local user can fill, and a user's own file system
	EXPECT_EQ("", offered_as("tmpfs", "tmpfs rw,nosuid,nodev 0 0"));	// as /dev/shm is
	EXPECT_EQ("", offered_as("/dev/sdb1", "vfat rw,nosuid,uid=1000 0 0"));
	EXPECT_EQ("", offered_as("/dev/sda2", "ext4 rw,relatime 0 0"));
	EXPECT_EQ("", offered_as("u@h:", "fuse.sshfs ro,nosuid,nodev 0 0"));
	EXPECT_EQ("", offered_as("/dev/sdb1", "iso9660 rw 0 0"));	// the type alone proves nothing
	EXPECT_EQ(no_install_name, install_name);
	// an optical drive, or any read-only volume
	EXPECT_EQ(disc0, offered_as("/dev/sr0", "udf rw 0 0"));
	EXPECT_EQ("Vantor 9", install_name);
	EXPECT_EQ(disc0, offered_as("/dev/loop4", "squashfs ro,relatime 0 0"));
	EXPECT_EQ(disc0, offered_as("/dev/sdb1", "vfat ro,nosuid,uid=1000 0 0"));
}
