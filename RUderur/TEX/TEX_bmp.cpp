// Uncompressed 24-bit Windows bitmaps with the 40-byte information header.
#include "TEX_image.h"
#include "TEX_layout.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include <cstdlib>
#include <cstring>

// Little-endian fields; a field past the end of the file reads as 0.
static unsigned rd(const unsigned char* b, const unsigned char* e, long off, int n)
{
	if (off < 0 || off + n > e - b) return 0;
	unsigned v = 0;
	for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[off + i];
	return v;
}

int TEX_load_bmp_mem(const std::string& path, const unsigned char* begin, const unsigned char* end,
                     unsigned char*& pixels, unsigned long format, int row_width, int power_of_two,
                     TEX_image_desc& desc, long capacity)
{
	if (!begin || !end || end <= begin) return 0;
	int bpp = 1;
	if (format == TEX_RGB) bpp = 3;
	else if (format == TEX_RGBA) bpp = 4;
	else if (format != TEX_ALPHA) APL_alert("Illegal desired format for bmp.", path, "", "", t_exit);

	long     size    = end - begin;
	unsigned offset  = rd(begin, end, 10, 4);
	int      width   = (int)rd(begin, end, 18, 4);
	int      height  = (int)rd(begin, end, 22, 4);
	unsigned bits    = rd(begin, end, 28, 2);
	unsigned compr   = rd(begin, end, 30, 4);

	// A bad bitmap fails its load; the caller's fail mode decides what follows.
	if (bits != 24) {
		xer << "WARNING: Wrong bitmap color depth for texture! We need 24-bit color. " << path << "\n";
		return 0;
	}
	if (compr != 0) {
		xer << "WARNING: Bitmap is compressed! " << path << "\n";
		return 0;
	}
	if (offset < 54 || (long)offset >= size) {
		xer << "WARNING: bitmap pixel data lies outside the file, " << path << "\n";
		return 0;
	}
	// every row the header declares must be in the file; the last may lack its padding
	long src_row = (3L * width + 3) & ~3L;
	if (width > 0 && height > 0 && width <= TEX_MAX_DIM && height <= TEX_MAX_DIM &&
	    (long long)offset + (long long)src_row * (height - 1) + 3LL * width > (long long)size) {
		xer << "WARNING: bitmap " << path << " is cut short: " << width << "x" << height << " pixels need more than its "
		    << size << " bytes\n";
		return 0;
	}
	desc.format = (int)format;
	desc.width = width;
	desc.height = height;
	desc.has_mipmaps = 0;
	TEX_layout lay;
	if (!TEX_plan_layout(path, bpp, width, height, row_width, power_of_two, pixels != nullptr, capacity, desc, lay))
		return 0;
	if (!pixels) {
		pixels = (unsigned char*)malloc(lay.bytes);
		if (!pixels) return 0;
	}
	if (lay.clear) memset(pixels, 0, lay.bytes);

	const int            gamma = TEX_gamma_ramp_on();
	const unsigned char* ramp = TEX_gamma_ramp();
	for (int i = 0; i < height; ++i) {
		const unsigned char* s = begin + offset + (long)i * src_row;
		unsigned char*       d = pixels + (size_t)i * lay.stride;
		for (int x = 0; x < width; ++x, s += 3, d += bpp) {
			if (s + 2 >= end) return 1;	// the rest of a short file stays as it was
			unsigned char b = s[0], g = s[1], r = s[2];
			if (bpp == 1) {
				d[0] = (unsigned char)((r + g + b) / 3);
				continue;
			}
			if (bpp == 4 && r == 255 && g == 0 && b == 255) {
				d[0] = d[1] = d[2] = d[3] = 0;
				continue;
			}
			if (gamma) { r = ramp[r]; g = ramp[g]; b = ramp[b]; }
			d[0] = r; d[1] = g; d[2] = b;
			if (bpp == 4) d[3] = 255;
		}
	}
	return 1;
}
