// Packing a 2048 x 2048 picture and cutting its sixteen 512 x 512 tiles out
// of the packed copy, as the background picture does at start-up.
#include "TEX_rle.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

static double ms_since(std::chrono::steady_clock::time_point t)
{
	return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

int main()
{
	const int S = 2048, T = 512, reps = 10;
	std::vector<uint32_t> pic((size_t)S * S);
	// Sky-like bands with some noise: long runs broken now and then.
	uint32_t seed = 1;
	for (int y = 0; y < S; ++y)
		for (int x = 0; x < S; ++x) {
			seed = seed * 1103515245u + 12345u;
			pic[(size_t)y * S + x] = (seed >> 28) ? 0xFF000000u | (uint32_t)(y / 16) * 0x010101u : seed | 0xFF000000u;
		}
	TEX_image_desc d = {TEX_RGBA, S, S, 0, 0};
	std::vector<unsigned char> tile((size_t)T * T * 4);
	double pack_ms = 0, cut_ms = 0;
	size_t bytes = 0;
	for (int r = 0; r < reps; ++r) {
		unsigned char* packed = nullptr;
		auto t0 = std::chrono::steady_clock::now();
		bytes = TEX_pack_image_rle(d, (const unsigned char*)pic.data(), S, S, T, packed);
		pack_ms += ms_since(t0);
		t0 = std::chrono::steady_clock::now();
		for (int i = 0; i < 16; ++i)
			TEX_unpack_image_rle(packed, bytes, S * T * (i / 4) + T * (i % 4), S - T, T, T, tile.data());
		cut_ms += ms_since(t0);
		free(packed);
	}
	printf("picture %d x %d: packed %.2f MiB of %.2f MiB\n", S, S, bytes / 1048576.0, S * S * 4 / 1048576.0);
	printf("pack: %.1f ms, cut 16 tiles: %.1f ms (mean of %d)\n", pack_ms / reps, cut_ms / reps, reps);
	return 0;
}
