// The movie writer without a window: movies written call by call are read back
// atom by atom, their samples decoded by the project's PNG reader and, where the
// tool is installed, by a standard decoder.
#include "PLAT_movie.h"
#include "qtim.h"
#include "movie_file.h"
#include <gtest/gtest.h>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

// A BGRA picture, top row first, that differs in every pixel and from frame to frame.
static void paint(bytes& px, int w, int h, int row_bytes, int frame)
{
	px.assign((size_t)row_bytes * h, 0xEE);
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x) {
			unsigned char* p = px.data() + (size_t)y * row_bytes + x * 4;
			p[0] = (unsigned char)(x * 3 + frame * 50);	// blue
			p[1] = (unsigned char)(y * 5);			// green
			p[2] = (unsigned char)(x + y + frame * 17);	// red
			p[3] = 0x80;
		}
}

// The same picture as RGB rows top first, as a decoder gives it.
static bytes as_rgb(const bytes& px, int w, int h, int row_bytes)
{
	bytes out;
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x) {
			const unsigned char* p = px.data() + (size_t)y * row_bytes + x * 4;
			out.insert(out.end(), {p[2], p[1], p[0]});
		}
	return out;
}

struct MovieWriter : ::testing::Test {
	std::string dir;
	void SetUp() override
	{
		ASSERT_EQ(PLAT_enter_movies(), 0);
		dir = std::string(VANTOR_BINARY_DIR) + "/movie_test_tmp/" +
		      ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + std::to_string(getpid()) + "/";
		ASSERT_EQ(system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()), 0);
	}
	void TearDown() override
	{
		PLAT_exit_movies();
		if (!HasFailure()) system(("rm -rf '" + dir + "'").c_str());
	}

	// Writes a movie of the given frames (seconds each) the way the recorder does.
	// Returns the bytes of every sample as compressed.
	std::vector<bytes> write_movie(const std::string& path, int w, int h, const std::vector<float>& seconds)
	{
		std::vector<bytes> samples;
		PLAT_movie* m = nullptr;
		EXPECT_EQ(PLAT_create_movie_file(path, &m), 0);
		if (!m) return samples;
		EXPECT_EQ(PLAT_new_movie_track(m, w << 16, h << 16, 0), 0);
		EXPECT_EQ(PLAT_new_track_media(m, PLAT_media_video, 600), 0);
		EXPECT_EQ(PLAT_begin_media_edits(m), 0);
		bytes frame;
		paint(frame, w, h, w * 4, 0);
		PLAT_pixmap world = {frame.data(), w, h, w * 4};
		PLAT_cseq* seq = nullptr;
		PLAT_image_desc desc = {};
		EXPECT_EQ(PLAT_compress_sequence_begin(&seq, world, PLAT_codec_png, PLAT_quality_normal, &desc), 0);
		long most = 0;
		EXPECT_EQ(PLAT_get_max_compression_size(world, PLAT_quality_normal, PLAT_codec_png, &most), 0);
		bytes buffer((size_t)most);
		for (size_t i = 0; i < seconds.size() && seq; ++i) {
			paint(frame, w, h, w * 4, (int)i);
			long size = 0;
			int similar = -1;
			EXPECT_EQ(PLAT_compress_sequence_frame(seq, buffer.data(), most, &size, &similar), 0);
			EXPECT_EQ(similar, 0);
			samples.emplace_back(buffer.begin(), buffer.begin() + size);
			EXPECT_EQ(PLAT_add_media_sample(m, buffer.data(), 0, size, qtim_sample_duration(seconds[i]), desc, 1, similar), 0);
		}
		PLAT_cdsequence_end(seq);
		EXPECT_EQ(PLAT_end_media_edits(m), 0);
		EXPECT_EQ(PLAT_insert_media_into_track(m, 0, 0, PLAT_get_media_duration(m), PLAT_fixed_one), 0);
		EXPECT_EQ(PLAT_add_movie_resource(m), 0);
		EXPECT_EQ(PLAT_close_movie_file(m), 0);
		PLAT_dispose_movie(m);
		return samples;
	}
};

