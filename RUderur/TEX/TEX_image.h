#ifndef TEX_IMAGE_H
#define TEX_IMAGE_H
// Pixel blocks in memory: the description record, the utilities that work on a
// block in place, and the PNG, BMP and DDS codecs. Rows run bottom-up.
#include <cstddef>
#include <cstdio>
#include <string>

class xmap_class;

// Pixel formats, as the GL enum values (kept here so the codecs need no GL header).
enum {
	TEX_DEPTH          = 6402,
	TEX_ALPHA          = 6406,
	TEX_RGB            = 6407,
	TEX_RGBA           = 6408,
	TEX_BGR            = 32992,
	TEX_BGRA           = 32993,
	TEX_DEPTH24        = 33191,
	TEX_DXT1_RGB       = 33776,
	TEX_DXT1_RGBA      = 33777,
	TEX_DXT3           = 33778,
	TEX_DXT5           = 33779
};

// No decoder accepts a side beyond this, whatever the header says.
enum { TEX_MAX_DIM = 8192 };
// The scratch image: one picture of up to 2048 x 2048 x 4 bytes.
enum { TEX_SCRATCH_BYTES = 2048 * 2048 * 4 };

struct TEX_image_desc {
	int format;
	int width;
	int height;
	int pad;		// bytes after every row
	int has_mipmaps;	// the block holds the whole chain down to 1x1
};

enum TEX_s3tc_quality { s3tc_fast = 0, s3tc_normal = 1, s3tc_best = 2 };

// Utilities
int  TEX_bytes_needed_for_image(const TEX_image_desc& desc);
int  TEX_flip_y(const TEX_image_desc& desc, unsigned char* pixels);
void TEX_downscale(TEX_image_desc& desc, unsigned char* pixels, int x_factor, int y_factor);
void TEX_clean_edge(const TEX_image_desc& desc, unsigned char* pixels);
void TEX_zap_alpha(const TEX_image_desc& desc, unsigned char* pixels);
void TEX_chroma_key(const TEX_image_desc& desc, unsigned char* pixels, const unsigned char key[3], int tolerance);
void TEX_copy(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc, const unsigned char* src,
              unsigned char* dst, int x, int y);
void TEX_composite(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc, const unsigned char* src,
                   unsigned char* dst, float x1, float y1, float x2, float y2);
int  DecColor565(unsigned short& c);
int  IncColor565(unsigned short& c);
int  nv_flip_blocks_dxtc1(unsigned char* blocks, int count, int transparent);
int  nv_flip_blocks_dxtc3(unsigned char* blocks, int count, int transparent);
int  nv_flip_blocks_dxtc5(unsigned char* blocks, int count, int transparent);
void nv_flip_dxt5_alpha(unsigned char* block);
void nv_gamma_correct(unsigned char* block);

// Codecs. A decoder allocates with malloc only when handed a null pointer; a
// caller's block holds `capacity` bytes (-1: the scratch image's size).
int  TEX_load_png(const std::string& path, xmap_class* map, unsigned char*& pixels, unsigned long format,
                  int row_width, int power_of_two, int follow_file_alpha, TEX_image_desc& desc);
int  TEX_load_bmp(const std::string& path, xmap_class* map, unsigned char*& pixels, unsigned long format,
                  int row_width, int power_of_two, TEX_image_desc& desc);
int  TEX_load_dds(const std::string& path, xmap_class* map, unsigned char*& pixels, TEX_image_desc& desc);

// The same readers over bytes in memory; the xmap_class forms call these.
int  TEX_load_png_mem(const std::string& path, const unsigned char* begin, const unsigned char* end,
                      unsigned char*& pixels, unsigned long format, int row_width, int power_of_two,
                      int follow_file_alpha, TEX_image_desc& desc, long capacity = -1);
int  TEX_load_bmp_mem(const std::string& path, const unsigned char* begin, const unsigned char* end,
                      unsigned char*& pixels, unsigned long format, int row_width, int power_of_two,
                      TEX_image_desc& desc, long capacity = -1);
int  TEX_load_dds_mem(const std::string& path, const unsigned char* begin, const unsigned char* end,
                      const unsigned char*& pixels, TEX_image_desc& desc);

bool TEX_save_png(const std::string& path, const TEX_image_desc& desc, const unsigned char* pixels);
// The same into an open stream; `name` only names it in the log.
bool TEX_write_png(FILE* f, const std::string& name, const TEX_image_desc& desc, const unsigned char* pixels);
bool write_png_to_disk(std::string path, int width, int height, int channels);
int  TEX_load_any(const std::string& path, unsigned char*& pixels, unsigned long format, int row_width,
                  int follow_file_alpha, TEX_image_desc& desc);
bool TEX_load_any_ext(const std::string& path, unsigned char*& pixels, unsigned long format, int row_width,
                      int follow_file_alpha, TEX_image_desc& desc);

bool TEX_save_dds(const std::string& path, const unsigned char* pixels, const TEX_image_desc& desc);
void TEX_encode_s3tc(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc, const unsigned char* rgba,
                     unsigned char* blocks, TEX_s3tc_quality quality);
void TEX_decode_s3tc(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc, const unsigned char* blocks,
                     unsigned char* rgba);

// The scratch image (16 MiB, 16-byte aligned) and the size of the picture in it.
extern unsigned char* scratch_array;
extern int scratch_dx, scratch_dy;

// Gamma settings of the colour table, as the codecs read them.
double               TEX_gamma_screen();
double               TEX_gamma_image_default();
int                  TEX_gamma_ramp_on();
const unsigned char* TEX_gamma_ramp();

#endif
