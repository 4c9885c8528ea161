// The download client against real nginx mirrors, tinyproxy and the fault server.
#include <gtest/gtest.h>
#include "http.h"
#include "KelmSocket.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include "net_support.h"
#include "../support/test_servers.h"
#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>

static const char* mirror1 = "127.0.0.21";
static const char* mirror2 = "127.0.0.22";
static const char* faulty  = "127.0.0.23";	// fault_server.py, port 80
static const char* proxy   = "127.0.0.24";	// tinyproxy
static const int   proxy_port = 8888;

static std::string pattern(size_t n)
{
	std::string s(n, 0);
	for (size_t i = 0; i < n; ++i) s[i] = (char)(i % 251);
	return s;
}

static std::string random_bytes(size_t n, unsigned seed)
{
	std::string s(n, 0);
	for (size_t i = 0; i < n; ++i) {
		seed = seed * 1103515245u + 12345u;
		s[i] = (char)(seed >> 16);
	}
	return s;
}

static bool exists(const std::string& p)
{
	struct stat st;
	return stat(p.c_str(), &st) == 0;
}

class HttpServers : public ::testing::Test {
protected:
	static std::string dir, www, log_path, start_error;
	static TS_nginx* ng1;
	static TS_nginx* ng2;
	static TS_tinyproxy* tp;
	static TS_fault_server* fs;

	static void SetUpTestSuite()
	{
		UTL_cmdline::add_one("--fps_test", "");
		dir = TS_make_temp_dir("net");
		log_path = dir + "/log.txt";
		xer.open(log_path);
		www = dir + "/www";
		mkdir(www.c_str(), 0755);
		mkdir((www + "/with blanks").c_str(), 0755);
		mkdir((www + "/sub").c_str(), 0755);
		TS_write_file(www + "/empty.bin", "");
		TS_write_file(www + "/one.bin", "1");
		TS_write_file(www + "/mid.bin", random_bytes(100000, 1));
		TS_write_file(www + "/big.bin", random_bytes(5 << 20, 2));
		TS_write_file(www + "/with blanks/my file.bin", random_bytes(3000, 3));
		TS_write_file(www + "/sub/x.txt", "deep\n");

		ng1 = new TS_nginx; ng2 = new TS_nginx; tp = new TS_tinyproxy; fs = new TS_fault_server;
		if (!ng1->start(mirror1, 80, www, dir + "/ng1")) start_error += ng1->error;
		if (!ng2->start(mirror2, 80, www, dir + "/ng2")) start_error += ng2->error;
		if (!tp->start(proxy, proxy_port, dir + "/tp")) start_error += tp->error;
		if (!fs->start(faulty, 80, dir + "/fs")) start_error += fs->error;
	}

	static void TearDownTestSuite()
	{
		delete ng1; delete ng2; delete tp; delete fs;
		xer.close();
		if (!::testing::Test::HasFailure()) TS_remove_tree(dir);
	}

	void SetUp() override
	{
		ASSERT_EQ(start_error, "");
		http.proxy_host.clear();
		http.proxy_port_text.clear();
		http.proxy_port = 0;
		gProxyExclude.clear();
	}

	std::string log_text()
	{
		xer.flush();
		return TS_read_file(log_path);
	}

	std::string local(const std::string& name) { return dir + "/" + name; }

	void use_proxy(const std::string& host, int port)
	{
		http.proxy_host = host;
		http.proxy_port_text = std::to_string(port);
		http.proxy_port = port;
	}
};
std::string HttpServers::dir, HttpServers::www, HttpServers::log_path, HttpServers::start_error;
TS_nginx* HttpServers::ng1;
TS_nginx* HttpServers::ng2;
TS_tinyproxy* HttpServers::tp;
TS_fault_server* HttpServers::fs;

