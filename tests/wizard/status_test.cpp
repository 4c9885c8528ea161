// Sizes, durations, rates and the disk-space check.
#include "wizard_support.h"
#include "main_globals.h"
#include "main_status.h"
#include "utils.h"
#include "utils_internal.h"
#include <cmath>
#include <sys/statvfs.h>

TEST(StatusTexts, SizesTimesRates)
{
	EXPECT_EQ(size_string(2000000), "1.9 GB");
	EXPECT_EQ(size_string(1024000), "1000 MB");
	EXPECT_EQ(size_string(1024), "1024 KB");
	EXPECT_EQ(size_string(0), "0 KB");
	EXPECT_EQ(time_str(119.9f), "119 seconds");
	EXPECT_EQ(time_str(120), "2 minutes");
	EXPECT_EQ(time_str(7199), "119 minutes");
	EXPECT_EQ(time_str(7200), "2 hours");
	EXPECT_EQ(time_str(1), "1 second");
	EXPECT_EQ(time_str(60), "60 seconds");
	EXPECT_EQ(time_str(3660), "61 minutes");
	EXPECT_EQ(time_str(1e30f), "0 hours");	// no overflow into a wild number
	EXPECT_EQ(time_str(NAN), "0 hours");
	EXPECT_EQ(rate_str(1.5f), "1 kilobyte/second");
	EXPECT_EQ(rate_str(250.9f), "250 kilobytes/second");
	EXPECT_EQ(int_str(-12), "-12");
	EXPECT_EQ(flt_str("%.2f", 1.5f), "1.50");
}

// The bar of a web install follows the work, never goes back, and the time
// left counts what is still to come.
TEST(StatusTexts, BarAndTimeLeftAgree)
{
	EXPECT_FLOAT_EQ(wizard_install_bar(0, 10, 0, 1), 0);	// nothing to install: no division
	EXPECT_FLOAT_EQ(wizard_install_bar(0, 50, 100, 1), 0.5f);	// a whole fifth of a second: the share itself
	EXPECT_FLOAT_EQ(wizard_install_bar(0, 150, 100, 1), 1);
	EXPECT_FLOAT_EQ(wizard_install_bar(0.2f, 60, 100, 0.1f), 0.4f);	// half way there in a tenth of a second
	EXPECT_FLOAT_EQ(wizard_install_bar(0.6f, 30, 100, 0.1f), 0.6f);	// bytes in flight lost: the bar waits
	EXPECT_FLOAT_EQ(wizard_install_bar(0.6f, -5, 100, 1), 0.6f);
	EXPECT_FLOAT_EQ(wizard_install_bar(0.5f, 80, 100, -1), 0.5f);	// a clock that went back moves nothing
	float bar = 0;
	for (int frame = 0; frame < 200; ++frame) {
		float before = bar;
		bar = wizard_install_bar(bar, frame % 7 == 0 ? 0 : frame * 0.7f, 100, 0.03f);
		ASSERT_GE(bar, before) << frame;
	}
	EXPECT_NEAR(bar, 1, 1e-3);

	// The time left counts every part of the work to its end, by the run's own
	// pace: the downloads with the last file's unpack after them, or the unpack
	// set's files, whichever ends later.
	auto left = [](float small, float large_kb, float largest_kb, float latency, float link, float stream, float tail_kb,
	               float files, float kb, float largest_unpack_kb, float file_cost, float kb_cost, float workers) {
		grab_work_left w;
		w.small_files = small, w.large_kb = large_kb, w.largest_kb = largest_kb, w.streams = 4, w.latency = latency;
		w.link_kbps = link, w.stream_kbps = stream, w.tail_kb = tail_kb, w.unpack_files = files, w.unpack_kb = kb;
		w.largest_unpack_kb = largest_unpack_kb, w.file_cost = file_cost, w.kb_cost = kb_cost, w.workers = workers;
		return grab_estimate_left(w);
	};
	// a 40 MB archive at 4 MB/s, then its unpack
	EXPECT_NEAR(left(0, 40000, 40000, 0.05f, 4000, 4000, 40000, 1, 40000, 40000, 0.002f, 1e-5f, 1), 10.402f, 1e-3);
	// every byte is in, but 1,870 small files and a 1 GB file are still to write: half a minute, not a second
	EXPECT_NEAR(left(0, 0, 0, 0.05f, 40000, 10000, 0, 1871, 1005610, 1000000, 0.01f, 3e-5f, 8), 30.01f, 0.01f);
	// one stream is slower than the link: the largest archive is one stream's to bring
	EXPECT_NEAR(left(0, 100000, 90000, 0.05f, 8000, 2000, 0, 0, 0, 0, 0, 0, 1), 45, 1e-3);
	// small archives take turns on the four streams
	EXPECT_NEAR(left(3000, 0, 0, 0.02f, NAN, NAN, 0, 0, 0, 0, 0, 0, 1), 15, 1e-3);
	EXPECT_FLOAT_EQ(left(0, 0, 0, NAN, NAN, NAN, 0, 0, 0, 0, 0.002f, 1e-5f, 1), 0);	// nothing left
	// a pace not measured yet is not guessed
	EXPECT_TRUE(std::isnan(left(10, 0, 0, NAN, NAN, NAN, 0, 10, 10, 1, 0.002f, 1e-5f, 1)));
	EXPECT_TRUE(std::isnan(left(0, 5000, 5000, 0.05f, NAN, NAN, 5000, 1, 5000, 5000, 0.002f, 1e-5f, 1)));
}

