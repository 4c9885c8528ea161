#include "files_support.h"
#include "io_utils.h"
#include "zip_utils.h"
#include <sstream>
#include <sys/xattr.h>

static std::string hostile(const scratch_dir& d)
{
	std::string h = d.path + "hostile/";
	sh("mkdir -p '" + h + "' && python3 '" VANTOR_SOURCE_DIR "/tests/files/make_hostile.py' '" + h + "'");
	return h;
}

// A tree with links, modes and an old time, packed by the real zip tool.
TEST(Zip, RealZipTreeExtractsIdenticalWithModesLinksAndTimes)
{
	scratch_dir d;
	std::string src = d.path + "src/";
	sh("mkdir -p '" + src + "Tree.app/Contents/MacOS' '" + src + "Tree.app/data/empty'");
	write_file(src + "Tree.app/Contents/MacOS/Tree", random_bytes(70000, 1));
	write_file(src + "Tree.app/data/private.txt", "secret");
	write_file(src + "Tree.app/data/zero", "");
	chmod((src + "Tree.app/Contents/MacOS/Tree").c_str(), 0755);
	chmod((src + "Tree.app/data/private.txt").c_str(), 0600);
	symlink("Contents/MacOS/Tree", (src + "Tree.app/run").c_str());
	symlink("../Contents", (src + "Tree.app/data/up").c_str());
	sh("touch -h -d '2011-03-04 05:06:08' '" + src + "Tree.app/data/private.txt'");
	ASSERT_EQ(sh("cd '" + src + "' && zip -qry ../tree.zip Tree.app"), 0);

	std::string out = d.path + "out/";
	make_folder(out);
	std::string first;
	ASSERT_EQ(zip_to_file(d.path + "tree.zip", out, &first, 0), 0);
	EXPECT_EQ(first, "Tree.app/");
	EXPECT_EQ(sh("diff -r --no-dereference '" + src + "Tree.app' '" + out + "Tree.app'"), 0);
	EXPECT_EQ(mode_of(out + "Tree.app/Contents/MacOS/Tree"), 0755);
	EXPECT_EQ(mode_of(out + "Tree.app/data/private.txt"), 0600);
	std::string text;
	ASSERT_TRUE(is_sim_link(out + "Tree.app/run", &text));
	EXPECT_EQ(text, "Contents/MacOS/Tree");
	ASSERT_TRUE(is_sim_link(out + "Tree.app/data/up", &text));
	EXPECT_EQ(text, "../Contents");
	struct stat a, b;
	stat((src + "Tree.app/data/private.txt").c_str(), &a);
	stat((out + "Tree.app/data/private.txt").c_str(), &b);
	EXPECT_NEAR((double)a.st_mtime, (double)b.st_mtime, 2.0);

	// extracting again replaces every file and accepts the existing folders
	write_file(out + "Tree.app/data/private.txt", "changed");
	EXPECT_EQ(zip_to_file(d.path + "tree.zip", out, nullptr, 0), 0);
	EXPECT_EQ(read_file(out + "Tree.app/data/private.txt"), "secret");
}

// An entry's time is local time: in a zone with summer time, on both sides of
// each change, a file keeps the moment the real zip tool packed.
TEST(Zip, EntryTimesKeepTheirMomentAcrossSummerTime)
{
	scratch_dir d;
	std::string src = d.path + "src/", out = d.path + "out/";
	const char* zone = "CET-1CEST,M3.5.0,M10.5.0/3";
	const char* before = getenv("TZ");
	std::string saved = before ? before : "";
	setenv("TZ", zone, 1);
	tzset();
	const char* dates[] = {"2021-01-15 12:00:00", "2021-03-28 01:30:00", "2021-03-28 03:30:00", "2021-07-01 23:59:58",
	                       "2021-10-31 01:30:00", "2021-10-31 04:00:00", "2021-12-31 23:59:58"};
	sh("mkdir -p '" + src + "' '" + out + "'");
	for (size_t i = 0; i < sizeof(dates) / sizeof(dates[0]); ++i) {
		std::string f = src + "f" + std::to_string(i);
		write_file(f, "x");
		sh(std::string("TZ='") + zone + "' touch -d '" + dates[i] + "' '" + f + "'");
	}
	ASSERT_EQ(sh(std::string("cd '") + src + "' && TZ='" + zone + "' zip -qX ../t.zip f*"), 0);
	ASSERT_EQ(zip_to_file(d.path + "t.zip", out, nullptr, 0), 0);
	for (size_t i = 0; i < sizeof(dates) / sizeof(dates[0]); ++i) {
		SCOPED_TRACE(dates[i]);
		struct stat a, b;
		ASSERT_EQ(stat((src + "f" + std::to_string(i)).c_str(), &a), 0);
		ASSERT_EQ(stat((out + "f" + std::to_string(i)).c_str(), &b), 0);
		EXPECT_NEAR((double)a.st_mtime, (double)b.st_mtime, 2.0);
	}
	if (before)
		setenv("TZ", saved.c_str(), 1);
	else
		unsetenv("TZ");
	tzset();
}

