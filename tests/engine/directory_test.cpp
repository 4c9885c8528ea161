// The directory file reader, the filters, tiles and path rules.
#include "engine_support.h"
#include "utils.h"
#include "utils_internal.h"
#include "UTL_alert.h"

static const std::string kSig = "0123456789abcdef0123456789abcdef";

class Directory : public EngineTest {};

TEST_F(Directory, ColumnsHistoriesDisksAndLineForms)
{
	std::string body =
		"DIRECTORY is not a keyword\n"
		"\n"
		"DIR Vantor/Resources/\r\n"
		"FILE 0 1 92001 12 34 " + kSig + " a.txt\n"
		"  FILE\t0\t1   92102\t\t15 40 ffffffffffffffffffffffffffffffff a.txt\r\n"
		"FILE 0 9 92102 1 2 GONE name with  blanks  \n"
		"DISK 2 and the rest ignored\n"
		"FILE 0 -3 92102 1 2 " + kSig + " b.txt\n"
		"FILE 0 0 92102 1 2 " + kSig + " a.txt\n"
		"FILEX 0 0 92102 1 2 " + kSig + " skipped.txt\n"
		"FILE 0 0 92102\n"
		"DIR Vantor/Earth Orbit Textures/\n"
		"FILE 0 0 92102 1 2 " + kSig + " kept.png\n"
		"FILE 0 0 92102 1 2 " + kSig + " Earth Orbit Textures.png\n"
		"FILE 0 0 92102 1 2 " + kSig + " big 900 red terrain.png\n";
	ASSERT_EQ(3, load_directory(dir, body));
	ASSERT_EQ(5u, sim_info.size());

	auto& a = sim_info[0].versions;	// two lines form one history, oldest first
	ASSERT_EQ(2u, a.size());
	EXPECT_EQ("Vantor/Resources/a.txt", a[0].path);
	EXPECT_EQ(92001, a[0].version);
	EXPECT_EQ(12, a[0].kb1);
	EXPECT_EQ(34, a[0].kb2);
	EXPECT_EQ(1, a[1].os);
	EXPECT_EQ(15, a[1].kb1);
	EXPECT_EQ(40, a[1].kb2);
	EXPECT_EQ("ffffffffffffffffffffffffffffffff", a[1].sig_want);
	EXPECT_EQ("", a[1].sig_have);
	EXPECT_EQ(0, a[1].disk);

	auto& g = sim_info[1].versions.back();
	EXPECT_EQ("Vantor/Resources/name with  blanks  ", g.path);
	EXPECT_EQ(6, g.os);
	EXPECT_EQ("GONE", g.sig_want);

	EXPECT_EQ(0, sim_info[2].versions.back().os);
	EXPECT_EQ(2, sim_info[2].versions.back().disk);
	// the same path again, after another one: a history of its own
	EXPECT_EQ("Vantor/Resources/a.txt", sim_info[3].versions.back().path);
	EXPECT_EQ(1u, sim_info[3].versions.size());
	// a prefix naming the orbit textures does not drop the line; the name does
	EXPECT_EQ("Vantor/Earth Orbit Textures/kept.png", sim_info[4].versions.back().path);
	EXPECT_EQ(1, stg.disk_has_sim);
	EXPECT_EQ(0, stg.disk_has_scenery);
}

TEST_F(Directory, RejectedHeaderAndEmptyFile)
{
	write_text(dir + "d.txt", "I\n800 version\nINSTALLER\n\nFILE 0 0 1 1 1 " + kSig + " x/y\n");
	EXPECT_EQ(2, read_directory(dir + "d.txt", ""));
	EXPECT_TRUE(sim_info.empty());
	EXPECT_EQ(1, app_done);
	EXPECT_EQ(2, stg.new_format_flag);
	EXPECT_NE(std::string::npos, log_text().find("you need to get a new installer"));

	write_text(dir + "e.txt", "A\n840 version\nSERVERS\n");
	EXPECT_EQ(2, read_directory(dir + "e.txt", ""));
	// a page in its place is no newer format: the read fails, no new installer is asked for
	app_done = 0;
	g_engine.stg.new_format_flag = 0;
	write_text(dir + "page.txt", "<!DOCTYPE html>\n<html><body>Please sign in</body></html>\n");
	EXPECT_EQ(2, read_directory(dir + "page.txt", ""));
	EXPECT_EQ(0, app_done);
	EXPECT_EQ(0, stg.new_format_flag);

	g_engine.stg.total_kb_download = 5;
	EXPECT_EQ(3, load_directory(dir, ""));
	EXPECT_TRUE(sim_info.empty());
	EXPECT_EQ(0, stg.disk_has_sim);
	EXPECT_EQ(0, stg.disk_has_scenery);
	EXPECT_EQ(0, stg.total_kb_download);
}