TEST_F(MovieWriter, FramesComeBackWithTheirDurationsSizesAndPlaces)
{
	const std::string path = dir + "three.mov";
	// 1/20 s, a long gap and a sliver: 30, then clamped to 60 and to 1
	const std::vector<bytes> samples = write_movie(path, 64, 48, {0.05f, 0.5f, 0.0004f});
	ASSERT_EQ(samples.size(), 3u);
	const bytes file = read_all(path);
	const mv_movie m = mv_read(file);
	ASSERT_TRUE(m.ok) << m.error;

	std::vector<std::string> order;
	for (const mv_atom& a : m.top) order.push_back(a.type);
	EXPECT_EQ(order, (std::vector<std::string>{"ftyp", "wide", "mdat", "moov"}));
	EXPECT_EQ(fourcc(be32(file, 8)), "qt  ");

	EXPECT_EQ(m.durations, (std::vector<uint32_t>{30, 60, 1}));
	EXPECT_EQ(m.movie_scale, 600u);
	EXPECT_EQ(m.media_scale, 600u);
	EXPECT_EQ(m.media_duration, 91u);
	EXPECT_EQ(m.movie_duration, 91u);
	EXPECT_EQ(m.track_duration, 91u);
	EXPECT_EQ(m.edits, (std::vector<uint32_t>{91, 0, 0x10000}));
	EXPECT_EQ(m.track_width, 64u << 16);
	EXPECT_EQ(m.track_height, 48u << 16);
	EXPECT_EQ(m.handler, "vide");
	EXPECT_EQ(m.descriptions, 1);
	EXPECT_EQ(m.codec, "png ");
	EXPECT_EQ(m.width, 64);
	EXPECT_EQ(m.height, 48);
	EXPECT_EQ(m.depth, 24);

	// The samples lie back to back through the media atom, as they were handed over.
	ASSERT_EQ(m.sizes.size(), 3u);
	ASSERT_EQ(m.offsets.size(), 3u);
	uint64_t next = m.mdat_body;
	for (size_t i = 0; i < 3; ++i) {
		EXPECT_EQ(m.sizes[i], samples[i].size());
		EXPECT_EQ(m.offsets[i], next);
		next += m.sizes[i];
		EXPECT_TRUE(std::equal(samples[i].begin(), samples[i].end(), file.begin() + m.offsets[i])) << i;
	}
	EXPECT_EQ(next, m.mdat_end);

	for (size_t i = 0; i < 3; ++i) {
		bytes want;
		paint(want, 64, 48, 64 * 4, (int)i);
		EXPECT_EQ(mv_sample_rgb(file, m, i), as_rgb(want, 64, 48, 64 * 4)) << "frame " << i;
	}
}

TEST_F(MovieWriter, CallsOutOfOrderOrFromTheWrongThreadAreRefused)
{
	const std::string path = dir + "order.mov";
	PLAT_movie* m = nullptr;
	ASSERT_EQ(PLAT_create_movie_file(path, &m), 0);
	bytes frame;
	paint(frame, 16, 8, 64, 0);
	const PLAT_image_desc desc = {PLAT_codec_png, 16, 8, 24, PLAT_quality_normal};
	EXPECT_EQ(PLAT_begin_media_edits(m), -ENOENT);		// no media yet
	EXPECT_EQ(PLAT_new_track_media(m, PLAT_media_video, 600), -ENOENT);	// no track yet
	ASSERT_EQ(PLAT_new_movie_track(m, 16 << 16, 8 << 16, 0), 0);
	EXPECT_EQ(PLAT_new_movie_track(m, 16 << 16, 8 << 16, 0), -EEXIST);
	ASSERT_EQ(PLAT_new_track_media(m, PLAT_media_video, 600), 0);
	EXPECT_EQ(PLAT_add_media_sample(m, frame.data(), 0, 10, 30, desc, 1, 0), -EPROTO);	// before the edits
	ASSERT_EQ(PLAT_begin_media_edits(m), 0);
	EXPECT_EQ(PLAT_add_movie_resource(m), -EPROTO);		// while editing
	EXPECT_EQ(PLAT_add_media_sample(m, frame.data(), 0, 10, 0, desc, 1, 0), -EINVAL);	// no duration
	PLAT_image_desc other = desc;
	other.width = 17;
	ASSERT_EQ(PLAT_add_media_sample(m, frame.data(), 0, 10, 30, desc, 1, 0), 0);
	EXPECT_EQ(PLAT_add_media_sample(m, frame.data(), 0, 10, 30, other, 1, 0), -EINVAL);	// one description

	// Detached, the movie is nobody's until a thread that entered the service attaches it.
	ASSERT_EQ(PLAT_detach_movie_from_current_thread(m), 0);
	EXPECT_EQ(PLAT_add_media_sample(m, frame.data(), 0, 10, 30, desc, 1, 0), -EPERM);
	std::mutex lock;
	std::condition_variable cv;
	int step = 0;
	int without_entering = 0, attached = 0, added = 0, detached = 0;
	std::thread worker([&] {
		without_entering = PLAT_attach_movie_to_current_thread(m);
		PLAT_enter_movies_on_thread();
		attached = PLAT_attach_movie_to_current_thread(m);
		added = PLAT_add_media_sample(m, frame.data(), 10, 20, 15, desc, 1, 0);
		std::unique_lock<std::mutex> g(lock);
		step = 1;
		cv.notify_all();
		cv.wait(g, [&] { return step == 2; });
		detached = PLAT_detach_movie_from_current_thread(m);
		PLAT_exit_movies_on_thread();
	});
	{
		std::unique_lock<std::mutex> g(lock);
		cv.wait(g, [&] { return step == 1; });
		EXPECT_EQ(PLAT_attach_movie_to_current_thread(m), -EBUSY);	// the worker holds it
		EXPECT_EQ(PLAT_get_media_duration(m), -EPERM);
		step = 2;
		cv.notify_all();
	}
	worker.join();
	EXPECT_EQ(without_entering, -ENODEV);
	EXPECT_EQ(attached, 0);
	EXPECT_EQ(added, 0);
	EXPECT_EQ(detached, 0);

	ASSERT_EQ(PLAT_attach_movie_to_current_thread(m), 0);
	EXPECT_EQ(PLAT_get_media_duration(m), 45);
	ASSERT_EQ(PLAT_end_media_edits(m), 0);
	EXPECT_EQ(PLAT_end_media_edits(m), -EPROTO);
	EXPECT_EQ(PLAT_insert_media_into_track(m, 0, 10, 40, PLAT_fixed_one), -ERANGE);	// past the media's end
	ASSERT_EQ(PLAT_insert_media_into_track(m, 0, 0, 45, PLAT_fixed_one), 0);
	ASSERT_EQ(PLAT_add_movie_resource(m), 0);
	EXPECT_EQ(PLAT_add_movie_resource(m), -EEXIST);
	ASSERT_EQ(PLAT_close_movie_file(m), 0);
	PLAT_dispose_movie(m);

	const bytes file = read_all(path);
	const mv_movie mv = mv_read(file);
	ASSERT_TRUE(mv.ok) << mv.error;
	EXPECT_EQ(mv.durations, (std::vector<uint32_t>{30, 15}));
	EXPECT_EQ(mv.sizes, (std::vector<uint32_t>{10, 20}));
	ASSERT_EQ(mv.offsets.size(), 2u);
	// the worker's sample is the frame's bytes 10 to 29
	EXPECT_TRUE(std::equal(frame.begin() + 10, frame.begin() + 30, file.begin() + mv.offsets[1]));
}

