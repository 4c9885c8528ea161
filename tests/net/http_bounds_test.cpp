// What a download may not do: reach the wrong file through an unescaped name,
// store more than it was promised, or store a body it cannot read as sent.
#include <gtest/gtest.h>
#include "http.h"
#include "io_utils.h"
#include "KelmSocket.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "net_support.h"
#include "../support/test_servers.h"
#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>

static const char* faults = "127.0.0.91";	// fault_server.py, port 80
static const char* mirror = "127.0.0.92";	// nginx, port 80
static const char* proxy = "127.0.0.95";	// tinyproxy
static const int   proxy_port = 8888;

static std::string pattern(size_t n)
{
	std::string s(n, 0);
	for (size_t i = 0; i < n; ++i) s[i] = (char)(i % 251);
	return s;
}

class HttpBounds : public ::testing::Test {
protected:
	static std::string dir, www, log_path, start_error;
	static TS_nginx* ng;
	static TS_fault_server* fs;
	static TS_tinyproxy* tp;

	static void SetUpTestSuite()
	{
		UTL_cmdline::add_one("--fps_test", "");
		dir = TS_make_temp_dir("net-bounds");
		log_path = dir + "/log.txt";
		xer.open(log_path);
		www = dir + "/www";
		mkdir(www.c_str(), 0755);
		ng = new TS_nginx;
		fs = new TS_fault_server;
		tp = new TS_tinyproxy;
		if (!ng->start(mirror, 80, www, dir + "/ng")) start_error += ng->error;
		if (!fs->start(faults, 80, dir + "/fs")) start_error += fs->error;
		if (!tp->start(proxy, proxy_port, dir + "/tp")) start_error += tp->error;
	}

	static void TearDownTestSuite()
	{
		delete ng;
		delete fs;
		delete tp;
		xer.close();
		if (!::testing::Test::HasFailure()) TS_remove_tree(dir);
	}

	void SetUp() override
	{
		ASSERT_EQ(start_error, "");
		http.proxy_host.clear();
		http.proxy_port = 0;
	}

	std::string log_text()
	{
		xer.flush();
		return TS_read_file(log_path);
	}

	std::string local(const std::string& name) { return dir + "/" + name; }

	static bool exists(const std::string& p)
	{
		struct stat st;
		return lstat(p.c_str(), &st) == 0;
	}

	// Runs one transfer with a limit, the way the program's frames do.
	int get_limited(int slot, const char* server, const std::string& path, const std::string& file, int64_t limit)
	{
		int r = 0;
		double t0 = net_now();
		while ((r = http.net_check(slot, server, path, file, limit)) == 0 && net_now() - t0 < 20) {
			xtim.xtim_update();
			usleep(200);
		}
		return r;
	}
};
std::string HttpBounds::dir, HttpBounds::www, HttpBounds::log_path, HttpBounds::start_error;
TS_nginx* HttpBounds::ng;
TS_fault_server* HttpBounds::fs;
TS_tinyproxy* HttpBounds::tp;

// Every byte a URL must escape goes as %XX, control characters included; the
// separators and the unreserved characters go as they are, directly and
// through a proxy.
TEST_F(HttpBounds, PathBytesAreEscapedOnTheRequestLine)
{
	std::string name = "/ok/7/100% sure #1?x=\xc3\xa9t\xc3\xa9+a;b,c&d'e(f)!*$@[]:=~_-\t\x01\x1b[2J\r\nX: 1\x7f.zip";
	std::string want = "/ok/7/100%25%20sure%20%231%3Fx%3D%C3%A9t%C3%A9%2Ba%3Bb%2Cc%26d%27e%28f%29%21%2A%24%40%5B%5D%3A%3D~_-"
	                   "%09%01%1B%5B2J%0D%0AX%3A%201%7F.zip";
	EXPECT_EQ(net_get(0, faults, name, local("odd")), 1);
	EXPECT_EQ(TS_read_file(local("odd")), pattern(7));
	http.proxy_host = faults;
	http.proxy_port = 80;
	EXPECT_EQ(net_get(1, "files.example", "/ok/3/a b%\t", local("odd_proxied")), 1);
	auto reqs = fs->requests();
	ASSERT_GE(reqs.size(), 2u);
	EXPECT_EQ(reqs[reqs.size() - 2], "GET " + want + " HTTP/1.1\r\nConnection: close\r\nHost: 127.0.0.91\r\n"
	                                  "User-agent: Installer-APL/1rc2\r\n\r\n");
	EXPECT_EQ(reqs.back(), "GET http://files.example/ok/3/a%20b%25%09 HTTP/1.1\r\nConnection: close\r\n"
	                       "Host: files.example\r\nUser-agent: Installer-APL/1rc2\r\n\r\n");
}

