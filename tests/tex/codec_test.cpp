#include <gtest/gtest.h>
#include "TEX_image.h"
#include "xmap.h"
#include "tex_test_util.h"
#include <cstdlib>
#include <cstring>
#include <vector>

static std::vector<unsigned char> gradient(int w, int h, int bpp)
{
	std::vector<unsigned char> v((size_t)w * h * bpp);
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x)
			for (int c = 0; c < bpp; ++c) v[((size_t)y * w + x) * bpp + c] = (unsigned char)(x * 7 + y * 13 + c * 50);
	return v;
}

static int load_png_bytes(const std::vector<unsigned char>& f, unsigned char*& px, unsigned long fmt, TEX_image_desc& d,
                          int pow2 = 0, long cap = -1, int row_width = 0)
{
	return TEX_load_png_mem("t.png", f.data(), f.data() + f.size(), px, fmt, row_width, pow2, 0, d, cap);
}

TEST(TexPng, RoundTripRgbAndRgbaBottomUp)
{
	std::string dir = test_dir("png_round");
	for (int bpp : {3, 4}) {
		auto img = gradient(37, 21, bpp);
		TEX_image_desc d = {bpp == 4 ? TEX_RGBA : TEX_RGB, 37, 21, 0, 0};
		std::string path = dir + "/a" + std::to_string(bpp) + ".png";
		ASSERT_TRUE(TEX_save_png(path, d, img.data()));
		unsigned char* px = nullptr;
		TEX_image_desc r = {};
		ASSERT_TRUE(TEX_load_any(path, px, d.format, 0, 0, r));
		EXPECT_EQ(r.width, 37);
		EXPECT_EQ(r.height, 21);
		EXPECT_EQ(r.pad, 0);
		EXPECT_EQ(0, memcmp(px, img.data(), img.size()));
		free(px);
		// The file holds no gAMA chunk, so no viewer shifts the colours.
		auto bytes = read_file(path);
		EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("gAMA"), std::string::npos);
	}
}

TEST(TexPng, ChannelFittingAndPowerOfTwoPadding)
{
	std::string dir = test_dir("png_fit");
	auto img = gradient(3, 3, 3);
	TEX_image_desc d = {TEX_RGB, 3, 3, 0, 0};
	ASSERT_TRUE(TEX_save_png(dir + "/rgb.png", d, img.data()));
	auto f = read_file(dir + "/rgb.png");
	unsigned char* px = nullptr;
	TEX_image_desc r = {};
	ASSERT_EQ(load_png_bytes(f, px, TEX_RGBA, r, 1), 1);
	EXPECT_EQ(r.pad, 4);	// 3 -> 4 pixels wide
	EXPECT_EQ(px[3], 255);	// filler alpha
	EXPECT_EQ(px[12 + 3], 0);	// pad bytes zero
	EXPECT_EQ(px[3 * 16 + 0], 0);	// the extra top row zero
	EXPECT_EQ(px[16], img[9]);
	free(px);
	// Following the file's alpha turns a wanted RGBA into RGB for a file without alpha.
	px = nullptr;
	ASSERT_EQ(TEX_load_png_mem("t", f.data(), f.data() + f.size(), px, TEX_RGBA, 0, 0, 1, r), 1);
	EXPECT_EQ(r.format, TEX_RGB);
	free(px);
	// Grey from colour.
	px = nullptr;
	ASSERT_EQ(load_png_bytes(f, px, TEX_ALPHA, r), 1);
	EXPECT_EQ(r.format, TEX_ALPHA);
	free(px);
}

