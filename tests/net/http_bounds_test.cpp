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

// A body whose end is not plain is refused: a coding this client does not read
// is never stored as if it were the file, and a length beside the chunks, or
// two lengths, leave its end unknown.
TEST_F(HttpBounds, AmbiguousBodiesFail)
{
	std::string file = local("coded");
	for (const char* p : {"/clte/3000", "/twolengths/3000"}) {
		ASSERT_TRUE(TS_write_file(file, "GOOD"));
		EXPECT_EQ(net_get(3, faults, p, file), 2) << p;
		EXPECT_EQ(TS_read_file(file), "GOOD") << p;
		EXPECT_FALSE(exists(file + ".part")) << p;
	}
	EXPECT_NE(log_text().find("Refused an answer with Transfer-Encoding: chunked and a Content-Length for " + file),
	          std::string::npos);
	EXPECT_NE(log_text().find("Refused an answer with two Content-Length values for " + file), std::string::npos);
}

// Chunked bodies as the framing comes, in pieces of any size: sizes in either
// case, extensions, trailers and bare line ends are read through; a bad size,
// a chunk longer than its size, overlong framing or trailers, a body past its
// limit, and a cut before the last chunk are not a body.
TEST_F(HttpBounds, ChunkedBodiesAreReadThroughTheirFraming)
{
	const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
	std::string trailers;	// more than a head may hold, in lines of a size a head may have
	for (int i = 0; i < 40; ++i) trailers += "X-Trailer-" + std::to_string(i) + ": " + std::string(2000, 'v') + "\r\n";
	const struct {
		const char* what;
		std::string framed;
		const char* body;	// null: refused; "cut": whole framing never came
	} rows[] = {
		{"empty", "0\r\n\r\n", ""},
		{"two chunks", "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", "hello world"},
		{"upper and lower case sizes", "A\r\n0123456789\r\nb\r\nabcdefghijk\r\n0\r\n\r\n", "0123456789abcdefghijk"},
		{"extensions and blanks", "3 ;name=value;x\r\nabc\r\n0;last\r\n\r\n", "abc"},
		{"trailers", "2\r\nhi\r\n0\r\nX-Sum: 1\r\nX-More: 2\r\n\r\n", "hi"},
		{"bare line ends", "2\nhi\n0\n\n", "hi"},
		{"bytes after the end are no body", "1\r\nz\r\n0\r\n\r\ngarbage", "z"},
		{"a size that is no number", "zz\r\nab\r\n0\r\n\r\n", nullptr},
		{"no size", "\r\nab\r\n0\r\n\r\n", nullptr},
		{"a sign", "-2\r\nab\r\n0\r\n\r\n", nullptr},
		{"a size past 60 bits", "1000000000000000\r\nab\r\n", nullptr},
		{"longer than its size", "2\r\nabc\r\n0\r\n\r\n", nullptr},
		{"an endless size line", std::string(5000, '1'), nullptr},
		{"endless trailers", "1\r\nz\r\n0\r\n" + trailers, nullptr},
		{"past the limit", "3e8\r\n" + std::string(1000, 'b') + "\r\n0\r\n\r\n", nullptr},
		{"cut in the middle of a chunk", "5\r\nhel", "cut"},
		{"cut before the last chunk", "5\r\nhello\r\n", "cut"},
		{"cut in the trailers", "1\r\nz\r\n0\r\nX-Sum: 1\r\n", "cut"},
	};
	for (const auto& row : rows)
		for (size_t piece : {(size_t)1, (size_t)7, (size_t)100000}) {
			std::map<std::string, std::string> none;
			down_class d("", 80, "/", false, none, nullptr, 0, nullptr);	// no socket: the bytes are given
			d.error = 0;
			d.status_code = -1;
			d.max_bytes = 999;
			std::string all = head + row.framed;
			size_t at = 0;
			for (; at < all.size() && !d.headers_done; at += piece) {
				d.received.insert(d.received.end(), all.begin() + at, all.begin() + std::min(all.size(), at + piece));
				d.parse_head();
			}
			ASSERT_TRUE(d.headers_done) << row.what;
			ASSERT_TRUE(d.chunked) << row.what;
			d.in_memory = true;	// the body kept to be looked at
			std::string rest(d.received.begin(), d.received.end());
			rest += all.substr(std::min(all.size(), at));
			for (size_t k = 0; k < rest.size() && !d.error; k += piece) d.take_coded(rest.data() + k, std::min(piece, rest.size() - k));
			const std::string said = std::string(row.what) + ", in pieces of " + std::to_string(piece);
			if (!row.body) {
				EXPECT_NE(d.error, 0) << said;
				continue;
			}
			EXPECT_EQ(d.error, 0) << said;
			if (std::string(row.body) == "cut") {
				EXPECT_EQ(d.content_length, -1) << said;	// never whole: the close that follows is a cut
				continue;
			}
			EXPECT_EQ(d.memory, row.body) << said;
			EXPECT_EQ(d.content_length, (int64_t)d.memory.size()) << said;
			EXPECT_EQ(d.bytes_received, d.content_length) << said;
		}
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
