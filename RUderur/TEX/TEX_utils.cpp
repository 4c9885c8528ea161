// Pixel-block utilities: sizes, flips (also of S3TC blocks), box downscale,
// edge bleeding, keying, copying and compositing.
#include "TEX_image.h"
#include "UTL_alert.h"
#include <squish.h>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <utility>

static int squish_flag(int format)
{
	if (format == TEX_DXT1_RGB || format == TEX_DXT1_RGBA) return squish::kDxt1;
	if (format == TEX_DXT3) return squish::kDxt3;
	return squish::kDxt5;
}

// Bytes of one level, or -1 for an unlisted format.
static long long level_bytes(int format, int w, int h, int pad)
{
	switch (format) {
	case TEX_ALPHA: return (long long)h * (w + pad);
	case TEX_RGB:
	case TEX_BGR: return (long long)h * (3LL * w + pad);
	case TEX_RGBA:
	case TEX_BGRA: return (long long)h * (4LL * w + pad);
	case TEX_DEPTH:
	case TEX_DEPTH24: return 4LL * w * h;
	case TEX_DXT1_RGB:
	case TEX_DXT1_RGBA:
	case TEX_DXT3:
	case TEX_DXT5: return squish::GetStorageRequirements(w, h, squish_flag(format));
	default: return -1;
	}
}

int TEX_bytes_needed_for_image(const TEX_image_desc& desc)
{
	// A side of 0 would never reach 1x1 down the chain.
	if (desc.width <= 0 || desc.height <= 0 || desc.pad < 0) return 0;
	int w = desc.width, h = desc.height;
	long long sum = 0;
	for (;;) {
		long long n = level_bytes(desc.format, w, h, desc.pad);
		if (n < 0) return 0;
		sum += n;
		if (sum > INT_MAX) return 0;
		if ((w == 1 && h == 1) || !desc.has_mipmaps) break;
		if (w >= 2) w /= 2;
		if (h > 1) h /= 2;
	}
	return (int)sum;
}

static void swap_bytes(unsigned char* a, unsigned char* b, int n)
{
	for (int i = 0; i < n; ++i) std::swap(a[i], b[i]);
}

static inline unsigned short rd16(const unsigned char* p) { return (unsigned short)(p[0] | (p[1] << 8)); }
static inline void wr16(unsigned char* p, unsigned short v)
{
	p[0] = (unsigned char)(v & 0xFF);
	p[1] = (unsigned char)(v >> 8);
}

static void flip_colour_block(unsigned char* b)
{
	std::swap(b[4], b[7]);
	std::swap(b[5], b[6]);
	if (TEX_gamma_ramp_on()) nv_gamma_correct(b);
}

int nv_flip_blocks_dxtc1(unsigned char* blocks, int count, int transparent)
{
	for (int i = 0; i < count; ++i) {
		unsigned char* b = blocks + 8 * i;
		if (!transparent && rd16(b) <= rd16(b + 2)) {
			for (int k = 4; k < 8 && !transparent; ++k)
				for (int s = 0; s < 8; s += 2)
					if (((b[k] >> s) & 3) == 3) { transparent = 1; break; }
		}
		flip_colour_block(b);
	}
	return transparent;
}

int nv_flip_blocks_dxtc3(unsigned char* blocks, int count, int)
{
	for (int i = 0; i < count; ++i) {
		unsigned char* b = blocks + 16 * i;
		swap_bytes(b + 0, b + 6, 2);
		swap_bytes(b + 2, b + 4, 2);
		flip_colour_block(b + 8);
	}
	return 0;
}

void nv_flip_dxt5_alpha(unsigned char* b)
{
	unsigned h0 = b[2] | (b[3] << 8) | (b[4] << 16);
	unsigned h1 = b[5] | (b[6] << 8) | (b[7] << 16);
	unsigned n0 = ((h1 & 0xFFF) << 12) | (h1 >> 12);
	unsigned n1 = ((h0 & 0xFFF) << 12) | (h0 >> 12);
	b[2] = n0 & 0xFF; b[3] = (n0 >> 8) & 0xFF; b[4] = (n0 >> 16) & 0xFF;
	b[5] = n1 & 0xFF; b[6] = (n1 >> 8) & 0xFF; b[7] = (n1 >> 16) & 0xFF;
}

int nv_flip_blocks_dxtc5(unsigned char* blocks, int count, int)
{
	for (int i = 0; i < count; ++i) {
		unsigned char* b = blocks + 16 * i;
		nv_flip_dxt5_alpha(b);
		flip_colour_block(b + 8);
	}
	return 0;
}

static unsigned short gamma_565(unsigned short c)
{
	const unsigned char* ramp = TEX_gamma_ramp();
	int r5 = c >> 11, g6 = (c >> 5) & 63, b5 = c & 31;
	int r8 = ramp[r5 * 8 + r5 / 4], g8 = ramp[g6 * 4 + g6 / 16], b8 = ramp[b5 * 8 + b5 / 4];
	return (unsigned short)(((r8 >> 3) << 11) | ((g8 >> 2) << 5) | (b8 >> 3));
}