TEST(TexPng, UntrustedSizesFailBeforeDecoding)
{
	std::string dir = test_dir("png_sizes");
	auto img = gradient(64, 64, 4);
	TEX_image_desc d = {TEX_RGBA, 64, 64, 0, 0};
	ASSERT_TRUE(TEX_save_png(dir + "/b.png", d, img.data()));
	auto f = read_file(dir + "/b.png");
	TEX_image_desc r = {};
	// A caller's block too small for the picture is never written.
	std::vector<unsigned char> small(100, 0xAB);
	unsigned char* px = small.data();
	EXPECT_EQ(load_png_bytes(f, px, TEX_RGBA, r, 0, (long)small.size()), 0);
	EXPECT_EQ(small[0], 0xAB);
	// A picture wider than the row it must land in.
	px = small.data();
	EXPECT_EQ(load_png_bytes(f, px, TEX_RGBA, r, 0, (long)small.size(), 32), 0);
	// Header sizes: zero, huge, above the limit (the CRC is fixed up so only the size is wrong).
	auto patch = [&](unsigned w, unsigned h) {
		std::vector<unsigned char> g = f;
		for (int i = 0; i < 4; ++i) {
			g[16 + i] = (unsigned char)(w >> (24 - 8 * i));
			g[20 + i] = (unsigned char)(h >> (24 - 8 * i));
		}
		unsigned crc = 0xFFFFFFFFu;
		for (int i = 12; i < 29; ++i) {
			crc ^= g[i];
			for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
		}
		crc ^= 0xFFFFFFFFu;
		for (int i = 0; i < 4; ++i) g[29 + i] = (unsigned char)(crc >> (24 - 8 * i));
		return g;
	};
	for (auto wh : {std::pair<unsigned, unsigned>{0, 64}, {64, 0}, {0x7FFFFFFF, 64}, {TEX_MAX_DIM + 1, 64},
	                {64, 0x80000000u}}) {
		auto g = patch(wh.first, wh.second);
		unsigned char* q = nullptr;
		EXPECT_EQ(load_png_bytes(g, q, TEX_RGBA, r), 0) << wh.first << "x" << wh.second;
		EXPECT_EQ(q, nullptr);
	}
	// Cut anywhere, the file fails cleanly and leaves no block behind.
	for (size_t n : {size_t(7), size_t(8), size_t(20), size_t(40), f.size() / 2, f.size() - 13}) {
		std::vector<unsigned char> g(f.begin(), f.begin() + n);
		unsigned char* q = nullptr;
		EXPECT_EQ(load_png_bytes(g, q, TEX_RGBA, r), 0) << n;
		EXPECT_EQ(q, nullptr);
	}
}

static std::vector<unsigned char> make_bmp(int w, int h, int bits, int compression, unsigned offset = 54)
{
	int row = (3 * w + 3) & ~3;
	std::vector<unsigned char> f(54 + (size_t)row * (h > 0 ? h : 0), 0);
	auto put = [&](int off, unsigned v, int n) {
		for (int i = 0; i < n; ++i) f[off + i] = (unsigned char)(v >> (8 * i));
	};
	f[0] = 'B'; f[1] = 'M';
	put(2, (unsigned)f.size(), 4);
	put(10, offset, 4);
	put(14, 40, 4);
	put(18, (unsigned)w, 4);
	put(22, (unsigned)h, 4);
	put(26, 1, 2);
	put(28, bits, 2);
	put(30, compression, 4);
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x) {
			unsigned char* p = &f[54 + y * row + x * 3];
			p[0] = (unsigned char)(x * 10); p[1] = (unsigned char)(y * 20); p[2] = 200;
		}
	return f;
}

static int load_bmp_bytes(const std::vector<unsigned char>& f, unsigned char*& px, unsigned long fmt, TEX_image_desc& d,
                          int pow2 = 0, long cap = -1)
{
	return TEX_load_bmp_mem("t.bmp", f.data(), f.data() + f.size(), px, fmt, 0, pow2, d, cap);
}

