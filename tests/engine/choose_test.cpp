// The fetch/keep/delete decision, its prompts and the totals.
#include "engine_support.h"
#include "utils.h"
#include "utils_internal.h"

static const std::string M1 = "11111111111111111111111111111111";
static const std::string M2 = "22222222222222222222222222222222";
static const std::string OLDV = "00000000000000000000000000000000";
static const std::string USER = "99999999999999999999999999999999";

static std::string line(int os, int kb1, int kb2, const std::string& sig, const std::string& name)
{
	return "FILE 0 " + std::to_string(os) + " 92102 " + std::to_string(kb1) + " " + std::to_string(kb2) + " " + sig +
	       " " + name + "\n";
}

static file_version_struct& cur(int i) { return g_engine.sim_info[i].versions.back(); }
static void have(int i, const std::string& sig)
{
	cur(i).sig_have = sig;
	cur(i).up_to_date = cur(i).sig_want == sig;
}
static std::string flags(int i) { return std::to_string(cur(i).want_download) + std::to_string(cur(i).want_delete); }

class Choose : public EngineTest {};

TEST_F(Choose, DecisionTable)
{
	std::string body = "DIR V/R/\n" + line(0, 1, 1, M1, "a") + line(0, 1, 1, M1, "b") + line(0, 1, 1, OLDV, "c") +
	                   line(0, 1, 1, M1, "c") + line(0, 1, 1, M1, "d") + line(0, 1, 1, "GONE", "e") +
	                   line(0, 1, 1, OLDV, "f") + line(0, 1, 1, "GONE", "f") + line(0, 1, 1, OLDV, "g") +
	                   line(0, 1, 1, "GONE", "g") + line(2, 1, 1, M1, "win") +
	                   "DIR V/Global Scenery/+40-080/\n" + line(0, 1, 1, M1, "+40-080.dsf") +
	                   line(0, 1, 1, M1, "+41-080.dsf") + line(0, 1, 1, M1, "+42-080.dsf");
	ASSERT_EQ(3, load_directory(dir, body));
	ASSERT_EQ(11u, sim_info.size());
	have(0, "NONE");
	have(1, M1);
	have(2, OLDV);
	have(3, USER);
	have(4, "NONE");
	have(5, OLDV);
	have(6, USER);
	have(7, USER);
	have(8, M1);	// scenery of a deselected tile, present and current
	have(9, "NONE");	// deselected, absent
	have(10, USER);	// deselected, changed
	scenery_take_none();
	g_prompt_rules = {{"/R/d", select_keep}, {"/R/g", select_act}, {"+42-080", select_keep}};

	ASSERT_EQ(1, choose_files(copy_dir));
	EXPECT_EQ("10", flags(0));
	EXPECT_EQ("00", flags(1));
	EXPECT_EQ("10", flags(2));	// a known older copy is overwritten unasked
	EXPECT_EQ("00", flags(3));	// the user kept it
	EXPECT_EQ("00", flags(4));
	EXPECT_EQ("01", flags(5));	// obsolete and unchanged: deleted unasked
	EXPECT_EQ("01", flags(6));	// obsolete and changed: the user said delete
	EXPECT_EQ("00", flags(7));	// another platform's file is never asked about
	EXPECT_EQ("01", flags(8));
	EXPECT_EQ("00", flags(9));
	EXPECT_EQ("00", flags(10));
	ASSERT_EQ(3u, g_prompt_calls.size());
	EXPECT_EQ(copy_dir + "R/d", g_prompt_calls[0].first);
	EXPECT_EQ(0, g_prompt_calls[0].second);
	EXPECT_EQ(1, g_prompt_calls[1].second);
	EXPECT_EQ(1, g_prompt_calls[2].second);
	EXPECT_NE(std::string::npos, log_text().find("File: " + copy_dir + "R/d  sig_want=" + M1 + "  sig_have=" + USER));
}

TEST_F(Choose, FolderAnswersAndCancel)
{
	std::string body = "DIR V/A/\n" + line(0, 1, 1, M1, "1") + line(0, 1, 1, M1, "2") + "DIR V/A/B/\n" +
	                   line(0, 1, 1, M1, "3") + line(0, 1, 1, M1, "4") + "DIR V/C/\n" + line(0, 1, 1, M1, "5") +
	                   line(0, 1, 1, M1, "6") + line(0, 1, 1, M1, "7");
	ASSERT_EQ(3, load_directory(dir, body));
	for (int i = 0; i < 7; ++i) have(i, USER);
	g_prompt_rules = {{"/A/B/", select_keep_dir}, {"/A/", select_act_dir}, {"/C/5", select_keep}};
	EXPECT_EQ(0, choose_files(copy_dir));	// C/6 has no answer: cancel
	EXPECT_EQ("10", flags(0));
	EXPECT_EQ("10", flags(1));
	EXPECT_EQ("00", flags(2));
	EXPECT_EQ("00", flags(3));
	EXPECT_EQ("00", flags(4));
	EXPECT_EQ("00", flags(5));
	// one question per folder answer; the sub-folder was asked again
	ASSERT_EQ(4u, g_prompt_calls.size());
	EXPECT_EQ(copy_dir + "A/1", g_prompt_calls[0].first);
	EXPECT_EQ(copy_dir + "A/B/3", g_prompt_calls[1].first);
	EXPECT_EQ(copy_dir + "C/6", g_prompt_calls[3].first);
	// the folder lists do not outlive a call
	g_prompt_calls.clear();
	g_prompt_rules = {{"/", select_keep}};
	EXPECT_EQ(1, choose_files(copy_dir));
	EXPECT_EQ(7u, g_prompt_calls.size());
}