// Only what really leaves the copy (or names no file) is refused, for the
// reason it has; every other shape is taken as the copy will hold it.
TEST_F(Directory, ListedPathsAreTakenAsTheCopyHoldsThemOrRefusedForTheirReason)
{
	std::string body =
		"DIR Vantor/\n"
		"FILE 0 0 1 1 1 " + kSig + " ../../etc/passwd\n"
		"FILE 0 0 1 1 1 " + kSig + " Resources/./odd/./dot.txt\n"
		"FILE 0 0 1 1 1 " + kSig + " Resources/..\n"
		"FILE 0 0 1 1 1 GONE Resources/../../gone.txt\n"
		"DIR Vantor\n"
		"FILE 0 0 1 1 1 " + kSig + " //abs/path\n"
		"DIR \n"
		"FILE 0 0 1 1 1 " + kSig + " Vantor/\n"
		"FILE 0 2 1 1 1 " + kSig + " Vantor/a/../../up.txt\n"
		"FILE 0 0 1 1 1 " + kSig + " Vantor/a/../b//c.txt\n"
		"FILE 0 0 1 1 1 " + kSig + " Vantor/ok.txt\n";
	std::string nul = "FILE 0 0 1 1 1 " + kSig + " Vantor/a";
	nul += '\0';
	nul += "/b\n";
	ASSERT_EQ(3, load_directory(dir, body + nul));
	std::vector<std::string> taken;
	for (auto& h : sim_info) taken.push_back(h.versions.back().path);
	EXPECT_EQ((std::vector<std::string>{"Vantor/Resources/odd/dot.txt", "Vantor/abs/path", "Vantor/b/c.txt", "Vantor/ok.txt"}), taken);
	std::vector<std::string> refused;	// a tombstone's path is gone anyway: only logged
	for (const UTIL_refused_path& r : refused_listed) refused.push_back(r.why);
	EXPECT_EQ((std::vector<std::string>{"it would leave the install folder", "it names a folder, not a file",
	                                    "it names a folder, not a file", "it would leave the install folder",
	                                    "it holds a NUL byte, which no file name can"}),
	          refused);
	ASSERT_EQ(5u, refused_listed.size());
	EXPECT_EQ(2, refused_listed[3].os);
	EXPECT_EQ(6, count_of(log_text(), "Refused listed path"));
	EXPECT_NE(std::string::npos, log_text().find("Refused listed path 'Vantor/a\\x00/b': it holds a NUL byte"));

	std::string p = "/etc/passwd", why;
	EXPECT_FALSE(listed_path_take(p, why));
	EXPECT_EQ("it would leave the install folder", why);
	p = "plain_name";
	EXPECT_TRUE(listed_path_take(p, why));
	EXPECT_EQ("plain_name", p);
	p = "Vantor/a/b..c/.d";
	EXPECT_TRUE(listed_path_take(p, why));
	EXPECT_EQ("Vantor/a/b..c/.d", p);
}

TEST_F(Directory, FolderEntriesAndMissingFilesAreLoggedNotFatal)
{
	ASSERT_EQ(3, load_directory(dir, "DIR Vantor/Resources/\nFILE 0 0 1 1 1 " + kSig + " \nFILE 0 0 1 1 1 " + kSig +
	                                     " a.txt\n"));
	ASSERT_EQ(1u, sim_info.size());
	EXPECT_EQ("Vantor/Resources/a.txt", sim_info[0].versions.back().path);
	EXPECT_EQ(1u, refused_listed.size());
	EXPECT_NE(std::string::npos, log_text().find("Refused listed path 'Vantor/Resources/': it names a folder"));

	EXPECT_EQ(2, read_directory(dir + "missing.txt", ""));
	EXPECT_TRUE(sim_info.empty());
	write_text(dir + "empty.txt", "");
	EXPECT_EQ(2, read_directory(dir + "empty.txt", ""));
	EXPECT_EQ(0, app_done);	// nothing ends the program
	EXPECT_EQ(2, count_of(log_text(), "I tried to read a directory file that does not exist or is empty"));
}

TEST_F(Directory, SignatureAndSizeColumnsAreOnesAFileCanHave)
{
	// the signature names the disc install's temporary files; the sizes bound
	// the unpacking and the disk space asked for
	std::string body = "DIR Vantor/\n"
	                   "FILE 0 0 1 -1 1 " + kSig + " neg1.txt\n"
	                   "FILE 0 0 1 1 -1000 " + kSig + " neg2.txt\n"
	                   "FILE 0 0 1 1 99999999999 " + kSig + " huge.txt\n"
	                   "FILE 0 0 1 1 1 ../../../../tmp/escape a.txt\n"
	                   "FILE 0 0 1 1 1 /etc/x b.txt\n"
	                   "FILE 0 0 1 1 1 0123456789abcdef0123456789abcdeg c.txt\n"
	                   "FILE 0 0 1 1 1 0123456789abcdef0123456789abcde d.txt\n"
	                   "FILE 0 0 1 1 1 gone e.txt\n"
	                   "FILE 0 0 1 1 1 GONE f.txt\n"
	                   "FILE 0 0 1 1 1 0123456789ABCDEF0123456789abcdef g.txt\n"
	                   "FILE 0 0 1 1 1 " + kSig + " h.txt\n";
	ASSERT_EQ(3, load_directory(dir, body));
	ASSERT_EQ(3u, sim_info.size());
	EXPECT_EQ("Vantor/f.txt", sim_info[0].versions.back().path);
	EXPECT_EQ("GONE", sim_info[0].versions.back().sig_want);
	EXPECT_EQ("0123456789abcdef0123456789abcdef", sim_info[1].versions.back().sig_want);	// as the scan writes it
	EXPECT_EQ(kSig, sim_info[2].versions.back().sig_want);
	EXPECT_EQ(8u, refused_listed.size());
	EXPECT_EQ(5, count_of(log_text(), "is neither an MD5 nor GONE"));
	EXPECT_EQ(3, count_of(log_text(), "kB are not sizes of a file"));
}

