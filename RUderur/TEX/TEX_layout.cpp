#include "TEX_layout.h"
#include "UTL_log.h"

int TEX_next_pow2(int v)
{
	int p = 1;
	while (p < v && p < (1 << 30)) p <<= 1;
	return p;
}

static bool refuse(const std::string& path, const char* why)
{
	xer << "WARNING: image " << path << " refused: " << why << "\n";
	return false;
}

bool TEX_plan_layout(const std::string& path, int bpp, int width, int height, int row_width, int power_of_two,
                     bool caller_block, long capacity, TEX_image_desc& desc, TEX_layout& out)
{
	if (width < 1 || height < 1) return refuse(path, "empty or negative size");
	if (width > TEX_MAX_DIM || height > TEX_MAX_DIM) return refuse(path, "size above the limit");
	int pad = 0, rows = height;
	if (row_width) {
		if (row_width < width) return refuse(path, "wider than the row it must fit");
		pad = bpp * (row_width - width);
	}
	if (power_of_two) {
		pad = bpp * (TEX_next_pow2(width) - width);
		rows = TEX_next_pow2(height);
	}
	desc.pad = pad;
	out.rows = rows;
	out.stride = (size_t)bpp * width + pad;
	out.bytes = out.stride * rows;
	out.clear = (pad != 0 || rows != height);
	if (caller_block) {
		size_t cap = capacity < 0 ? (size_t)TEX_SCRATCH_BYTES : (size_t)capacity;
		if (out.bytes > cap) return refuse(path, "larger than the block it must fit");
	}
	return true;
}