// A program that set no prompt (a tool, a test) never has a changed file
// overwritten or deleted unasked: the run is cancelled.
TEST_F(Choose, NoPromptCancelsAtAChangedFile)
{
	std::string body = "DIR V/A/\n" + line(0, 1, 1, M1, "1") + line(0, 1, 1, "GONE", "2");
	ASSERT_EQ(3, load_directory(dir, body));
	have(0, "NONE");
	have(1, USER);
	UTIL_prompt_hooks = {};
	EXPECT_EQ(0, choose_files(copy_dir));
	EXPECT_EQ("00", flags(1));
	EXPECT_TRUE(g_prompt_calls.empty());
	have(1, "NONE");	// nothing changed: nothing to ask
	EXPECT_EQ(1, choose_files(copy_dir));
	EXPECT_EQ("10", flags(0));
}

TEST_F(Choose, ProgressShares)
{
	std::string body = "DIR V/\n" + line(0, 1, 10, M1, "a") + line(0, 1, 30, M1, "b") + line(0, 1, 50, M1, "skip") +
	                   line(0, 1, 60, M1, "c");
	ASSERT_EQ(3, load_directory(dir, body));
	have(0, "NONE");
	have(1, "NONE");
	have(2, M1);
	have(3, "NONE");
	g_engine.stg.extract_error = g_engine.stg.download_error = 1;	// left over from a failed run
	ASSERT_EQ(1, choose_files(copy_dir));
	EXPECT_EQ(0, stg.extract_error);
	EXPECT_EQ(0, stg.download_error);
	EXPECT_FLOAT_EQ(0.0f, cur(0).progress_share);
	EXPECT_FLOAT_EQ(0.1f, cur(1).progress_share);
	EXPECT_FLOAT_EQ(0.4f, cur(2).progress_share);
	EXPECT_FLOAT_EQ(0.4f, cur(3).progress_share);
	for (int i = 0; i < 4; ++i) have(i, M1);
	ASSERT_EQ(1, choose_files(copy_dir));
	for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(0.5f, cur(i).progress_share);
}

// A file whose platform code changed is listed twice for one local path: its
// new history, and the old one ending in a tombstone.
TEST_F(Choose, PlatformChangeIsNeitherDeletedNorAsked)
{
	std::string body = "DIR Macintosh/R/\n" + line(1, 1, 1, M2, "p.vnk") + line(1, 1, 1, M2, "q.vnk") +
	                   "DIR All/R/\n" + line(0, 1, 1, M1, "p.vnk") + line(0, 1, 1, "GONE", "p.vnk") +
	                   line(0, 1, 1, M1, "q.vnk") + line(0, 1, 1, "GONE", "q.vnk") + line(0, 1, 1, M1, "r.vnk") +
	                   line(0, 1, 1, "GONE", "r.vnk");
	ASSERT_EQ(3, load_directory(dir, body));
	ASSERT_EQ(5u, sim_info.size());
	have(0, M1);	// the old platform's copy: replaced quietly
	have(2, M1);
	have(1, M2);	// already the new one
	have(3, M2);
	have(4, M1);	// a plain obsolete file still goes
	ASSERT_EQ(1, choose_files(copy_dir));
	EXPECT_TRUE(g_prompt_calls.empty());
	EXPECT_EQ("10", flags(0));
	EXPECT_EQ("00", flags(1));
	EXPECT_EQ("00", flags(2));
	EXPECT_EQ("00", flags(3));
	EXPECT_EQ("01", flags(4));

	// the tombstone of a platform not installed does not hide the live history
	g_engine.stg.target_os = os_windows;
	ASSERT_EQ(1, choose_files(copy_dir));
	EXPECT_EQ("00", flags(0));
	EXPECT_EQ("01", flags(2));
}

TEST_F(Choose, DiskTotals)
{
	std::string body = "DIR V/\n" + line(0, 4, 10, M1, "a") + line(0, 6, 20, M1, "b") + line(0, 1, 1, "GONE", "c") +
	                   line(2, 7, 7, M1, "w") + "DIR V/Global Scenery/x/\n" + line(0, 100, 200, M1, "+40-080.dsf") +
	                   line(0, 100, 200, M1, "+41-081.dsf");
	ASSERT_EQ(3, load_directory(dir, body));
	have(0, "NONE");
	have(1, M1);
	have(2, "GONE");	// after a quick scan an existing obsolete file reads as current
	have(3, "NONE");
	have(4, "NONE");
	have(5, M1);
	scenery_take_all();
	g_engine.stg.tile_wanted[9][13] = 0;	// the tile of +41-081
	recalc_disk_sizes();
	EXPECT_FLOAT_EQ(104, stg.total_kb_download);
	EXPECT_FLOAT_EQ(210, stg.total_kb_install);
	EXPECT_EQ(2, stg.files_to_install);
	EXPECT_EQ(2, stg.files_to_delete);
	set_install_filter(1, 0);
	recalc_disk_sizes();
	EXPECT_EQ(1, stg.files_to_install);
	EXPECT_EQ(1, stg.files_to_delete);
}
