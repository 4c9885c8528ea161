// Host names of mirrors and proxies, looked up by the system's resolver against
// a slow name server on loopback: the polled client never waits for an answer,
// and asks once per name for the rest of the run.
#include <gtest/gtest.h>
#include "http.h"
#include "KelmSocket.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "net_support.h"
#include "../support/test_servers.h"

static const char* dns_addr = "127.0.0.161";	// slow_dns.py
static const char* mirror   = "127.0.0.162";	// nginx
static const char* proxy    = "127.0.0.163";	// tinyproxy, port 8888
static const char* name_a = "mirror-a.lookup.test";
static const char* name_b = "mirror-b.lookup.test";
static const char* name_proxy = "proxy.lookup.test";
static const char* name_unknown = "nowhere.lookup.test";

TEST(HttpLookup, NamesAreLookedUpBesideTheTransfersOncePerRun)
{
	UTL_cmdline::add_one("--fps_test", "");
	std::string dir = TS_make_temp_dir("net-lookup");
	std::string log = dir + "/log.txt";
	xer.open(log);
	std::string www = dir + "/www";
	mkdir(www.c_str(), 0755);
	const char* files[] = {"a.bin", "b.bin", "c.bin"};
	for (const char* f : files) ASSERT_TRUE(TS_write_file(www + "/" + f, std::string(70000, f[0])));

	TS_slow_dns dns;
	TS_nginx ng;
	TS_tinyproxy tp;
	ASSERT_TRUE(dns.start(dns_addr,
	                      {std::string(name_a) + "=" + mirror, std::string(name_b) + "=" + mirror,
	                       std::string(name_proxy) + "=" + proxy},
	                      0.2, dir + "/dns"))
		<< dns.error;
	ASSERT_TRUE(TS_write_file(dir + "/resolv.conf", TS_resolv_conf(dns_addr)));
	std::string why = TS_use_resolv_conf(dir + "/resolv.conf");
	if (!why.empty()) GTEST_SKIP() << "no resolver of the test's own here: " << why;
	ASSERT_TRUE(ng.start(mirror, 80, www, dir + "/ng")) << ng.error;
	ASSERT_TRUE(tp.start(proxy, 8888, dir + "/tp")) << tp.error;

	// Four streams from two mirrors by name, their answers held back: every
	// poll returns at once with the transfers still connecting.
	dns.hold(name_a);
	dns.hold(name_b);
	std::vector<NetJob> jobs = {
		{2, name_a, "/a.bin", dir + "/got2"},
		{3, name_a, "/b.bin", dir + "/got3"},
		{4, name_b, "/c.bin", dir + "/got4"},
		{5, name_b, "/a.bin", dir + "/got5"},
	};
	for (int frame = 0; frame < 2000 && (dns.count("asked", name_a) < 1 || dns.count("asked", name_b) < 1); ++frame) {
		xtim.xtim_update();
		for (auto& j : jobs) ASSERT_EQ(http.net_check(j.slot, j.server, j.path, j.local), 0) << j.slot;
		usleep(5000);
	}
	ASSERT_EQ(dns.count("asked", name_a), 1);
	ASSERT_EQ(dns.count("asked", name_b), 1);
	EXPECT_EQ(dns.count("answered", name_a) + dns.count("answered", name_b), 0) << "a poll waited for the resolver";
	for (auto& j : jobs) {
		ASSERT_NE(http.transfer(j.slot), nullptr);
		EXPECT_EQ(http.transfer(j.slot)->get_state(), 1) << j.slot;	// connecting
	}
	dns.release(name_a);
	dns.release(name_b);
	net_run(jobs, 20);
	for (auto& j : jobs) {
		EXPECT_EQ(j.result, 1) << j.slot;
		EXPECT_EQ(TS_read_file(j.local), TS_read_file(www + j.path)) << j.slot;
	}

	// The answers are kept for the run: the same names again ask nothing.
	for (auto& j : jobs) j.result = 0;
	net_run(jobs, 20);
	for (auto& j : jobs) EXPECT_EQ(j.result, 1) << j.slot;
	EXPECT_EQ(dns.count("asked", name_a), 1);
	EXPECT_EQ(dns.count("asked", name_b), 1);

	// A name the server does not know is that transfer's failure, with the
	// lookup's own report; it is asked again the next time.
	EXPECT_EQ(net_get(0, name_unknown, "/a.bin", dir + "/none"), 2);
	EXPECT_EQ(net_get(0, name_unknown, "/a.bin", dir + "/none"), 2);
	EXPECT_EQ(dns.count("asked", name_unknown), 2);
	xer.flush();
	std::string text = TS_read_file(log);
	EXPECT_NE(text.find("Translated server nowhere.lookup.test to IP addy: 0.0.0.0 and port = 80\nHTTP Error for "),
	          std::string::npos)
		<< text;
	EXPECT_NE(text.find("   GetStat    =0\n   GetOSErr   =20011\n"), std::string::npos) << text;

	// A proxy by name is looked up the same way, once.
	http.proxy_host = name_proxy;
	http.proxy_port = 8888;
	EXPECT_EQ(net_get(1, mirror, "/b.bin", dir + "/proxied1"), 1);
	EXPECT_EQ(net_get(1, mirror, "/c.bin", dir + "/proxied2"), 1);
	http.proxy_host.clear();
	http.proxy_port = 0;
	EXPECT_EQ(TS_read_file(dir + "/proxied2"), TS_read_file(www + "/c.bin"));
	EXPECT_EQ(dns.count("asked", name_proxy), 1);

	tp.stop();
	ng.stop();
	dns.stop();
	umount2("/etc/resolv.conf", MNT_DETACH);
	xer.close();
	if (!::testing::Test::HasFailure()) TS_remove_tree(dir);
}
