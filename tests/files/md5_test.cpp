#include "files_support.h"
#include "io_utils.h"
#include "md5_utils.h"
#include "path_utils.h"
#include <algorithm>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>

static std::string md5sum_of(const std::string& path)
{
	return sh_out("md5sum < '" + path + "' | cut -c1-32");
}

TEST(Md5, MatchesMd5sumAtBlockBoundariesAndSignsLinkText)
{
	scratch_dir d;
	write_file(d.path + "abc", "abc");
	std::string sig;
	ASSERT_EQ(calc_file_md5(d.path + "abc", sig), 0);
	EXPECT_EQ(sig, "900150983cd24fb0d6963f7d28e17f72");
	// The file and the piece-by-piece paths across the digest's 64-byte
	// blocks, its padding's edges and the file reader's pieces; the pieces
	// cut at odd places.
	unsigned seed = 1;
	for (size_t n : {1ul, 55ul, 56ul, 57ul, 63ul, 64ul, 119ul, 120ul, 121ul, 65535ul, 65536ul, 65537ul, 131071ul, 131072ul, 262145ul, 1000003ul}) {
		SCOPED_TRACE(n);
		std::string p = d.path + "r" + std::to_string(n);
		std::string bytes = random_bytes(n, seed++);
		write_file(p, bytes);
		ASSERT_EQ(calc_file_md5(p, sig), 0);
		EXPECT_EQ(sig, md5sum_of(p));
		md5_digest pieces;
		for (size_t at = 0, step = 1; at < n; at += step, step = step * 3 + 1)
			pieces.add(bytes.data() + at, std::min(step, n - at));
		EXPECT_EQ(pieces.hex(), sig);
	}
	// RFC 1321's vectors, the empty input included
	const char* const rfc[][2] = {
	    {"", "d41d8cd98f00b204e9800998ecf8427e"},
	    {"a", "0cc175b9c0f1b6a831c399e269772661"},
	    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
	    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
	     "57edf4a22be3c955ac49da2e2107b67a"}};
	for (auto& v : rfc) {
		md5_digest one;
		one.add(v[0], strlen(v[0]));
		EXPECT_EQ(one.hex(), v[1]) << v[0];
	}
	// a link is signed by its text, wherever it points
	symlink("abc", (d.path + "link").c_str());
	symlink("/nonexistent/abc", (d.path + "dangling").c_str());
	ASSERT_EQ(calc_file_md5(d.path + "link", sig), 0);
	EXPECT_EQ(sig, "900150983cd24fb0d6963f7d28e17f72");
	ASSERT_EQ(calc_file_md5(d.path + "dangling", sig), 0);
	EXPECT_EQ(sig, sh_out("printf /nonexistent/abc | md5sum | cut -c1-32"));

	// On a volume that tells case apart a name in another case is found as
	// the copy spells it; a name there as given is signed as it is.
	g_case_sensitive = 1;
	sh("mkdir -p '" + d.path + "Sub' '" + d.path + "twin'");
	write_file(d.path + "Sub/Abc", "abc");
	write_file(d.path + "twin/x", "abc");
	write_file(d.path + "twin/X", "other");
	EXPECT_EQ(calc_file_md5(d.path + "sub/ABC", sig), 0);
	EXPECT_EQ(sig, "900150983cd24fb0d6963f7d28e17f72");
	EXPECT_EQ(calc_file_md5(d.path + "twin/X", sig), 0);
	EXPECT_EQ(sig, sh_out("printf other | md5sum | cut -c1-32"));
	g_case_sensitive = 0;

	write_file(d.path + "empty", "");
	sig = "unchanged";
	EXPECT_EQ(calc_file_md5(d.path + "empty", sig), err_file_open_read);
	EXPECT_EQ(calc_file_md5(d.path + "missing", sig), err_file_open_read);
	EXPECT_EQ(sig, "unchanged");
}

