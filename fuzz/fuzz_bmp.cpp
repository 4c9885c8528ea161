// libFuzzer target: the BMP reader, allocating and into a fixed block.
#include "TEX_image.h"
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	static const unsigned long formats[] = {TEX_RGB, TEX_RGBA, TEX_ALPHA};
	static std::vector<unsigned char> block(256 * 1024);
	for (int k = 0; k < 6; ++k) {
		unsigned char* px = nullptr;
		TEX_image_desc d = {};
		if (TEX_load_bmp_mem("fuzz.bmp", data, data + size, px, formats[k % 3], 0, k / 3, d)) free(px);
		px = block.data();
		TEX_load_bmp_mem("fuzz.bmp", data, data + size, px, formats[k % 3], 64, k / 3, d, (long)block.size());
	}
	return 0;
}
