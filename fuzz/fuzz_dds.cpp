// libFuzzer target: the DDS reader; whatever it accepts is walked whole.
#include "TEX_image.h"
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	const unsigned char* px = nullptr;
	TEX_image_desc d = {};
	if (!TEX_load_dds_mem("fuzz.dds", data, data + size, px, d)) return 0;
	int n = TEX_bytes_needed_for_image(d);
	if (n <= 0 || px + n > data + size) __builtin_trap();
	std::vector<unsigned char> copy(px, px + n);
	TEX_flip_y(d, copy.data());
	return 0;
}