void nv_gamma_correct(unsigned char* b)
{
	unsigned short c0 = rd16(b), c1 = rd16(b + 2);
	int four = c0 > c1;
	unsigned short m0 = gamma_565(c0), m1 = gamma_565(c1);
	if (four ? (m0 > m1) : (m0 <= m1)) {
		wr16(b, m0);
		wr16(b + 2, m1);
		return;
	}
	if (m0 != m1) {
		wr16(b, m1);
		wr16(b + 2, m0);
	} else {
		unsigned short n0 = m1, n1 = m1;
		if (m1 == 0xFFFF) n1 = 0xFFDF;
		else IncColor565(n0);
		wr16(b, n0);
		wr16(b + 2, n1);
	}
	for (int k = 4; k < 8; ++k) {
		unsigned char v = b[k], out = 0;
		for (int s = 0; s < 8; s += 2) {
			int idx = (v >> s) & 3;
			if (four) idx ^= 1;
			else if (idx < 2) idx ^= 1;
			out |= (unsigned char)(idx << s);
		}
		b[k] = out;
	}
}

int TEX_flip_y(const TEX_image_desc& desc, unsigned char* pixels)
{
	int f = desc.format;
	bool plain = (f == TEX_ALPHA || f == TEX_RGB || f == TEX_RGBA || f == TEX_BGR || f == TEX_BGRA);
	bool dxt = (f == TEX_DXT1_RGB || f == TEX_DXT1_RGBA || f == TEX_DXT3 || f == TEX_DXT5);
	if (!plain && !dxt) {
		APL_alert("Illegal format!", "", "", "", t_exit);
		return 0;
	}
	if (desc.width <= 0 || desc.height <= 0) return 0;
	int w = desc.width, h = desc.height, transparent = 0;
	unsigned char* level = pixels;
	for (;;) {
		TEX_image_desc one = {f, w, h, desc.pad, 0};
		int bytes = TEX_bytes_needed_for_image(one);
		if (plain) {
			int row = bytes / h;
			for (int i = 0; i < h / 2; ++i) swap_bytes(level + i * row, level + (h - 1 - i) * row, row);
		} else {
			int bsize = (f == TEX_DXT1_RGB || f == TEX_DXT1_RGBA) ? 8 : 16;
			int per_row = w / 4, rows = h / 4, row = per_row * bsize;
			auto flip_row = [&](unsigned char* p) {
				if (bsize == 8) transparent = nv_flip_blocks_dxtc1(p, per_row, transparent);
				else if (f == TEX_DXT3) nv_flip_blocks_dxtc3(p, per_row, transparent);
				else nv_flip_blocks_dxtc5(p, per_row, transparent);
			};
			for (int i = 0; i < rows / 2; ++i) {
				unsigned char* a = level + i * row;
				unsigned char* b = level + (rows - 1 - i) * row;
				flip_row(a);
				flip_row(b);
				swap_bytes(a, b, row);
			}
			if (rows & 1) flip_row(level + (rows / 2) * row);
		}
		level += bytes;
		if ((w == 1 && h == 1) || !desc.has_mipmaps) break;
		if (w >= 2) w /= 2;
		if (h > 1) h /= 2;
	}
	return transparent;
}

static int ceil_log2(int v)
{
	int n = 0;
	while ((1 << n) < v) ++n;
	return n;
}

void TEX_downscale(TEX_image_desc& desc, unsigned char* pixels, int xf, int yf)
{
	if (xf < 1 || yf < 1 || desc.width <= 0 || desc.height <= 0) return;
	int bpp = 1;
	if (desc.format == TEX_RGBA || desc.format == TEX_BGRA) bpp = 4;
	else if (desc.format == TEX_RGB || desc.format == TEX_BGR) bpp = 3;
	int nw = desc.width / xf, nh = desc.height / yf;
	int shift = ceil_log2(xf) + ceil_log2(yf);
	long src_row = (long)bpp * desc.width + desc.pad;
	long dst_row = (long)bpp * nw + desc.pad;
	for (int y = 0; y < nh; ++y)
		for (int x = 0; x < nw; ++x)
			for (int c = 0; c < bpp; ++c) {
				unsigned sum = 0;
				for (int j = 0; j < yf; ++j) {
					const unsigned char* s = pixels + (long)(y * yf + j) * src_row + (long)x * xf * bpp + c;
					for (int i = 0; i < xf; ++i) sum += s[i * bpp];
				}
				pixels[y * dst_row + (long)x * bpp + c] = (unsigned char)(sum >> shift);
			}
	desc.width = nw;
	desc.height = nh;
}

void TEX_clean_edge(const TEX_image_desc& desc, unsigned char* p)
{
	int w = desc.width, h = desc.height;
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x) {
			unsigned char* px = p + 4L * (y * (long)w + x);
			if (px[3] != 0) continue;
			int n = 0, r = 0, g = 0, b = 0;
			for (int j = y - 2; j <= y + 2; ++j) {
				if (j < 0 || j >= h) continue;
				for (int i = x - 2; i <= x + 2; ++i) {
					if (i < 0 || i >= w) continue;
					const unsigned char* q = p + 4L * (j * (long)w + i);
					if (q[3] == 0) continue;
					r += q[0]; g += q[1]; b += q[2]; ++n;
				}
			}
			if (n) {
				px[0] = (unsigned char)(r / n);
				px[1] = (unsigned char)(g / n);
				px[2] = (unsigned char)(b / n);
			}
		}
}

