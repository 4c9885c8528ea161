// What the web screens may delete: the streams' archives in the temporary
// folder, and a partial install only when this run made its folder.
#include "wizard_support.h"
#include "main_demo.h"
#include "main_globals.h"
#include "path_utils.h"
#include "utils.h"
#include "utils_internal.h"

TEST(DemoCleanup, PartialInstallIsDeletedOnlyWhenThisRunMadeIt)
{
	wz_scratch s;
	wz_env home("HOME", s.path + "home");
	std::string parent = s.path + "home/Desktop/", dest = parent + "Vantor 9 Demo/";
	EXPECT_EQ(demo_may_delete(dest, dest, parent), 1);
	EXPECT_EQ(demo_may_delete(dest, dest.substr(0, dest.size() - 1), parent), 1);	// with or without its "/"
	EXPECT_EQ(demo_may_delete(dest, "", parent), 0);	// this run made no folder
	EXPECT_EQ(demo_may_delete(dest, parent + "Other/", parent), 0);
	// never the parent, the Desktop, the home folder, the temporary folder or the root
	EXPECT_EQ(demo_may_delete(parent, parent, parent), 0);
	std::string desktop;
	get_OS_abs_path(os_dir_desktop, desktop);
	EXPECT_EQ(demo_may_delete(desktop, desktop, "/elsewhere/"), 0);
	EXPECT_EQ(demo_may_delete(s.path + "home/", s.path + "home/", "/elsewhere/"), 0);
	EXPECT_EQ(demo_may_delete("/", "/", ""), 0);
	g_engine.temp_path = s.path + "tmp/";
	EXPECT_EQ(demo_may_delete(temp_path, temp_path, ""), 0);
	EXPECT_EQ(demo_may_delete("relative/", "relative/", ""), 0);
}

TEST(DemoCleanup, DiscardTakesTheStreamsArchivesOnly)
{
	wz_scratch s;
	g_engine.temp_path = s.path + "tmp/";
	dest_dir_path = s.path + "copy/";
	wz_sh("mkdir -p '" + temp_path + "' '" + dest_dir_path + "Resources'");
	g_engine.sim_info.assign(3, file_history_struct());
	for (auto& h : g_engine.sim_info) {
		h.versions.emplace_back();
		h.versions.back().path = "All/Resources/a.txt";
	}
	wz_write(dest_dir_path + "Resources/a.txt.zip", "the user's own file");
	g_grab.streams[0].on = 1; g_grab.streams[0].file = 0;
	g_grab.streams[1].on = 1; g_grab.streams[1].file = 3;	// past the end of the list: left alone
	g_grab.streams[2].on = 0; g_grab.streams[2].file = 1;
	g_grab.streams[3].on = 1; g_grab.streams[3].file = 2;
	for (int i = 0; i < 4; ++i) wz_write(grab_stream_archive(i), "x");
	grab_discard_archives();
	EXPECT_EQ(access(grab_stream_archive(0).c_str(), F_OK), -1);
	EXPECT_EQ(access(grab_stream_archive(1).c_str(), F_OK), 0);
	EXPECT_EQ(access(grab_stream_archive(2).c_str(), F_OK), 0);
	EXPECT_EQ(access(grab_stream_archive(3).c_str(), F_OK), -1);
	EXPECT_EQ(wz_read(dest_dir_path + "Resources/a.txt.zip"), "the user's own file");
	g_engine.sim_info.clear();
	grab_files_start();
}
