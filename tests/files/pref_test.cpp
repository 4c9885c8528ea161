#include "files_support.h"
#include "pref.h"
#include "http.h"
#include "MACIBM_mnw.h"
#include "UTL_cmdline.h"
#include "utils_internal.h"

class Prefs : public ::testing::Test {
protected:
	scratch_dir d;
	std::string file;
	void SetUp() override
	{
		setenv("XDG_CONFIG_HOME", (d.path + "cfg").c_str(), 1);
		file = d.path + "cfg/Vantor Installer.prf";
		g_engine.stg.stream_count = g_engine.stg.log_actions = g_engine.stg.get_beta = 0;
		http.proxy_host.clear();
		http.proxy_port_text.clear();
		http.proxy_port = 0;
	}
};

TEST_F(Prefs, RoundTripWithAnOverrideSavedBack)
{
	sh("mkdir -p '" + d.path + "cfg'");
	write_file(file, "\xEF\xBB\xBFI\r\n92001 version\r\n_stream_count 3\r\n\r\n  _log_actions\t1\r\n_proxy_host proxy.local  \r\n"
	                 "_proxy_port_int 3128\r\n_get_beta 1\r\n_get_beta 0\r\n_unknown 5\r\n_proxy_port\r\n");
	UTL_cmdline::add_one("--pref:_stream_count", "2");
	pref.IO_set(pref_file_installer, 0);
	EXPECT_EQ(stg.stream_count, 2);
	EXPECT_EQ(stg.log_actions, 1);
	EXPECT_EQ(http.proxy_host, "proxy.local  ");
	EXPECT_EQ(http.proxy_port_text, "");
	EXPECT_EQ(http.proxy_port, 3128);
	EXPECT_EQ(stg.get_beta, 0);

	pref.IO_set(pref_file_installer, 1);
	EXPECT_EQ(read_file(file), "I\n92001 version\n_stream_count 2\n_log_actions 1\n_proxy_host proxy.local  \n"
	                           "_proxy_port_int 3128\n_get_beta 0\n");
	cmdline.opts.erase("--pref:_stream_count");
	g_engine.stg.stream_count = 0;
	pref.IO_set(pref_file_installer, 0);
	EXPECT_EQ(stg.stream_count, 2);
}

TEST_F(Prefs, MissingOrForeignFilesLeaveTheStartValues)
{
	g_engine.stg.stream_count = 4;
	pref.IO_set(pref_file_installer, 0);
	EXPECT_EQ(stg.stream_count, 4);
	sh("mkdir -p '" + d.path + "cfg'");
	write_file(file, "I\n92002 version\n_stream_count 1\n");
	pref.IO_set(pref_file_installer, 0);
	EXPECT_EQ(stg.stream_count, 4);
	pref.IO_set(pref_file_installer, 1);
	EXPECT_EQ(read_file(file).find("_proxy_host"), std::string::npos);
	EXPECT_NE(read_file(file).find("_stream_count 4\n"), std::string::npos);
}

TEST_F(Prefs, ResolutionFileClampsSizes)
{
	in_folder here(d.path);
	sh("mkdir -p Output/preferences");
	write_file("Output/preferences/Res Rootdeck.prf", "I\n92001 version\n_x_res_req_ALL 500\n_y_res_req_ALL 12000\n_lang 2\n");
	pref.IO_set(pref_file_res, 0);
	EXPECT_EQ(mnw.req_w, 1024);
	EXPECT_EQ(mnw.req_h, 768);
	EXPECT_EQ(mnw.language, 2);
	mnw.req_w = 1600;
	mnw.req_h = 1200;
	pref.IO_set(pref_file_res, 1);
	EXPECT_EQ(mnw.prefs_found, 1);
	mnw.req_w = mnw.req_h = 0;
	pref.IO_set(pref_file_res, 0);
	EXPECT_EQ(mnw.req_w, 1600);
	EXPECT_EQ(mnw.req_h, 1200);
	pref.IO_set(pref_file_cal, 1);
	EXPECT_EQ(read_file("Output/preferences/Cal Vantor.prf"), "I\n92001 version\n");

	// an edited language number would index past the language table
	for (const char* lang : {"6", "-1", "2147483647"}) {
		write_file("Output/preferences/Res Rootdeck.prf", std::string("I\n92001 version\n_lang ") + lang + "\n");
		pref.IO_set(pref_file_res, 0);
		EXPECT_EQ(mnw.language, 0) << lang;
	}
}

TEST_F(Prefs, StreamCountOutsideItsRangeMeansAutomatic)
{
	sh("mkdir -p '" + d.path + "cfg'");
	for (const char* n : {"5", "9", "-1", "-2147483648"}) {
		write_file(file, std::string("I\n92001 version\n_stream_count ") + n + "\n");
		g_engine.stg.stream_count = 3;
		pref.IO_set(pref_file_installer, 0);
		EXPECT_EQ(stg.stream_count, 0) << n;
	}
	write_file(file, "I\n92001 version\n_stream_count 4\n");
	pref.IO_set(pref_file_installer, 0);
	EXPECT_EQ(stg.stream_count, 4);
}
