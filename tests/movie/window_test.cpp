// The recorder in a real window: the host draws known pictures, records takes
// and the movie files it leaves beside it are read back frame by frame.
#include "../support/window_program.h"
#include "movie_file.h"
#include "movie_patterns.h"

struct MovieWindow : window_program {
	void SetUp() override { set_up("movie_test_tmp"); }

	void run_host(const std::vector<std::string>& args)
	{
		start("movie_host", args);
		if (HasFatalFailure()) return;
		ASSERT_TRUE(wait_exit(120)) << log();
		ASSERT_EQ(status, 0) << log();
	}
	std::string take_path(int n) { return app + "Vantor movie take-" + std::to_string(n) + ".mov"; }

	// Every sample of the take, checked against the pattern: at every pixel when the
	// movie is as large as the 800 x 600 window (the recording text drawn after the
	// grab must not show), else at the middles of the quadrants.
	// Returns the number of samples.
	size_t check_take(int n, int width, int height, const movie_pattern& p)
	{
		const bytes file = read_all(take_path(n));
		const mv_movie m = mv_read(file);
		EXPECT_TRUE(m.ok) << "take " << n << ": " << m.error;
		if (!m.ok) return 0;
		EXPECT_EQ(m.codec, "png ");
		EXPECT_EQ(m.width, width);
		EXPECT_EQ(m.height, height);
		EXPECT_EQ(m.track_width, (uint32_t)width << 16);
		EXPECT_EQ(m.movie_scale, 600u);
		EXPECT_EQ(m.media_scale, 600u);
		EXPECT_EQ(m.sizes.size(), m.durations.size());
		uint32_t total = 0;
		for (uint32_t d : m.durations) {
			EXPECT_GE(d, 1u);
			EXPECT_LE(d, 60u);
			total += d;
		}
		EXPECT_EQ(m.media_duration, total);
		EXPECT_EQ(m.movie_duration, total);
		const bool full = width == 800 && height == 600;
		int last_count = -1;
		for (size_t i = 0; i < m.sizes.size(); ++i) {
			const bytes rgb = mv_sample_rgb(file, m, i);
			EXPECT_EQ(rgb.size(), (size_t)width * height * 3) << "take " << n << " frame " << i;
			if (rgb.size() != (size_t)width * height * 3) continue;
			int wrong = 0;
			std::string first;
			auto check = [&](int x, int row, int wx, int wrow) {
				const unsigned char* got = rgb.data() + ((size_t)row * width + x) * 3;
				const unsigned char* want = movie_pattern_at(p, wx, wrow, 800, 600);
				for (int c = 0; c < 3; ++c)
					if (abs(got[c] - want[c]) > 2) {
						if (!wrong++)
							first = "at " + std::to_string(x) + "," + std::to_string(row) + " got " +
							        std::to_string(got[0]) + " " + std::to_string(got[1]) + " " + std::to_string(got[2]);
						break;
					}
			};
			// the frames come in the order drawn, none twice
			const int cx = (800 - movie_count_side / 2) * width / 800, crow = (600 - movie_count_side / 2) * height / 600;
			const unsigned char* c = rgb.data() + ((size_t)crow * width + cx) * 3;
			EXPECT_NEAR(c[2], movie_count_blue, 2) << "take " << n << " frame " << i << ": no frame count";
			const int count = c[0] + 256 * c[1];
			EXPECT_GT(count, last_count) << "take " << n << " frame " << i;
			last_count = count;
			if (full) {
				for (int row = 0; row < height; ++row)
					for (int x = 0; x < width; ++x)
						if (x < 800 - movie_count_side || row < 600 - movie_count_side) check(x, row, x, row);
			} else {
				for (int fx : {1, 3})
					for (int fy : {1, 3}) check(width * fx / 4, height * fy / 4, 800 * fx / 4, 600 * fy / 4);
			}
			EXPECT_EQ(wrong, 0) << "take " << n << " frame " << i << ": " << wrong << " pixels off, first " << first;
		}
		return m.sizes.size();
	}
	int logged(const std::string& after, const std::string& key)
	{
		const std::string l = log();
		size_t at = l.find(after);
		if (at == std::string::npos) return -1;
		at = l.find(key, at);
		return at == std::string::npos ? -1 : atoi(l.c_str() + at + key.size());
	}
};

