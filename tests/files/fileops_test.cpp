#include "files_support.h"
#include "io_utils.h"
#include "UTL_cmdline.h"
#include <fcntl.h>

TEST(FileOps, ErrorTextsKeyedByNameReturnNativeValues)
{
	EXPECT_EQ(error_str(0), "");
	EXPECT_EQ(error_str(20013), "Error code 20013");
	EXPECT_EQ(error_str(-43), "File not found");
	EXPECT_EQ(error_str(ENOSPC), "No space left on device. Perhaps your hard drive is full");
	EXPECT_EQ(error_str(ENOTEMPTY), "Directory not empty");
	EXPECT_EQ(error_str(EAGAIN), "Resource temporarily unavailable");
	EXPECT_EQ(error_str(EDEADLK), "Resource deadlock avoided");
	EXPECT_EQ(error_str(20001), "We were unable to open a zip file. It may be missing or damaged");
	EXPECT_EQ(error_str(123456), "Error code 123456");
	// every code the unpackers and the download pump return has words (and so a
	// translation: the language files hold every sentence of the table)
	for (int code : {EACCES, EPERM, ENOENT, ENOTDIR, EISDIR, ENAMETOOLONG, ELOOP, EEXIST, ENOSPC, EDQUOT, EIO, EROFS,
	                 EMLINK, EXDEV, ENOTEMPTY, EBUSY, EFBIG, EINTR, EINVAL, ENOMEM, EMFILE, ENFILE, ETXTBSY, EOVERFLOW,
	                 EOPNOTSUPP, ESTALE, EAGAIN})
		EXPECT_NE(error_str(code).compare(0, 10, "Error code"), 0) << code;
	for (int code = err_zip_open; code <= err_file_too_big; ++code) {
		if (code == err_not_mz || code == err_not_pe) continue;	// the executable patch's, never shown
		EXPECT_NE(error_str(code).compare(0, 10, "Error code"), 0) << code;
	}
}

TEST(FileOps, FoldersFilesAndDeletion)
{
	scratch_dir d;
	EXPECT_EQ(make_folder(d.path + "f/"), 0);
	EXPECT_EQ(make_folder(d.path + "f/"), EEXIST);
	EXPECT_EQ(show_make_dir_err(EEXIST), 0);
	EXPECT_EQ(show_make_dir_err(-48), 0);
	EXPECT_EQ(show_make_dir_err(EACCES), 1);
	EXPECT_TRUE(dir_exists(d.path + "f/"));
	EXPECT_TRUE(dir_exists(d.path + "f"));
	EXPECT_FALSE(file_exists(d.path + "f"));
	write_file(d.path + "f/x", "1");
	EXPECT_EQ(delete_file(d.path + "f/"), ENOTEMPTY);
	EXPECT_EQ(delete_file(""), 2);
	EXPECT_EQ(rename_file(d.path + "f/", "x", "y"), 0);
	EXPECT_TRUE(file_exists(d.path + "f/y"));
	EXPECT_EQ(make_file_executable(d.path + "f/y"), 0);
	EXPECT_EQ(mode_of(d.path + "f/y"), 0755);
	EXPECT_EQ(delete_file(d.path + "f/y"), 0);
	EXPECT_EQ(delete_file(d.path + "f/"), 0);
	EXPECT_EQ(APL_file_size(d.path + "f"), -1);
	EXPECT_EQ(delete_file(d.path + "none"), ENOENT);

	// sizes are 64-bit: a sparse file of 3 GiB
	int fd = open((d.path + "sparse").c_str(), O_CREAT | O_WRONLY, 0644);
	ASSERT_GE(fd, 0);
	ASSERT_EQ(ftruncate(fd, 3LL << 30), 0);
	close(fd);
	EXPECT_EQ(APL_file_size(d.path + "sparse"), 3LL << 30);

	uint64_t total = 0, avail = 0;
	EXPECT_EQ(get_free_space(d.path + "not_yet.txt", &total, &avail), 0);
	EXPECT_GT(total, 0u);
	EXPECT_LE(avail, total);
	EXPECT_NE(get_free_space(d.path + "no/such/file", &total, nullptr), 0);
}

TEST(FileOps, CopyKeepsBytesAndModeAndNeverLosesTheDestination)
{
	scratch_dir d;
	for (size_t n : {0ul, 65536ul, 200001ul}) {
		std::string src = d.path + "s" + std::to_string(n), dst = d.path + "d" + std::to_string(n);
		write_file(src, random_bytes(n, (unsigned)n));
		chmod(src.c_str(), 0640);
		EXPECT_EQ(copy_file(src, dst), 0);
		EXPECT_EQ(read_file(dst), read_file(src));
		EXPECT_EQ(mode_of(dst), 0640);
	}
	// a missing source must not truncate what is there
	write_file(d.path + "keep", "precious");
	EXPECT_EQ(copy_file(d.path + "missing", d.path + "keep"), 2);
	EXPECT_EQ(read_file(d.path + "keep"), "precious");
	// nor a copy onto itself
	EXPECT_EQ(copy_file(d.path + "keep", d.path + "keep"), 0);
	EXPECT_EQ(read_file(d.path + "keep"), "precious");
	EXPECT_EQ(copy_file(d.path + "keep", d.path + "nofolder/x"), 2);
}

