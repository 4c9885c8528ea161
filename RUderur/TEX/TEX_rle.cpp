// Run-length packing of RGBA pictures in tile columns. Decoders walk a
// cursor that keeps its place inside an item, so a stream that is short or
// claims too much stops as if it had met its end word.
#include "TEX_rle.h"
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

static inline uint32_t load_word(const unsigned char* p)
{
	uint32_t v;
	memcpy(&v, p, 4);
	return v;
}

static inline void fill_words(unsigned char* out, uint32_t v, long long n)
{
	if (v == 0) {
		memset(out, 0, (size_t)n * 4);
		return;
	}
	for (long long i = 0; i < n; ++i) memcpy(out + i * 4, &v, 4);
}

// ---------------------------------------------------------------- packing

size_t TEX_pack_image_rle(const TEX_image_desc& desc, const unsigned char* pixels, int row_pixels, int rows_wanted,
                          int tile, unsigned char*& out)
{
	std::vector<int32_t> s;
	const int cols = (tile > 0 && row_pixels > 0) ? row_pixels / tile : 0;
	const int width = std::max(desc.width, 0);
	const int height = pixels ? std::max(desc.height, 0) : 0;
	const size_t stride = (size_t)width * 4 + (size_t)std::max(desc.pad, 0);
	s.reserve((size_t)height * cols * 8 + 1);
	std::vector<uint32_t> w((size_t)std::max(tile, 0));

	for (int y = 0; y < height; ++y) {
		const unsigned char* row = pixels + stride * y;
		for (int col = 0; col < cols; ++col) {
			const long long start = (long long)col * tile;
			const int real = (int)std::min<long long>(std::max<long long>(width - start, 0), tile);
			for (int i = 0; i < real; ++i) w[i] = load_word(row + (start + i) * 4);
			int i = 0;
			while (i < real) {
				int j = i;
				while (j + 2 < real && !(w[j] == w[j + 1] && w[j + 1] == w[j + 2])) ++j;
				if (j + 2 >= real) {	// no run of three left: the rest is one literal
					s.push_back(real - i);
					s.insert(s.end(), w.begin() + i, w.begin() + real);
					break;
				}
				if (j > i) {
					s.push_back(j - i);
					s.insert(s.end(), w.begin() + i, w.begin() + j);
				}
				int k = j + 3;
				while (k < real && w[k] == w[j]) ++k;
				s.push_back(-(k - j));
				s.push_back((int32_t)w[j]);
				i = k;
			}
			if (real < tile) {
				s.push_back(-(tile - real));
				s.push_back(0);
			}
		}
	}
	if (height < rows_wanted) s.push_back(0);

	size_t bytes = s.size() * 4;
	out = (unsigned char*)malloc(std::max<size_t>(bytes, 4));
	if (out && bytes) memcpy(out, s.data(), bytes);
	return out ? bytes : 0;
}

// ---------------------------------------------------------------- cursor

void TEX_rle_start(TEX_rle_cursor& c, const unsigned char* stream, size_t stream_bytes)
{
	c = TEX_rle_cursor();
	c.pos = stream;
	c.end = stream ? stream + (stream_bytes & ~(size_t)3) : nullptr;
	if (!stream) c.at_end = 1;
}

// Opens the next item; false at the end word or where the stream runs out.
static bool next_item(TEX_rle_cursor& c)
{
	if (c.at_end) return false;
	if (c.end - c.pos < 4) {
		c.at_end = 1;
		return false;
	}
	int32_t n = (int32_t)load_word(c.pos);
	if (n == 0) {	// stays on the end word
		c.at_end = 1;
		return false;
	}
	const long long words_left = (c.end - c.pos) / 4 - 1;
	if (n > 0) {
		if (words_left <= 0) {
			c.at_end = 1;
			return false;
		}
		c.pos += 4;
		c.left = std::min<long long>(n, words_left);
		c.repeat = 0;
	} else {
		if (words_left < 1) {
			c.at_end = 1;
			return false;
		}
		c.value = load_word(c.pos + 4);
		c.pos += 8;
		c.left = -(long long)n;
		c.repeat = 1;
	}
	return true;
}

// Hands up to n pixels to f(literal words or null, repeat word, count) item by
// item; returns how many were handed over.
template <class F>
static int walk(TEX_rle_cursor& c, int n, F f)
{
	int done = 0;
	while (done < n) {
		if (c.left == 0 && !next_item(c)) break;
		int k = (int)std::min<long long>(c.left, n - done);
		if (c.repeat) {
			f(nullptr, c.value, k);
		} else {
			f(c.pos, 0u, k);
			c.pos += (size_t)k * 4;
		}
		c.left -= k;
		done += k;
	}
	return done;
}

int TEX_rle_skip(TEX_rle_cursor& c, int n)
{
	return walk(c, n, [](const unsigned char*, uint32_t, int) {});
}

// ---------------------------------------------------------------- decoders

void TEX_unpack_image_rle(const unsigned char* stream, size_t stream_bytes, int skip_before, int skip_after,
                          int width, int rows, unsigned char* out)
{
	if (width <= 0 || rows <= 0 || !out) return;
	TEX_rle_cursor c;
	TEX_rle_start(c, stream, stream_bytes);
	TEX_rle_skip(c, skip_before);
	for (int y = 0; y < rows; ++y) {
		unsigned char* o = out + (size_t)y * width * 4;
		int got = walk(c, width, [&o](const unsigned char* lit, uint32_t v, int k) {
			if (lit) memcpy(o, lit, (size_t)k * 4);
			else fill_words(o, v, k);
			o += (size_t)k * 4;
		});
		if (got < width) memset(o, 0, (size_t)(width - got) * 4);
		TEX_rle_skip(c, skip_after);
	}
}