TEST(TexBmp, PaddedRowsMagentaAndChannels)
{
	auto f = make_bmp(3, 2, 24, 0);
	f[54 + 3] = 255; f[54 + 4] = 0; f[54 + 5] = 255;	// pixel (1, 0) magenta
	unsigned char* px = nullptr;
	TEX_image_desc d = {};
	ASSERT_EQ(load_bmp_bytes(f, px, TEX_RGBA, d, 1), 1);
	EXPECT_EQ(d.pad, 4);
	EXPECT_EQ(px[0], 200);	// R from the third source byte
	EXPECT_EQ(px[1], 0);
	EXPECT_EQ(px[3], 255);
	EXPECT_EQ(px[4] + px[5] + px[6] + px[7], 0);	// magenta: transparent black
	EXPECT_EQ(px[12] + px[13] + px[14] + px[15], 0);	// fourth pixel: padding
	EXPECT_EQ(px[16 + 1], 20);	// row 1, bottom-up like the file
	free(px);
	px = nullptr;
	ASSERT_EQ(load_bmp_bytes(f, px, TEX_RGB, d), 1);
	EXPECT_EQ(px[3], 255);	// magenta stays magenta in RGB
	EXPECT_EQ(px[5], 255);
	free(px);
}

TEST(TexBmp, BadHeadersFailBeforeAnyPixel)
{
	TEX_image_desc d = {};
	struct { std::vector<unsigned char> f; const char* why; } bad[] = {
		{make_bmp(4, 4, 32, 0), "32-bit"},
		{make_bmp(4, 4, 8, 0), "8-bit"},
		{make_bmp(4, 4, 24, 1), "RLE"},
		{make_bmp(0, 4, 24, 0), "zero width"},
		{make_bmp(4, 0, 24, 0), "zero height"},
		{make_bmp(4, -4, 24, 0), "negative height"},
		{make_bmp(4, 4, 24, 0, 100000), "offset past the end"},
		{make_bmp(4, 4, 24, 0, 10), "offset inside the header"},
	};
	for (auto& b : bad) {
		unsigned char* px = nullptr;
		EXPECT_EQ(load_bmp_bytes(b.f, px, TEX_RGBA, d), 0) << b.why;
		EXPECT_EQ(px, nullptr) << b.why;
	}
	// Huge sizes in a small file, and a caller's block too small.
	auto huge = make_bmp(2, 2, 24, 0);
	huge[18] = 0xFF; huge[19] = 0xFF; huge[20] = 0xFF; huge[21] = 0x7F;
	unsigned char* px = nullptr;
	EXPECT_EQ(load_bmp_bytes(huge, px, TEX_RGBA, d), 0);
	auto ok = make_bmp(16, 16, 24, 0);
	std::vector<unsigned char> small(64, 0xCD);
	px = small.data();
	EXPECT_EQ(load_bmp_bytes(ok, px, TEX_RGBA, d, 0, 64), 0);
	EXPECT_EQ(small[0], 0xCD);
	// A cut file fails before any block is made: no pixel of it is left undefined.
	std::vector<unsigned char> cut(ok.begin(), ok.begin() + 54 + 30);
	px = nullptr;
	EXPECT_EQ(load_bmp_bytes(cut, px, TEX_RGB, d), 0);
	EXPECT_EQ(px, nullptr);
	// 70 bytes that declare 8192 x 8192
	std::vector<unsigned char> claim(make_bmp(4, 1, 24, 0));
	claim.resize(70);
	claim[18] = 0x00; claim[19] = 0x20; claim[22] = 0x00; claim[23] = 0x20; claim[24] = claim[25] = 0;
	EXPECT_EQ(load_bmp_bytes(claim, px, TEX_RGBA, d), 0);
	EXPECT_EQ(px, nullptr);
	// the last row without its padding bytes is whole: it loads, every byte as filed
	auto unpadded = make_bmp(3, 2, 24, 0);
	unpadded.resize(unpadded.size() - 3);
	ASSERT_EQ(load_bmp_bytes(unpadded, px, TEX_RGB, d), 1);
	for (int y = 0; y < 2; ++y)
		for (int x = 0; x < 3; ++x) {
			const unsigned char* p = px + y * 9 + x * 3;
			EXPECT_EQ(p[0], 200);
			EXPECT_EQ(p[1], y * 20);
			EXPECT_EQ(p[2], x * 10);
		}
	free(px);
}