TEST(DiskSpace, DestinationNotCreatedYet)
{
	wz_scratch s;
	EXPECT_EQ(wizard_existing_folder(s.path + "a/b/c/"), s.path);
	EXPECT_EQ(wizard_existing_folder(s.path), s.path);
	EXPECT_EQ(wizard_existing_folder("/"), "/");
	dest_dir_path = s.path + "Vantor 9 Demo/";
	g_engine.stg.total_kb_install = 1;
	std::string text;
	EXPECT_EQ(wizard_disk_space_text("enough", "short", text), 1);
	EXPECT_NE(text.find("Disk space needed to install: 1 KB\n\nenough"), std::string::npos);
	g_engine.stg.total_kb_install = 1e12f;
	EXPECT_EQ(wizard_disk_space_text("enough", "short", text), 0);
	EXPECT_NE(text.find("\n\nshort"), std::string::npos);
	dest_dir_path = "";
	EXPECT_EQ(wizard_disk_space_text("enough", "short", text), -1);
	EXPECT_EQ(text, "");
	g_engine.stg.total_kb_install = 0;
}

// On a small memory volume whose free space holds still, the need equal to the
// free space fits and one kilobyte more does not.
TEST(DiskSpace, ExactlyEnough)
{
	wz_scratch s;
	std::string mnt = s.path + "vol/";
	wz_sh("mkdir -p '" + mnt + "'");
	if (wz_sh("mount -t tmpfs -o size=4m tmpfs '" + mnt + "' 2>/dev/null") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
	struct statvfs v;
	ASSERT_EQ(statvfs(mnt.c_str(), &v), 0);
	uint64_t free_kb = (uint64_t)v.f_bavail * v.f_frsize / 1000;
	dest_dir_path = mnt + "Vantor 9 Demo/";
	std::string text;
	g_engine.stg.total_kb_install = (float)free_kb;
	int at_limit = wizard_disk_space_text("enough", "short", text);
	g_engine.stg.total_kb_install = (float)(free_kb + 1);
	int over = wizard_disk_space_text("enough", "short", text);
	wz_sh("umount '" + mnt + "'");
	EXPECT_EQ(at_limit, 1);
	EXPECT_EQ(over, 0);
	EXPECT_NE(text.find("short"), std::string::npos);
	g_engine.stg.total_kb_install = 0;
}
