// The registration file of installed copies, in a preferences folder of the test's own.
#include "wizard_support.h"
#include "main_globals.h"
#include "main_registration.h"
#include "UTL_log.h"

static void make_copy(const std::string& root)
{
	wz_sh("mkdir -p '" + root + "Airfoils' '" + root + "Instructions' '" + root + "Output' '" + root +
	      "Resources/plugins'");
}

TEST(Registration, AddOnceSkipMissingKeepLines)
{
	wz_scratch s;
	wz_env cfg("XDG_CONFIG_HOME", s.path + "config");
	std::string a = s.path + "Copy A/", b = s.path + "Copy B/";
	make_copy(a);
	make_copy(b);
	EXPECT_EQ(registration_file_path(), s.path + "config/vantor_install.txt");

	dest_dir_path = a;
	register_new_vantor();
	register_new_vantor();
	dest_dir_path = b;
	register_new_vantor();
	std::string file = wz_read(registration_file_path());
	EXPECT_EQ(file, a + "\n" + b + "\n");

	locate_all_vantors();
	ASSERT_EQ(all_rootdecks.size(), 2u);
	EXPECT_EQ(all_rootdecks[0], a);

	// a deleted copy is not offered, and its line stays
	wz_sh("rm -rf '" + a + "'");
	locate_all_vantors();
	ASSERT_EQ(all_rootdecks.size(), 1u);
	EXPECT_EQ(all_rootdecks[0], b);
	EXPECT_EQ(wz_count(wz_read(registration_file_path()), a), 1);
}

// Only a folder that is an installed copy is offered: a registered home, the
// root, a system folder or a relative line is named in the log and left out;
// a copy written without its last "/" is offered with it.
TEST(Registration, OnlyInstalledCopiesAreOffered)
{
	wz_scratch s;
	wz_env cfg("XDG_CONFIG_HOME", s.path + "config");
	wz_sh("mkdir -p '" + s.path + "config'");
	std::string copy = s.path + "Vantor 9/", bare = s.path + "Vantor 9 b", home = s.path + "home/";
	make_copy(copy);
	make_copy(bare + "/");
	wz_sh("mkdir -p '" + home + "Resources' '" + home + "Documents' && touch '" + home + "Resources/obsolete.dat'");
	wz_write(registration_file_path(), home + "\n/\n/etc/\n" + copy + "\nVantor 9/\n" + bare + "\n");
	const std::string log = s.path + "log.txt";
	if (xer.is_open()) xer.close();
	xer.clear();
	xer.open(log, std::ios::out | std::ios::trunc);
	locate_all_vantors();
	xer.close();
	ASSERT_EQ(all_rootdecks.size(), 2u);
	EXPECT_EQ(all_rootdecks[0], copy);
	EXPECT_EQ(all_rootdecks[1], bare + "/");
	std::string text = wz_read(log);
	for (const std::string& refused : {home, std::string("/"), std::string("/etc/"), std::string("Vantor 9/")})
		EXPECT_EQ(wz_count(text, "The registered folder " + refused + " is not an installed copy of Vantor; it is not "
		                         "offered.\n"), 1)
			<< text;
	EXPECT_EQ(wz_count(text, "is not an installed copy"), 4) << text;
	EXPECT_EQ(wz_count(wz_read(registration_file_path()), home), 1) << "the file keeps its lines";
}

TEST(Registration, LongLinesAndForeignLineEnds)
{
	wz_scratch s;
	wz_env cfg("XDG_CONFIG_HOME", s.path + "config");
	wz_sh("mkdir -p '" + s.path + "config'");
	// a folder path longer than any fixed line buffer
	std::string deep = s.path;
	while (deep.size() < 3000) deep += "a_rather_long_folder_name_for_testing/";
	make_copy(deep);
	ASSERT_EQ(wz_sh("test -d '" + deep + "Output'"), 0);
	std::string c = s.path + "crlf/";
	make_copy(c);
	// CR LF ends, and a last line without its line end
	wz_write(registration_file_path(), deep + "\n" + c + "\r\n" + "/nonexistent/x/");
	locate_all_vantors();
	ASSERT_EQ(all_rootdecks.size(), 2u);
	EXPECT_EQ(all_rootdecks[0], deep);
	EXPECT_EQ(all_rootdecks[1], c);

	// the long one is recognised as listed, and a new one does not join the unfinished last line
	dest_dir_path = deep;
	register_new_vantor();
	dest_dir_path = s.path + "new/";
	register_new_vantor();
	std::string file = wz_read(registration_file_path());
	EXPECT_EQ(wz_count(file, deep), 1);
	EXPECT_NE(file.find("/nonexistent/x/\n" + s.path + "new/\n"), std::string::npos);
}

TEST(Registration, NoFileAndUnwritableFile)
{
	wz_scratch s;
	wz_env cfg("XDG_CONFIG_HOME", s.path + "config");
	all_rootdecks.push_back("stale/");
	locate_all_vantors();
	EXPECT_TRUE(all_rootdecks.empty());
	// the file's place is taken by a folder: a warning, and the install goes on
	wz_sh("mkdir -p '" + s.path + "config/vantor_install.txt'");
	dest_dir_path = s.path;
	register_new_vantor();
	locate_all_vantors();
	EXPECT_TRUE(all_rootdecks.empty());
}

TEST(Registration, RecognisesInstalledCopies)
{
	wz_scratch s;
	std::string root = s.path + "Vantor 9/";
	make_copy(root);
	dest_dir_path = root;
	EXPECT_EQ(path_is_to_a_sim(dest_dir_path), 1);
	// names only need to contain the four words, and files do not count
	std::string odd = s.path + "odd/";
	wz_sh("mkdir -p '" + odd + "My Airfoils' '" + odd + "Instructions old' '" + odd + "Output' && touch '" + odd +
	      "Resources'");
	dest_dir_path = odd;
	EXPECT_EQ(path_is_to_a_sim(dest_dir_path), 0);
	dest_dir_path = s.path + "missing/";
	EXPECT_EQ(path_is_to_a_sim(dest_dir_path), 0);

	// a folder inside the copy finds the copy; one outside finds nothing
	dest_dir_path = "kept/";
	EXPECT_EQ(registration_find_copy(root + "Resources/plugins"), root);
	EXPECT_EQ(registration_find_copy(root + "Resources/"), root);
	EXPECT_EQ(registration_find_copy(s.path + "odd"), "");
	EXPECT_EQ(dest_dir_path, "kept/");
	EXPECT_EQ(registration_parent_folder("/a/b/"), "/a/");
	EXPECT_EQ(registration_parent_folder("/a/"), "/");
	EXPECT_EQ(registration_parent_folder("/"), "/");
}
