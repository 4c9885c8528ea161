#include "files_support.h"
#include "path_utils.h"
#include <climits>

TEST(Paths, FileAndFolderParts)
{
	struct { const char* in; const char* file; const char* folder; } cases[] = {
		{"a/b/c", "c", "a/b/"}, {"a/b/c/", "c/", "a/b/"}, {"abc", "abc", ""}, {"/abc", "abc", "/"},
		{"a/", "", "a/"}, {"", "", ""},
	};
	for (auto& c : cases) {
		std::string f, p;
		get_file_with_path(f, c.in);
		get_path_with_path(p, c.in);
		EXPECT_EQ(f, c.file) << c.in;
		EXPECT_EQ(p, c.folder) << c.in;
	}
}

TEST(Paths, SeparatorsAndMacRomanBecomeUtf8)
{
	std::string p = "C:\\dir\\file";
	set_path_to_right_dirchars(p);
	EXPECT_EQ(p, "C//dir/file");
	p = "\x8E";
	set_path_to_right_dirchars(p);
	EXPECT_EQ(p, "\xC3\xA9");
	p = "caf\xC3\xA9/\xE2\x82\xAC";
	set_path_to_right_dirchars(p);
	EXPECT_EQ(p, "caf\xC3\xA9/\xE2\x82\xAC");
	p = "cut\xC3";	// a lead byte without its continuation is not UTF-8
	set_path_to_right_dirchars(p);
	EXPECT_EQ(p, "cut\xE2\x88\x9A");
}

TEST(Paths, CaseRepairFollowsTheDiskUpToTheFirstMismatch)
{
	scratch_dir d;
	sh("mkdir -p '" + d.path + "data/Resources'");
	g_case_sensitive = 1;
	std::string p = d.path + "Data/RESOURCES/x.txt";
	set_path_to_full(p);
	EXPECT_EQ(p, d.path + "data/Resources/x.txt");
	p = d.path + "DATA/nothing/Resources";
	set_path_to_full(p);
	EXPECT_EQ(p, d.path + "data/nothing/Resources");
	sh("mkdir -p '" + d.path + "data/resources'");	// an existing path is never touched
	p = d.path + "data/resources";
	set_path_to_full(p);
	EXPECT_EQ(p, d.path + "data/resources");
	// a component that exists as spelled is kept, whatever the folder lists first
	for (const char* twin : {"Twin", "twin", "TWIN", "tWin"}) sh("mkdir -p '" + d.path + "pairs/" + twin + "'");
	sh("mkdir -p '" + d.path + "pairs/twiN/Sub'");
	for (const char* twin : {"Twin", "twin", "TWIN", "tWin"}) {
		p = d.path + "pairs/" + twin + "/sub";
		set_path_to_full(p);
		EXPECT_EQ(p, d.path + "pairs/" + twin + "/sub");
	}
	// The listing kept of a folder follows it: names the program placed, and
	// other programs' renames and removals, one of them within one tick of
	// the folder's clock (its time put back).
	std::string kept = d.path + "kept/";
	sh("mkdir -p '" + kept + "' && touch '" + kept + "README.TXT'");
	auto repaired = [&](const std::string& name) {
		std::string q = kept + name;
		set_path_to_full(q);
		return q.substr(kept.size());
	};
	EXPECT_EQ(repaired("readme.txt"), "README.TXT");
	for (int i = 0; i < 50; ++i) {
		write_file(kept + "new_" + std::to_string(i), "x");
		path_case_placed(kept + "new_" + std::to_string(i));
	}
	EXPECT_EQ(repaired("Readme.txt"), "README.TXT");
	EXPECT_EQ(repaired("NEW_7"), "new_7");
	EXPECT_EQ(repaired("new_50"), "new_50");
	sh("cd '" + kept + "' && mv README.TXT ReadMe.txt");
	EXPECT_EQ(repaired("readme.txt"), "ReadMe.txt");
	sh("cd '" + kept + "' && touch -r . ../when && mv ReadMe.txt rEADME.txt && touch -r ../when .");
	EXPECT_EQ(repaired("readme.txt"), "rEADME.txt");
	sh("rm '" + kept + "rEADME.txt'");
	EXPECT_EQ(repaired("readme.txt"), "readme.txt");
	g_case_sensitive = 0;
	p = d.path + "DATA";
	set_path_to_full(p);
	EXPECT_EQ(p, d.path + "DATA");
}

TEST(Paths, ApplicationFolderIsTheExecutablesFolder)
{
	std::string folder = "unset", self = "unset";
	get_OS_abs_path(os_dir_app_folder, folder);
	get_OS_abs_path(os_dir_app_bundle, self);
	char buf[PATH_MAX];
	ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf));
	ASSERT_GT(n, 0);
	EXPECT_EQ(self, std::string(buf, n));
	EXPECT_EQ(folder, self.substr(0, self.rfind('/') + 1));
	EXPECT_EQ(g_case_sensitive, 1);
}

