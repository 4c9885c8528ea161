// Picking the decoder by a file's first bytes, and the usual extensions.
#include "TEX_image.h"
#include "TEX_file.h"
#include <png.h>
#include <cstring>

int TEX_load_any(const std::string& path, unsigned char*& pixels, unsigned long format, int row_width,
                 int follow_file_alpha, TEX_image_desc& desc)
{
	TEX_mapped_file map(path);
	if (!map.begin || map.end - map.begin <= 7) return 0;
	if (map.begin[0] == 'B' && map.begin[1] == 'M') {
		int r = TEX_load_bmp_mem(path, map.begin, map.end, pixels, format, row_width, 0, desc);
		if (r) return r;
	}
	if (!png_sig_cmp((png_const_bytep)map.begin, 0, 8))
		return TEX_load_png_mem(path, map.begin, map.end, pixels, format, row_width, 0, follow_file_alpha, desc);
	return 0;
}

bool TEX_load_any_ext(const std::string& path, unsigned char*& pixels, unsigned long format, int row_width,
                      int follow_file_alpha, TEX_image_desc& desc)
{
	std::string stem = path;
	if (stem.size() > 4 && stem[stem.size() - 4] == '.') stem.erase(stem.size() - 4);
	if (TEX_load_any(stem + ".png", pixels, format, row_width, follow_file_alpha, desc)) return true;
	return TEX_load_any(stem + ".bmp", pixels, format, row_width, follow_file_alpha, desc) != 0;
}