// What is no file is never opened (a pipe would wait for a writer for ever);
// the caller learns that the path holds something else. A link to one is
// still signed by its text.
TEST(Md5, PipesSocketsFoldersAndDevicesAreNeverOpened)
{
	scratch_dir d;
	ASSERT_EQ(mkfifo((d.path + "pipe").c_str(), 0644), 0);
	int sock = socket(AF_UNIX, SOCK_STREAM, 0);
	ASSERT_GE(sock, 0);
	sockaddr_un addr{};
	addr.sun_family = AF_UNIX;
	std::string sock_path = d.path + "sock";
	ASSERT_LT(sock_path.size(), sizeof(addr.sun_path));
	memcpy(addr.sun_path, sock_path.c_str(), sock_path.size() + 1);
	ASSERT_EQ(bind(sock, (sockaddr*)&addr, sizeof(addr)), 0);
	sh("mkdir '" + d.path + "folder'");
	for (const std::string& p : {d.path + "pipe", sock_path, d.path + "folder", std::string("/dev/zero")}) {
		SCOPED_TRACE(p);
		std::string sig = "unchanged";
		int not_a_file = 0;
		EXPECT_EQ(calc_file_md5(p, sig, &not_a_file), err_file_open_read);
		EXPECT_EQ(not_a_file, 1);
		EXPECT_EQ(sig, "unchanged");
	}
	close(sock);
	symlink("/dev/zero", (d.path + "zero_link").c_str());
	symlink("pipe", (d.path + "pipe_link").c_str());
	std::string sig;
	int not_a_file = 1;
	ASSERT_EQ(calc_file_md5(d.path + "zero_link", sig, &not_a_file), 0);
	EXPECT_EQ(not_a_file, 0);
	EXPECT_EQ(sig, sh_out("printf /dev/zero | md5sum | cut -c1-32"));
	ASSERT_EQ(calc_file_md5(d.path + "pipe_link", sig), 0);
	EXPECT_EQ(sig, sh_out("printf pipe | md5sum | cut -c1-32"));
	// an ordinary file and a missing one are no such thing
	write_file(d.path + "abc", "abc");
	EXPECT_EQ(calc_file_md5(d.path + "abc", sig, &not_a_file), 0);
	EXPECT_EQ(not_a_file, 0);
	not_a_file = 1;
	EXPECT_EQ(calc_file_md5(d.path + "missing", sig, &not_a_file), err_file_open_read);
	EXPECT_EQ(not_a_file, 0);
}

// Another program cuts the file short and lets it grow again while it is
// signed: each signature ends (a mapped read would die past the new end).
TEST(Md5, AFileCutShortWhileSignedEndsTheSignatureThere)
{
	scratch_dir d;
	const std::string p = d.path + "shrinking";
	const off_t big = 16 << 20, small = 4096;
	int fd = open(p.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
	ASSERT_GE(fd, 0);
	ASSERT_EQ(ftruncate(fd, big), 0);
	std::atomic<bool> done{false};
	std::thread cutter([&] {
		while (!done) {
			if (ftruncate(fd, small) != 0 || ftruncate(fd, big) != 0) break;
		}
	});
	int signed_files = 0;
	for (int round = 0; round < 200; ++round) {
		std::string sig;
		int r = calc_file_md5(p, sig);
		EXPECT_TRUE(r == 0 || r == err_file_open_read) << r;
		signed_files += r == 0 && sig.size() == 32;
	}
	done = true;
	cutter.join();
	close(fd);
	EXPECT_GT(signed_files, 0);
	// when it stands still, it is signed whole
	std::string sig;
	ASSERT_EQ(calc_file_md5(p, sig), 0);
	EXPECT_EQ(sig, md5sum_of(p));
	// a scan that is stopped reads no further, its signature untouched
	std::atomic<int> stop{1};
	std::string kept = "kept";
	EXPECT_EQ(calc_file_md5(p, kept, nullptr, &stop), ECANCELED);
	EXPECT_EQ(kept, "kept");
}
