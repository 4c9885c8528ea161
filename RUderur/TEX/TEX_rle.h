#ifndef TEX_RLE_H
#define TEX_RLE_H
// Run-length packing of 32-bit RGBA pictures held in memory, cut into tile
// columns so that one column of tiles decodes without the others.
// The stream is a run of native-order int32 words: N > 0 then N pixel words
// (literal), N < 0 then one word standing for -N pixels (repeat), 0 the end
// (every pixel after it is 0). Rows run bottom-up, tile columns left to right,
// and no item crosses a tile column.
#include "TEX_image.h"
#include <cstddef>
#include <cstdint>

// Packs `desc` (4-byte pixels) into `row_pixels` / `tile` tile columns per row.
// `out` becomes a malloc block (freed by the caller); returns its size in bytes.
size_t TEX_pack_image_rle(const TEX_image_desc& desc, const unsigned char* pixels, int row_pixels, int rows_wanted,
                          int tile, unsigned char*& out);

// The decoders take the stream's size and never read past it: a stream that
// stops short, or an item that claims more words than are left, reads as the
// end word from there on. Output is rows x width words, rows contiguous.
void TEX_unpack_image_rle(const unsigned char* stream, size_t stream_bytes, int skip_before, int skip_after,
                          int width, int rows, unsigned char* out);
void TEX_unpack_composite_rle(const unsigned char* stream, size_t stream_bytes, int skip_before, int skip_after,
                              int width, int rows, unsigned char* pixels, int opacity);
void TEX_unpack_multi_mix_rle(const unsigned char* colour, size_t colour_bytes, const unsigned char* control,
                              size_t control_bytes, int skip_before, int skip_after, int width, int rows,
                              unsigned char* out, const int* M0, const int* M1, const int* M2, const int* M3,
                              const int* B);

// A position inside a stream, inside its current item.
struct TEX_rle_cursor {
	const unsigned char* pos = nullptr;	// next word to read
	const unsigned char* end = nullptr;
	long long            left = 0;		// pixels left in the current item
	int                  repeat = 0;	// current item is a repeat of `value`
	uint32_t             value = 0;
	int                  at_end = 0;	// the end word was met (or the stream ran out)
};
void TEX_rle_start(TEX_rle_cursor& c, const unsigned char* stream, size_t stream_bytes);
// Steps over up to n pixels; returns how many (fewer only at the end).
int  TEX_rle_skip(TEX_rle_cursor& c, int n);

// Decodes `width` pixels of both streams in step into out; 1 when the colour
// stream's end was met (the rest of the row is then 0).
int unpack_mix(TEX_rle_cursor& colour, TEX_rle_cursor& control, int* out, int width, const int* M0, const int* M1,
               const int* M2, const int* M3, const int* B);
// Weights (1/256 units, 0..256) of one control word; returns the fourth.
int unpack_and_mix(int control, const int* M0, const int* M1, const int* M2, const int* M3, const int* B,
                   int* weights);

// Interleaves four byte planes (any may be null: 0) into RGBA pixels.
void TEX_pack_rgba(const unsigned char* r, const unsigned char* g, const unsigned char* b, const unsigned char* a,
                   int count, unsigned char* out);

#endif