TEST_F(HttpServers, FourStreamsFromTwoMirrors)
{
	std::vector<NetJob> jobs = {
		{2, mirror1, "/big.bin", local("big.bin")},
		{3, mirror2, "/mid.bin", local("mid.bin")},
		{4, mirror1, "/with blanks/my file.bin", local("my file.bin")},
		{5, mirror2, "/empty.bin", local("empty.bin")},
		{0, mirror2, "/one.bin", local("one.bin")},
		{1, mirror1, "/sub/x.txt", local("x.txt")},
	};
	net_run(jobs, 20);
	for (auto& j : jobs) EXPECT_EQ(j.result, 1) << j.path;
	EXPECT_EQ(TS_read_file(local("big.bin")), TS_read_file(www + "/big.bin"));
	EXPECT_EQ(TS_read_file(local("mid.bin")), TS_read_file(www + "/mid.bin"));
	EXPECT_EQ(TS_read_file(local("my file.bin")), TS_read_file(www + "/with blanks/my file.bin"));
	EXPECT_TRUE(exists(local("empty.bin")));
	EXPECT_EQ(TS_read_file(local("empty.bin")), "");
	EXPECT_EQ(TS_read_file(local("one.bin")), "1");
	EXPECT_EQ(TS_read_file(local("x.txt")), "deep\n");
	EXPECT_FALSE(exists(local("big.bin.part")));
	for (int s = 0; s < http_slot_count; ++s) EXPECT_EQ(http.transfer(s), nullptr);

	// A freed slot starts anew: the same file again, over the old copy.
	EXPECT_EQ(net_get(2, mirror2, "/mid.bin", local("big.bin")), 1);
	EXPECT_EQ(TS_read_file(local("big.bin")), TS_read_file(www + "/mid.bin"));
}

TEST_F(HttpServers, RequestBytesDirectAndThroughAProxy)
{
	EXPECT_EQ(net_get(0, faulty, "/ok/10 a b", local("direct")), 1);
	EXPECT_EQ(TS_read_file(local("direct")), pattern(10));

	// The fault server as the proxy: it gets the absolute URI.
	use_proxy(faulty, 80);
	EXPECT_EQ(net_get(1, "files.example", "/ok/3", local("proxied")), 1);
	EXPECT_EQ(TS_read_file(local("proxied")), pattern(3));

	// Servers that end in an excluded text go direct.
	gProxyExclude.push_back("0.23");
	EXPECT_EQ(net_get(1, faulty, "/ok/4", local("excluded")), 1);

	auto reqs = fs->requests();
	ASSERT_GE(reqs.size(), 3u);
	auto last = std::vector<std::string>(reqs.end() - 3, reqs.end());
	EXPECT_EQ(last[0], "GET /ok/10%20a%20b HTTP/1.1\r\nConnection: close\r\nHost: 127.0.0.23\r\n"
	                   "User-agent: Installer-APL/1rc2\r\n\r\n");
	EXPECT_EQ(last[1], "GET http://files.example/ok/3 HTTP/1.1\r\nConnection: close\r\nHost: files.example\r\n"
	                   "User-agent: Installer-APL/1rc2\r\n\r\n");
	EXPECT_EQ(last[2], "GET /ok/4 HTTP/1.1\r\nConnection: close\r\nHost: 127.0.0.23\r\n"
	                   "User-agent: Installer-APL/1rc2\r\n\r\n");
}

TEST_F(HttpServers, ThroughTinyproxy)
{
	use_proxy(proxy, proxy_port);
	EXPECT_TRUE(UseProxy(mirror1, 80));
	EXPECT_STREQ(ProxyHost(mirror1, 80), proxy);
	EXPECT_EQ(ProxyPort(mirror1, 80), proxy_port);

	std::vector<NetJob> jobs = {
		{2, mirror1, "/big.bin", local("p_big.bin")},
		{3, mirror2, "/with blanks/my file.bin", local("p_blank.bin")},
		{4, faulty, "/ok/1000", local("p_fault.bin")},
	};
	net_run(jobs, 20);
	for (auto& j : jobs) EXPECT_EQ(j.result, 1) << j.path;
	EXPECT_EQ(TS_read_file(local("p_big.bin")), TS_read_file(www + "/big.bin"));
	EXPECT_EQ(TS_read_file(local("p_blank.bin")), TS_read_file(www + "/with blanks/my file.bin"));
	EXPECT_EQ(TS_read_file(local("p_fault.bin")), pattern(1000));

	// What tinyproxy passed on to the origin server.
	auto reqs = fs->requests();
	ASSERT_FALSE(reqs.empty());
	const std::string& fwd = reqs.back();
	EXPECT_EQ(fwd.compare(0, 14, "GET /ok/1000 H"), 0) << fwd;
	EXPECT_NE(fwd.find("\r\nHost: 127.0.0.23\r\n"), std::string::npos) << fwd;
	EXPECT_NE(fwd.find("\r\nUser-agent: Installer-APL/1rc2\r\n"), std::string::npos) << fwd;

	// A 404 through the proxy is still a 404: told to the caller; on a stream's
	// slot no alert holds the other streams (the pump names the file at its end).
	EXPECT_EQ(net_get(5, mirror1, "/missing-through-proxy", local("p_missing")), 2);
	EXPECT_EQ(http.failure(5).status, 404);
	EXPECT_EQ(log_text().find("File not found!\n127.0.0.21/missing-through-proxy\n"), std::string::npos);
	EXPECT_EQ(net_get(1, mirror1, "/missing-through-proxy", local("p_missing")), 2);
	EXPECT_NE(log_text().find("File not found!\n127.0.0.21/missing-through-proxy\n"), std::string::npos);

	// A port without a host, or a host without a port, is no proxy.
	http.proxy_host.clear();
	EXPECT_FALSE(UseProxy(mirror1, 80));
	EXPECT_EQ(ProxyPort(mirror1, 80), 80);
	use_proxy(proxy, 0);
	EXPECT_FALSE(UseProxy(mirror1, 80));
}