TEST(Zip, MissingFolderOfAFileEntryFailsWithNoSuchFile)
{
	scratch_dir d;
	sh("mkdir -p '" + d.path + "s/sub' && echo hi > '" + d.path + "s/sub/f.txt'");
	ASSERT_EQ(sh("cd '" + d.path + "s' && zip -qD ../nodirs.zip sub/f.txt"), 0);
	make_folder(d.path + "o/");
	EXPECT_EQ(zip_to_file(d.path + "nodirs.zip", d.path + "o/", nullptr, 0), ENOENT);
	EXPECT_EQ(zip_to_file(d.path + "none.zip", d.path + "o/", nullptr, 0), err_zip_open);
}

TEST(Zip, HostileArchivesFailCleanlyAndWriteNothingOutside)
{
	scratch_dir d;
	std::string h = hostile(d);
	struct { const char* zip; const char* outside; } cases[] = {
		{"traversal.zip", "escape.txt"},
		{"deep_traversal.zip", "escape.txt"},
		{"absolute.zip", nullptr},
		{"link_absolute.zip", nullptr},
		{"link_escape.zip", "outside"},
		{"write_through.zip", nullptr},
	};
	for (auto& c : cases) {
		SCOPED_TRACE(c.zip);
		std::string root = d.path + "case/";
		sh("rm -rf '" + root + "' && mkdir -p '" + root + "dest'");
		unlink("/tmp/vantor_abs_escape.txt");
		EXPECT_EQ(zip_to_file(h + c.zip, root + "dest/", nullptr, 0), err_archive_unsafe);
		if (c.outside) {
			EXPECT_FALSE(exists_l(root + c.outside));
		}
		EXPECT_FALSE(exists_l("/tmp/vantor_abs_escape.txt"));
		if (std::string(c.zip) == "link_absolute.zip") {
			EXPECT_FALSE(exists_l(root + "dest/l"));
		}
		EXPECT_FALSE(exists_l(root + "dest/real/x.txt"));
		EXPECT_EQ(error_str(err_archive_unsafe).empty(), false);
	}
	// a link already in the destination is not written through either
	std::string root = d.path + "pre/";
	sh("mkdir -p '" + root + "dest' '" + root + "elsewhere'");
	symlink((root + "elsewhere").c_str(), (root + "dest/pre").c_str());
	EXPECT_EQ(zip_to_file(h + "through_existing.zip", root + "dest/", nullptr, 0), err_archive_unsafe);
	EXPECT_FALSE(exists_l(root + "elsewhere/file.txt"));
}

// An archive held in memory unpacks as the same archive read from its file:
// every archive the hostile script makes, whole and for one named entry.
TEST(Zip, AnArchiveInMemoryUnpacksAsFromItsFile)
{
	scratch_dir d;
	std::string h = hostile(d);
	std::vector<std::string> zips;
	std::istringstream names(sh_out("cd '" + h + "' && ls *.zip"));
	for (std::string n; std::getline(names, n);)
		if (!n.empty()) zips.push_back(n);
	ASSERT_GT(zips.size(), 20u);
	for (const std::string& z : zips)
		for (const char* entry : {"", "f.txt"}) {
			SCOPED_TRACE(z + " " + entry);
			unpack_rules rules;
			rules.entry = entry;
			int code[2];
			for (int held = 0; held < 2; ++held) {
				std::string root = d.path + (held ? "mem/" : "file/");
				sh("rm -rf '" + root + "' && mkdir -p '" + root + "dest'");
				code[held] = held ? zip_bytes_to_file(read_file(h + z), z, root + "dest/", nullptr, 0, &rules)
				                  : zip_to_file(h + z, root + "dest/", nullptr, 0, &rules);
			}
			EXPECT_EQ(code[0], code[1]);
			EXPECT_EQ(sh("diff -r --no-dereference '" + d.path + "file' '" + d.path + "mem'"), 0);
		}
}

