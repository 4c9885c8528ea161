// Run-length packing: stream layout, tile-column decoding, compositing,
// mixing, and streams that are short or lie about their lengths.
#include <gtest/gtest.h>
#include "TEX_rle.h"
#include <cstdlib>
#include <cstring>
#include <vector>

typedef std::vector<uint32_t> words;

static TEX_image_desc rgba(int w, int h, int pad = 0) { return {TEX_RGBA, w, h, pad, 0}; }

static words pack(const TEX_image_desc& d, const words& px, int row_pixels, int rows_wanted, int tile)
{
	unsigned char* out = nullptr;
	size_t n = TEX_pack_image_rle(d, (const unsigned char*)px.data(), row_pixels, rows_wanted, tile, out);
	EXPECT_NE(out, nullptr);
	EXPECT_EQ(n % 4, 0u);
	words s(n / 4);
	if (n) memcpy(s.data(), out, n);
	free(out);
	return s;
}

static words unpack(const words& s, int before, int after, int width, int rows)
{
	words out((size_t)width * rows, 0xDEADBEEF);
	TEX_unpack_image_rle((const unsigned char*)s.data(), s.size() * 4, before, after, width, rows,
	                     (unsigned char*)out.data());
	return out;
}

static uint32_t noise(uint32_t& seed)
{
	seed = seed * 1103515245u + 12345u;
	return seed ^ (seed >> 13);
}

TEST(Rle, ItemsOfOneRow)
{
	// 512 equal pixels: one repeat item.
	words row(512, 0x80112233u);
	EXPECT_EQ(pack(rgba(512, 1), row, 512, 1, 512), (words{(uint32_t)-512, 0x80112233u}));

	// A pair and a different word stay literal; three equal ones make a repeat.
	words p = {7, 7, 9, 5, 5, 5, 5, 1};
	EXPECT_EQ(pack(rgba(3, 1), p, 8, 1, 8), (words{3, 7, 7, 9, (uint32_t)-5, 0}));
	EXPECT_EQ(pack(rgba(8, 1), p, 8, 1, 8), (words{3, 7, 7, 9, (uint32_t)-4, 5, 1, 1}));
	// A run of three at the very end of a tile; a run cut by the tile edge leaves a literal.
	words q = {1, 2, 2, 2, 3, 3, 3, 3};
	EXPECT_EQ(pack(rgba(8, 1), q, 8, 1, 4), (words{1, 1, (uint32_t)-3, 2, (uint32_t)-4, 3}));
	words r = {4, 4, 6, 6, 6, 6, 6, 6};
	EXPECT_EQ(pack(rgba(8, 1), r, 8, 1, 4), (words{4, 4, 4, 6, 6, (uint32_t)-4, 6}));
	// No tile width, or rows narrower than a tile: no columns, only the end word.
	EXPECT_EQ(pack(rgba(8, 1), r, 8, 2, 0), (words{0}));
	EXPECT_EQ(pack(rgba(8, 1), r, 3, 1, 4), (words{}));
}

TEST(Rle, NarrowPictureInWideRowsAndMissingRows)
{
	// 1000 wide, rows of 2048 in tiles of 512: 512, then 488 + 24 zeros, then two tiles of zeros.
	std::vector<uint32_t> px(1000 * 2, 0xFF000001u);
	TEX_image_desc d = rgba(1000, 2);
	words s = pack(d, px, 2048, 2, 512);
	words row = {(uint32_t)-512, 0xFF000001u, (uint32_t)-488, 0xFF000001u, (uint32_t)-24, 0,
	             (uint32_t)-512, 0, (uint32_t)-512, 0};
	words both = row;
	both.insert(both.end(), row.begin(), row.end());
	EXPECT_EQ(s, both);	// no end word: every row asked for is there

	// 300 rows of 512 asked: the single end word, then zeros when decoded.
	words pic(512 * 300);
	uint32_t seed = 1;
	for (auto& w : pic) w = noise(seed);
	s = pack(rgba(512, 300), pic, 512, 512, 512);
	EXPECT_EQ(s.back(), 0u);
	words out = unpack(s, 0, 0, 512, 512);
	EXPECT_TRUE(std::equal(pic.begin(), pic.end(), out.begin()));
	for (size_t i = pic.size(); i < out.size(); ++i) ASSERT_EQ(out[i], 0u) << i;
}

TEST(Rle, RowPaddingIsSkippedAndWorstCaseSize)
{
	// Rows 4*width + pad bytes apart; pad bytes never reach the stream.
	const int w = 5, h = 3, pad = 8;
	std::vector<uint32_t> block((w * 4 + pad) / 4 * h, 0xAAAAAAAAu);
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x) block[y * (w + pad / 4) + x] = (uint32_t)(y * 10 + x + 1);
	words s = pack(rgba(w, h, pad), block, 8, h, 8);
	words out = unpack(s, 0, 0, 8, h);
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < 8; ++x) EXPECT_EQ(out[y * 8 + x], x < w ? (uint32_t)(y * 10 + x + 1) : 0u);

	// Noise with no run of three costs one count word per tile beyond its pixels.
	words pic(2048 * 4);
	uint32_t seed = 7;
	for (auto& p : pic) p = noise(seed);
	s = pack(rgba(2048, 4), pic, 2048, 4, 512);
	EXPECT_EQ(s.size(), 4u * 4 * 513);
	EXPECT_EQ(unpack(s, 0, 0, 2048, 4), pic);
}