TEST_F(HttpServers, AcceptedAnswerForms)
{
	// HTTP/1.1 bodies in chunks, and one without a length that the close ends
	const char* paths[] = {"/noreason/77", "/lower/300", "/interim/50", "/dribble/500", "/chunked/0", "/chunked/1",
	                       "/chunked/1000", "/chunked/1001", "/chunked/100000", "/nolength/0", "/nolength/70000"};
	for (const char* p : paths) {
		std::string file = local(std::string("form") + (strrchr(p, '/') + 1) + p[1]);
		EXPECT_EQ(net_get(0, faulty, p, file), 1) << p;
		size_t n = atoi(strrchr(p, '/') + 1);
		EXPECT_TRUE(TS_read_file(file) == pattern(n)) << p;
		std::string body = "stale";
		EXPECT_FALSE(http.take_body(0, body)) << p;
		EXPECT_EQ(body, "") << p;
		// held in memory when announced short enough, never made as a file; else the file as before
		const bool announced = strncmp(p, "/chunked/", 9) != 0 && strncmp(p, "/nolength/", 10) != 0;
		for (int64_t most : {(int64_t)n, (int64_t)n - 1}) {
			std::string held = local("held.bin");
			EXPECT_EQ(net_get(0, faulty, p, held, 10, http_default_limit, true, most), 1) << p;
			const bool in_memory = announced && most >= (int64_t)n;
			EXPECT_EQ(http.take_body(0, body), in_memory) << p;
			EXPECT_TRUE((in_memory ? body : TS_read_file(held)) == pattern(n)) << p;
			EXPECT_EQ(exists(held), !in_memory) << p;
			EXPECT_FALSE(http.take_body(0, body)) << p << ": handed over once";
			unlink(held.c_str());
		}
	}
	// written in place over a link planted at the name: the link is replaced, never written through
	std::string victim = local("victim.bin"), placed = local("placed.bin");
	ASSERT_TRUE(TS_write_file(victim, "VICTIM"));
	ASSERT_EQ(symlink(victim.c_str(), placed.c_str()), 0);
	EXPECT_EQ(net_get(0, faulty, "/lower/300", placed, 10, http_default_limit, true), 1);
	EXPECT_EQ(TS_read_file(placed), pattern(300));
	EXPECT_EQ(TS_read_file(victim), "VICTIM");
	EXPECT_FALSE(exists(placed + ".part"));
}

