// Thirty seconds without progress fail a transfer, and nothing fails sooner.
#include <gtest/gtest.h>
#include "http.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "net_support.h"
#include "../support/test_servers.h"

TEST(HttpStall, SilentServersFailAfterThirtySeconds)
{
	UTL_cmdline::add_one("--fps_test", "");
	std::string dir = TS_make_temp_dir("net-stall");
	xer.open(dir + "/log.txt");
	TS_fault_server fs;
	ASSERT_TRUE(fs.start("127.0.0.29", 80, dir + "/fs", 60)) << fs.error;

	const char* srv = "127.0.0.29";
	std::vector<NetJob> jobs = {
		{2, srv, "/stall/100000", dir + "/a"},		// stops mid-body
		{3, srv, "/stallhead", dir + "/b"},		// never answers
		{4, srv, "/nolengthopen/1000", dir + "/c"},	// no length, never closes
		{5, srv, "/ok/300000", dir + "/d"},		// a good one beside them
	};
	net_run(jobs, 45);
	EXPECT_EQ(jobs[3].result, 1);
	for (int i = 0; i < 3; ++i) {
		EXPECT_EQ(jobs[i].result, 2) << jobs[i].path;
		EXPECT_GT(jobs[i].seconds, 30.0) << jobs[i].path;	// nothing fails sooner; net_run bounds the wait
		EXPECT_EQ(http.transfer(jobs[i].slot), nullptr);
		EXPECT_EQ(http.failure(jobs[i].slot).kind, http_failed_silent) << jobs[i].path;
	}
	for (const char* f : {"/a", "/b", "/c", "/a.part", "/c.part"})
		EXPECT_NE(access((dir + f).c_str(), F_OK), 0) << f;
	fs.stop();
	xer.close();
	if (!::testing::Test::HasFailure()) TS_remove_tree(dir);
}
