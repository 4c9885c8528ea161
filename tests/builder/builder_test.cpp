// The release-set builder, end to end on temporary master trees: what it
// writes is read back with the engine's reader and every archive unpacked.
#include <gtest/gtest.h>
#include "make_installer.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "io_utils.h"
#include "p7z_md5.h"
#include "utils_records.h"
#include "zip_utils.h"
#include "../files/files_support.h"
#include "builder_install.h"
#include <fstream>
#include <sstream>
#include <sys/stat.h>

int read_directory(const std::string& path, std::string status_text);

namespace {


void put(const std::string& path, const std::string& data)
{
	std::string dir = path.substr(0, path.rfind('/'));
	std::string cmd = "mkdir -p '" + dir + "'";
	ASSERT_EQ(system(cmd.c_str()), 0);
	std::ofstream f(path, std::ios::binary);
	f << data;
}

std::string slurp(const std::string& path)
{
	std::ifstream f(path, std::ios::binary);
	std::stringstream s;
	s << f.rdbuf();
	return s.str();
}

size_t count_in(const std::string& text, const std::string& what)
{
	size_t n = 0;
	for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
	return n;
}

std::string md5_of(const std::string& path)
{
	std::string s;
	EXPECT_EQ(calc_file_md5(path, s), 0) << path;
	return s;
}

class Builder : public ::testing::Test {
protected:
	std::string base, master, out, prev;

	void SetUp() override
	{
		const char* argv[] = {"test", "--fps_test"};
		UTL_cmdline::init_unix(2, argv);
		// the maker's own folders around the master hold names the set's rules refuse inside it
		base = std::string(VANTOR_BINARY_DIR) + "/builder_test_tmp/a copy.cpp of work.area/" +
		       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
		ASSERT_EQ(system(("rm -rf '" + base + "' && mkdir -p '" + base + "'").c_str()), 0);
		if (xer.is_open()) xer.close();
		xer.open(base + "log.txt", std::ios::out | std::ios::trunc);
		master = base + "master/";
		out = base + "out/";
		prev = base + "previous.txt";
		build_type = 0;
		release_number = 92102;
		dvd_limit_kb = 7670000.0f;
		make_installer_workers = 8;	// more than one even on a small machine: files finish out of order
		make_installer_set_paths(master, out, prev);
		fresh_master();
	}

	// A master of the folders every set needs, and no output yet.
	void fresh_master()
	{
		ASSERT_EQ(system(("rm -rf '" + master + "' '" + out + "'").c_str()), 0);
		for (const char* d : {"Macintosh/m.txt", "Windows/w.txt", "Linux/l.txt", "All/Instructions/i.txt",
		                      "All/Weapons/w.txt", "All/Airfoils/f.afl", "All/Aircraft/p/p.acf",
		                      "All/Output/o.txt", "All/Custom Scenery/c.dat", "All/Resources/plugins/ZENK.so"})
			put(master + d, std::string("content of ") + d + "\n");
	}

	void previous(const std::string& lines)
	{
		put(prev, "A\n900 version\nINSTALLER\n\n" + lines);
	}

	std::string set_folder() { return out + sim_name + "/"; }

	// The directory file of the set, unzipped beside it, then read with the engine's reader.
	void read_back(const std::string& folder)
	{
		std::string tmp = base + "readback/";
		make_folder(tmp);
		ASSERT_EQ(zip_to_file(folder + "directory.txt.zip", tmp, nullptr, 0), 0);
		ASSERT_EQ(read_directory(tmp + "directory.txt", ""), 3);
	}

	// The same master built again on the main thread alone, one file after
	// another: the directory file and every archive are the same bytes. The
	// zips of the directory file and of patched Windows programs carry the
	// time their file was written, so what they hold is compared.
	void expect_same_as_one_thread()
	{
		std::string again = base + "one_thread/";
		make_installer_set_paths(master, again, prev);
		make_installer_workers = 0;
		build_install();
		EXPECT_EQ(sh_out("diff -r -x directory.txt.zip -x '*.exe.zip' '" + out + "' '" + again + "' 2>&1"), "");
		std::istringstream dated(sh_out("cd '" + out + "' && find . -name directory.txt.zip -o -name '*.exe.zip'"));
		int compared = 0;
		for (std::string z; std::getline(dated, z); ++compared)
			EXPECT_EQ(sh_out("unzip -p '" + out + z + "'"), sh_out("unzip -p '" + again + z + "'")) << z;
		EXPECT_GE(compared, 1);
	}

