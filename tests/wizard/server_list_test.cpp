// Reading the server list: releases, mirrors, the newer-installer notice, and
// lists that a careless or hostile site could serve.
#include "wizard_support.h"
#include "main_globals.h"
#include "main_net.h"
#include "utils.h"
#include "utils_internal.h"
#include <cstdlib>

static const char* kHead = "A\n820 version\nSERVERS\n";

static void clear_servers()
{
	for (int i = 0; i < 10; ++i) g_engine.server_name[i] = g_engine.server_path[i] = g_engine.server_desc[i] = "";
	g_engine.stg.num_servers = servers_unknown;
	g_engine.install_name = "Not Yet Scanned";
}

TEST(ServerList, FinalOrBetaNamesEveryFolder)
{
	wz_scratch s;
	std::string list = std::string(kHead) +
		"BETA Vantor 9.30b1\nFINAL Vantor 9.21rc2\n"
		"SERVER 127.0.0.42\n/pub/\nFirst mirror|Europe\n"
		"  SERVER mirror.two\n\n/\n\nSecond mirror\nENDOFLIST\n";
	wz_write(s.path + "serverlist9.txt", list);
	for (int beta = 0; beta < 2; ++beta) {
		clear_servers();
		g_engine.stg.get_beta = beta;
		ASSERT_EQ(net_read_server_list(s.path + "serverlist9.txt", nullptr), net_list_read);
		const char* name = beta ? "Vantor 9.30b1" : "Vantor 9.21rc2";
		EXPECT_EQ(install_name, name);
		ASSERT_EQ(stg.num_servers, 2);
		EXPECT_EQ(server_name[0], "127.0.0.42");
		EXPECT_EQ(server_path[0], std::string("/pub/") + name + "/");
		EXPECT_EQ(server_desc[0], "First mirror|Europe");
		// blank lines before the folder and the description are passed over
		EXPECT_EQ(server_name[1], "mirror.two");
		EXPECT_EQ(server_path[1], std::string("/") + name + "/");
		EXPECT_EQ(server_desc[1], "Second mirror");
	}
	g_engine.stg.get_beta = 0;
}

TEST(ServerList, NewerInstallerStopsReading)
{
	wz_scratch s;
	std::string addr;
	clear_servers();
	wz_write(s.path + "a.txt", std::string(kHead) + "FINAL R1\nINS_VERSION 20502 http://x.example/old.html\n"
	                           "SERVER h1\n/\nd\nENDOFLIST\n");
	EXPECT_EQ(net_read_server_list(s.path + "a.txt", &addr), net_list_read);
	EXPECT_EQ(addr, "");
	EXPECT_EQ(stg.num_servers, 1);

	clear_servers();
	wz_write(s.path + "b.txt", std::string(kHead) + "FINAL R1\nINS_VERSION +20503 http://x.example/new.html trailing\n"
	                           "SERVER h1\n/\nd\nENDOFLIST\n");
	EXPECT_EQ(net_read_server_list(s.path + "b.txt", &addr), net_list_newer_installer);
	EXPECT_EQ(addr, "http://x.example/new.html");
	EXPECT_LE(stg.num_servers, 0);

	// INS_VERSION must be followed by a blank: at the end of a line it is no keyword
	clear_servers();
	wz_write(s.path + "c.txt", std::string(kHead) + "INS_VERSION\n99999 http://x/\nSERVER h1\n/\nd\n");
	EXPECT_EQ(net_read_server_list(s.path + "c.txt", &addr), net_list_read);
	EXPECT_EQ(stg.num_servers, 1);
}

TEST(ServerList, NothingAfterTheEnd)
{
	wz_scratch s;
	clear_servers();
	wz_write(s.path + "l.txt", std::string(kHead) + "FINAL R1\nSERVER h1\n/\nd\nENDOFLIST\nSERVER h2\n/\nd\n"
	                           "INS_VERSION 99999 http://late/\n");
	std::string addr;
	EXPECT_EQ(net_read_server_list(s.path + "l.txt", &addr), net_list_read);
	EXPECT_EQ(stg.num_servers, 1);
	EXPECT_EQ(addr, "");
}

