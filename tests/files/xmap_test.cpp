#include "files_support.h"
#include "xmap.h"
#include "UTL_cmdline.h"
#include <climits>
#include <sys/stat.h>

static const int k900[] = {900, 0};

TEST(Xmap, TextHeadersWithBomAndEveryLineEnd)
{
	scratch_dir d;
	const char* bodies[] = {
		"\xEF\xBB\xBFI\r\n\r\n900 version\r\n\r\n  SERVERS\r\nBETA 1\r\n",
		"I\n900 version\nSERVERS\nBETA 1\n",
		"I\r900 version\rSERVERS\rBETA 1\r",
		"A whatever\n\n\t 900 version\n \tSERVERS\tjunk\n\n  BETA 1",
	};
	for (const char* b : bodies) {
		SCOPED_TRACE(b);
		write_file(d.path + "s.txt", b);
		xmap_class x(d.path + "s.txt");
		ASSERT_TRUE(x.begin);
		std::string rest;
		EXPECT_EQ(x.check_file(file_type_txt, k900, "SERVERS", &rest), 900);
		EXPECT_EQ(rest, "version");
		EXPECT_EQ(std::string(x.cursor, 4), "BETA");
		EXPECT_EQ(x.check_file(file_type_txt, k900, "SERVER", nullptr), 0);
	}
	write_file(d.path + "g.txt", "I\n900 version\nSERVERSX\n");
	xmap_class g(d.path + "g.txt");
	EXPECT_EQ(g.check_file(file_type_txt, k900, "SERVERS", nullptr), 0);
	write_file(d.path + "e.txt", "I\n900 version\nSERVERS");
	xmap_class e(d.path + "e.txt");
	EXPECT_EQ(e.check_file(file_type_txt, k900, "SERVERS", nullptr), 900);
	EXPECT_EQ(e.cursor, e.end);

	write_file(d.path + "v.txt", "I\n820 version\n");
	xmap_class v(d.path + "v.txt");
	const int l1[] = {840, 900, 0}, l2[] = {820, 0};
	EXPECT_EQ(v.check_file(file_type_txt, l1, nullptr, nullptr), 0);
	EXPECT_EQ(v.check_file(file_type_txt, l2, nullptr, nullptr), 820);
	write_file(d.path + "z.txt", "I\n0 version\n");
	xmap_class z(d.path + "z.txt");
	const int l0[] = {0};
	EXPECT_EQ(z.check_file(file_type_txt, l0, nullptr, nullptr), 0);
	write_file(d.path + "b.txt", "X\n900 version\n");
	xmap_class bad(d.path + "b.txt");
	EXPECT_EQ(bad.check_file(file_type_txt, k900, nullptr, nullptr), 0);

	write_file(d.path + "empty.txt", "");
	xmap_class em(d.path + "empty.txt"), missing(d.path + "missing.txt");
	EXPECT_FALSE(em.begin);
	EXPECT_FALSE(missing.begin);
	EXPECT_EQ(em.check_file(file_type_txt, k900, nullptr, nullptr), 0);
	EXPECT_EQ(missing.check_file(file_type_txt, k900, nullptr, nullptr), 0);

	// a folder where a file is looked for reads as missing, not as a fatal mapping failure
	ASSERT_EQ(0, mkdir((d.path + "library.txt").c_str(), 0755));
	xmap_class folder(d.path + "library.txt");
	EXPECT_FALSE(folder.begin);
	EXPECT_EQ(folder.check_file(file_type_txt, k900, nullptr, nullptr), 0);
	xmap_class dev("/dev/null");
	EXPECT_FALSE(dev.begin);
}

TEST(Xmap, BinaryHeaderByteOrderAndReads)
{
	scratch_dir d;
	write_file(d.path + "a.bin", std::string("a\x00\x00\x03\x84\x01\x02\x03\x04\x05", 10));
	xmap_class a(d.path + "a.bin");
	EXPECT_EQ(a.check_file(file_type_bin, k900, nullptr, nullptr), 900);
	EXPECT_EQ(a.swap_bytes, 1);
	unsigned char out[5];
	a.read_n_rev(out, 5);
	EXPECT_EQ(std::string((char*)out, 5), std::string("\x04\x03\x02\x01\x05", 5));
	write_file(d.path + "i.bin", std::string("i\x84\x03\x00\x00", 5));
	xmap_class i(d.path + "i.bin");
	EXPECT_EQ(i.check_file(file_type_bin, k900, nullptr, nullptr), 900);
	EXPECT_EQ(i.swap_bytes, 0);
	write_file(d.path + "s.bin", std::string("i\x84\x03", 3));
	xmap_class s(d.path + "s.bin");
	EXPECT_EQ(s.check_file(file_type_bin, k900, nullptr, nullptr), 0);
}