TEST(Paths, UserFoldersFollowXdgAndAreCreated)
{
	scratch_dir d;
	std::string home = d.path + "home";
	setenv("HOME", home.c_str(), 1);
	unsetenv("XDG_CONFIG_HOME");
	std::string out;
	get_OS_abs_path(os_dir_desktop, out);
	EXPECT_EQ(out, home + "/Desktop/");
	EXPECT_TRUE(exists_l(home + "/Desktop"));
	get_OS_abs_path(os_dir_prefs, out);
	EXPECT_EQ(out, home + "/.config/");

	setenv("XDG_CONFIG_HOME", (d.path + "cfg").c_str(), 1);
	sh("mkdir -p '" + d.path + "cfg' && printf '# comment\\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\\n' > '" + d.path + "cfg/user-dirs.dirs'");
	get_OS_abs_path(os_dir_desktop_b, out);
	EXPECT_EQ(out, home + "/Schreibtisch/");
	EXPECT_TRUE(exists_l(home + "/Schreibtisch"));
	get_OS_abs_path(os_dir_prefs, out);
	EXPECT_EQ(out, d.path + "cfg/");
	// the program's own files apart (the demo's), the user's desktop still theirs
	setenv("VANTOR_PREFS_FOLDER", (d.path + "own").c_str(), 1);
	get_OS_abs_path(os_dir_prefs, out);
	EXPECT_EQ(out, d.path + "own/");
	EXPECT_TRUE(exists_l(d.path + "own"));
	get_OS_abs_path(os_dir_desktop, out);
	EXPECT_EQ(out, home + "/Schreibtisch/");
	setenv("VANTOR_PREFS_FOLDER", "own", 1);	// no whole path: not taken
	get_OS_abs_path(os_dir_prefs, out);
	EXPECT_EQ(out, d.path + "cfg/");
	unsetenv("VANTOR_PREFS_FOLDER");

	out = "kept";
	get_OS_abs_path((os_dir_type)9, out);
	EXPECT_EQ(out, "kept");
}

TEST(Paths, TemporaryFolderIsPrivate)
{
	scratch_dir d;
	setenv("TMPDIR", d.path.c_str(), 1);
	// someone else holds the usual name: the folder must not be used
	std::string usual = d.path + "vantor-" + std::to_string(getuid());
	if (getuid() == 0) {
		mkdir(usual.c_str(), 0777);
		ASSERT_EQ(chown(usual.c_str(), 65534, 65534), 0);
	}
	std::string t;
	get_OS_abs_path(os_dir_temp, t);
	ASSERT_FALSE(t.empty());
	EXPECT_EQ(t.back(), '/');
	EXPECT_EQ(mode_of(t.substr(0, t.size() - 1)), 0700);
	struct stat st;
	ASSERT_EQ(lstat(t.c_str(), &st), 0);
	EXPECT_EQ(st.st_uid, getuid());
	if (getuid() == 0) EXPECT_NE(t, usual + "/");
	else EXPECT_EQ(t, usual + "/");
}

TEST(Paths, ReferencesOfNotYetExistingFilesAndByteSwaps)
{
	scratch_dir d;
	FSRef ref;
	std::string name;
	EXPECT_EQ(FilePathToFSRefAndName((d.path + "new.txt").c_str(), &ref, &name), 0);
	EXPECT_EQ(name, "new.txt");
	std::string back;
	ASSERT_EQ(FSRefToFilePath(&ref, back), 0);
	char real[PATH_MAX];
	ASSERT_TRUE(realpath(d.path.c_str(), real));
	EXPECT_EQ(back, real);
	EXPECT_EQ(FilePathToFSRefAndName("/x", &ref, &name), 0);
	EXPECT_EQ(ref.path, "/");
	EXPECT_EQ(FilePathToFSRefAndName((d.path + "missing/new.txt").c_str(), &ref, &name), -43);
	EXPECT_EQ(FilePathToFSRefAndName((d.path + "new.txt").c_str(), &ref, nullptr), -43);

	unsigned char b[4] = {0x12, 0x34, 0x56, 0x78};
	int32_t v;
	memcpy(&v, b, 4);
	int32_t r = EndianFlipLong(&v);
	memcpy(b, &v, 4);
	EXPECT_EQ(b[0], 0x78);
	EXPECT_EQ(b[3], 0x12);
	EXPECT_EQ(r, v);
	short s = 0x1234;
	EndianFlipShort(&s);
	EXPECT_EQ((unsigned short)s, 0x3412);

	std::string c = "/Volumes/disc/a/";
	ConvertPathToCFM(c);
	EXPECT_EQ(c, "Volumes:disc:a:");
}