TEST_F(Directory, SceneryTilesAndSectors)
{
	std::string body =
		"DIR Vantor/Resources/default scenery/DSF 820/Global Scenery/+40-080/\n"
		"FILE 0 0 1 1 1 " + kSig + " +40-080.DSF\n"
		"FILE 0 0 1 1 1 " + kSig + " abc.dsf\n"
		"FILE 0 0 1 1 1 " + kSig + " +95-080.dsf\n"
		"FILE 0 0 1 1 1 " + kSig + " +40-080.txt\n";
	ASSERT_EQ(3, load_directory(dir, body));
	ASSERT_EQ(4u, sim_info.size());
	auto& t = sim_info[0].versions.back();
	EXPECT_EQ(1, t.is_global);
	EXPECT_EQ(13, t.lat_i);
	EXPECT_EQ(10, t.lon_i);
	EXPECT_EQ(1, sim_info[1].versions.back().is_global);
	EXPECT_EQ(8, sim_info[1].versions.back().lat_i);
	EXPECT_EQ(17, sim_info[1].versions.back().lon_i);
	EXPECT_EQ(0, sim_info[2].versions.back().is_global);
	EXPECT_EQ(0, sim_info[3].versions.back().is_global);
	EXPECT_EQ(1, stg.tile_avail[10][13]);
	EXPECT_EQ(1, stg.tile_avail[17][8]);
	EXPECT_EQ(1, stg.disk_has_scenery);
	EXPECT_EQ(1, stg.disk_has_sim);
	EXPECT_EQ(".7z", suffix_for_file(0));

	EXPECT_EQ(1, is_global_scenery_f("x/-global terrain-/a.dsf"));
	EXPECT_EQ(0, is_global_scenery_f("Global Scenery/"));
	EXPECT_EQ(0, is_global_scenery_f("global scenery/a.dsf"));
	int lon, lat;
	EXPECT_EQ(1, find_sector(&lon, &lat, "a/-90-180.dsf/"));
	EXPECT_EQ(0, lat);
	EXPECT_EQ(0, lon);
	EXPECT_EQ(0, find_sector(&lon, &lat, "+95"));
	EXPECT_EQ(1, find_sector(&lon, &lat, "ab"));

	scenery_take_all();
	EXPECT_EQ(1, stg.tile_wanted[10][13]);
	scenery_take_none();
	EXPECT_EQ(0, stg.tile_wanted[10][13]);
	g_engine.sim_info[0].versions.back().sig_have = kSig;
	g_engine.sim_info[1].versions.back().sig_have = "NONE";
	scenery_from_install();
	EXPECT_EQ(1, stg.tile_wanted[10][13]);
	EXPECT_EQ(0, stg.tile_wanted[17][8]);
	// a new read leaves the selection alone
	load_directory(dir, "");
	EXPECT_EQ(1, stg.tile_wanted[10][13]);
}

TEST_F(Directory, PlatformFilterAndPathHelpers)
{
	std::string body;
	for (int os = 0; os <= 6; ++os)
		body += "FILE 0 " + std::to_string(os) + " 1 1 1 " + kSig + " V/f" + std::to_string(os) + "\n";
	body += "DIR V/Global Scenery/\nFILE 0 0 1 1 1 " + kSig + " +10+010.dsf\n";
	ASSERT_EQ(3, load_directory(dir, body));
	auto wanted = [](std::vector<int> files) {
		std::string s;
		for (int f : files) s += want_this_f(f, 0) ? '1' : '0';
		return s;
	};
	g_engine.stg.target_os = os_windows;
	EXPECT_EQ("10100001", wanted({0, 1, 2, 3, 4, 5, 6, 7}));
	g_engine.stg.target_os = os_linux;
	EXPECT_EQ("10010011", wanted({0, 1, 2, 3, 4, 5, 6, 7}));
	set_install_filter(0, 1);
	EXPECT_EQ("00000001", wanted({0, 1, 2, 3, 4, 5, 6, 7}));
	set_install_filter(1, 0);
	EXPECT_EQ("10010010", wanted({0, 1, 2, 3, 4, 5, 6, 7}));
	EXPECT_EQ(0, want_this_f(99, 0));

	std::string p = "Vantor/Resources/x.txt";
	trim_dest_folder(p);
	EXPECT_EQ("Resources/x.txt", p);
	p = "plain";
	trim_dest_folder(p);
	EXPECT_EQ("plain", p);
	EXPECT_EQ(1, path_has_no_file("a/"));
	EXPECT_EQ(0, path_has_no_file("a"));
}