void TEX_zap_alpha(const TEX_image_desc& desc, unsigned char* p)
{
	long row = 4L * desc.width + desc.pad;
	for (int y = 0; y < desc.height; ++y)
		for (int x = 0; x < desc.width; ++x) {
			unsigned char* px = p + y * row + 4L * x;
			if (px[3] == 0) px[0] = px[1] = px[2] = 0;
		}
}

void TEX_chroma_key(const TEX_image_desc& desc, unsigned char* p, const unsigned char key[3], int tolerance)
{
	long row = 4L * desc.width + desc.pad;
	for (int y = 0; y < desc.height; ++y)
		for (int x = 0; x < desc.width; ++x) {
			unsigned char* px = p + y * row + 4L * x;
			int d = std::abs(px[0] - key[0]) + std::abs(px[1] - key[1]) + std::abs(px[2] - key[2]);
			if (d < tolerance) px[3] = 0;
		}
}

void TEX_copy(const TEX_image_desc& sd, const TEX_image_desc& dd, const unsigned char* src, unsigned char* dst,
              int x, int y)
{
	int bpp = (sd.format == TEX_RGBA) ? 4 : 3;
	long srow = (long)bpp * sd.width + sd.pad;
	long drow = (long)bpp * dd.width + dd.pad;
	for (int j = 0; j < sd.height; ++j)
		memcpy(dst + (long)(y + j) * drow + (long)x * bpp, src + j * srow, (size_t)bpp * sd.width);
}

void TEX_composite(const TEX_image_desc& sd, const TEX_image_desc& dd, const unsigned char* src, unsigned char* dst,
                   float x1, float y1, float x2, float y2)
{
	int sb = (sd.format == TEX_RGBA) ? 4 : 3;
	int db = (dd.format == TEX_RGBA) ? 4 : 3;
	long srow = (long)sb * sd.width + sd.pad;
	long drow = (long)db * dd.width + dd.pad;
	int cx0 = std::max((int)floorf(x1), 0), cx1 = std::min((int)ceilf(x2), dd.width);
	int cy0 = std::max((int)floorf(y1), 0), cy1 = std::min((int)ceilf(y2), dd.height);
	for (int y = cy0; y < cy1; ++y)
		for (int x = cx0; x < cx1; ++x) {
			float sx = (x1 == x2) ? sd.width / 2.0f : sd.width / (x2 - x1) * (x - x1);
			float sy = (y1 == y2) ? sd.height / 2.0f : sd.height / (y2 - y1) * (y - y1);
			int ix = (int)floorf(sx), iy = (int)floorf(sy);
			float fx = sx - ix, fy = sy - iy;
			int tx[4] = {ix, ix + 1, ix, ix + 1}, ty[4] = {iy, iy, iy + 1, iy + 1};
			float wt[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
			const unsigned char* tap[4];
			for (int k = 0; k < 4; ++k) {
				if (tx[k] < 0 || ty[k] < 0 || tx[k] >= sd.width || ty[k] >= sd.height) {
					wt[k] = 0;
					tap[k] = nullptr;
				} else
					tap[k] = src + ty[k] * srow + (long)tx[k] * sb;
			}
			unsigned char* d = dst + y * drow + (long)x * db;
			if (db == 4) {
				float a = d[3];
				for (int k = 0; k < 4; ++k)
					if (tap[k]) a += wt[k] * (sb == 4 ? tap[k][3] : 255.0f);
				d[3] = (unsigned char)std::min(std::max(a, 0.0f), 255.0f);
			}
			if (sb == 4)
				for (int k = 0; k < 4; ++k)
					if (tap[k]) wt[k] *= tap[k][3] / 255.0f;
			float wsum = wt[0] + wt[1] + wt[2] + wt[3];
			for (int c = 0; c < 3; ++c) {
				float v = d[c] * (1 - wsum);
				for (int k = 0; k < 4; ++k)
					if (tap[k]) v += wt[k] * tap[k][c];
				d[c] = (unsigned char)v;
			}
		}
}

int IncColor565(unsigned short& c)
{
	int r = c >> 11, g = (c >> 5) & 63, b = c & 31;
	if (g < 63) ++g;
	else if (b < 31) ++b;
	else if (r < 31) ++r;
	else return 0;
	c = (unsigned short)((r << 11) | (g << 5) | b);
	return 1;
}

int DecColor565(unsigned short& c)
{
	int r = c >> 11, g = (c >> 5) & 63, b = c & 31;
	if (g > 0) --g;
	else if (b > 0) --b;
	else if (r > 0) { --r; g = 0; b = 0; }
	else return 0;
	c = (unsigned short)((r << 11) | (g << 5) | b);
	return 1;
}