TEST(ServerList, HeaderChecks)
{
	wz_scratch s;
	clear_servers();
	wz_write(s.path + "v900.txt", "A\n900 version\nSERVERS\nSERVER h\n/\nd\n");
	EXPECT_EQ(net_read_server_list(s.path + "v900.txt", nullptr), net_list_bad_header);
	wz_write(s.path + "kw.txt", "A\n820 version\nINSTALLER\nSERVER h\n/\nd\n");
	EXPECT_EQ(net_read_server_list(s.path + "kw.txt", nullptr), net_list_bad_header);
	wz_write(s.path + "typed.txt", "I\n830  version\r\nSERVERS\n");
	EXPECT_EQ(net_read_server_list(s.path + "typed.txt", nullptr), net_list_bad_header);
	// no typed file at all (a sign-in page, say): no list came, and that is a failed fetch
	for (const char* text : {"<html><body>Not here</body></html>\n", "", "A\n", "A\nversion 820\nSERVERS\n",
	                         "<!DOCTYPE html>\nA\n820 version\nSERVERS\n", "About us\n820 version\nSERVERS\n"}) {
		wz_write(s.path + "page.txt", text);
		EXPECT_EQ(net_read_server_list(s.path + "page.txt", nullptr), net_list_not_a_list) << text;
	}
	EXPECT_EQ(net_read_server_list(s.path + "missing.txt", nullptr), net_list_not_a_list);
	EXPECT_EQ(stg.num_servers, -1);
	// a byte-order mark and CR LF line ends are fine
	wz_write(s.path + "bom.txt", "\xEF\xBB\xBFI\r\n820 version\r\nSERVERS\r\nFINAL R2\r\nSERVER h\r\n/x/\r\nd\r\n");
	EXPECT_EQ(net_read_server_list(s.path + "bom.txt", nullptr), net_list_read);
	EXPECT_EQ(stg.num_servers, 1);
	EXPECT_EQ(server_path[0], "/x/R2/");
	EXPECT_EQ(server_desc[0], "d");
}

TEST(ServerList, HostileEntries)
{
	wz_scratch s;
	clear_servers();
	std::string list = std::string(kHead) + "FINAL R\n";
	for (int i = 0; i < 14; ++i)
		list += "SERVER host" + std::to_string(i) + "\n/\nmirror " + std::to_string(i) + "\n";
	wz_write(s.path + "many.txt", list);
	EXPECT_EQ(net_read_server_list(s.path + "many.txt", nullptr), net_list_read);
	EXPECT_EQ(stg.num_servers, 10);
	EXPECT_EQ(server_name[9], "host9");

	clear_servers();
	wz_write(s.path + "bad.txt", std::string(kHead) + "FINAL R\n"
		"SERVER slashed.example/\nfolder\nfirst\n"	// repaired: "slashed.example", "/folder"
		"SERVER with blank.example\n/\nskipped\n"
		"SERVER \n/\nskipped too\n"
		"SERVER ok.example/some/path\n/f/\nthird\n");
	EXPECT_EQ(net_read_server_list(s.path + "bad.txt", nullptr), net_list_read);
	ASSERT_EQ(stg.num_servers, 2);
	EXPECT_EQ(server_name[0], "slashed.example");
	EXPECT_EQ(server_path[0], "/folderR/");
	EXPECT_EQ(server_name[1], "ok.example");
	EXPECT_EQ(server_desc[1], "third");

	clear_servers();
	wz_write(s.path + "none.txt", std::string(kHead) + "FINAL R\nENDOFLIST\n");
	EXPECT_EQ(net_read_server_list(s.path + "none.txt", nullptr), net_list_read);
	EXPECT_EQ(stg.num_servers, 0);
}

TEST(ServerList, BiasTowardsTheTop)
{
	srand(7);
	for (int i = 0; i < 100; ++i) EXPECT_EQ(UTIL_pick_server(1, -1, pick_towards_top), 0);
	int counts[4] = {0, 0, 0, 0};
	const int draws = 40000;
	for (int i = 0; i < draws; ++i) {
		int k = UTIL_pick_server(4, -1, pick_towards_top);
		ASSERT_GE(k, 0);
		ASSERT_LT(k, 4);
		++counts[k];
	}
	// shares ((k+1)/n)^(2/3) - (k/n)^(2/3): .630, .370 .. for n 4: .397 .233 .196 .174
	EXPECT_NEAR(counts[0] / (double)draws, 0.397, 0.02);
	EXPECT_NEAR(counts[1] / (double)draws, 0.233, 0.02);
	EXPECT_GT(counts[0], counts[1]);
	EXPECT_GT(counts[1], counts[3]);
}

TEST(ServerList, ARetryDrawsAnotherServerEvenly)
{
	srand(11);
	for (int i = 0; i < 100; ++i) EXPECT_EQ(UTIL_pick_server(1, 0, pick_evenly), 0);
	for (int i = 0; i < 100; ++i) EXPECT_EQ(UTIL_pick_server(2, 0, pick_evenly), 1);
	int counts[3] = {0, 0, 0};
	const int draws = 30000;
	for (int i = 0; i < draws; ++i) {
		int k = UTIL_pick_server(3, 1, pick_evenly);
		ASSERT_GE(k, 0);
		ASSERT_LT(k, 3);
		++counts[k];
	}
	EXPECT_EQ(counts[1], 0) << "the server that just failed";
	EXPECT_NEAR(counts[0] / (double)draws, 0.5, 0.02);
	EXPECT_NEAR(counts[2] / (double)draws, 0.5, 0.02);
}