TEST(XmapDeath, ReadPastTheEndIsFatal)
{
	UTL_cmdline::add_one("--fps_test", "");
	scratch_dir d;
	write_file(d.path + "i.bin", std::string("i\x84\x03\x00\x00", 5));
	EXPECT_EXIT(({ xmap_class x(d.path + "i.bin"); char b[8]; x.check_file(file_type_bin, k900, nullptr, nullptr); x.read_n_rev(b, 1); }),
	            ::testing::ExitedWithCode(1), "");
}

TEST(Xmap, Scanners)
{
	scratch_dir d;
	write_file(d.path + "t.txt", "  -42 x -+7 - 9 99999999999999 -99999999999999 +");
	xmap_class x(d.path + "t.txt");
	EXPECT_EQ(x.TXT_int_scan(), -42);
	EXPECT_EQ(*x.cursor, ' ');
	std::string w;
	x.TXT_str_scan_space(&w);
	EXPECT_EQ(w, "x");
	EXPECT_EQ(x.TXT_int_scan(), 7);
	EXPECT_EQ(x.TXT_int_scan(), 0);
	EXPECT_EQ(*x.cursor, ' ');
	EXPECT_EQ(x.TXT_int_scan(), 9);
	EXPECT_EQ(x.TXT_int_scan(), INT_MAX);	// saturates instead of wrapping
	EXPECT_EQ(x.TXT_int_scan(), INT_MIN);
	EXPECT_EQ(x.TXT_int_scan(), 0);
	EXPECT_EQ(x.cursor, x.end);

	write_file(d.path + "e.txt", "\t text ends  \r\n\r\n  \nFILE a\nDIR\nDIRX y");
	xmap_class e(d.path + "e.txt");
	e.TXT_str_scan_eoln(&w);
	EXPECT_EQ(w, "text ends  ");
	EXPECT_EQ(*e.cursor, 'F');
	EXPECT_EQ(e.TXT_str_scan_match("FILE", 0), 1);
	e.TXT_str_scan_eoln(nullptr);
	const char* at = e.cursor;
	EXPECT_EQ(e.TXT_str_scan_match("DIR", 0), 0);
	EXPECT_EQ(e.cursor, at);
	EXPECT_EQ(e.TXT_str_scan_match("DIR", 1), 1);
	e.TXT_str_scan_eoln(nullptr);
	EXPECT_EQ(e.TXT_str_scan_match("DIR", 1), 0);
}

TEST(Ouf, WritesHeadersLowersTheExtensionAndCreatesTheFolder)
{
	scratch_dir d;
	ASSERT_EQ(ouf_open(d.path + "new/Dir.TXT", file_type_txt, 92001, "no-copyright-string"), 1);
	ouf << 1.5f << "\n";
	ouf.close();
	EXPECT_FALSE(ouf.fail());
	EXPECT_EQ(read_file(d.path + "new/Dir.txt"), "I\n92001 version\n1.500000\n");
	ASSERT_EQ(ouf_open(d.path + "b.DAT", file_type_bin, 900, "no-copyright-string"), 1);
	ouf.close();
	EXPECT_EQ(read_file(d.path + "b.dat"), std::string("i\x84\x03\x00\x00", 5));
	ASSERT_EQ(ouf_open(d.path + "c.txt", file_type_txt, 7, "(c) notice"), 1);
	ouf.close();
	EXPECT_EQ(read_file(d.path + "c.txt"), "I\n7 version(c) notice\n");

	UTL_cmdline::add_one("--fps_test", "");	// the alert goes to the log
	write_file(d.path + "file", "x");
	EXPECT_EQ(ouf_open(d.path + "file/sub/a.txt", file_type_txt, 1, "no-copyright-string"), 0);

	xmap_class rd(d.path + "new/Dir.txt");
	const int v[] = {92001, 0};
	EXPECT_EQ(rd.check_file(file_type_txt, v, nullptr, nullptr), 92001);
}