TEST_F(MovieWriter, CompressedFramesFitTheBoundAndNoLessRoom)
{
	// Noise hardly compresses; rows padded beyond the picture are not part of it.
	const int w = 97, h = 61, row = w * 4 + 12;
	bytes px((size_t)row * h);
	std::mt19937 rng(7);
	for (auto& c : px) c = (unsigned char)rng();
	PLAT_pixmap world = {px.data(), w, h, row};
	long most = 0;
	ASSERT_EQ(PLAT_get_max_compression_size(world, PLAT_quality_normal, PLAT_codec_png, &most), 0);
	PLAT_cseq* seq = nullptr;
	PLAT_image_desc desc = {};
	ASSERT_EQ(PLAT_compress_sequence_begin(&seq, world, PLAT_codec_png, PLAT_quality_normal, &desc), 0);
	EXPECT_EQ(desc.width, w);
	EXPECT_EQ(desc.height, h);
	bytes out((size_t)most);
	long size = 0;
	EXPECT_EQ(PLAT_compress_sequence_frame(seq, out.data(), 100, &size, nullptr), -EOVERFLOW);
	ASSERT_EQ(PLAT_compress_sequence_frame(seq, out.data(), most, &size, nullptr), 0);
	EXPECT_GT(size, (long)w * h * 3);	// noise grows a little
	EXPECT_LE(size, most);
	PLAT_cdsequence_end(seq);

	mv_movie m;
	m.width = w;
	m.height = h;
	m.offsets = {0};
	m.sizes = {(uint32_t)size};
	EXPECT_EQ(mv_sample_rgb(bytes(out.begin(), out.begin() + size), m, 0), as_rgb(px, w, h, row));

	EXPECT_EQ(PLAT_compress_sequence_begin(&seq, world, PLAT_fourcc("jpeg"), PLAT_quality_normal, &desc), -ENOTSUP);
	PLAT_pixmap narrow = {px.data(), w, h, w * 4 - 1};
	EXPECT_EQ(PLAT_compress_sequence_begin(&seq, narrow, PLAT_codec_png, PLAT_quality_normal, &desc), -EINVAL);
	EXPECT_EQ(seq, nullptr);
}