TEST(Zip, DamagedArchivesFailWithoutLeavingPartialFiles)
{
	scratch_dir d;
	std::string h = hostile(d);
	make_folder(d.path + "o/");
	EXPECT_EQ(zip_to_file(h + "good.zip", d.path + "o/", nullptr, 0), 0);
	EXPECT_EQ(APL_file_size(d.path + "o/big.bin"), 200000);
	sh("rm -rf '" + d.path + "o' && mkdir '" + d.path + "o'");
	EXPECT_EQ(zip_to_file(h + "truncated.zip", d.path + "o/", nullptr, 0), err_zip_open);
	int r = zip_to_file(h + "corrupt.zip", d.path + "o/", nullptr, 0);
	EXPECT_NE(r, 0);
	EXPECT_NE(error_str(r).compare(0, 10, "Error code"), 0) << r;
	EXPECT_FALSE(exists_l(d.path + "o/big.bin"));
}

// Sizes kept in the zip64 field, as for entries over 4 GB, are read from it;
// the CRC is still checked against them.
TEST(Zip, SizesInTheZip64FieldAreReadAndChecked)
{
	scratch_dir d;
	std::string h = hostile(d), o = d.path + "o/";
	make_folder(o);
	ASSERT_EQ(sh("unzip -tq '" + h + "zip64.zip' >/dev/null"), 0);
	EXPECT_EQ(zip_to_file(h + "zip64.zip", o, nullptr, 0), 0);
	make_folder(d.path + "ref/");
	ASSERT_EQ(zip_to_file(h + "good.zip", d.path + "ref/", nullptr, 0), 0);
	EXPECT_EQ(read_file(o + "big.bin"), read_file(d.path + "ref/big.bin"));
	sh("rm -rf '" + o + "' && mkdir '" + o + "'");
	EXPECT_EQ(zip_to_file(h + "zip64_bad_crc.zip", o, nullptr, 0), err_archive_damaged);
	EXPECT_FALSE(exists_l(o + "big.bin"));
}

TEST(Zip, DosArchiveLongNamesAndFirstNameRename)
{
	scratch_dir d;
	std::string h = hostile(d);
	make_folder(d.path + "o/");
	ASSERT_EQ(zip_to_file(h + "dos.zip", d.path + "o/", nullptr, 0), 0);
	int m = mode_of(d.path + "o/dos.txt");
	EXPECT_NE(m & 0600, 0) << "a DOS archive must not leave mode " << m;
	EXPECT_EQ(read_file(d.path + "o/dos.txt"), "made on DOS");

	ASSERT_EQ(zip_to_file(h + "odd_type.zip", d.path + "o/", nullptr, 0), 0);
	EXPECT_FALSE(is_sim_link(d.path + "o/odd", nullptr));
	EXPECT_EQ(read_file(d.path + "o/odd"), "plain data");

	std::string long_name = std::string(120, 'd') + "/" + std::string(200, 'n') + ".txt";
	ASSERT_EQ(zip_to_file(h + "long_name.zip", d.path + "o/", nullptr, 0), 0);
	EXPECT_EQ(read_file(d.path + "o/" + long_name), "long");

	std::string name = "renamed.txt";
	ASSERT_EQ(zip_to_file(h + "dos.zip", d.path + "o/", &name, 1), 0);
	EXPECT_EQ(name, "dos.txt");
	EXPECT_EQ(read_file(d.path + "o/renamed.txt"), "made on DOS");
}

TEST(Zip, AppleDoubleEntriesAreCheckedAndKeptAsAttributes)
{
	scratch_dir d;
	std::string h = hostile(d);
	std::string o = d.path + "o/";
	make_folder(o);
	ASSERT_EQ(zip_to_file(h + "fork_good.zip", o, nullptr, 0), 0);
	EXPECT_EQ(read_file(o + "f.txt"), "data");
	EXPECT_FALSE(exists_l(o + "__MACOSX"));
	EXPECT_FALSE(exists_l(o + "._f.txt"));
	char buf[64];
	ssize_t n = getxattr((o + "f.txt").c_str(), "user.com.apple.ResourceFork", buf, sizeof(buf));
	if (n >= 0) {	// else the file system keeps no user attributes
		EXPECT_EQ(std::string(buf, n), "RESOURCEFORK");
	}

	EXPECT_EQ(zip_to_file(h + "fork_bad_header.zip", o, nullptr, 0), err_zip_fork_header);
	EXPECT_EQ(zip_to_file(h + "fork_bad_bounds.zip", o, nullptr, 0), err_zip_fork_header);
	EXPECT_EQ(zip_to_file(h + "fork_no_prefix.zip", o, nullptr, 0), err_zip_fork_header);
	EXPECT_EQ(zip_to_file(h + "fork_orphan.zip", o, nullptr, 0), 0);
	EXPECT_FALSE(exists_l(o + "missing.txt"));
	// a fork goes only with a file the archive placed: one that was there is
	// left as it was, also by an unpack that fails for want of its file
	write_file(o + "missing.txt", "the user's");
	unpack_rules rules;
	rules.entry = "missing.txt";
	EXPECT_EQ(zip_to_file(h + "fork_orphan.zip", o, nullptr, 0), 0);
	EXPECT_EQ(zip_to_file(h + "fork_orphan.zip", o, nullptr, 0, &rules), err_archive_no_entry);
	EXPECT_LT(getxattr((o + "missing.txt").c_str(), "user.com.apple.ResourceFork", buf, sizeof(buf)), 0);
	EXPECT_LT(getxattr((o + "missing.txt").c_str(), "user.com.apple.FinderInfo", buf, sizeof(buf)), 0);
	EXPECT_EQ(read_file(o + "missing.txt"), "the user's");
}

