#include <gtest/gtest.h>
#include "TEX_image.h"
#include "tex_test_util.h"
#include <cstdlib>
#include <vector>

static const std::string res = std::string(VANTOR_BINARY_DIR) + "/Resources/";

static bool png_size(const std::string& name, int& w, int& h, unsigned long fmt = TEX_RGBA)
{
	unsigned char* px = nullptr;
	TEX_image_desc d = {};
	if (!TEX_load_any(res + name, px, fmt, 0, 0, d)) return false;
	free(px);
	w = d.width;
	h = d.height;
	return true;
}

TEST(TexArt, EveryResourceImageHasItsSize)
{
	int w = 0, h = 0;
	ASSERT_TRUE(png_size("interface.png", w, h));
	EXPECT_EQ(w, 512); EXPECT_EQ(h, 512);
	ASSERT_TRUE(png_size("map.png", w, h));
	EXPECT_EQ(w, 512); EXPECT_EQ(h, 1024);
	ASSERT_TRUE(png_size("background.png", w, h, TEX_RGB));
	EXPECT_EQ(w, 1024); EXPECT_EQ(h, 1024);
	for (const char* l : {"English", "French", "German", "Russian", "Italian", "Spanish"}) {
		ASSERT_TRUE(png_size(std::string("elements_") + l + ".png", w, h)) << l;
		EXPECT_EQ(w, 1024); EXPECT_EQ(h, 128);
	}
	EXPECT_GT(read_file(res + "DejaVuSans.ttf").size(), 100000u);
	EXPECT_GT(read_file(res + "DejaVuSansBold.ttf").size(), 100000u);
}

TEST(TexArt, SwatchesAndCutsHoldWhatTheInterfaceReads)
{
	// Start-up reads colours at these byte offsets of the bottom-up RGBA picture.
	unsigned char* px = nullptr;
	TEX_image_desc d = {};
	ASSERT_TRUE(TEX_load_any(res + "interface.png", px, TEX_RGBA, 0, 0, d));
	const int offsets[] = {0x4DCFC, 0x49CFC, 0x45CFC, 0x41CFC, 0x3DCFC, 0x39CFC, 0x35CFC,
	                       0x31CFC, 0x2DCFC, 0x29CFC, 0x25CFC, 0x21CFC, 0x39E2C};
	for (int off : offsets) EXPECT_EQ(px[off + 3], 255) << std::hex << off;	// opaque swatch
	EXPECT_LT(px[0x4DCFC], 0x60);		// 37: the dark window clear
	EXPECT_LT(px[0x29CFC], 0x40);		// 48: dark value text for light fields
	auto at = [&](int u, int v) { return px + 4 * (v * 512 + u); };
	EXPECT_EQ(at(330, 498)[3], 255);	// push-button body
	EXPECT_EQ(at(50, 400)[3], 255);		// window panel
	EXPECT_EQ(at(287, 145)[3], 255);	// field box
	EXPECT_EQ(at(148, 187)[3], 255);	// check box
	EXPECT_EQ(at(5, 5)[3], 0);		// unused corner stays clear
	free(px);
	// Each elements image has a word picture in every cut of the three bands.
	px = nullptr;
	ASSERT_TRUE(TEX_load_any(res + "elements_Russian.png", px, TEX_RGBA, 0, 0, d));
	const int cuts[] = {0, 75, 144, 211, 346, 422, 501, 616};
	for (int i = 0; i < 7; ++i)
		for (int band : {0, 23, 46}) {
			int ink = 0;
			for (int v = band; v < band + 22; ++v)
				for (int u = cuts[i]; u < cuts[i + 1]; ++u) ink += px[4 * (v * 1024 + u) + 3] > 128;
			EXPECT_GT(ink, 20) << i << " " << band;
		}
	free(px);
	// The word beside the wordmark is each language's own, in rows 69 to 96 of
	// its elements image; the background holds the wordmark alone.
	std::vector<unsigned char> english;
	for (const char* l : {"English", "French", "German", "Russian", "Italian", "Spanish"}) {
		px = nullptr;
		ASSERT_TRUE(TEX_load_any(res + "elements_" + l + ".png", px, TEX_RGBA, 0, 0, d)) << l;
		std::vector<unsigned char> band;
		int ink = 0;
		for (int v = 69; v < 97; ++v)
			for (int u = 0; u < 700; ++u) {
				band.push_back(px[4 * (v * 1024 + u) + 3]);
				ink += band.back() > 128;
			}
		free(px);
		EXPECT_GT(ink, 100) << l;
		if (english.empty()) english = band;
		else EXPECT_TRUE(band != english) << l << " has the English word";
	}
	px = nullptr;
	ASSERT_TRUE(TEX_load_any(res + "background.png", px, TEX_RGB, 0, 0, d));
	int bright = 0, wordmark = 0;
	for (int v = 540; v < 580; ++v) {
		for (int u = 172; u < 872; ++u) bright += px[3 * (v * 1024 + u)] > 190;
		for (int u = 24; u < 164; ++u) wordmark += px[3 * (v * 1024 + u)] > 190;
	}
	EXPECT_EQ(bright, 0);
	EXPECT_GT(wordmark, 100);
	free(px);
}

TEST(TexArt, TheMapShowsLandAndSeaInTheRightPlaces)
{
	unsigned char* px = nullptr;
	TEX_image_desc d = {};
	ASSERT_TRUE(TEX_load_any(res + "map.png", px, TEX_RGBA, 0, 0, d));
	auto green_over_blue = [&](float lon, float lat) {
		int x = (int)((lon + 180) * 1.4f), y = (int)((lat + 90) * 1.4f);
		const unsigned char* p = px + 4 * (y * 512 + x);
		return (int)p[1] - (int)p[2];
	};
	// Land: the Sahara, central Asia, Brazil, inland Australia, the American Midwest.
	for (auto ll : {std::pair<float, float>{15, 22}, {85, 48}, {-52, -10}, {134, -24}, {-98, 40}})
		EXPECT_GT(green_over_blue(ll.first, ll.second), 0) << ll.first << "," << ll.second;
	// Sea: mid-Atlantic, the Pacific, the Indian Ocean.
	for (auto ll : {std::pair<float, float>{-35, 25}, {-150, 0}, {75, -20}})
		EXPECT_LT(green_over_blue(ll.first, ll.second), 0) << ll.first << "," << ll.second;
	free(px);
}

TEST(TexArt, GeneratorIsDeterministic)
{
	std::string dir = test_dir("art_again");
	std::string cmd = std::string(VANTOR_BINARY_DIR) + "/make_art '" + dir +
	                  "' /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "
	                  "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
	ASSERT_EQ(system(cmd.c_str()), 0);
	for (const char* f : {"interface.png", "map.png", "background.png", "elements_German.png"})
		EXPECT_EQ(read_file(dir + "/" + f), read_file(res + f)) << f;
}