TEST(Rle, TileColumnMatchesTheWholeWidth)
{
	// Mixed runs and noise; every column of four decodes as its cut of the whole.
	const int W = 2048, H = 64;
	words pic((size_t)W * H);
	uint32_t seed = 3;
	for (int y = 0; y < H; ++y)
		for (int x = 0; x < W; ++x) {
			uint32_t n = noise(seed);
			pic[y * W + x] = (n & 15) ? (uint32_t)((x / 37) * 0x01010101u) : n;
		}
	words s = pack(rgba(W, H), pic, W, H, 512);
	EXPECT_LT(s.size(), pic.size());
	EXPECT_EQ(unpack(s, 0, 0, W, H), pic);
	for (int k = 0; k < 4; ++k) {
		words col = unpack(s, k * 512, 3 * 512, 512, H);
		for (int y = 0; y < H; ++y)
			ASSERT_TRUE(std::equal(col.begin() + y * 512, col.begin() + (y + 1) * 512, pic.begin() + y * W + k * 512))
				<< "column " << k << " row " << y;
	}
	// Rows 16.. of column 2: skip whole rows first.
	words part = unpack(s, 16 * W + 1024, 1536, 512, 8);
	for (int y = 0; y < 8; ++y) EXPECT_EQ(part[y * 512 + 5], pic[(16 + y) * W + 1024 + 5]);
}

TEST(Rle, ShortOrLyingStreamsStayInBounds)
{
	// Each case decodes into an exact-size heap block (ASan watches both sides).
	auto run = [](const words& s, int before, int after, int width, int rows) {
		size_t bytes = s.size() * 4;
		unsigned char* in = (unsigned char*)malloc(bytes ? bytes : 1);
		if (bytes) memcpy(in, s.data(), bytes);
		unsigned char* out = (unsigned char*)malloc((size_t)width * rows * 4);
		TEX_unpack_image_rle(in, bytes, before, after, width, rows, out);
		words r((size_t)width * rows);
		memcpy(r.data(), out, r.size() * 4);
		free(in);
		free(out);
		return r;
	};
	// A literal claiming more words than the stream holds.
	EXPECT_EQ(run({1000, 5, 6}, 0, 0, 4, 2), (words{5, 6, 0, 0, 0, 0, 0, 0}));
	// A repeat without its pixel word, an empty stream, a cut count word.
	EXPECT_EQ(run({2, 9, 9, (uint32_t)-3}, 0, 0, 4, 1), (words{9, 9, 0, 0}));
	EXPECT_EQ(run({}, 0, 0, 3, 1), (words{0, 0, 0}));
	// A huge repeat (INT_MIN) fills the row it is in and carries over.
	EXPECT_EQ(run({0x80000000u, 4}, 0, 0, 3, 2), (words{4, 4, 4, 4, 4, 4}));
	// Skipping past the end, and a literal that crosses rows.
	EXPECT_EQ(run({2, 1, 2}, 10, 10, 2, 2), (words{0, 0, 0, 0}));
	EXPECT_EQ(run({5, 1, 2, 3, 4, 5}, 1, 1, 2, 2), (words{2, 3, 5, 0}));
	// The end word stops there for good, however much follows.
	EXPECT_EQ(run({1, 8, 0, (uint32_t)-5, 3}, 0, 0, 2, 2), (words{8, 0, 0, 0}));

	// A byte count that is not whole words ignores the cut word.
	words s = {(uint32_t)-2, 0x11};
	unsigned char buf[7];
	memcpy(buf, s.data(), 7);
	uint32_t out[2] = {1, 1};
	TEX_unpack_image_rle(buf, 7, 0, 0, 2, 1, (unsigned char*)out);
	EXPECT_EQ(out[0], 0u);
	TEX_unpack_image_rle(nullptr, 0, 0, 0, 2, 1, (unsigned char*)out);
	EXPECT_EQ(out[1], 0u);
}