// The readers over a caller's mapping read what the readers over memory read.
TEST(TexBmp, MappedFileFormsReadTheMapping)
{
	const std::string dir = test_dir("tex_mapped");
	const auto bmp = make_bmp(5, 3, 24, 0);
	write_file(dir + "/a.bmp", bmp);
	xmap_class map(dir + "/a.bmp");
	ASSERT_NE(map.begin, nullptr);
	unsigned char *from_map = nullptr, *from_mem = nullptr;
	TEX_image_desc d1 = {}, d2 = {};
	ASSERT_EQ(TEX_load_bmp(dir + "/a.bmp", &map, from_map, TEX_RGB, 0, 1, d1), 1);
	ASSERT_EQ(load_bmp_bytes(bmp, from_mem, TEX_RGB, d2, 1), 1);
	EXPECT_EQ(d1.width, 5);
	EXPECT_EQ(d1.pad, d2.pad);
	EXPECT_EQ(memcmp(from_map, from_mem, 8 * 4 * 3), 0);
	free(from_map);
	free(from_mem);

	// a PNG through its mapping, and no mapping at all
	TEX_image_desc pd = {TEX_RGB, 2, 2, 0, 0};
	const unsigned char four[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
	ASSERT_TRUE(TEX_save_png(dir + "/b.png", pd, four));
	xmap_class pmap(dir + "/b.png");
	unsigned char* png = nullptr;
	TEX_image_desc d3 = {};
	ASSERT_EQ(TEX_load_png(dir + "/b.png", &pmap, png, TEX_RGB, 0, 0, 0, d3), 1);
	EXPECT_EQ(memcmp(png, four, 12), 0);
	free(png);
	unsigned char* none = nullptr;
	xmap_class missing(dir + "/missing.bmp");
	EXPECT_EQ(TEX_load_bmp("x", nullptr, none, TEX_RGB, 0, 0, d3), 0);
	EXPECT_EQ(TEX_load_bmp("x", &missing, none, TEX_RGB, 0, 0, d3), 0);
	EXPECT_EQ(TEX_load_png("x", &missing, none, TEX_RGB, 0, 0, 0, d3), 0);
	EXPECT_EQ(TEX_load_dds("x", &missing, none, d3), 0);
	EXPECT_EQ(none, nullptr);
}

TEST(TexSniff, ShortFilesAndExtensionFallback)
{
	std::string dir = test_dir("sniff");
	write_file(dir + "/seven.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A});
	unsigned char* px = nullptr;
	TEX_image_desc d = {};
	EXPECT_EQ(TEX_load_any(dir + "/seven.png", px, TEX_RGB, 0, 0, d), 0);
	EXPECT_EQ(TEX_load_any(dir + "/missing.png", px, TEX_RGB, 0, 0, d), 0);
	write_file(dir + "/pic.bmp", make_bmp(5, 3, 24, 0));
	EXPECT_TRUE(TEX_load_any_ext(dir + "/pic.jpg", px, TEX_RGB, 0, 0, d));
	EXPECT_EQ(d.width, 5);
	free(px);
	px = nullptr;
	write_file(dir + "/pic.tiff.bmp", make_bmp(2, 2, 24, 0));
	EXPECT_TRUE(TEX_load_any_ext(dir + "/pic.tiff", px, TEX_RGB, 0, 0, d));
	EXPECT_EQ(d.width, 2);
	free(px);
}

TEST(TexDds, SaveWritesFullChainAndLoadsBack)
{
	std::string dir = test_dir("dds");
	auto img = gradient(16, 8, 4);
	TEX_image_desc d = {TEX_RGBA, 16, 8, 0, 0};
	ASSERT_TRUE(TEX_save_dds(dir + "/a.dds", img.data(), d));
	auto f = read_file(dir + "/a.dds");
	ASSERT_GE(f.size(), 128u);
	EXPECT_EQ(f[28], 5);	// 16x8, 8x4, 4x2, 2x1, 1x1
	const unsigned char* px = nullptr;
	TEX_image_desc r = {};
	ASSERT_EQ(TEX_load_dds_mem("a.dds", f.data(), f.data() + f.size(), px, r), 1);
	EXPECT_EQ(r.format, TEX_DXT5);
	EXPECT_EQ(r.width, 16);
	EXPECT_EQ(r.height, 8);
	EXPECT_EQ(r.has_mipmaps, 1);
	EXPECT_EQ(px, f.data() + 128);
	EXPECT_EQ((int)f.size(), 128 + TEX_bytes_needed_for_image(r));
	EXPECT_EQ(f[20] | (f[21] << 8), 128);	// linear size: the top level only
	// The file is top-down: decode, flip and compare with the source roughly.
	std::vector<unsigned char> dec(16 * 8 * 4);
	TEX_decode_s3tc(r, r, px, dec.data());
	int worst = 0;
	for (int y = 0; y < 8; ++y)
		for (int x = 0; x < 16 * 4; ++x)
			worst = std::max(worst, std::abs(dec[(7 - y) * 64 + x] - img[y * 64 + x]));
	EXPECT_LT(worst, 40);

	TEX_image_desc rgb = {TEX_RGB, 4, 1, 0, 0};
	ASSERT_TRUE(TEX_save_dds(dir + "/b.dds", gradient(4, 1, 3).data(), rgb));
	auto g = read_file(dir + "/b.dds");
	EXPECT_EQ(g[28], 3);
	EXPECT_EQ(std::string((char*)&g[84], 4), "DXT1");
}

TEST(TexDds, UntrustedHeadersAreRefused)
{
	std::string dir = test_dir("dds_bad");
	auto img = gradient(8, 8, 4);
	TEX_image_desc d = {TEX_RGBA, 8, 8, 0, 0};
	ASSERT_TRUE(TEX_save_dds(dir + "/a.dds", img.data(), d));
	const auto f = read_file(dir + "/a.dds");
	auto load = [](const std::vector<unsigned char>& g) {
		const unsigned char* px = nullptr;
		TEX_image_desc r = {};
		return TEX_load_dds_mem("x.dds", g.data(), g.data() + g.size(), px, r);
	};
	ASSERT_EQ(load(f), 1);
	auto put = [](std::vector<unsigned char> g, int off, unsigned v) {
		for (int i = 0; i < 4 && off + i < (int)g.size(); ++i) g[off + i] = (unsigned char)(v >> (8 * i));
		return g;
	};
	EXPECT_EQ(load(std::vector<unsigned char>(f.begin(), f.begin() + 127)), 0);	// shorter than its header
	EXPECT_EQ(load(std::vector<unsigned char>(f.begin(), f.end() - 1)), 0);		// shorter than its chain
	EXPECT_EQ(load(put(f, 4, 100)), 0);		// header size
	EXPECT_EQ(load(put(f, 16, 0)), 0);		// zero width
	EXPECT_EQ(load(put(f, 12, 0x80000000u)), 0);	// negative height
	EXPECT_EQ(load(put(f, 16, 1u << 20)), 0);	// far beyond the file
	EXPECT_EQ(load(put(f, 84, 0x31545844u + 1)), 0);	// unknown FourCC
	EXPECT_EQ(load(put(f, 80, 0)), 0);		// neither FourCC nor RGB
	// Uncompressed: the bit count must match the alpha flag.
	auto bgra = put(put(put(f, 80, 0x41), 88, 32), 16, 2);
	bgra = put(put(bgra, 12, 2), 8, 0x1007);
	EXPECT_EQ(load(bgra), 1);
	EXPECT_EQ(load(put(bgra, 88, 24)), 0);
	EXPECT_EQ(load(put(put(bgra, 80, 0x40), 88, 32)), 0);
	// A single level when the mipmap-count flag is missing.
	auto single = put(f, 8, 0x1007);
	const unsigned char* px = nullptr;
	TEX_image_desc r = {};
	ASSERT_EQ(TEX_load_dds_mem("x.dds", single.data(), single.data() + single.size(), px, r), 1);
	EXPECT_EQ(r.has_mipmaps, 0);
}
