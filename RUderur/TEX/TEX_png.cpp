// PNG decoding from memory and encoding to a file, through libpng.
// Nothing in a file's header is trusted: sizes are checked against the limits
// and the caller's block before a single row is decoded.
#include "TEX_image.h"
#include "TEX_layout.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include <png.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
struct png_src {
	const unsigned char* cursor;
	const unsigned char* end;
	const std::string*   path;
};
}

static void my_error(png_structp png, png_const_charp msg)
{
	const std::string* path = (const std::string*)png_get_error_ptr(png);
	// A broken file fails its load; the caller's fail mode decides what follows.
	xer << "PNG error! " << (msg ? msg : "") << ", " << (path ? *path : std::string()) << "\n";
	xer.flush();
	png_longjmp(png, 1);
}

static void my_warning(png_structp png, png_const_charp msg)
{
	const std::string* path = (const std::string*)png_get_error_ptr(png);
	xer << "PNG warning! " << (msg ? msg : "") << ", " << (path ? *path : std::string()) << "\n";
}

// Our own pixel block is allocated apart; what the library asks for itself is
// rows, tables and chunks, none of them near this. A chunk that declares more
// (a few hundred bytes of file claiming 2 GB of text) fails as out of memory.
static const png_alloc_size_t png_library_alloc_max = png_alloc_size_t(64) << 20;
static png_voidp my_malloc(png_structp, png_alloc_size_t n) { return n > png_library_alloc_max ? nullptr : malloc(n); }
static void      my_free(png_structp, png_voidp p) { free(p); }

static void my_readbuf(png_structp png, png_bytep out, png_size_t len)
{
	png_src* src = (png_src*)png_get_io_ptr(png);
	if (len > (png_size_t)(src->end - src->cursor)) {
		png_error(png, "PNG Read Error, overran end of buffer!");
		return;
	}
	memcpy(out, src->cursor, len);
	src->cursor += len;
}

struct png_cleanup {
	unsigned char* owned;	// a block we allocated, freed if libpng bails out
	png_bytep*     rows;
};

// Runs under the caller's error jump; what it allocates is recorded in clean.
static int png_decode(png_structp png, png_infop info, png_src& src, png_cleanup& clean, const std::string& path,
                      unsigned char*& pixels, unsigned long format, int row_width, int power_of_two,
                      int follow_file_alpha, TEX_image_desc& desc, long capacity)
{
	png_set_user_limits(png, TEX_MAX_DIM, TEX_MAX_DIM);
	png_set_chunk_malloc_max(png, 64 * 1024 * 1024);
	png_set_interlace_handling(png);
	png_set_read_fn(png, &src, my_readbuf);
	png_set_sig_bytes(png, 8);
	png_read_info(png, info);

	png_uint_32 w = 0, h = 0;
	int depth = 0, ctype = 0, interlace = 0;
	png_get_IHDR(png, info, &w, &h, &depth, &ctype, &interlace, nullptr, nullptr);

	double file_gamma = 0;
	if (!png_get_gAMA(png, info, &file_gamma)) file_gamma = 1.0 / TEX_gamma_image_default();
	png_set_gamma(png, TEX_gamma_screen(), file_gamma);

	bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
	if ((ctype == PNG_COLOR_TYPE_PALETTE && depth <= 8) || (ctype == PNG_COLOR_TYPE_GRAY && depth < 8) || trns)
		png_set_expand(png);
	if (depth == 16) png_set_strip_16(png);
	if (depth < 8) png_set_packing(png);

	bool has_alpha = (ctype & PNG_COLOR_MASK_ALPHA) || trns;
	if (follow_file_alpha) {
		if (format == TEX_RGB && has_alpha) format = TEX_RGBA;
		else if (format == TEX_RGBA && !has_alpha) format = TEX_RGB;
	}
	if (!has_alpha && format == TEX_RGBA) png_set_filler(png, 255, PNG_FILLER_AFTER);
	if (has_alpha && format != TEX_RGBA) png_set_strip_alpha(png);
	bool grey = (ctype & PNG_COLOR_MASK_COLOR) == 0;
	if (grey && format != TEX_ALPHA) png_set_gray_to_rgb(png);
	if (!grey && format == TEX_ALPHA) png_set_rgb_to_gray(png, 1, -1, -1);

	int bpp = 3;
	if (format == TEX_RGBA) bpp = 4;
	else if (format == TEX_ALPHA) bpp = 1;
	else if (format != TEX_RGB) APL_alert("Illegal bits per pixel", "", "", "", t_exit);

	desc.format = (int)format;
	desc.width = (int)w;
	desc.height = (int)h;
	desc.has_mipmaps = 0;
	TEX_layout lay;
	if (!TEX_plan_layout(path, bpp, (int)w, (int)h, row_width, power_of_two, pixels != nullptr, capacity, desc,
	                     lay))
		return 0;

	png_read_update_info(png, info);
	// The transforms must have brought every row to the layout we planned.
	if (png_get_rowbytes(png, info) != (png_size_t)bpp * w) {
		xer << "PNG error! unexpected row size, " << path << "\n";
		return 0;
	}
	if (!pixels) {
		clean.owned = (unsigned char*)malloc(lay.bytes);
		if (!clean.owned) return 0;
		pixels = clean.owned;
	}
	if (lay.clear) memset(pixels, 0, lay.bytes);

	clean.rows = (png_bytep*)malloc(sizeof(png_bytep) * h);
	if (!clean.rows) png_error(png, "out of memory");
	for (png_uint_32 j = 0; j < h; ++j) clean.rows[j] = pixels + (size_t)(h - 1 - j) * lay.stride;
	png_read_image(png, clean.rows);
	free(clean.rows);
	clean.rows = nullptr;
	clean.owned = nullptr;
	return 1;
}