// Every fault fails within seconds and leaves an earlier good copy as it was.
TEST_F(HttpServers, FaultsFailAndKeepTheOldFile)
{
	// each with what the user is told of it; the server answered every one
	const struct {
		const char* path;
		int kind;
	} faults[] = {
		{"/reset/200000", http_failed_cut}, {"/short/200000", http_failed_cut}, {"/long/1000", http_failed_answer},
		{"/status/503", http_failed_status}, {"/status/404", http_failed_status}, {"/status/302", http_failed_status},
		{"/status/301", http_failed_status}, {"/endless", http_failed_answer}, {"/manyheaders", http_failed_answer},
		{"/negative", http_failed_answer}, {"/badlength", http_failed_answer}, {"/hugelength", http_failed_answer},
		{"/len64/100", http_failed_answer}, {"/badstatus", http_failed_answer},
	};
	std::string file = local("keep.bin");
	for (const auto& fault : faults) {
		const char* f = fault.path;
		ASSERT_TRUE(TS_write_file(file, "GOOD"));
		double t0 = net_now();
		EXPECT_EQ(net_get(3, faulty, f, file, 10), 2) << f;
		EXPECT_LT(net_now() - t0, 5.0) << f;
		EXPECT_EQ(http.transfer(3), nullptr) << f;
		EXPECT_EQ(TS_read_file(file), "GOOD") << f;
		EXPECT_FALSE(exists(file + ".part")) << f;
		EXPECT_EQ(http.failure(3).kind, fault.kind) << f;
		EXPECT_EQ(http.failure(3).side(), http_side_server) << f;
		EXPECT_EQ(http.failure(3).server, faulty) << f;
		EXPECT_EQ(http.failure(3).proxy, "") << f;
		// nor one that was to be held in memory: nothing is handed over
		std::string body;
		EXPECT_EQ(net_get(3, faulty, f, local("held.bin"), 10, http_default_limit, true, 1 << 20), 2) << f;
		EXPECT_FALSE(http.take_body(3, body)) << f;
		EXPECT_FALSE(exists(local("held.bin"))) << f;
		// one written in place that had begun to write leaves nothing at its name
		if (fault.kind != http_failed_cut && strcmp(f, "/long/1000") != 0) continue;
		EXPECT_EQ(net_get(3, faulty, f, local("placed.bin"), 10, http_default_limit, true), 2) << f;
		EXPECT_FALSE(exists(local("placed.bin"))) << f;
	}
	EXPECT_EQ(net_get(3, faulty, "/status/503", file), 2);
	EXPECT_EQ(http.failure(3).status, 503);
	EXPECT_EQ(http.failure(3).reason, "Some Error");
	std::string log = log_text();
	EXPECT_NE(log.find("HTTP Error for " + file + "\n   server     =127.0.0.23\n   file       =/status/503\n"),
	          std::string::npos);
	EXPECT_NE(log.find("   response   =Some Error (#503)\n\n"), std::string::npos);

	// An error page from nginx never replaces a good download either.
	EXPECT_EQ(net_get(3, mirror1, "/mid.bin", file), 1);
	EXPECT_EQ(http.failure(3).kind, http_failed_not);	// a success clears the last failure
	EXPECT_EQ(net_get(3, mirror1, "/no-such.bin", file), 2);
	EXPECT_EQ(TS_read_file(file), TS_read_file(www + "/mid.bin"));
}

TEST_F(HttpServers, FileNotFoundAlertOncePerFile)
{
	auto count = [&](const std::string& key) {
		std::string log = log_text(), needle = "File not found!\n" + key + "\n";
		int n = 0;
		for (size_t p = log.find(needle); p != std::string::npos; p = log.find(needle, p + 1)) ++n;
		return n;
	};
	EXPECT_EQ(net_get(0, mirror1, "/gone.zip", local("gone")), 2);
	EXPECT_EQ(net_get(0, mirror1, "/gone.zip", local("gone")), 2);
	EXPECT_EQ(count("127.0.0.21/gone.zip"), 1);
	EXPECT_EQ(net_get(0, mirror2, "/gone.zip", local("gone")), 2);
	EXPECT_EQ(count("127.0.0.22/gone.zip"), 1);
	EXPECT_EQ(net_get(0, faulty, "/status/503", local("gone")), 2);
	EXPECT_EQ(count("127.0.0.23/status/503"), 0);
	EXPECT_FALSE(exists(local("gone")));

	// the alert speaks the interface language
	UTL_translate_load_file(2, VANTOR_SOURCE_DIR "/Resources/German.txt");
	EXPECT_EQ(net_get(0, mirror1, "/gone too.zip", local("gone")), 2);
	UTL_translate_clear();
	EXPECT_NE(log_text().find("Datei nicht gefunden!\n127.0.0.21/gone too.zip\n"), std::string::npos);
}

TEST_F(HttpServers, BusySlotKeepsItsTransfer)
{
	std::string first = local("first.bin"), second = local("second.bin");
	int r = http.net_check(4, mirror1, "/big.bin", first);
	EXPECT_EQ(r, 0);
	for (int i = 0; i < 20000 && r == 0; ++i) {
		xtim.xtim_update();
		r = http.net_check(4, faulty, "/ok/5", second);
		if (r == 0) usleep(200);
	}
	EXPECT_EQ(r, 1);
	EXPECT_EQ(TS_read_file(first), TS_read_file(www + "/big.bin"));
	EXPECT_FALSE(exists(second));
}

