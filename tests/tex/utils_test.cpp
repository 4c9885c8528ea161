#include <gtest/gtest.h>
#include "TEX_image.h"
#include <squish.h>
#include <cstring>
#include <vector>

TEST(TexSizes, LevelsAndChains)
{
	EXPECT_EQ(TEX_bytes_needed_for_image({TEX_RGBA, 1, 1, 0, 1}), 4);
	int sum = 0;
	for (int w = 256, h = 64;; ) {
		sum += 3 * w * h;
		if (w == 1 && h == 1) break;
		if (w > 1) w /= 2;
		if (h > 1) h /= 2;
	}
	EXPECT_EQ(TEX_bytes_needed_for_image({TEX_RGB, 256, 64, 0, 1}), sum);
	EXPECT_EQ(TEX_bytes_needed_for_image({TEX_DXT1_RGB, 4, 4, 0, 0}), 8);
	EXPECT_EQ(TEX_bytes_needed_for_image({TEX_DXT1_RGB, 2, 2, 0, 0}), 8);
	EXPECT_EQ(TEX_bytes_needed_for_image({TEX_DXT5, 1, 1, 0, 0}), 16);
	EXPECT_EQ(TEX_bytes_needed_for_image({TEX_ALPHA, 3, 2, 5, 0}), 16);
	EXPECT_EQ(TEX_bytes_needed_for_image({1234, 4, 4, 0, 0}), 0);
}

TEST(TexSizes, ZeroOrNegativeSizeWithMipmapsEndsAtOnce)
{
	// Halving 0 never reaches 1x1: this must not loop.
	EXPECT_EQ(TEX_bytes_needed_for_image({TEX_RGBA, 0, 16, 0, 1}), 0);
	EXPECT_EQ(TEX_bytes_needed_for_image({TEX_RGBA, 16, 0, 0, 1}), 0);
	EXPECT_EQ(TEX_bytes_needed_for_image({TEX_DXT5, -4, 4, 0, 1}), 0);
	unsigned char px[4] = {1, 2, 3, 4};
	EXPECT_EQ(TEX_flip_y({TEX_RGBA, 0, 0, 0, 1}, px), 0);
	EXPECT_EQ(px[0], 1);
}

TEST(TexFlip, OddHeightKeepsMiddleRowAndTwiceIsIdentity)
{
	std::vector<unsigned char> px(3 * 2 * 3 + 3 * 2);	// RGB, 2 wide, 3 tall, pad 2
	for (size_t i = 0; i < px.size(); ++i) px[i] = (unsigned char)i;
	std::vector<unsigned char> orig = px;
	TEX_image_desc d = {TEX_RGB, 2, 3, 2, 0};
	TEX_flip_y(d, px.data());
	EXPECT_TRUE(std::equal(px.begin(), px.begin() + 8, orig.begin() + 16));
	EXPECT_TRUE(std::equal(px.begin() + 8, px.begin() + 16, orig.begin() + 8));
	TEX_flip_y(d, px.data());
	EXPECT_EQ(px, orig);
}

TEST(TexFlip, CompressedChainTwiceIsIdentity)
{
	std::vector<unsigned char> rgba(16 * 8 * 4);
	for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = (unsigned char)(i * 37);
	for (int f : {TEX_DXT1_RGB, TEX_DXT3, TEX_DXT5}) {
		TEX_image_desc d = {f, 16, 8, 0, 1};
		std::vector<unsigned char> blocks(TEX_bytes_needed_for_image(d));
		TEX_encode_s3tc({TEX_RGBA, 16, 8, 0, 0}, d, rgba.data(), blocks.data(), s3tc_fast);
		std::vector<unsigned char> orig = blocks;
		TEX_flip_y(d, blocks.data());
		EXPECT_NE(blocks, orig) << f;
		TEX_flip_y(d, blocks.data());
		EXPECT_EQ(blocks, orig) << f;
	}
}

TEST(TexFlip, CompressedFlipMirrorsTheDecodedPicture)
{
	std::vector<unsigned char> rgba(8 * 8 * 4);
	for (int y = 0; y < 8; ++y)
		for (int x = 0; x < 8; ++x) {
			unsigned char* p = &rgba[(y * 8 + x) * 4];
			p[0] = (unsigned char)(y * 32); p[1] = (unsigned char)(x * 32); p[2] = 0; p[3] = (unsigned char)(255 - y * 30);
		}
	TEX_image_desc d = {TEX_DXT5, 8, 8, 0, 0};
	std::vector<unsigned char> blocks(TEX_bytes_needed_for_image(d)), a(rgba.size()), b(rgba.size());
	TEX_encode_s3tc({TEX_RGBA, 8, 8, 0, 0}, d, rgba.data(), blocks.data(), s3tc_best);
	TEX_decode_s3tc(d, d, blocks.data(), a.data());
	TEX_flip_y(d, blocks.data());
	TEX_decode_s3tc(d, d, blocks.data(), b.data());
	for (int y = 0; y < 8; ++y) EXPECT_EQ(0, memcmp(&a[y * 32], &b[(7 - y) * 32], 32)) << y;
}