TEST_F(MovieWindow, TakesHoldTheFramesDrawnTopRowFirst)
{
	// an empty file is no take, a file with something in it is
	system(("touch '" + take_path(2) + "' && echo keep > '" + take_path(3) + "'").c_str());
	run_host({"takes", "--fps_test", "--lang=en"});
	if (HasFatalFailure()) return;
	const std::string l = log();
	EXPECT_NE(l.find("host: started state 1 frames 0 movie 320x240"), std::string::npos) << l;
	EXPECT_NE(l.find("pbo_avail        : 1"), std::string::npos) << "the pixel-pack path is not the one tested";

	// A second start while recording is refused and the take goes on.
	EXPECT_NE(l.find("Trying to create a movie but one already exists\n"), std::string::npos) << l;
	EXPECT_EQ(logged("host: second start", "state "), 1);
	const int take1 = logged("host: take 1 done", "frames ");
	EXPECT_GE(take1, 9) << l;
	EXPECT_EQ(logged("host: take 1 done", "state "), 0);
	EXPECT_EQ(check_take(1, 320, 240, movie_patterns[0]), (size_t)take1);

	// Asked wider than the window, the movie is the window's size.
	EXPECT_NE(l.find("host: started state 1 frames 0 movie 2048x600"), std::string::npos) << l;
	const int take2 = logged("host: take 2 done", "frames ");
	EXPECT_GE(take2, 5);
	EXPECT_EQ(check_take(2, 800, 600, movie_patterns[1]), (size_t)take2);

	// The stop asked for at once waits for a movie of three frames; take-3 was taken.
	const int take3 = logged("host: take 3 done", "frames ");
	EXPECT_EQ(take3, 3) << l;
	EXPECT_EQ(check_take(4, 400, 300, movie_patterns[0]), 3u);
	EXPECT_EQ(read_all(take_path(3)), bytes({'k', 'e', 'e', 'p', '\n'}));
	EXPECT_TRUE(read_all(take_path(5)).empty());
	EXPECT_EQ(l.find("timed out"), std::string::npos) << l;
}

TEST_F(MovieWindow, WithoutPixelPackBuffersTheSettingsWindowAndQuittingEndTakes)
{
	run_host({"settings", "--fps_test", "--lang=en", "--no_pbos"});
	if (HasFatalFailure()) return;
	const std::string l = log();
	EXPECT_NE(l.find("pbo_avail        : 0"), std::string::npos);
	EXPECT_EQ(logged("host: settings window", "state "), 0) << l;
	const int frames = logged("host: settings window", "frames ");
	EXPECT_GE(frames, 5) << l;
	EXPECT_EQ(check_take(1, 800, 600, movie_patterns[1]), (size_t)frames);
	const int at_quit = logged("host: quitting while recording", "frames ");
	EXPECT_GE(at_quit, 4) << l;
	EXPECT_EQ(logged("host: quitting while recording", "state "), 1);
	EXPECT_EQ(check_take(2, 800, 600, movie_patterns[0]), (size_t)at_quit);
	EXPECT_EQ(l.find("timed out"), std::string::npos) << l;
}

TEST_F(MovieWindow, AWindowBeyond2048IsRefusedAndTheNextTakeStillRecords)
{
	run_host({"big", "--fps_test", "--lang=en"});
	if (HasFatalFailure()) return;
	const std::string l = log();
	EXPECT_NE(l.find("host: window 2100x700"), std::string::npos) << l;
	EXPECT_NE(l.find("Oops!\nYou can NOT record movies in Vantor at any Vantor resolution higher that 2048 x 2048!\n"
	                 "This limit is to keep the VRAM requirements of Vantor down.\n"),
	          std::string::npos)
	    << l;
	EXPECT_EQ(logged("host: big window", "state "), 0);
	EXPECT_EQ(logged("host: big window after frames", "frames "), 0);
	const int frames = logged("host: take after the refusal done", "frames ");
	EXPECT_GE(frames, 4) << l;
	EXPECT_EQ(check_take(1, 800, 600, movie_patterns[0]), (size_t)frames);
	EXPECT_TRUE(read_all(take_path(2)).empty());
	EXPECT_EQ(l.find("timed out"), std::string::npos) << l;
}