// nginx finds files whose names hold what a URL reserves or a control
// character, asked directly and through tinyproxy; a name that fails is logged
// with its control characters escaped.
TEST_F(HttpBounds, NamesAUrlMustEscapeAreFetchedFromNginx)
{
	const char* names[] = {"100% sure.bin", "#1 #2.bin", "what?.bin", "na\xc3\xafve \xc3\xbcml\xc3\xa4ut.bin",
	                       "a+b=c&d;e,f'g(h)!$@.bin", "%41%2F.bin", "tab\tin name.bin", "bell\x07 \x1b[31mred\x1b[0m.bin",
	                       "cr\r lf\n del\x7f.bin", "\x01\x02\x1f.bin"};
	mkdir((www + "/odd names").c_str(), 0755);
	for (const char* n : names) ASSERT_TRUE(TS_write_file(www + "/odd names/" + n, std::string("data of ") + n));
	for (bool proxied : {false, true}) {
		http.proxy_host = proxied ? proxy : "";
		http.proxy_port = proxied ? proxy_port : 0;
		for (const char* n : names) {
			std::string got = local("fetched");
			unlink(got.c_str());
			EXPECT_EQ(net_get(2, mirror, std::string("/odd names/") + n, got), 1) << n << (proxied ? " (proxied)" : "");
			EXPECT_EQ(TS_read_file(got), std::string("data of ") + n) << n;
		}
	}
	http.proxy_host.clear();
	http.proxy_port = 0;
	EXPECT_EQ(net_get(2, mirror, "/odd names/gone\t\x1b[2J.bin", local("fetched")), 2);
	std::string log = log_text();
	EXPECT_NE(log.find("   file       =/odd names/gone\\x09\\x1b[2J.bin\n"), std::string::npos) << log;
	EXPECT_EQ(http.failure(2).status, 404);
	EXPECT_EQ(log.find('\x1b'), std::string::npos);
	EXPECT_EQ(log.find('\t'), std::string::npos);
}

// A declared length beyond the caller's limit is refused before anything is
// stored; a body that runs past its declared length, or past the limit when
// none was declared, fails as soon as it does.
TEST_F(HttpBounds, BodiesNeverPassTheirLimits)
{
	std::string file = local("bounded");
	ASSERT_TRUE(TS_write_file(file, "GOOD"));
	EXPECT_EQ(get_limited(2, faults, "/bigbody/50000000", file, 1000000), 2);
	EXPECT_NE(log_text().find("Refused a body of 50000000 bytes for " + file + ": more than the 1000000 expected"),
	          std::string::npos);
	EXPECT_EQ(get_limited(2, faults, "/endlessbody", file, 300000), 2);
	EXPECT_NE(log_text().find("runs past the limit 300000 for " + file), std::string::npos);
	EXPECT_EQ(TS_read_file(file), "GOOD");
	EXPECT_FALSE(exists(file + ".part"));
	EXPECT_EQ(http.local_error(2), 0);

	// At the limit is still fine.
	EXPECT_EQ(get_limited(2, faults, "/ok/5000", file, 5000), 1);
	EXPECT_EQ(TS_read_file(file), pattern(5000));
	EXPECT_EQ(get_limited(2, faults, "/ok/5001", file, 5000), 2);
	EXPECT_EQ(TS_read_file(file), pattern(5000));

	// A body longer than declared: what is stored stops at the declared length.
	std::map<std::string, std::string> hdrs = {{"Host", faults}};
	down_class d(faults, 80, "/bigbody/1000", false, hdrs, nullptr, 0, local("overrun").c_str());
	ASSERT_NE(d.socket, nullptr);
	for (int i = 0; i < 20000 && d.socket->GetStatus() != socket_closed && !d.error; ++i) {
		d.DoProcessing();
		usleep(100);
	}
	EXPECT_EQ(d.content_length, 1000);
	EXPECT_NE(d.error, 0);
	struct stat st;
	if (d.file >= 0 && fstat(d.file, &st) == 0) {
		EXPECT_LE(st.st_size, 1000);
	}
	EXPECT_NE(log_text().find("runs past its declared length 1000"), std::string::npos);

	// The engine's limit for a listed archive: above the listed size, bounded.
	EXPECT_GE(http_listed_limit(3), 4000);
	EXPECT_LT(http_listed_limit(3), 2 << 20);
	EXPECT_GE(http_listed_limit(0), 1000);
	EXPECT_GE(http_listed_limit(2e6f), int64_t(2000001000));
}

// A body whose end is not plain is refused: a coded one is never stored with its
// framing as if it were the file, and two lengths leave its end unknown.
TEST_F(HttpBounds, AmbiguousBodiesFail)
{
	std::string file = local("coded");
	for (const char* p : {"/clte/3000", "/chunked/3000", "/twolengths/3000"}) {
		ASSERT_TRUE(TS_write_file(file, "GOOD"));
		EXPECT_EQ(net_get(3, faults, p, file), 2) << p;
		EXPECT_EQ(TS_read_file(file), "GOOD") << p;
		EXPECT_FALSE(exists(file + ".part")) << p;
	}
	EXPECT_NE(log_text().find("Refused an answer with Transfer-Encoding: chunked for " + file), std::string::npos);
	EXPECT_NE(log_text().find("Refused an answer with two Content-Length values for " + file), std::string::npos);
}

// A failure of the local file is told apart from a failure of the server.
TEST_F(HttpBounds, LocalFailuresAreToldApart)
{
	std::string mnt = dir + "/small_disk";
	mkdir(mnt.c_str(), 0755);
	if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=256k") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
	EXPECT_EQ(net_get(4, faults, "/ok/2000000", mnt + "/big.bin"), 2);
	EXPECT_EQ(http.local_error(4), ENOSPC);
	EXPECT_FALSE(exists(mnt + "/big.bin.part"));
	EXPECT_EQ(net_get(4, faults, "/ok/20", dir + "/no/such/folder/x"), 2);
	EXPECT_EQ(http.local_error(4), ENOENT);
	// the next transfer of the slot starts clean
	EXPECT_EQ(net_get(4, faults, "/status/503", mnt + "/x"), 2);
	EXPECT_EQ(http.local_error(4), 0);
	EXPECT_EQ(net_get(4, faults, "/ok/20", mnt + "/small.bin"), 1);
	EXPECT_EQ(http.local_error(4), 0);
	umount2(mnt.c_str(), MNT_DETACH);
}
