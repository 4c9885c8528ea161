// The readers over a file the caller has mapped (xmap_class): the bytes from the
// start of the mapping to its end go to the readers over memory.
#include "TEX_image.h"
#include "xmap.h"

static bool mapped(const xmap_class* map, long at_least)
{
	return map && map->begin && map->cursor && map->end && map->end - map->begin >= at_least;
}

int TEX_load_png(const std::string& path, xmap_class* map, unsigned char*& pixels, unsigned long format,
                 int row_width, int power_of_two, int follow_file_alpha, TEX_image_desc& desc)
{
	if (!mapped(map, 8)) return 0;	// not even the signature
	return TEX_load_png_mem(path, (const unsigned char*)map->begin, (const unsigned char*)map->end, pixels, format,
	                        row_width, power_of_two, follow_file_alpha, desc);
}

int TEX_load_bmp(const std::string& path, xmap_class* map, unsigned char*& pixels, unsigned long format,
                 int row_width, int power_of_two, TEX_image_desc& desc)
{
	if (!mapped(map, 1)) return 0;
	return TEX_load_bmp_mem(path, (const unsigned char*)map->begin, (const unsigned char*)map->end, pixels, format,
	                        row_width, power_of_two, desc);
}

int TEX_load_dds(const std::string& path, xmap_class* map, unsigned char*& pixels, TEX_image_desc& desc)
{
	if (!mapped(map, 4)) return 0;
	// the pixels stay in the mapping: the caller keeps it open while it uses them
	const unsigned char* at = nullptr;
	int r = TEX_load_dds_mem(path, (const unsigned char*)map->begin, (const unsigned char*)map->end, at, desc);
	if (r) pixels = const_cast<unsigned char*>(at);
	return r;
}