TEST_F(HttpServers, BadNamesAndUnreachableServers)
{
	size_t before = fs->requests().size();
	// A control character in a host name, or a NUL anywhere, never reaches a
	// request (in a path the others go escaped).
	EXPECT_EQ(http.net_check(0, "127.0.0.23\r\nX-Injected: 1", "/ok/1", local("c1")), 2);
	EXPECT_EQ(http.net_check(0, "127.0.0.23\t", "/ok/1", local("c2")), 2);
	EXPECT_EQ(http.net_check(0, faulty, std::string("/ok/1\0x", 7), local("c4")), 2);
	EXPECT_EQ(http.transfer(0), nullptr);
	usleep(100000);
	EXPECT_EQ(fs->requests().size(), before);
	EXPECT_NE(log_text().find("refused server 127.0.0.23\\x0d\\x0aX-Injected: 1"), std::string::npos);

	EXPECT_EQ(http.failure(0).kind, http_failed_name);

	// A name that does not resolve fails at once, with the translation line:
	// no answer came, as for every failure below until the proxy's own error.
	EXPECT_EQ(net_get(1, "", "/x", local("noname")), 2);
	EXPECT_EQ(http.failure(1).kind, http_failed_name);
	EXPECT_EQ(http.failure(1).side(), http_side_network);
	std::string log = log_text();
	EXPECT_NE(log.find("Translated server  to IP addy: 0.0.0.0 and port = 80\n"), std::string::npos);
	EXPECT_NE(log.find("   GetStat    =0\n   GetOSErr   =20011\n"), std::string::npos);

	// Nothing listens on port 80 here: refused, failed at once.
	double t0 = net_now();
	EXPECT_EQ(net_get(1, "127.0.0.27", "/x", local("refused")), 2);
	EXPECT_LT(net_now() - t0, 2.0);
	EXPECT_EQ(http.failure(1).kind, http_failed_refused);
	EXPECT_EQ(http.failure(1).side(), http_side_network);
	EXPECT_EQ(http.failure(1).os_error, ECONNREFUSED);
	// the same through a proxy that refuses: the proxy is named
	use_proxy("127.0.0.27", 80);
	EXPECT_EQ(net_get(1, mirror1, "/one.bin", local("refused")), 2);
	EXPECT_EQ(http.failure(1).kind, http_failed_refused);
	EXPECT_EQ(http.failure(1).proxy, "127.0.0.27:80");
	EXPECT_EQ(http.failure(1).server, mirror1);
	// a proxy that cannot reach the server answers with an error of its own:
	// still no answer from the server
	use_proxy(proxy, proxy_port);
	EXPECT_EQ(net_get(1, "127.0.0.27", "/x", local("refused")), 2);
	EXPECT_EQ(http.failure(1).kind, http_failed_status);
	EXPECT_GE(http.failure(1).status, 500);
	EXPECT_EQ(http.failure(1).side(), http_side_network);
	EXPECT_EQ(http.failure(1).proxy, std::string(proxy) + ":" + std::to_string(proxy_port));
	// what the proxy passes on is the server's answer, its gateway errors aside
	for (int status : {404, 302, 501, 502, 503, 504}) {
		EXPECT_EQ(net_get(1, faulty, "/status/" + std::to_string(status), local("refused")), 2) << status;
		EXPECT_EQ(http.failure(1).status, status);
		EXPECT_EQ(http.failure(1).side(), status >= 502 ? http_side_network : http_side_server) << status;
	}
	use_proxy("", 0);
	// connected, then cut before any byte came: no answer either
	EXPECT_EQ(net_get(1, faulty, "/resetnow", local("refused")), 2);
	EXPECT_EQ(http.failure(1).kind, http_failed_cut);
	EXPECT_EQ(http.failure(1).side(), http_side_network);

	// A local file that cannot be created fails the transfer.
	EXPECT_EQ(net_get(1, mirror1, "/one.bin", dir + "/no/such/folder/one.bin"), 2);
	EXPECT_EQ(http.failure(1).kind, http_failed_local);
	EXPECT_EQ(http.failure(1).os_error, ENOENT);
}