	const std::vector<file_version_struct>* history(const std::string& path)
	{
		for (auto& h : sim_info)
			if (h.versions.back().path == path) return &h.versions;
		return nullptr;
	}
};

TEST(BuilderKeys, PlatformCodesAndHistoryKeys)
{
	EXPECT_EQ(platform_code_for("All/Resources/x.txt"), 0);
	EXPECT_EQ(platform_code_for("Macintosh/a"), 1);
	EXPECT_EQ(platform_code_for("Windows/a"), 2);
	EXPECT_EQ(platform_code_for("Linux/a"), 3);
	EXPECT_EQ(platform_code_for("All/Resources/plugins/ZENK.so"), 6);
	EXPECT_EQ(platform_code_for("All/Resources/plugins/ZENK.dll"), 2);
	EXPECT_EQ(platform_code_for("All/Resources/plugins/ZenkWidgets.framework/ZenkWidgets"), 1);
	EXPECT_EQ(platform_code_for("Other/a"), -1);

	std::string k = "All/Resources/x.txt";
	chop_platform(k, 0);
	EXPECT_EQ(k, "ALL_os/Resources/x.txt");
	k = "All/Resources/plugins/ZENK.so";
	chop_platform(k, 6);
	EXPECT_EQ(k, "/Resources/plugins/ZENK.so");
}

TEST(BuilderFilter, WhatEachSetTakes)
{
	make_installer_set_paths("/m/", "/o/", "");
	build_type = 0;
	EXPECT_EQ(is_good_file("/m/All/Global Scenery/-global terrain-/+40+010.dsf", 0, 0), 0);
	EXPECT_EQ(is_good_file("/m/All/Resources/a.txt", 0, 0), 1);
	EXPECT_EQ(is_good_file("/m/All/Resources/a.bak", 0, 0), 0);
	EXPECT_EQ(is_good_file("/m/All/Resources/._a", 0, 0), 0);
	EXPECT_EQ(is_good_file("/m/All/Resources/x.ac", 0, 0), 0);
	EXPECT_EQ(is_good_file("/m/All/install_pfc Aircraft/a", 0, 0), 0);
	make_installer_set_paths("/home/a/work.area/m/", "/o/", "");
	EXPECT_EQ(is_good_file("/home/a/work.area/m/All/Resources/a.txt", 0, 0), 1);
	EXPECT_EQ(is_good_file("/home/a/work.area/m/All/Resources/work.txt", 0, 0), 0);
	make_installer_set_paths("/m/", "/o/", "");
	build_type = 1;
	EXPECT_EQ(is_good_file("/m/All/Global Scenery/-global terrain-/+40+010.dsf", 0, 0), 1);
	EXPECT_EQ(is_good_file("/m/All/Custom Scenery/DSF 900 Mars World-Wide/a", 0, 0), 0);
	build_type = 2;
	EXPECT_EQ(is_good_file("/m/All/Custom Scenery/DSF 900 Mars World-Wide/a", 0, 0), 1);
	EXPECT_EQ(is_good_file("/m/All/Resources/a.txt", 0, 0), 0);
	build_type = 0;
}

TEST_F(Builder, UpdateSetCarriesHistoriesAndUnpacksToTheMaster)
{
	put(master + "All/Aircraft/p/changed.txt", "the new text\n");
	put(master + "All/Aircraft/p/back.txt", "an old text again\n");
	put(master + "All/Global Scenery/-global terrain-/+40+010.dsf", "terrain");
	put(master + "All/Resources/empty.txt", "");
	put(master + "All/Resources/big/noise.bin", random_bytes(3000000, 11));
	put(master + "Linux/Vantor.app/Contents/MacOS/Vantor", "#!/bin/sh\necho sim\n");
	chmod((master + "Linux/Vantor.app/Contents/MacOS/Vantor").c_str(), 0755);
	std::string old_back = md5_of(master + "All/Aircraft/p/back.txt");
	previous(
		"\nDIR All/Aircraft/p/\n"
		"FILE 0 0 90000 1 2 11111111111111111111111111111111 changed.txt\n"
		"FILE 0 0 90000 1 2 22222222222222222222222222222222 back.txt\n"
		"FILE 0 0 91000 1 2 " + old_back + " back.txt\n"
		"FILE 0 0 91500 1 2 33333333333333333333333333333333 back.txt\n"
		"\nDIR All/Airfoils/\n"
		"FILE 0 0 90000 4 5 44444444444444444444444444444444 dropped.afl\n"
		"FILE 0 0 90000 4 5 55555555555555555555555555555555 dead.afl\n"
		"FILE 0 0 91000 0 0 GONE dead.afl\n"
		"FILE 0 0 90000 4 5 66666666666666666666666666666666 old.bak\n");

	build_install();

	std::string target = set_folder();
	EXPECT_FALSE(file_exists(target + "directory.txt")) << "the plain file goes once its zip is checked";
	EXPECT_NE(slurp(out + "dvd_version.txt").find("DVD\n\nVERSION Vantor 9.21rc2\n"), std::string::npos);
	read_back(target);

	auto* changed = history("All/Aircraft/p/changed.txt");
	ASSERT_TRUE(changed);
	ASSERT_EQ(changed->size(), 2u);
	EXPECT_EQ((*changed)[0].version, 90000);
	EXPECT_EQ((*changed)[1].version, 92102);
	EXPECT_EQ((*changed)[1].sig_want, md5_of(master + "All/Aircraft/p/changed.txt"));

	// the stored version equal to the new content is dropped; the others stay before it
	auto* back = history("All/Aircraft/p/back.txt");
	ASSERT_TRUE(back);
	ASSERT_EQ(back->size(), 3u);
	EXPECT_EQ((*back)[0].sig_want, "22222222222222222222222222222222");
	EXPECT_EQ((*back)[1].sig_want, "33333333333333333333333333333333");
	EXPECT_EQ((*back)[2].sig_want, old_back);
	EXPECT_EQ((*back)[2].version, 92102);

	auto* dropped = history("All/Airfoils/dropped.afl");
	ASSERT_TRUE(dropped);
	ASSERT_EQ(dropped->size(), 2u);
	EXPECT_EQ((*dropped)[1].sig_want, "GONE");
	EXPECT_EQ((*dropped)[1].version, 92102);
	auto* dead = history("All/Airfoils/dead.afl");
	ASSERT_TRUE(dead);
	EXPECT_EQ(dead->size(), 2u) << "no second tombstone";
	EXPECT_FALSE(history("All/Airfoils/old.bak"));
	EXPECT_FALSE(history("All/Global Scenery/-global terrain-/+40+010.dsf")) << "update sets leave global terrain out";
	EXPECT_FALSE(history("All/Resources/empty.txt"));

	auto* plugin = history("All/Resources/plugins/ZENK.so");
	ASSERT_TRUE(plugin);
	EXPECT_EQ(plugin->back().os, 6);
	EXPECT_EQ(history("Linux/l.txt")->back().os, 3);

	// every current file unpacks to exactly the master's bytes, modes kept
	int checked = 0;
	for (auto& h : sim_info) {
		const auto& cur = h.versions.back();
		if (cur.sig_want == "GONE") continue;
		std::string unpack = base + "unpack/" + std::to_string(checked) + "/";
		make_folder(base + "unpack/");
		make_folder(unpack);
		std::string archive = target + cur.path + ".zip";
		ASSERT_EQ(zip_to_file(archive, unpack, nullptr, 0), 0) << archive;
		std::string leaf = cur.path.substr(cur.path.rfind('/') + 1);
		EXPECT_EQ(slurp(unpack + leaf), slurp(master + cur.path)) << cur.path;
		EXPECT_EQ(md5_of(unpack + leaf), cur.sig_want);
		++checked;
	}
	EXPECT_EQ(checked, 14);
	expect_same_as_one_thread();
}

TEST_F(Builder, SecondBuildFromTheNewDirectoryCarriesTheFirstForward)
{
	put(master + "All/Aircraft/p/plane.txt", "first\n");
	put(master + "All/Aircraft/p/leaves.txt", "soon gone\n");
	put(master + "All/Aircraft/p/emptied.txt", "soon empty\n");
	previous("");
	build_install();
	EXPECT_NE(slurp(base + "log.txt").find("The set holds 13 files: 13 new, 0 changed and 0 gone"), std::string::npos);
	std::string first_dir = base + "first/";
	make_folder(first_dir);
	ASSERT_EQ(zip_to_file(set_folder() + "directory.txt.zip", first_dir, nullptr, 0), 0);
	std::string first_sig = md5_of(master + "All/Aircraft/p/plane.txt");

	put(master + "All/Aircraft/p/plane.txt", "second\n");
	delete_file(master + "All/Aircraft/p/leaves.txt");
	put(master + "All/Aircraft/p/emptied.txt", "");
	release_number = 92103;
	make_installer_set_paths(master, base + "out2/", first_dir + "directory.txt");
	build_install();
	read_back(base + "out2/" + sim_name + "/");

	auto* plane = history("All/Aircraft/p/plane.txt");
	ASSERT_TRUE(plane);
	ASSERT_EQ(plane->size(), 2u);
	EXPECT_EQ((*plane)[0].sig_want, first_sig);
	EXPECT_EQ((*plane)[0].version, 92102);
	EXPECT_EQ((*plane)[1].version, 92103);
	auto* leaves = history("All/Aircraft/p/leaves.txt");
	ASSERT_TRUE(leaves);
	ASSERT_EQ(leaves->size(), 2u);
	EXPECT_EQ((*leaves)[1].sig_want, "GONE");
	EXPECT_EQ((*leaves)[1].version, 92103);
	auto* same = history("Linux/l.txt");
	ASSERT_TRUE(same);
	EXPECT_EQ(same->size(), 1u) << "an unchanged file keeps one line";

	// what every update of a copy will delete is told, the emptied file with why
	std::string log = slurp(base + "log.txt");
	EXPECT_NE(log.find("The set holds 11 files: 0 new, 1 changed and 2 gone against the previous release."), std::string::npos) << log;
	EXPECT_NE(log.find("Gone:\tAll/Aircraft/p/leaves.txt\n"), std::string::npos) << log;
	EXPECT_NE(log.find("Gone:\tAll/Aircraft/p/emptied.txt (emptied in the master"), std::string::npos) << log;
}

TEST_F(Builder, DiscSetIsCutAcrossDiscsAndLinksItsSevenZips)
{
	build_type = 1;
	dvd_limit_kb = 3;	// a disc is full after about 3 kB of archives
	unsigned seed = 12345;
	for (int i = 0; i < 4; ++i) {
		std::string noise;	// does not compress: each archive holds about 2.5 kB
		for (int j = 0; j < 2500; ++j) noise += (char)((seed = seed * 1103515245u + 12345u) >> 24);
		put(master + "All/Aircraft/p/big" + std::to_string(i) + ".txt", noise);
	}
	put(master + "All/Aircraft/p/a_big.bin", random_bytes(2000000, 5));	// a disc of its own, finished last
	symlink("big0.txt", (master + "All/Aircraft/p/link.txt").c_str());
	std::string exe(400, '\0');	// the smallest program the patch takes
	exe[0] = 'M', exe[1] = 'Z', exe[60] = (char)0x80, exe[0x80] = 'P', exe[0x80 + 1] = 'E', exe[0x80 + 22] = 0x02;
	put(master + "Windows/tool.exe", exe);
	std::string dsf = master + "All/Global Scenery/-global terrain-/+40+010/+45+012.dsf";
	put(dsf, "terrain tile");
	put(dsf + ".7z", "pretend 7z archive");
	put(master + "All/Resources/default scenery/900 red terrain/r.txt", "red");
	put(master + "All/Resources/bitmaps/Earth Orbit Textures/o.txt", "orbit");

	build_install();

	std::string disk0 = out + "disk_0/";
	EXPECT_TRUE(file_exists(disk0 + "dvd_version.txt"));
	EXPECT_FALSE(file_exists(out + "disk_1/dvd_version.txt"));
	read_back(disk0 + sim_name + "/");
	int max_disk = 0;
	for (auto& h : sim_info) {
		const auto& cur = h.versions.back();
		max_disk = std::max(max_disk, cur.disk);
		std::string suffix = cur.path.find("Global Scenery") != std::string::npos ? ".7z" : ".zip";
		EXPECT_TRUE(file_exists(out + "disk_" + std::to_string(cur.disk) + "/" + sim_name + "/" + cur.path + suffix))
			<< cur.path << " on disc " << cur.disk;
	}
	EXPECT_GE(max_disk, 3);
	auto* tile = history("All/Global Scenery/-global terrain-/+40+010/+45+012.dsf");
	ASSERT_TRUE(tile);
	std::string linked = out + "disk_" + std::to_string(tile->back().disk) + "/" + sim_name + "/" + tile->back().path + ".7z";
	struct stat a, b;
	ASSERT_EQ(stat(linked.c_str(), &a), 0);
	ASSERT_EQ(stat((dsf + ".7z").c_str(), &b), 0);
	EXPECT_EQ(a.st_ino, b.st_ino) << "pre-made 7z archives are hard-linked, never copied";
	EXPECT_EQ(slurp(master + "Windows/tool.exe")[0x80 + 22], 0x22) << "a Windows program is made large-address-aware";
	auto* link = history("All/Aircraft/p/link.txt");
	ASSERT_TRUE(link);
	EXPECT_EQ(link->back().sig_want, md5_of(master + "All/Aircraft/p/link.txt")) << "a link is signed by its text";
	expect_same_as_one_thread();
}

TEST_F(Builder, UpdateSetZipsEvenWhereASevenZipLiesBeside)
{
	put(master + "All/Resources/notes.txt", "notes");
	put(master + "All/Resources/notes.txt.7z", "a 7z made by hand");
	previous("");
	build_install();
	EXPECT_TRUE(file_exists(set_folder() + "All/Resources/notes.txt.zip"));
	EXPECT_FALSE(file_exists(set_folder() + "All/Resources/notes.txt.7z"));
}

using BuilderStops = Builder;

// Each awkward entry of a real tree is refused in one run that writes nothing;
// without them the master builds, and a second release over a file that
// cannot be read stops rather than deleting it from every copy.
TEST_F(BuilderStops, EveryAwkwardEntryIsNamedInOneRunThatWritesNothing)
{
	previous("");
	const std::string doc = master + "All/Resources/doc/";
	put(doc + "real/a.txt", "a file in a folder\n");
	ASSERT_EQ(symlink("real/a.txt", (doc + "link_to_file").c_str()), 0);
	struct awkward { std::string name, reason; };
	const std::string long_name(252, 'n');
	const std::vector<awkward> entries = {
		{"my copy.txt", "found a copy file!"},
		{"to_folder", "a link to a folder"},
		{"dangling", "a link to nothing"},
		{"absolute", "a link to an absolute path"},
		{"outward", "a link leading out of the tree"},
		{"to_left_out", "a link to a file the set leaves out"},
		{"to_refused", "a link to a file the set leaves out"},
		{"through_link", "a link to a file the set leaves out"},
		{"line\nend.txt", "a name holding a control character"},
		{" leading.txt", "a name beginning with a blank"},
		{long_name, "a name too long for its archive"},
		{"pipe", "a named pipe"},
		{"locked.txt", "a file that cannot be read"},
		{"closed/", "a folder that cannot be read"},
	};
	put(doc + "my copy.txt", "x");
	put(doc + "notes.bak", "left out by its name");
	ASSERT_EQ(symlink("real", (doc + "to_folder").c_str()), 0);
	ASSERT_EQ(symlink("missing.txt", (doc + "dangling").c_str()), 0);
	ASSERT_EQ(symlink("/etc/hostname", (doc + "absolute").c_str()), 0);
	ASSERT_EQ(symlink("../../../Linux/l.txt", (doc + "outward").c_str()), 0);
	ASSERT_EQ(symlink("notes.bak", (doc + "to_left_out").c_str()), 0);
	ASSERT_EQ(symlink("my copy.txt", (doc + "to_refused").c_str()), 0);
	ASSERT_EQ(symlink("to_folder/a.txt", (doc + "through_link").c_str()), 0);
	put(doc + "line\nend.txt", "x");
	put(doc + " leading.txt", "x");
	put(doc + long_name, "x");
	ASSERT_EQ(mkfifo((doc + "pipe").c_str(), 0644), 0);
	put(doc + "locked.txt", "x");
	put(doc + "closed/inside.txt", "x");
	ASSERT_EQ(chmod((doc + "locked.txt").c_str(), 0), 0);
	ASSERT_EQ(chmod((doc + "closed").c_str(), 0), 0);

	// as root, without root's power to read what the modes refuse
	EXPECT_EXIT({ read_any_file(false); build_install(); exit(0); }, ::testing::ExitedWithCode(1), "");
	std::string log = slurp(base + "log.txt");
	EXPECT_NE(log.find("The master tree holds 14 entries that cannot go into a set; nothing was written."), std::string::npos) << log;
	for (auto& e : entries) {
		std::string shown = e.name == "line\nend.txt" ? "line\\x0aend.txt" : e.name;
		std::string line = "Refused:\t" + e.reason, path = "\t" + doc + shown;
		bool named = false;
		for (size_t at = log.find(line); at != std::string::npos && !named; at = log.find(line, at + 1)) {
			std::string rest = log.substr(at, log.find('\n', at) - at);
			size_t p = rest.find(path);
			named = p != std::string::npos && (p + path.size() == rest.size() || rest[p + path.size()] == '\t');
		}
		EXPECT_TRUE(named) << e.reason << ": " << shown << "\n" << log;
	}
	EXPECT_EQ(count_in(log, "Refused:\t"), entries.size());
	EXPECT_FALSE(dir_exists(out)) << "a refused master writes nothing";

	// without them the master builds
	sh("chmod 755 '" + doc + "closed' && rm -rf '" + doc + "closed'");
	for (auto& e : entries) unlink((doc + e.name).c_str());
	build_install();
	std::string first = base + "first/";
	make_folder(first);
	ASSERT_EQ(zip_to_file(set_folder() + "directory.txt.zip", first, nullptr, 0), 0);
	read_back(set_folder());
	ASSERT_TRUE(history("All/Resources/doc/real/a.txt"));
	ASSERT_TRUE(history("All/Resources/doc/link_to_file"));

	// a second release over a file that cannot be read stops, naming it
	ASSERT_EQ(chmod((doc + "real/a.txt").c_str(), 0), 0);
	release_number = 92103;
	make_installer_set_paths(master, base + "out2/", first + "directory.txt");
	EXPECT_EXIT({ read_any_file(false); build_install(); exit(0); }, ::testing::ExitedWithCode(1), "");
	EXPECT_NE(slurp(base + "log.txt").find("Refused:\ta file that cannot be read\t" + doc + "real/a.txt"), std::string::npos);
	EXPECT_FALSE(dir_exists(base + "out2/"));
	chmod((doc + "real/a.txt").c_str(), 0644);
}

TEST_F(BuilderStops, OnEveryFaultTheRunEnds)
{
	// Each case on a fresh master: it stops with status 1 and says why in the log.
	auto expect_stop = [&](const std::string& why, const std::string& said, auto&& setup) {
		fresh_master();
		size_t before = count_in(slurp(base + "log.txt"), said);
		EXPECT_EXIT({ setup(); build_install(); exit(0); }, ::testing::ExitedWithCode(1), "") << why;
		EXPECT_GT(count_in(slurp(base + "log.txt"), said), before) << why << ": no \"" << said << "\" in the log";
	};
	expect_stop("a disc set's global scenery file without its 7z", "has no 7z archive beside it", [&] {
		build_type = 1;
		put(master + "All/Global Scenery/-global terrain-/t.dsf", "tile");
		put(master + "All/Resources/default scenery/900 red terrain/r.txt", "red");
		put(master + "All/Resources/bitmaps/Earth Orbit Textures/o.txt", "orbit");
	});
	expect_stop("a copy file", "found a copy file!", [&] { previous(""); put(master + "All/Aircraft/p/my copy.txt", "x"); });
	expect_stop("a file directly in All", "I FOUND A FILE INSIDE THE 'ALL' FOLDER!", [&] {
		previous("");
		put(master + "All/stray.txt", "x");
	});
	expect_stop("the previous directory is missing", "I could not read the old directory!",
	            [&] { make_installer_set_paths(master, out, base + "none.txt"); });
	expect_stop("one old path listed twice apart", "you appear to have a file TWICE", [&] {
		previous("\nDIR All/Aircraft/\nFILE 0 0 90000 1 1 11111111111111111111111111111111 a.txt\n"
		         "\nDIR All/Airfoils/\nFILE 0 0 90000 1 1 11111111111111111111111111111111 b.afl\n"
		         "\nDIR All/Aircraft/\nFILE 0 0 90000 1 1 11111111111111111111111111111111 a.txt\n");
	});
	expect_stop("the release number was used already", "I already have a version", [&] {
		previous("\nDIR All/Aircraft/\nFILE 0 0 92102 1 1 11111111111111111111111111111111 a.txt\n");
	});
	expect_stop("a second update set into the same output root", "Could not make the dst_folder!", [&] {
		previous("");
		make_folder(out);
		make_folder(out + sim_name + "/");
	});
	EXPECT_TRUE(dir_exists(out)) << "a set that was there before is left alone";
	// met by the archive workers, among files that finish before and after it
	expect_stop("a Windows program that cannot be patched", "could not make a windows exe file large-address-aware", [&] {
		previous("");
		for (int i = 0; i < 40; ++i) put(master + "Windows/doc" + std::to_string(i) + ".txt", "a document");
		put(master + "Windows/tool.exe", "not a program");
	});
	EXPECT_FALSE(dir_exists(out)) << "a run stopped while archiving leaves no output that blocks the next";
	expect_stop("a release number below the previous release's", "is not above the previous release's 92103", [&] {
		previous("\nDIR All/Aircraft/\nFILE 0 0 92103 1 1 11111111111111111111111111111111 a.txt\n");
	});
	expect_stop("a disc set that needs a seventh disc", "The set needs more than 6 discs", [&] {
		build_type = 1;
		dvd_limit_kb = 1;	// every file of 2 kB (its archive too) fills a disc of its own
		for (int i = 0; i < 8; ++i) put(master + "All/Resources/noise" + std::to_string(i) + ".bin", random_bytes(2500, i));
		make_folder(master + "All/Global Scenery/");
		put(master + "All/Resources/default scenery/900 red terrain/r.txt", "red");
		put(master + "All/Resources/bitmaps/Earth Orbit Textures/o.txt", "orbit");
	});
	EXPECT_FALSE(dir_exists(out)) << "the discs made so far are removed";
	small_disk disk(base);
	if (!disk.path.empty()) {
		expect_stop("a full disk", "I could not zip a file!", [&] {
			previous("");
			for (int i = 0; i < 8; ++i)
				put(master + "All/Resources/noise" + std::to_string(i) + ".bin", random_bytes(300000, i));
			make_installer_set_paths(master, disk.path + "out/", prev);
		});
		EXPECT_FALSE(dir_exists(disk.path + "out/"));
	}
}

// The program's options: one it cannot use is refused before anything is
// read or written, with its reason on the terminal and status 2.
TEST_F(BuilderStops, TheCommandLineRefusesWhatTheBuilderCannotUse)
{
	previous("");
	const std::string m = " --master '" + master + "'", o = " --out '" + out + "'", p = " --previous '" + prev + "'";
	struct row { std::string args; int status; std::string said; };
	const std::vector<row> rows = {
		{m + o + " --type 7", 2, "--type takes 0, 1, 2 or 3"},
		{m + o + " --type 1x", 2, "--type takes 0, 1, 2 or 3"},
		{m + o, 2, "an update set (--type 0, the default) needs --previous FILE"},
		{m + o + p + " --type 1", 2, "--previous is read by an update set (--type 0) alone"},
		{m + o + " --type 1 --disc-kb -5", 2, "--disc-kb takes a whole number of kilobytes from 1 up, not \"-5\""},
		{m + o + " --type 1 --disc-kb 0", 2, "--disc-kb takes a whole number"},
		{m + o + p + " --release 92x03", 2, "--release takes a whole number from 1 up"},
		{m + o + p + " --bogus 1", 2, "unknown option \"--bogus\""},
		{m + o + p + " stray", 2, "unknown option \"stray\""},
		{m + o + " --previous", 2, "--previous needs a value"},
		{" --master" + o + p, 2, "--master needs a value"},
		{o + p, 2, "--master DIR is needed"},
		{m + p, 2, "--out DIR is needed"},
		{" --master '" + base + "none/'" + o + p, 2, "the master tree " + base + "none/ cannot be read"},
		{m + o + " --previous '" + base + "none.txt'", 2, "the previous directory file " + base + "none.txt cannot be read"},
		{m + o + p + " --type 7 --help", 0, "  --disc-kb N "},
		{" -h", 0, "     1  the product's disc set"},
	};
	for (const auto& r : rows) {
		std::string said = base + "said.txt";
		int st = sh("cd '" + base + "' && '" VANTOR_BINARY_DIR "/make_release'" + r.args + " >'" + said + "' 2>&1");
		std::string text = slurp(said);
		EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == r.status) << r.args << "\n" << text;
		EXPECT_NE(text.find(r.said), std::string::npos) << r.args << "\n" << text;
		EXPECT_EQ(text.find("release set written"), std::string::npos) << r.args;
		EXPECT_FALSE(dir_exists(out)) << r.args;
	}
}

}  // namespace