static inline uint32_t over(uint32_t d, uint32_t s, int opacity)
{
	uint32_t a = s >> 24;
	uint32_t l = ((uint32_t)opacity * (a + 1)) >> 8, k = 256 - l;
	uint32_t r = 0;
	for (int sh = 0; sh < 24; sh += 8)
		r |= ((((d >> sh) & 255) * k + ((s >> sh) & 255) * l) >> 8) << sh;
	return r | (std::min<uint32_t>(a + (d >> 24), 255) << 24);
}

void TEX_unpack_composite_rle(const unsigned char* stream, size_t stream_bytes, int skip_before, int skip_after,
                              int width, int rows, unsigned char* pixels, int opacity)
{
	if (opacity <= 0 || width <= 0 || rows <= 0 || !pixels) return;
	opacity = std::min(opacity, 256);	// above 256 the weights would pass 1
	TEX_rle_cursor c;
	TEX_rle_start(c, stream, stream_bytes);
	TEX_rle_skip(c, skip_before);
	for (int y = 0; y < rows && !c.at_end; ++y) {
		unsigned char* o = pixels + (size_t)y * width * 4;
		walk(c, width, [&o, opacity](const unsigned char* lit, uint32_t v, int k) {
			for (int i = 0; i < k; ++i, o += 4) {
				uint32_t s = lit ? load_word(lit + (size_t)i * 4) : v;
				if (s <= 0x00FFFFFFu) continue;
				uint32_t d = load_word(o);
				d = over(d, s, opacity);
				memcpy(o, &d, 4);
			}
		});
		TEX_rle_skip(c, skip_after);
	}
}

int unpack_and_mix(int control, const int* M0, const int* M1, const int* M2, const int* M3, const int* B,
                   int* weights)
{
	uint32_t u = (uint32_t)control;
	int c0 = u & 255, c1 = (u >> 8) & 255, c2 = (u >> 16) & 255, c3 = u >> 24;
	for (int k = 0; k < 4; ++k) {
		int w = B[k] + ((c0 * M0[k]) >> 8) + ((c1 * M1[k]) >> 8) + ((c2 * M2[k]) >> 8) + ((c3 * M3[k]) >> 8);
		weights[k] = std::max(0, std::min(w, 256));
	}
	return weights[3];
}

static inline uint32_t mix_one(uint32_t colour, uint32_t control, const int* M0, const int* M1, const int* M2,
                               const int* M3, const int* B)
{
	if (colour == 0) return 0;
	int w[4];
	unpack_and_mix((int)control, M0, M1, M2, M3, B, w);
	uint32_t r = 0;
	for (int k = 0; k < 4; ++k) r |= ((((colour >> (8 * k)) & 255) * (uint32_t)w[k]) >> 8) << (8 * k);
	return r;
}

int unpack_mix(TEX_rle_cursor& colour, TEX_rle_cursor& control, int* out, int width, const int* M0, const int* M1,
               const int* M2, const int* M3, const int* B)
{
	int i = 0;
	while (i < width) {
		if (colour.left == 0 && !next_item(colour)) {
			std::fill(out + i, out + width, 0);
			return 1;
		}
		// A control stream that ends early reads as control word 0.
		bool ctl = control.left > 0 || next_item(control);
		long long n = std::min<long long>(colour.left, width - i);
		if (ctl) n = std::min(n, control.left);
		if (colour.repeat && (!ctl || control.repeat)) {
			uint32_t v = mix_one(colour.value, ctl ? control.value : 0, M0, M1, M2, M3, B);
			std::fill(out + i, out + i + n, (int)v);
		} else {
			for (long long j = 0; j < n; ++j) {
				uint32_t cw = colour.repeat ? colour.value : load_word(colour.pos + j * 4);
				uint32_t kw = !ctl ? 0 : control.repeat ? control.value : load_word(control.pos + j * 4);
				out[i + j] = (int)mix_one(cw, kw, M0, M1, M2, M3, B);
			}
		}
		if (!colour.repeat) colour.pos += n * 4;
		colour.left -= n;
		if (ctl) {
			if (!control.repeat) control.pos += n * 4;
			control.left -= n;
		}
		i += (int)n;
	}
	return 0;
}

void TEX_unpack_multi_mix_rle(const unsigned char* colour, size_t colour_bytes, const unsigned char* control,
                              size_t control_bytes, int skip_before, int skip_after, int width, int rows,
                              unsigned char* out, const int* M0, const int* M1, const int* M2, const int* M3,
                              const int* B)
{
	if (width <= 0 || rows <= 0 || !out) return;
	TEX_rle_cursor a, b;
	TEX_rle_start(a, colour, colour_bytes);
	TEX_rle_start(b, control, control_bytes);
	TEX_rle_skip(a, skip_before);
	TEX_rle_skip(b, skip_before);
	for (int y = 0; y < rows; ++y) {
		unpack_mix(a, b, (int*)(out + (size_t)y * width * 4), width, M0, M1, M2, M3, B);
		TEX_rle_skip(a, skip_after);
		TEX_rle_skip(b, skip_after);
	}
}

void TEX_pack_rgba(const unsigned char* r, const unsigned char* g, const unsigned char* b, const unsigned char* a,
                   int count, unsigned char* out)
{
	for (int i = 0; i < count; ++i, out += 4) {
		out[0] = r ? r[i] : 0;
		out[1] = g ? g[i] : 0;
		out[2] = b ? b[i] : 0;
		out[3] = a ? a[i] : 0;
	}
}