TEST(TexFlip, DxtOneBitTransparencyOnlyInThreeColourBlocks)
{
	unsigned char three[8] = {0x00, 0x10, 0x00, 0x20, 0x03, 0, 0, 0};	// c0 <= c1, an index of 3
	unsigned char four[8] = {0x00, 0x20, 0x00, 0x10, 0x03, 0, 0, 0};	// c0 > c1
	EXPECT_NE(TEX_flip_y({TEX_DXT1_RGB, 4, 4, 0, 0}, three), 0);
	EXPECT_EQ(TEX_flip_y({TEX_DXT1_RGB, 4, 4, 0, 0}, four), 0);
	EXPECT_EQ(three[7], 0x03);	// index rows reversed
}

TEST(TexDownscale, BytesPerPixelFollowTheFormat)
{
	// 2x2 BGR and BGRA pixels must average per channel, not per byte.
	unsigned char bgr[12] = {10, 20, 30, 30, 40, 50, 50, 60, 70, 70, 80, 90};
	TEX_image_desc d = {TEX_BGR, 2, 2, 0, 0};
	TEX_downscale(d, bgr, 2, 2);
	EXPECT_EQ(d.width, 1);
	EXPECT_EQ(d.height, 1);
	EXPECT_EQ(bgr[0], 40);
	EXPECT_EQ(bgr[1], 50);
	EXPECT_EQ(bgr[2], 60);
	unsigned char bgra[16] = {0, 0, 0, 255, 4, 8, 12, 255, 8, 16, 24, 255, 12, 24, 36, 255};
	TEX_image_desc e = {TEX_BGRA, 2, 2, 0, 0};
	TEX_downscale(e, bgra, 2, 2);
	EXPECT_EQ(bgra[0], 6);
	EXPECT_EQ(bgra[2], 18);
	EXPECT_EQ(bgra[3], 255);
}

TEST(TexEdges, CleanEdgeChromaKeyAndZap)
{
	unsigned char px[3 * 4] = {100, 0, 0, 255, 9, 9, 9, 0, 0, 200, 0, 255};
	TEX_image_desc d = {TEX_RGBA, 3, 1, 0, 0};
	TEX_clean_edge(d, px);
	EXPECT_EQ(px[4], 50);
	EXPECT_EQ(px[5], 100);
	EXPECT_EQ(px[7], 0);
	unsigned char key[3] = {100, 0, 0};
	TEX_chroma_key(d, px, key, 0);
	EXPECT_EQ(px[3], 255);
	TEX_chroma_key(d, px, key, 1);
	EXPECT_EQ(px[3], 0);
	TEX_zap_alpha(d, px);
	EXPECT_EQ(px[0] + px[1] + px[2], 0);
	EXPECT_EQ(px[8 + 1], 200);
}

TEST(TexColour565, StepsAndEnds)
{
	unsigned short c = 0xFFFF;
	EXPECT_EQ(IncColor565(c), 0);
	c = 0;
	EXPECT_EQ(DecColor565(c), 0);
	c = (3 << 11) | (63 << 5) | 4;
	EXPECT_EQ(IncColor565(c), 1);
	EXPECT_EQ(c, (3 << 11) | (63 << 5) | 5);
	c = 7 << 11;
	EXPECT_EQ(DecColor565(c), 1);
	EXPECT_EQ(c, 6 << 11);
}

TEST(TexCompose, CopyAndComposite)
{
	unsigned char src[2 * 2 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
	unsigned char dst[4 * 4 * 3] = {};
	TEX_copy({TEX_RGB, 2, 2, 0, 0}, {TEX_RGB, 4, 4, 0, 0}, src, dst, 1, 2);
	EXPECT_EQ(dst[(2 * 4 + 1) * 3], 1);
	EXPECT_EQ(dst[(3 * 4 + 2) * 3 + 2], 12);
	unsigned char white[4 * 4 * 4];
	memset(white, 255, sizeof white);
	unsigned char out[4 * 4 * 4] = {};
	TEX_composite({TEX_RGBA, 4, 4, 0, 0}, {TEX_RGBA, 4, 4, 0, 0}, white, out, 0, 0, 4, 4);
	EXPECT_EQ(out[0], 255);
	EXPECT_EQ(out[3], 255);
}
