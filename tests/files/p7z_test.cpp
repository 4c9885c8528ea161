#include "files_support.h"
#include "io_utils.h"
#include "p7z_utils.h"
#include <archive.h>
#include <archive_entry.h>

TEST(SevenZip, RealArchiveExtractsIdentical)
{
	scratch_dir d;
	std::string src = d.path + "src/";
	sh("mkdir -p '" + src + "sub'");
	write_file(src + "a.bin", random_bytes(250000, 11));
	write_file(src + "sub/b.txt", "hello 7z");
	write_file(src + "sub/empty", "");
	ASSERT_EQ(sh("cd '" + src + "' && 7z a -bd -y ../t.7z a.bin sub > /dev/null"), 0);
	std::string out = d.path + "out/";
	sh("mkdir -p '" + out + "sub'");
	std::string last;
	ASSERT_EQ(p7z_to_file(d.path + "t.7z", out, &last, 0), 0);
	EXPECT_EQ(sh("diff -r '" + src + "' '" + out + "'"), 0);
	EXPECT_EQ(last.compare(0, out.size(), out), 0);

	// the folder entry creates nothing: a missing folder is an error
	std::string bare = d.path + "bare/";
	make_folder(bare);
	EXPECT_EQ(p7z_to_file(d.path + "t.7z", bare, nullptr, 0), ENOENT);
}

TEST(SevenZip, OtherFormatsAndDamagedArchivesAreRefused)
{
	scratch_dir d;
	write_file(d.path + "f.txt", "text");
	ASSERT_EQ(sh("cd '" + d.path + "' && zip -q z.zip f.txt && 7z a -bd -y big.7z z.zip f.txt > /dev/null"), 0);
	std::string out = d.path + "out/";
	make_folder(out);
	EXPECT_EQ(p7z_to_file(d.path + "z.zip", out, nullptr, 0), err_zip_open);
	EXPECT_EQ(p7z_to_file(d.path + "f.txt", out, nullptr, 0), err_zip_open);
	EXPECT_EQ(p7z_to_file(d.path + "missing.7z", out, nullptr, 0), ENOENT);
	EXPECT_EQ(sh("[ -z \"$(ls -A '" + out + "')\" ]"), 0);

	std::string data = read_file(d.path + "big.7z");
	write_file(d.path + "cut.7z", data.substr(0, data.size() / 2));
	EXPECT_NE(p7z_to_file(d.path + "cut.7z", out, nullptr, 0), 0);
}

// Hostile 7z names, written with the archive library itself.
static void write_7z(const std::string& path, const std::vector<std::pair<std::string, std::string>>& files)
{
	struct archive* a = archive_write_new();
	archive_write_set_format_7zip(a);
	archive_write_open_filename(a, path.c_str());
	for (auto& f : files) {
		struct archive_entry* e = archive_entry_new();
		archive_entry_set_pathname(e, f.first.c_str());
		archive_entry_set_filetype(e, AE_IFREG);
		archive_entry_set_perm(e, 0644);
		archive_entry_set_size(e, (la_int64_t)f.second.size());
		archive_write_header(a, e);
		archive_write_data(a, f.second.data(), f.second.size());
		archive_entry_free(e);
	}
	archive_write_close(a);
	archive_write_free(a);
}

TEST(SevenZip, HostileNamesWriteNothingOutside)
{
	scratch_dir d;
	write_7z(d.path + "up.7z", {{"ok.txt", "ok"}, {"../escape.txt", "bad"}});
	write_7z(d.path + "abs.7z", {{"/tmp/vantor_7z_escape.txt", "bad"}});
	std::string dest = d.path + "dest/";
	make_folder(dest);
	unlink("/tmp/vantor_7z_escape.txt");
	EXPECT_EQ(p7z_to_file(d.path + "up.7z", dest, nullptr, 0), err_archive_unsafe);
	EXPECT_FALSE(exists_l(d.path + "escape.txt"));
	EXPECT_EQ(p7z_to_file(d.path + "abs.7z", dest, nullptr, 0), err_archive_unsafe);
	EXPECT_FALSE(exists_l("/tmp/vantor_7z_escape.txt"));

	// a link in the destination is replaced, not written through
	write_7z(d.path + "one.7z", {{"target.txt", "new"}});
	write_file(d.path + "victim.txt", "keep");
	symlink((d.path + "victim.txt").c_str(), (dest + "target.txt").c_str());
	EXPECT_EQ(p7z_to_file(d.path + "one.7z", dest, nullptr, 0), 0);
	EXPECT_EQ(read_file(d.path + "victim.txt"), "keep");
	EXPECT_EQ(read_file(dest + "target.txt"), "new");
}

TEST(SevenZip, FullDiskIsAnError)
{
	scratch_dir d;
	small_disk disk(d.path);
	if (disk.path.empty()) GTEST_SKIP() << "no permission to mount a small file system";
	write_file(d.path + "big.bin", random_bytes(2 << 20, 5));
	ASSERT_EQ(sh("cd '" + d.path + "' && 7z a -bd -y big.7z big.bin > /dev/null"), 0);
	EXPECT_NE(p7z_to_file(d.path + "big.7z", disk.path, nullptr, 0), 0);
	EXPECT_FALSE(exists_l(disk.path + "big.bin"));
}