TEST(Zip, FileToZipRoundTripsThroughTheRealUnzip)
{
	scratch_dir d;
	std::string data = random_bytes(3000000, 7);	// several pieces for the compressor
	write_file(d.path + "payload.bin", data);
	chmod((d.path + "payload.bin").c_str(), 0750);
	sh("touch -d '2012-01-02 03:04:06' '" + d.path + "payload.bin'");
	std::string sig;
	ASSERT_EQ(file_to_zip(d.path + "payload.bin", d.path + "p.zip", &sig), 0);
	EXPECT_EQ(sig, sh_out("md5sum < '" + d.path + "payload.bin'").substr(0, 32)) << "the signature of the bytes stored";
	EXPECT_EQ(sh("unzip -tqq '" + d.path + "p.zip'"), 0);
	EXPECT_EQ(sh_out("unzip -Z1 '" + d.path + "p.zip'"), "payload.bin");
	sh("mkdir '" + d.path + "u' && cd '" + d.path + "u' && unzip -qq ../p.zip");
	EXPECT_EQ(read_file(d.path + "u/payload.bin"), data);
	EXPECT_EQ(mode_of(d.path + "u/payload.bin"), 0750);

	make_folder(d.path + "o/");
	ASSERT_EQ(zip_to_file(d.path + "p.zip", d.path + "o/", nullptr, 0), 0);
	EXPECT_EQ(read_file(d.path + "o/payload.bin"), data);
	struct stat a, b;
	stat((d.path + "payload.bin").c_str(), &a);
	stat((d.path + "o/payload.bin").c_str(), &b);
	EXPECT_NEAR((double)a.st_mtime, (double)b.st_mtime, 2.0);

	symlink("some/target", (d.path + "link").c_str());
	ASSERT_EQ(file_to_zip(d.path + "link", d.path + "l.zip", &sig), 0);
	EXPECT_EQ(sig, sh_out("printf some/target | md5sum").substr(0, 32)) << "a link is signed by its text";
	sh("mkdir '" + d.path + "ul' && cd '" + d.path + "ul' && unzip -qq ../l.zip");
	std::string text;
	ASSERT_TRUE(is_sim_link(d.path + "ul/link", &text));
	EXPECT_EQ(text, "some/target");

	write_file(d.path + "empty", "");
	EXPECT_EQ(file_to_zip(d.path + "empty", d.path + "e.zip"), err_file_open_read);
	EXPECT_NE(file_to_zip(d.path + "missing", d.path + "m.zip"), 0);
}

TEST(Zip, FullDiskIsAnErrorNotSuccess)
{
	scratch_dir d;
	small_disk disk(d.path);
	if (disk.path.empty()) GTEST_SKIP() << "no permission to mount a small file system";
	write_file(d.path + "big.bin", random_bytes(2 << 20, 3));
	ASSERT_EQ(sh("cd '" + d.path + "' && zip -q0 big.zip big.bin"), 0);
	EXPECT_NE(zip_to_file(d.path + "big.zip", disk.path, nullptr, 0), 0);
	EXPECT_FALSE(exists_l(disk.path + "big.bin"));
	EXPECT_NE(file_to_zip(d.path + "big.bin", disk.path + "big.zip"), 0);
	EXPECT_FALSE(exists_l(disk.path + "big.zip"));
	EXPECT_NE(copy_file(d.path + "big.bin", disk.path + "copy.bin"), 0);
}