int TEX_load_png_mem(const std::string& path, const unsigned char* begin, const unsigned char* end,
                     unsigned char*& pixels, unsigned long format, int row_width, int power_of_two,
                     int follow_file_alpha, TEX_image_desc& desc, long capacity)
{
	if (!begin || !end || end - begin <= 7) return 0;
	if (png_sig_cmp((png_const_bytep)begin, 0, 8)) {
		xer << "PNG error! not a PNG file, " << path << "\n";
		return 0;
	}
	png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, (png_voidp)&path, my_error, my_warning,
	                                           nullptr, my_malloc, my_free);
	if (!png) {
		APL_alert("PING-FILE ERROR!", "!png_ptr", path, "", t_exit);
		return 0;
	}
	png_infop info = png_create_info_struct(png);
	if (!info) {
		png_destroy_read_struct(&png, nullptr, nullptr);
		APL_alert("PING-FILE ERROR!", "!info_ptr", path, "", t_exit);
		return 0;
	}

	png_src src = {begin + 8, end, &path};
	// Outlives the error jump unchanged: what the decoder allocated is found here.
	static thread_local png_cleanup clean;
	clean = {nullptr, nullptr};
	if (setjmp(png_jmpbuf(png))) {
		free(clean.rows);
		if (clean.owned) {
			free(clean.owned);
			pixels = nullptr;
		}
		png_destroy_read_struct(&png, &info, nullptr);
		return 0;
	}
	int ok = png_decode(png, info, src, clean, path, pixels, format, row_width, power_of_two, follow_file_alpha,
	                    desc, capacity);
	png_destroy_read_struct(&png, &info, nullptr);
	return ok;
}

static void write_error(png_structp png, png_const_charp msg)
{
	const std::string* path = (const std::string*)png_get_error_ptr(png);
	xer << "PNG error! " << (msg ? msg : "") << ", " << (path ? *path : std::string()) << "\n";
	png_longjmp(png, 1);
}

static void png_encode(png_structp png, png_infop info, FILE* f, const TEX_image_desc& desc,
                       const unsigned char* pixels, png_bytep** rows_out)
{
	int bpp = desc.format == TEX_RGBA ? 4 : (desc.format == TEX_RGB ? 3 : 1);
	png_init_io(png, f);
	png_set_filter(png, 0, PNG_FILTER_NONE);
	png_set_compression_level(png, 9);
	png_set_compression_mem_level(png, 8);
	png_set_compression_strategy(png, 0);
	png_set_compression_window_bits(png, 15);
	png_set_compression_method(png, 8);
	png_set_compression_buffer_size(png, 8192);
	// No gAMA chunk: the bytes are the colours, for our reader and every other viewer.
	int ctype = bpp == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : (bpp == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY);
	png_set_IHDR(png, info, desc.width, desc.height, 8, ctype, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
	             PNG_FILTER_TYPE_DEFAULT);
	png_bytep* rows = (png_bytep*)malloc(sizeof(png_bytep) * desc.height);
	*rows_out = rows;
	if (!rows) png_error(png, "out of memory");
	size_t stride = (size_t)bpp * desc.width + desc.pad;
	for (int r = 0; r < desc.height; ++r) rows[r] = (png_bytep)(pixels + (size_t)(desc.height - 1 - r) * stride);
	png_set_rows(png, info, rows);
	png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
}

bool TEX_write_png(FILE* f, const std::string& name, const TEX_image_desc& desc, const unsigned char* pixels)
{
	if (desc.format != TEX_RGB && desc.format != TEX_RGBA && desc.format != TEX_ALPHA)
		APL_alert("Illegal pixel format for png-write.", name, "", "", t_exit);
	if (!f || desc.width <= 0 || desc.height <= 0 || !pixels) return false;
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, (png_voidp)&name, write_error, my_warning);
	png_infop info = png ? png_create_info_struct(png) : nullptr;
	if (!png || !info) {
		png_destroy_write_struct(&png, &info);
		return false;
	}
	static thread_local png_bytep* rows;	// outlives the error jump
	rows = nullptr;
	if (setjmp(png_jmpbuf(png))) {
		free(rows);
		png_destroy_write_struct(&png, &info);
		return false;
	}
	png_encode(png, info, f, desc, pixels, &rows);
	free(rows);
	png_destroy_write_struct(&png, &info);
	return true;
}

bool TEX_save_png(const std::string& path, const TEX_image_desc& desc, const unsigned char* pixels)
{
	if (desc.format != TEX_RGB && desc.format != TEX_RGBA && desc.format != TEX_ALPHA)
		APL_alert("Illegal pixel format for png-write.", path, "", "", t_exit);
	if (desc.width <= 0 || desc.height <= 0 || !pixels) return false;

	FILE* f = fopen(path.c_str(), "wb");
	if (!f) return false;
	bool ok = TEX_write_png(f, path, desc, pixels);
	return fclose(f) == 0 && ok;
}

bool write_png_to_disk(std::string path, int width, int height, int channels)
{
	TEX_image_desc d = {channels == 4 ? TEX_RGBA : TEX_RGB, width, height, 0, 0};
	return TEX_save_png(path, d, scratch_array);
}
