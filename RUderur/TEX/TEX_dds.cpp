// DDS files with DXT data: reading straight from the mapping, writing a full
// mipmap chain through the block compressor.
#include "TEX_image.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include <squish.h>
#include <cstdio>
#include <cstring>
#include <vector>

static unsigned rd32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((unsigned)p[3] << 24); }

int TEX_load_dds_mem(const std::string& path, const unsigned char* begin, const unsigned char* end,
                     const unsigned char*& pixels, TEX_image_desc& desc)
{
	if (!begin || !end || end - begin < 128) return 0;
	if (memcmp(begin, "DDS ", 4) != 0) return 0;
	if (rd32(begin + 4) != 124) {
		xer << "WARNING: DDS header size is not 124, " << path << "\n";
		return 0;
	}
	unsigned hflags = rd32(begin + 8);
	unsigned pflags = rd32(begin + 80);
	unsigned bits   = rd32(begin + 88);
	unsigned caps   = rd32(begin + 108);
	int format = 0;
	if (pflags & 0x4) {
		const unsigned char* cc = begin + 84;
		if (!memcmp(cc, "DXT1", 4)) format = TEX_DXT1_RGB;
		else if (!memcmp(cc, "DXT3", 4)) format = TEX_DXT3;
		else if (!memcmp(cc, "DXT5", 4)) format = TEX_DXT5;
		else return 0;
	}
	if (pflags & 0x40) {
		format = (pflags & 0x1) ? TEX_BGRA : TEX_BGR;
		// The bit count must be that of the format the flags name.
		if (bits != ((pflags & 0x1) ? 32u : 24u)) {
			xer << "WARNING: DDS bit count does not match its format, " << path << "\n";
			return 0;
		}
	}
	if (!format) return 0;
	int w = (int)rd32(begin + 16), h = (int)rd32(begin + 12);
	if (w < 1 || h < 1 || w > TEX_MAX_DIM || h > TEX_MAX_DIM) {
		xer << "WARNING: DDS size out of range, " << path << "\n";
		return 0;
	}
	TEX_image_desc d = {format, w, h, 0, ((hflags & 0x20000) && (caps & 0x400000)) ? 1 : 0};
	long need = TEX_bytes_needed_for_image(d);
	if (need <= 0 || need > (end - begin) - 128) {
		xer << "WARNING: DDS file shorter than its header and mip chain, " << path << "\n";
		return 0;
	}
	desc = d;
	pixels = begin + 128;
	return 1;
}

static void put32(std::vector<unsigned char>& h, int off, unsigned v)
{
	for (int i = 0; i < 4; ++i) h[off + i] = (unsigned char)(v >> (8 * i));
}

bool TEX_save_dds(const std::string& path, const unsigned char* pixels, const TEX_image_desc& desc)
{
	if (desc.format != TEX_RGBA && desc.format != TEX_RGB)
		APL_alert("rel_assert Error! Possibly an out of range vector! Attach the debugger and see who called this!",
		          "in_desc.format == GL_RGBA || in_desc.format == GL_RGB", "TEX_save_dds",
		          "Please report this to Tarrowfield.", t_exit);
	if (desc.width < 1 || desc.height < 1 || desc.width > TEX_MAX_DIM || desc.height > TEX_MAX_DIM) return false;
	FILE* f = fopen(path.c_str(), "wb");
	if (!f) return false;
	int flag = desc.format == TEX_RGBA ? squish::kDxt5 : squish::kDxt1;
	int w = desc.width, h = desc.height;
	std::vector<unsigned char> work((size_t)w * h * 4, 0);
	std::vector<unsigned char> out(squish::GetStorageRequirements(w, h, flag));

	int levels = 1;
	for (int lw = w, lh = h; lw > 1 || lh > 1; ++levels) {
		if (lw > 1) lw /= 2;
		if (lh > 1) lh /= 2;
	}
	int    bpp = desc.format == TEX_RGBA ? 4 : 3;
	size_t srow = (size_t)bpp * w + desc.pad;
	for (int r = 0; r < h; ++r) {
		const unsigned char* s = pixels + r * srow;
		unsigned char*       d = &work[(size_t)(h - 1 - r) * w * 4];
		for (int x = 0; x < w; ++x, s += bpp, d += 4) {
			d[0] = s[0]; d[1] = s[1]; d[2] = s[2];
			d[3] = bpp == 4 ? s[3] : 255;
		}
	}
	std::vector<unsigned char> hdr(128, 0);
	memcpy(&hdr[0], "DDS ", 4);
	put32(hdr, 4, 124);
	put32(hdr, 8, 0x000A1007);
	put32(hdr, 12, h);
	put32(hdr, 16, w);
	put32(hdr, 20, (unsigned)out.size());
	put32(hdr, 28, levels);
	put32(hdr, 76, 32);
	put32(hdr, 80, 4);
	memcpy(&hdr[84], desc.format == TEX_RGBA ? "DXT5" : "DXT1", 4);
	put32(hdr, 108, 0x00401008);
	bool ok = fwrite(hdr.data(), 1, 128, f) == 128;

	for (;;) {
		squish::CompressImage(work.data(), w, h, out.data(), flag | squish::kColourIterativeClusterFit);
		size_t n = squish::GetStorageRequirements(w, h, flag);
		ok = ok && fwrite(out.data(), 1, n, f) == n;
		if (w == 1 && h == 1) break;
		// Shrink the working image in place.
		int nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
		for (int y = 0; y < nh; ++y)
			for (int x = 0; x < nw; ++x)
				for (int c = 0; c < 4; ++c) {
					int v;
					if (w > 1 && h > 1)
						v = (work[((2 * y) * w + 2 * x) * 4 + c] + work[((2 * y) * w + 2 * x + 1) * 4 + c] +
						     work[((2 * y + 1) * w + 2 * x) * 4 + c] + work[((2 * y + 1) * w + 2 * x + 1) * 4 + c]) >> 2;
					else if (w == 1)
						v = (work[(2 * y) * 4 + c] + work[(2 * y + 1) * 4 + c]) >> 1;
					else
						v = (work[(2 * x) * 4 + c] + work[(2 * x + 1) * 4 + c]) >> 1;
					work[((size_t)y * nw + x) * 4 + c] = (unsigned char)v;
				}
		w = nw;
		h = nh;
	}
	return fclose(f) == 0 && ok;
}

static int block_flag(int format)
{
	if (format == TEX_DXT1_RGB || format == TEX_DXT1_RGBA) return squish::kDxt1;
	if (format == TEX_DXT3) return squish::kDxt3;
	return squish::kDxt5;
}

void TEX_encode_s3tc(const TEX_image_desc& src, const TEX_image_desc& dst, const unsigned char* rgba,
                     unsigned char* blocks, TEX_s3tc_quality quality)
{
	int q = quality == s3tc_fast ? squish::kColourRangeFit
	      : quality == s3tc_best ? squish::kColourIterativeClusterFit : squish::kColourClusterFit;
	squish::CompressImage(rgba, src.width, src.height, blocks, q | block_flag(dst.format));
}

void TEX_decode_s3tc(const TEX_image_desc& src, const TEX_image_desc&, const unsigned char* blocks,
                     unsigned char* rgba)
{
	squish::DecompressImage(rgba, src.width, src.height, blocks, block_flag(src.format));
}