TEST_F(HttpServers, ProgrammingErrorsAreFatal)
{
	std::string d = dir;
	auto in_dir = [d]() { if (chdir(d.c_str()) != 0) _exit(3); };
	EXPECT_EXIT({ in_dir(); http.net_check(6, mirror1, "/x", "x"); }, ::testing::ExitedWithCode(1), "");
	EXPECT_EXIT({ in_dir(); http.net_check(-1, mirror1, "/x", "x"); }, ::testing::ExitedWithCode(1), "");
	EXPECT_EXIT({ in_dir(); http.net_check(0, "127.0.0.21/", "/x", "x"); }, ::testing::ExitedWithCode(1), "");
	EXPECT_EXIT({ in_dir(); http.net_check(0, mirror1, "x", "x"); }, ::testing::ExitedWithCode(1), "");
	std::string log = log_text();
	EXPECT_NE(log.find("Too many download objects requested!"), std::string::npos);
	EXPECT_NE(log.find("net_check error! You have a dirchar at the end of the server name!"), std::string::npos);
	EXPECT_NE(log.find("net_check error! You do not have a dirchar at the beginning"), std::string::npos);
}

// A full disk fails the transfer and leaves nothing behind.
TEST_F(HttpServers, FullDiskFailsTheTransfer)
{
	std::string mnt = dir + "/small_disk";
	mkdir(mnt.c_str(), 0755);
	if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
	EXPECT_EQ(net_get(2, mirror1, "/big.bin", mnt + "/big.bin", 10), 2);
	EXPECT_FALSE(exists(mnt + "/big.bin"));
	EXPECT_FALSE(exists(mnt + "/big.bin.part"));
	EXPECT_NE(log_text().find("   GetOSErr   =28\n"), std::string::npos);	// ENOSPC
	// A file that fits still arrives.
	EXPECT_EQ(net_get(2, mirror1, "/mid.bin", mnt + "/mid.bin", 10), 1);
	EXPECT_EQ(TS_read_file(mnt + "/mid.bin"), TS_read_file(www + "/mid.bin"));
	umount2(mnt.c_str(), MNT_DETACH);
}

// Lengths and counts past 32 bits: a file of 2 GiB and a bit, from a sparse file.
TEST_F(HttpServers, FilesPastTwoGigabytes)
{
	const off_t size = (off_t(1) << 31) + 4096 + 7;
	std::string src = www + "/huge.bin";
	int fd = open(src.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	ASSERT_GE(fd, 0);
	ASSERT_EQ(ftruncate(fd, size), 0);
	ASSERT_EQ(pwrite(fd, "END", 3, size - 3), 3);
	close(fd);
	std::string dst = local("huge.bin");
	// more than a transfer takes unless its caller allows it
	EXPECT_EQ(net_get(5, mirror1, "/huge.bin", dst, 20), 2);
	EXPECT_FALSE(exists(dst));
	EXPECT_EQ(net_get(5, mirror1, "/huge.bin", dst, 120, size), 1);
	struct stat st;
	ASSERT_EQ(stat(dst.c_str(), &st), 0);
	EXPECT_EQ(st.st_size, size);
	std::string tail(3, 0);
	fd = open(dst.c_str(), O_RDONLY);
	EXPECT_EQ(pread(fd, &tail[0], 3, size - 3), 3);
	close(fd);
	EXPECT_EQ(tail, "END");
	unlink(dst.c_str());
	unlink(src.c_str());
}

// A POST through down_class itself: the body follows its length line.
TEST_F(HttpServers, PostCarriesItsBody)
{
	std::map<std::string, std::string> hdrs = {{"Host", faulty}, {"X-Test", "1"}};
	down_class d(faulty, 80, "/ok/6", true, hdrs, "a=1&b=2", 7, local("posted").c_str());
	ASSERT_NE(d.socket, nullptr);
	for (int i = 0; i < 5000 && d.socket->GetStatus() != socket_closed; ++i) {
		d.DoProcessing();
		usleep(200);
	}
	EXPECT_EQ(d.status_code, 200);
	EXPECT_EQ(d.response, "OK");
	EXPECT_EQ(d.content_length, 6);
	EXPECT_EQ(d.bytes_received, 6);
	EXPECT_EQ(d.finish_file(), 0);
	EXPECT_EQ(TS_read_file(local("posted")), pattern(6));
	auto reqs = fs->requests();
	ASSERT_FALSE(reqs.empty());
	EXPECT_EQ(reqs.back(), "POST /ok/6 HTTP/1.1\r\nHost: 127.0.0.23\r\nX-Test: 1\r\nContent-Length: 7\r\n\r\na=1&b=2");
}