TEST(FileOps, TreeCopyStopsAtLinkCyclesAndTreeDeleteKeepsLinkTargets)
{
	scratch_dir d;
	std::string a = d.path + "a";
	sh("mkdir -p '" + a + "/sub/deep' && echo one > '" + a + "/sub/deep/f' && echo two > '" + a + "/g'");
	symlink("..", (a + "/sub/loop").c_str());
	symlink("sub", (a + "/same").c_str());
	EXPECT_EQ(copy_file_recursive(a, d.path + "b"), 0);
	EXPECT_EQ(read_file(d.path + "b/sub/deep/f"), "one\n");
	EXPECT_EQ(read_file(d.path + "b/same/deep/f"), "one\n");
	std::string text;
	EXPECT_TRUE(is_sim_link(d.path + "b/sub/loop", &text));
	EXPECT_EQ(text, "..");

	// copying a folder into itself ends
	EXPECT_EQ(copy_file_recursive(a, a + "/inner"), 0);
	EXPECT_EQ(read_file(a + "/inner/g"), "two\n");
	EXPECT_FALSE(exists_l(a + "/inner/inner"));

	// deletion removes links to folders, not their contents
	std::string t = d.path + "t/";
	sh("mkdir -p '" + t + "x' && echo k > '" + d.path + "outside.txt'");
	symlink(d.path.c_str(), (t + "x/up").c_str());
	EXPECT_EQ(recursive_delete_folder(t), 0);
	EXPECT_FALSE(exists_l(t));
	EXPECT_EQ(read_file(d.path + "outside.txt"), "k\n");
	sh("mkdir -p '" + t + "y' && touch '" + t + ".DS_Store' '" + t + "y/z'");
	EXPECT_EQ(recursive_delete_folder(t), ENOTEMPTY);
	EXPECT_TRUE(exists_l(t + ".DS_Store"));
	EXPECT_FALSE(exists_l(t + "y"));
}

TEST(FileOps, LargeAddressAwarePatch)
{
	scratch_dir d;
	std::string pe(400, '\0');
	pe[0] = 'M';
	pe[1] = 'Z';
	pe[60] = (char)0x80;
	memcpy(&pe[0x80], "PE\0\0", 4);
	pe[0x80 + 22] = 0x02;
	write_file(d.path + "a.exe", pe);
	EXPECT_EQ(make_file_large_address_aware(d.path + "a.exe"), 0);
	std::string patched = read_file(d.path + "a.exe");
	EXPECT_EQ((unsigned char)patched[0x80 + 22], 0x22);
	patched[0x80 + 22] = 0x02;
	EXPECT_EQ(patched, pe);
	std::string before = read_file(d.path + "a.exe");
	EXPECT_EQ(make_file_large_address_aware(d.path + "a.exe"), 0);
	EXPECT_EQ(read_file(d.path + "a.exe"), before);
	write_file(d.path + "t.txt", std::string(100, 'x'));
	EXPECT_EQ(make_file_large_address_aware(d.path + "t.txt"), err_not_mz);
	pe[0x80] = 'X';
	write_file(d.path + "b.exe", pe);
	EXPECT_EQ(make_file_large_address_aware(d.path + "b.exe"), err_not_pe);
	write_file(d.path + "short.exe", "MZ");
	EXPECT_EQ(make_file_large_address_aware(d.path + "short.exe"), 5);
	EXPECT_EQ(make_file_large_address_aware(d.path + "none.exe"), ENOENT);
}

TEST(FileOps, LaunchReportsAFailedExec)
{
	scratch_dir d;
	EXPECT_EQ(launch_app(d.path + "no_such_program", "", 0), ENOENT);
	write_file(d.path + "not_exec", "#!/bin/sh\n");
	EXPECT_EQ(launch_app(d.path + "not_exec", "x", 0), EACCES);
}

TEST(FileOps, LaunchRunsTheProgramOrTheBundlesExecutableAndEnds)
{
	scratch_dir d;
	std::string log = d.path + "args";
	std::string script = "#!/bin/sh\necho \"$0|$*\" > '" + log + "'\n";
	write_file(d.path + "plain", script);
	chmod((d.path + "plain").c_str(), 0755);
	EXPECT_EXIT(launch_app(d.path + "plain", "", 0), ::testing::ExitedWithCode(1), "");
	for (int i = 0; i < 100 && !exists_l(log); ++i) usleep(20000);
	usleep(50000);
	EXPECT_EQ(read_file(log), d.path + "plain|\n");

	sh("mkdir -p '" + d.path + "Sim.app/Contents/MacOS'");
	write_file(d.path + "Sim.app/Contents/MacOS/Sim", script);
	chmod((d.path + "Sim.app/Contents/MacOS/Sim").c_str(), 0755);
	unlink(log.c_str());
	EXPECT_EXIT(launch_app(d.path + "Sim.app/", "/some copy", 0), ::testing::ExitedWithCode(1), "");
	for (int i = 0; i < 100 && !exists_l(log); ++i) usleep(20000);
	usleep(50000);
	EXPECT_EQ(read_file(log), d.path + "Sim.app/Contents/MacOS/Sim|-path /some copy\n");
}
