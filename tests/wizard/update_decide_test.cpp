// What the web update decides after its scan, and which folder "-path" names.
#include "wizard_support.h"
#include "main_globals.h"
#include "main_update.h"
#include "utils.h"
#include "utils_internal.h"
#include <climits>

static const std::string M1 = "11111111111111111111111111111111";
static const std::string M2 = "22222222222222222222222222222222";

static file_version_struct& add(const std::string& path, const std::string& want, const std::string& have)
{
	g_engine.sim_info.push_back(file_history_struct());
	g_engine.sim_info.back().versions.emplace_back();
	file_version_struct& v = g_engine.sim_info.back().versions.back();
	v.os = 0;
	v.path = path;
	v.sig_want = want;
	v.sig_have = have;
	v.up_to_date = want == have;
	v.is_global = is_global_scenery_f(path.c_str());
	if (v.is_global) find_sector(&v.lon_i, &v.lat_i, path);
	return v;
}

struct UpdateDecision : ::testing::Test {
	void SetUp() override
	{
		g_engine.sim_info.clear();
		g_engine.sim_info.reserve(8);	// the tests hold references to the entries they add
		set_install_filter(1, 1);
		scenery_take_none();
	}
	void TearDown() override { g_engine.sim_info.clear(); }
};

// The copy's own scenery is neither deleted nor joined by tiles it never had.
TEST_F(UpdateDecision, TheCopysSceneryStaysAsItIs)
{
	add("V/Resources/a.txt", M1, M1);
	file_version_struct& own = add("V/Global Scenery/+40-080/+40-080.dsf", M1, M1);
	file_version_struct& other = add("V/Global Scenery/+50-010/+50-010.dsf", M1, "NONE");
	net_decide_after_scan();
	EXPECT_EQ(net_was_current, 1);
	EXPECT_EQ(stg.total_kb_download, 0);
	ASSERT_EQ(choose_files(dest_dir_path), 1);
	EXPECT_EQ(own.want_delete, 0);
	EXPECT_EQ(own.want_download, 0);
	EXPECT_EQ(other.want_download, 0);

	own.sig_have = M2;	// an older tile of the copy is brought up to date
	own.up_to_date = 0;
	net_decide_after_scan();
	EXPECT_EQ(net_was_current, 0);
}

// Small files count nothing in kilobytes, and a dropped file none at all:
// each still makes the copy out of date.
TEST_F(UpdateDecision, SmallAndDroppedFilesAreUpdatesToo)
{
	file_version_struct& small = add("V/Resources/tiny.txt", M1, "NONE");
	small.kb1 = small.kb2 = 0;
	net_decide_after_scan();
	EXPECT_EQ(stg.total_kb_install, 0);
	EXPECT_EQ(net_was_current, 0);

	g_engine.sim_info.clear();
	add("V/Resources/old.txt", "GONE", M1);
	add("V/Resources/gone and absent.txt", "GONE", "NONE");
	net_decide_after_scan();
	EXPECT_EQ(net_was_current, 0);
	g_engine.sim_info.pop_back();
	g_engine.sim_info.pop_back();
	add("V/Resources/gone and absent.txt", "GONE", "NONE");
	add("V/Macintosh only.txt", M1, "NONE").os = 1;	// another platform's file is not this copy's
	net_decide_after_scan();
	EXPECT_EQ(net_was_current, 1);
}

TEST(UpdatePath, OnlyAnInstalledCopyIsTaken)
{
	wz_scratch s;
	std::string copy = s.path + "Vantor 9/";
	wz_sh("mkdir -p '" + copy + "Airfoils' '" + copy + "Instructions' '" + copy + "Output' '" + copy +
	      "Resources/plugins' '" + s.path + "Elsewhere'");
	EXPECT_EQ(net_command_line_copy(copy), copy);
	EXPECT_EQ(net_command_line_copy(s.path + "Vantor 9"), copy);	// without its "/"
	EXPECT_EQ(net_command_line_copy(copy + "Resources/plugins"), copy);	// a folder inside the copy
	EXPECT_EQ(net_command_line_copy(s.path + "Elsewhere/"), "");
	EXPECT_EQ(net_command_line_copy(s.path + "missing/"), "");
	EXPECT_EQ(net_command_line_copy(""), "");
	// relative to the working folder
	char keep[PATH_MAX];
	ASSERT_NE(getcwd(keep, sizeof(keep)), nullptr);
	ASSERT_EQ(chdir(s.path.c_str()), 0);
	EXPECT_EQ(net_command_line_copy("Vantor 9/Output"), copy);
	ASSERT_EQ(chdir(keep), 0);
}
