#include <gtest/gtest.h>
#include "TEX_image.h"
#include "tex_test_util.h"
#include <dirent.h>
#include <cstdlib>
#include <vector>

// Seeds of each kind, then hundreds of broken copies: every loader must fail
// or succeed cleanly on each, in every format it may be asked for.
TEST(TexCorpus, BrokenImagesNeverCrashTheLoaders)
{
	std::string dir = test_dir("corpus");
	std::vector<unsigned char> img(24 * 20 * 4);
	for (size_t i = 0; i < img.size(); ++i) img[i] = (unsigned char)(i * 31 + (i >> 7));
	ASSERT_TRUE(TEX_save_png(dir + "/seed_rgba.png", {TEX_RGBA, 24, 20, 0, 0}, img.data()));
	ASSERT_TRUE(TEX_save_png(dir + "/seed_grey.png", {TEX_ALPHA, 24, 20, 0, 0}, img.data()));
	ASSERT_TRUE(TEX_save_dds(dir + "/seed.dds", img.data(), {TEX_RGBA, 16, 16, 0, 0}));
	{
		int w = 7, h = 5, row = (3 * w + 3) & ~3;
		std::vector<unsigned char> b(54 + row * h, 0x55);
		unsigned hdr[] = {(unsigned)b.size(), 0, 54, 40, (unsigned)w, (unsigned)h};
		b[0] = 'B'; b[1] = 'M';
		for (int k = 0; k < 6; ++k)
			for (int i = 0; i < 4; ++i) b[2 + 4 * k + i] = (unsigned char)(hdr[k] >> (8 * i));
		b[26] = 1; b[27] = 0; b[28] = 24; b[29] = 0;
		for (int i = 30; i < 54; ++i) b[i] = 0;
		write_file(dir + "/seed.bmp", b);
	}
	std::string cmd = "python3 '" + std::string(VANTOR_SOURCE_DIR) + "/tests/tex/make_corpus.py' '" + dir +
	                  "/c' '" + dir + "/seed_rgba.png' '" + dir + "/seed_grey.png' '" + dir + "/seed.dds' '" + dir +
	                  "/seed.bmp' > /dev/null";
	ASSERT_EQ(system(cmd.c_str()), 0);

	DIR* d = opendir((dir + "/c").c_str());
	ASSERT_NE(d, nullptr);
	int files = 0, decoded = 0;
	std::vector<unsigned char> block(TEX_SCRATCH_BYTES / 16);
	while (dirent* e = readdir(d)) {
		if (e->d_name[0] == '.') continue;
		std::string path = dir + "/c/" + e->d_name;
		auto f = read_file(path);
		const unsigned char* b = f.data();
		const unsigned char* end = b + f.size();
		++files;
		for (unsigned long fmt : {TEX_RGB, TEX_RGBA, TEX_ALPHA}) {
			for (int pow2 = 0; pow2 < 2; ++pow2) {
				unsigned char* px = nullptr;
				TEX_image_desc desc = {};
				if (TEX_load_png_mem(path, b, end, px, fmt, 0, pow2, 1, desc)) ++decoded;
				free(px);
				px = nullptr;
				if (TEX_load_bmp_mem(path, b, end, px, fmt, 0, pow2, desc)) ++decoded;
				free(px);
				// Into a caller's block of a known size.
				px = block.data();
				TEX_load_png_mem(path, b, end, px, fmt, 64, pow2, 0, desc, (long)block.size());
				px = block.data();
				TEX_load_bmp_mem(path, b, end, px, fmt, 64, pow2, desc, (long)block.size());
			}
		}
		const unsigned char* dp = nullptr;
		TEX_image_desc dd = {};
		if (TEX_load_dds_mem(path, b, end, dp, dd)) {
			// What the reader accepts must be safe to walk: flip a copy of it.
			int n = TEX_bytes_needed_for_image(dd);
			ASSERT_GT(n, 0);
			ASSERT_LE(dp + n, end);
			std::vector<unsigned char> copy(dp, dp + n);
			TEX_flip_y(dd, copy.data());
			++decoded;
		}
		unsigned char* px = nullptr;
		TEX_image_desc desc = {};
		if (TEX_load_any(path, px, TEX_RGBA, 0, 1, desc)) free(px);
	}
	closedir(d);
	EXPECT_GT(files, 1000);
	EXPECT_GT(decoded, 0);
}