TEST(Rle, CompositeOverPixels)
{
	words src = {0xFF102030u, 0x00FFFFFFu, 0x80FF0000u, 0xFF102030u};
	words s = pack(rgba(4, 1), src, 4, 2, 4);	// 1 row of 2 asked: ends with the end word
	words dst = {0x40A0B0C0u, 0x11223344u, 0xF0000000u, 0x01020304u, 0x55667788u, 0x55667788u, 0x55667788u,
	             0x55667788u};
	words d = dst;
	TEX_unpack_composite_rle((const unsigned char*)s.data(), s.size() * 4, 0, 0, 4, 2, (unsigned char*)d.data(), 0);
	EXPECT_EQ(d, dst);	// opacity 0: untouched

	TEX_unpack_composite_rle((const unsigned char*)s.data(), s.size() * 4, 0, 0, 4, 2, (unsigned char*)d.data(), 256);
	EXPECT_EQ(d[0], 0xFF102030u);	// alpha 255 at full opacity replaces the colour exactly
	EXPECT_EQ(d[1], 0x11223344u);	// transparent source leaves the pixel
	// alpha 0x80: l = 256 * 129 >> 8 = 129; blue (0x00*127 + 0xFF*129) >> 8 = 128; alpha min(0x80+0xF0, 255)
	EXPECT_EQ(d[2], 0xFF800000u);
	EXPECT_EQ(d[3], 0xFF102030u);
	for (int i = 4; i < 8; ++i) EXPECT_EQ(d[i], dst[i]);	// after the end word nothing changes

	// Half opacity over black.
	words e = {0xFF000000u, 0, 0, 0};
	TEX_unpack_composite_rle((const unsigned char*)s.data(), s.size() * 4, 0, 0, 1, 1, (unsigned char*)e.data(), 128);
	EXPECT_EQ(e[0], 0xFF081018u);
	// Opacity above 256 is held at 256, never past the source colour.
	e[0] = 0xFF000000u;
	TEX_unpack_composite_rle((const unsigned char*)s.data(), s.size() * 4, 0, 0, 1, 1, (unsigned char*)e.data(), 999);
	EXPECT_EQ(e[0], 0xFF102030u);
}

TEST(Rle, MixWeightsAndTwoStreams)
{
	int Z[4] = {0, 0, 0, 0}, B[4] = {256, 256, 256, 256}, w[4];
	EXPECT_EQ(unpack_and_mix((int)0x12345678, Z, Z, Z, Z, B, w), 256);
	int M0[4] = {256, 0, 0, 512}, Bn[4] = {0, -10, 300, 0};
	// c0 = 0x78 = 120: W0 = 120, W1 clamps to 0, W2 clamps to 256, W3 = 240
	EXPECT_EQ(unpack_and_mix(0x78, M0, Z, Z, Z, Bn, w), 240);
	EXPECT_EQ(w[0], 120);
	EXPECT_EQ(w[1], 0);
	EXPECT_EQ(w[2], 256);

	// Pass-through weights give the colour stream back, literals and repeats alike.
	const int W = 8, H = 3;
	words col((size_t)W * H), ctl((size_t)W * H);
	uint32_t seed = 11;
	for (int i = 0; i < W * H; ++i) {
		col[i] = (i % 8 < 4) ? 0x80402010u : noise(seed);
		ctl[i] = (i % 3 == 0) ? 5u : noise(seed);
	}
	col[9] = 0;
	words cs = pack(rgba(W, H), col, W, H + 1, 4), ks = pack(rgba(W, H), ctl, W, H, 4);
	words out((size_t)W * (H + 1), 1);
	TEX_unpack_multi_mix_rle((const unsigned char*)cs.data(), cs.size() * 4, (const unsigned char*)ks.data(),
	                         ks.size() * 4, 0, 0, W, H + 1, (unsigned char*)out.data(), Z, Z, Z, Z, B);
	for (int i = 0; i < W * H; ++i) EXPECT_EQ(out[i], col[i]) << i;
	for (int i = W * H; i < W * (H + 1); ++i) EXPECT_EQ(out[i], 0u);	// past the colour stream's end

	// Weights from the control's red byte halve or keep the colour, repeats in both streams.
	words c2(8, 0xC8C8C8C8u), k2 = {128, 128, 128, 128, 0, 0, 0, 0};
	cs = pack(rgba(8, 1), c2, 8, 1, 8);
	ks = pack(rgba(8, 1), k2, 8, 1, 8);
	int Mr[4] = {512, 512, 512, 512};
	TEX_rle_cursor a, b;
	TEX_rle_start(a, (const unsigned char*)cs.data(), cs.size() * 4);
	TEX_rle_start(b, (const unsigned char*)ks.data(), ks.size() * 4);
	int o[8];
	EXPECT_EQ(unpack_mix(a, b, o, 8, Mr, Z, Z, Z, Z), 0);
	EXPECT_EQ((uint32_t)o[0], 0xC8C8C8C8u);
	EXPECT_EQ((uint32_t)o[7], 0u);
	EXPECT_EQ(unpack_mix(a, b, o, 2, Mr, Z, Z, Z, Z), 1);	// the colour stream is done
	EXPECT_EQ(o[1], 0);
}

TEST(Rle, InterleavePlanes)
{
	unsigned char r[3] = {1, 2, 3}, a[3] = {7, 8, 9}, out[12];
	TEX_pack_rgba(r, nullptr, r, a, 3, out);
	unsigned char want[12] = {1, 0, 1, 7, 2, 0, 2, 8, 3, 0, 3, 9};
	EXPECT_EQ(memcmp(out, want, 12), 0);
}
