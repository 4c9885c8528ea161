// libFuzzer target: the PNG reader over arbitrary bytes, in each wanted format.
#include "TEX_image.h"
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	static const unsigned long formats[] = {TEX_RGB, TEX_RGBA, TEX_ALPHA};
	for (int k = 0; k < 6; ++k) {
		unsigned char* px = nullptr;
		TEX_image_desc d = {};
		if (TEX_load_png_mem("fuzz.png", data, data + size, px, formats[k % 3], 0, k / 3, k & 1, d)) free(px);
	}
	return 0;
}