TEST_F(MovieWriter, AnEmptyMovieReplacesAnOldFileAndStillParses)
{
	const std::string path = dir + "empty.mov";
	ASSERT_EQ(system(("head -c 100000 /dev/zero > '" + path + "'").c_str()), 0);
	PLAT_movie* m = nullptr;
	ASSERT_EQ(PLAT_create_movie_file(path, &m), 0);
	ASSERT_EQ(PLAT_new_movie_track(m, 8 << 16, 8 << 16, 0), 0);
	ASSERT_EQ(PLAT_new_track_media(m, PLAT_media_video, 600), 0);
	ASSERT_EQ(PLAT_begin_media_edits(m), 0);
	ASSERT_EQ(PLAT_end_media_edits(m), 0);
	ASSERT_EQ(PLAT_insert_media_into_track(m, 0, 0, PLAT_get_media_duration(m), PLAT_fixed_one), 0);
	ASSERT_EQ(PLAT_add_movie_resource(m), 0);
	ASSERT_EQ(PLAT_close_movie_file(m), 0);
	PLAT_dispose_movie(m);
	const bytes file = read_all(path);
	EXPECT_LT(file.size(), 1000u);
	const mv_movie mv = mv_read(file);
	ASSERT_TRUE(mv.ok) << mv.error;
	EXPECT_EQ(mv.mdat_body, mv.mdat_end);
	EXPECT_TRUE(mv.sizes.empty());
	EXPECT_TRUE(mv.edits.empty());
	EXPECT_EQ(mv.movie_duration, 0u);

	EXPECT_EQ(PLAT_create_movie_file(dir + "no/such/folder.mov", &m), -ENOENT);
	EXPECT_EQ(m, nullptr);
}

TEST_F(MovieWriter, AStandardDecoderPlaysTheFrames)
{
	if (system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0)
		GTEST_SKIP() << "needs ffmpeg (scripts/setup.sh installs it)";
	const std::string path = dir + "play.mov", raw = dir + "play.rgb";
	write_movie(path, 40, 30, {0.05f, 0.05f, 0.1f, 0.05f});
	const std::string probe = dir + "probe.txt";
	ASSERT_EQ(system(("timeout 60 ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height "
	                  "-show_entries format=duration -of default=noprint_wrappers=1 '" + path + "' > '" + probe + "'")
	                     .c_str()),
	          0);
	const bytes said = read_all(probe);
	const std::string text(said.begin(), said.end());
	EXPECT_NE(text.find("codec_name=png"), std::string::npos) << text;
	EXPECT_NE(text.find("width=40"), std::string::npos) << text;
	EXPECT_NE(text.find("height=30"), std::string::npos) << text;
	EXPECT_NE(text.find("duration=0.25"), std::string::npos) << text;

	ASSERT_EQ(system(("timeout 60 ffmpeg -v error -i '" + path + "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 '" +
	                  raw + "'").c_str()),
	          0);
	const bytes frames = read_all(raw);
	ASSERT_EQ(frames.size(), 4u * 40 * 30 * 3);
	for (int i = 0; i < 4; ++i) {
		bytes want;
		paint(want, 40, 30, 160, i);
		const bytes rgb = as_rgb(want, 40, 30, 160);
		EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), frames.begin() + (size_t)i * rgb.size())) << "frame " << i;
	}
}

TEST(MovieRecorder, FramesAreDueByTheRateAndNamedByTake)
{
	float d = -1;
	EXPECT_FALSE(qtim_frame_due(0.049f, 20.0f, &d));
	EXPECT_EQ(d, -1.0f);
	ASSERT_TRUE(qtim_frame_due(0.05f, 20.0f, &d));
	EXPECT_FLOAT_EQ(d, 0.05f);
	ASSERT_TRUE(qtim_frame_due(0.099f, 20.0f, &d));
	EXPECT_FLOAT_EQ(d, 0.05f);	// the rest is carried to the next frame
	ASSERT_TRUE(qtim_frame_due(0.1f, 20.0f, &d));
	EXPECT_FLOAT_EQ(d, 0.1f);	// frames were missed: this one lasts the whole gap
	ASSERT_TRUE(qtim_frame_due(0.75f, 10.0f, &d));
	EXPECT_FLOAT_EQ(d, 0.75f);

	EXPECT_EQ(qtim_sample_duration(1.0f / 20), 30);
	EXPECT_EQ(qtim_sample_duration(1.0f / 99), 6);
	EXPECT_EQ(qtim_sample_duration(0.0f), 1);
	EXPECT_EQ(qtim_sample_duration(0.75f), 60);

	EXPECT_EQ(qtim_take_name(1), "Vantor movie take-1.mov");
	EXPECT_EQ(qtim_take_name(12), "Vantor movie take-12.mov");
}
