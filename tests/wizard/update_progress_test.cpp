// The real web updater in a window over a release with a large file that comes
// slowly and one that unpacks long: what the install screen says (its bar, time
// left and rate, which the log takes down as they change) is held against the
// work still to do, through an outage of every mirror; and Quit during the long
// unpack ends the program at once, the file neither half-written nor put in place.
#include "wizard_support.h"
#include "wizard_program.h"
#include "../support/test_servers.h"
#include <glob.h>
#include <regex>

static const int kRate = 400000;	// bytes a second the mirrors send on each connection
static const float kQuitX = 58;		// the Quit button, left in the bottom row while a run goes on

struct WebUpdateProgress : ::testing::Test {
	wz_scratch      s;
	TS_fault_server net;
	std::string     copy, switch_file;

	void SetUp() override
	{
		if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		if (wz_sh("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "needs xdotool";
		copy = s.path + "home/Vantor 9/";
		// 24 small parts, a 6 MB file that does not pack, and a 1 GB one that packs
		// to almost nothing; the copy holds the current big one and lacks the rest
		ASSERT_EQ(wz_sh("python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" + kRelease +
		                "' --large 6000 --big 1000 --big-current --copy '" + copy + "' 127.0.0.56 127.0.0.57 >/dev/null"),
		          0);
		ASSERT_EQ(wz_sh("rm '" + copy + "Resources/objects/part '*.obj '" + copy + "Resources/terrain/large terrain.dat'"), 0);
		const std::string web = wz_fault_web_files(s.path, copy);	// the site and the mirrors, all behind the one proxy
		ASSERT_FALSE(web.empty());
		switch_file = s.path + "switch";
		net.files = web;
		net.switch_file = switch_file;
		net.rate = kRate;
		ASSERT_TRUE(net.start("127.0.0.55", 80, s.path + "fault", 280)) << net.error;
	}

	void TearDown() override { net.stop(); }

	// The bytes of the one archive the run writes to a file so far; -1 while there is none.
	long long archive_bytes()
	{
		glob_t g;
		long long size = -1;
		// the archive comes under a temporary name and takes its own once whole
		if (glob((s.path + "tmp/vantor-*/*/{*.zip,.vantor-unpack-*}").c_str(), GLOB_BRACE, nullptr, &g) == 0) {
			struct stat st;
			for (size_t i = 0; i < g.gl_pathc; ++i)
				if (stat(g.gl_pathv[i], &st) == 0) size = std::max<long long>(size, st.st_size);
		}
		globfree(&g);
		return size;
	}
};

// One line the screen showed, as the log took it down: "Install progress P%:
// About T left in the install, downloading at R kilobytes/second ...".
struct shown {
	int   bar = -1;
	float seconds = -1, rate = -1;	// -1: no time-left line
};

static shown parse_progress(const std::string& line)
{
	shown out;
	static const std::regex re("Install progress ([0-9]+)%: (About ([0-9,]+) (second|minute|hour)s? left.* at ([0-9,]+) kilobyte)?");
	std::smatch m;
	if (!std::regex_search(line, m, re)) return out;
	auto number = [](std::string t) {
		t.erase(std::remove(t.begin(), t.end(), ','), t.end());
		return (float)atof(t.c_str());
	};
	out.bar = atoi(m[1].str().c_str());
	if (m[2].matched) {
		out.seconds = number(m[3]) * (m[4] == "minute" ? 60 : m[4] == "hour" ? 3600 : 1);
		out.rate = number(m[5]);
	}
	return out;
}

// The log's lines after `at` bytes that are whole; `at` moves past them.
static std::vector<std::string> new_lines(wz_program& p, size_t& at)
{
	std::vector<std::string> out;
	const std::string log = p.log_text();
	size_t end = log.rfind('\n');
	if (end == std::string::npos || end + 1 <= at) return out;
	std::istringstream in(log.substr(at, end + 1 - at));
	for (std::string line; std::getline(in, line);) out.push_back(line);
	at = end + 1;
	return out;
}

TEST_F(WebUpdateProgress, TheScreenCountsTheWorkLeftAndQuitStopsALongUnpackAtOnce)
{
	struct stat mirror_file;
	ASSERT_EQ(stat((s.path + "web/" + kRelease + "/All/Resources/terrain/large terrain.dat.zip").c_str(), &mirror_file), 0);
	const long long large = mirror_file.st_size;

	// The large file comes for 15 s; a third of the way in, every mirror goes away for a while.
	wz_program p;
	wz_update_to_install(p, s.path, copy, "127.0.0.55");
	if (HasFatalFailure()) return;
	size_t at = 0;
	int checked = 0, checked_after = 0;
	bool cut = false, restored = false, flowing_said = false, regrown = false, done = false;
	auto cut_at = std::chrono::steady_clock::now();
	long long low = large;
	shown now;	// what the screen shows: its last line in the log
	std::string now_line;
	for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds((int)x_bound(150)); p.running() && !done;) {
		ASSERT_LT(std::chrono::steady_clock::now(), until) << p.log_text();
		for (const std::string& line : new_lines(p, at)) {
			done = done || line.find("Wizard screen: Finished Web Update") != std::string::npos;
			if (restored && line == "Install screen: the time left") flowing_said = true;	// said as the data came again
			if (parse_progress(line).bar >= 0) now = parse_progress(line), now_line = line;
		}
		const long long got = archive_bytes();
		if (restored && got >= 0) {
			low = std::min(low, got);
			regrown = regrown || got > low + kRate;	// the archive is coming again from its start
		}
		const float left = (float)(large - got) / kRate;	// the least the large file can still take
		if (!done && got >= 0 && got < large && left >= 3 && (!cut || regrown) && now.bar >= 0) {
			// the bar is not near its end, nor the time left a second, while seconds of work remain
			EXPECT_LT(now.bar, 95) << now_line << " with " << left << " s of the large file at least";
			if (now.seconds >= 0) {
				++checked;
				EXPECT_GE(now.seconds, 2) << now_line << " with " << left << " s of the large file at least";
				// after the outage: the rate of the time data flowed, the time left by it
				if (regrown) {
					++checked_after;
					EXPECT_GE(now.rate, kRate / 1000.0f / 2) << now_line;
					EXPECT_LE(now.seconds, 2 * left + 5) << now_line << " with " << left << " s of the large file at least";
				}
			}
		}
		if (!cut && got > large / 3) {
			wz_write(switch_file, "refuse");
			cut = true;
			cut_at = std::chrono::steady_clock::now();
		}
		if (cut && !restored && std::chrono::steady_clock::now() - cut_at > std::chrono::seconds(6) &&
		    p.log_text().find(" tries again in ") != std::string::npos) {
			wz_write(switch_file, "up");
			restored = true;
		}
		std::this_thread::sleep_for(std::chrono::milliseconds(50));
	}
	ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Update", 30)) << p.log_text();
	EXPECT_GE(checked, 5) << p.log_text();
	EXPECT_GE(checked_after, 2) << p.log_text();
	EXPECT_TRUE(flowing_said) << "once data came again the screen still told of the failure\n" << p.log_text();
	EXPECT_NE(p.log_text().find("Install screen: waiting for the network"), std::string::npos) << p.log_text();
	p.click(kQuitNextX, kRowY);
	ASSERT_TRUE(p.wait_exit(30));
	for (const auto& [rel, md5] : manifest_of(s.path + "rel/manifest.txt")) EXPECT_EQ(md5_of(copy + rel), md5) << rel;

	// The copy holds the big file's earlier version: the update fetches it in a
	// moment and unpacks it for seconds. The bar keeps short of its end while
	// most of it is still to write, and Quit stops the writing where it is.
	const std::string terrain = copy + "Resources/terrain/", big = terrain + "big terrain.dat";
	ASSERT_EQ(wz_sh("cp '" + s.path + "rel/earlier big terrain.dat' '" + big + "'"), 0);
	const std::string earlier = md5_of(big);
	const long long whole = 1000LL * ((4096 + (1 << 20)));	// the big file's bytes
	wz_program again;
	wz_update_to_install(again, s.path, copy, "127.0.0.55");
	if (HasFatalFailure()) return;
	at = 0;
	long long written = 0;
	for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds((int)x_bound(120)); written < (50 << 20);) {
		ASSERT_LT(std::chrono::steady_clock::now(), until) << again.log_text();
		ASSERT_TRUE(again.running()) << again.log_text();
		for (const std::string& line : new_lines(again, at))
			if (parse_progress(line).bar >= 0) now = parse_progress(line), now_line = line;
		written = 0;
		glob_t g;
		if (glob((terrain + ".vantor-unpack-*").c_str(), GLOB_PERIOD, nullptr, &g) == 0 && g.gl_pathc > 0) {
			struct stat st;
			if (stat(g.gl_pathv[0], &st) == 0) written = st.st_size;
		}
		globfree(&g);
		// every byte came: what is left is to write most of the file
		if (written > 0) {
			EXPECT_LT(now.bar, 95) << now_line << " with " << written << " of " << whole << " bytes written";
		}
		std::this_thread::sleep_for(std::chrono::milliseconds(20));
	}
	again.click(kQuitX, kRowY);
	ASSERT_TRUE(again.wait_exit(30)) << again.log_text();
	EXPECT_EQ(again.status, 0);
	EXPECT_EQ(md5_of(big), earlier) << again.log_text();	// never put in place half-written, nor finished after Quit
	EXPECT_NE(wz_sh("ls -A '" + terrain + "' | grep -q vantor-unpack"), 0);
}
