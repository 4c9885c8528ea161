#ifndef TEX_LAYOUT_H
#define TEX_LAYOUT_H
// The row layout shared by the PNG and BMP decoders, planned and checked
// before any pixel is decoded.
#include "TEX_image.h"
#include <cstddef>
#include <string>

struct TEX_layout {
	int    rows;	// rows in the block (the picture's, or its power of two)
	size_t stride;	// bytes from one row to the next
	size_t bytes;	// the whole block
	int    clear;	// pad bytes or extra rows that must read as zero
};

// Fills desc.pad and the layout; false (with a log line) when the sizes are
// unusable: not 1..TEX_MAX_DIM, wider than row_width, or larger than the caller's block.
bool TEX_plan_layout(const std::string& path, int bpp, int width, int height, int row_width, int power_of_two,
                     bool caller_block, long capacity, TEX_image_desc& desc, TEX_layout& out);

int TEX_next_pow2(int v);

#endif
