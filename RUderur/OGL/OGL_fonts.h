#ifndef OGL_FONTS_H
#define OGL_FONTS_H
// The two faces of the interface, rasterised on demand into an 8-bit coverage
// atlas that is uploaded as one alpha texture; measuring, fitting and drawing
// of UTF-8 text, and the placement rules screens and widgets call.
#include "xmap.h"
#include <string>
#include <unordered_map>

typedef int charset_t;	// 0 regular, 1 bold, 2 both (reset only)

enum { font_atlas_w = 1024, font_tex_regular = 411, font_tex_bold = 412 };
// Wrapped lines are this many units apart.
enum { font_line_pitch = 10 };

struct OGL_glyph {
	unsigned code;
	int      left, top;		// atlas column and row of the top-left corner
	int      right, bottom;	// left + bitmap width, top + bitmap rows
	float    x_bearing;
	float    y_offset;		// bottom of the glyph relative to the baseline
	float    advance;
	int      error;		// FreeType's error code, or 0
};

class OGL_font_info {
public:
	int   tex_ref;
	int   rows;		// allocated atlas height; the width is always 1024
	int   dirty;
	int   pen_x;
	int   shelf_y;
	int   shelf_h;
	float line_height, descent, ascent;
	std::unordered_map<unsigned, OGL_glyph> glyphs;
	unsigned char*      atlas;	// rows x 1024, row 0 first (top)
	struct FT_FaceRec_* face;
	xmap_class          file;
	int   restarts;		// times the atlas was emptied because it was full
	int   cap_row;		// the top row of the capitals, counted from the baseline's row 0

	explicit OGL_font_info(int tex_ref);
	~OGL_font_info();
	OGL_font_info(const OGL_font_info&) = delete;
	OGL_font_info& operator=(const OGL_font_info&) = delete;

	void  clear(const std::string& path, float size);
	float require_char(unsigned code);
	// Emits the glyph's quad with its baseline origin at (x, y), less cut_top
	// rows at its top and cut_bottom at its bottom; returns the advance.
	float draw_char(unsigned code, float x, float y, int cut_top = 0, int cut_bottom = 0);
	void  sync_tex();
};

// Where a glyph's bitmap goes for a pen at (x, y): its lower-left corner and size.
void OGL_glyph_place(const OGL_glyph& g, float x, float y, float* x0, float* y0, float* w, float* h);

extern OGL_font_info* sFont[2];
extern const char* const fnames[2];
extern const float fsizes[2];

// The face of a charset, made on first use.
OGL_font_info* OGL_font_get(charset_t cs);

// UTF-8 over [p, end): one character is a lead byte and the continuation bytes
// its lead asks for. A stray continuation byte, a lead beyond 0xF7 or a
// sequence cut short (by end or by a byte that is not a continuation) is code
// point 0. Never reads at or past end; p must be below end.
unsigned OGL_utf8_decode(const unsigned char* p, const unsigned char* end, const unsigned char** next);
// The start of the character that ends at p (begin < p), as a forward walk sees it.
const unsigned char* OGL_utf8_prev(const unsigned char* begin, const unsigned char* p);

// Copies a coverage bitmap whose rows are `pitch` bytes apart (negative:
// stored bottom-up) through the brightening curve; mono bitmaps are 1 bit a pixel.
void OGL_font_copy_bitmap(unsigned char* dst, int dst_pitch, const unsigned char* src, int pitch, int w, int h,
                          int mono);

void  OGL_font_reset(charset_t cs);
float OGL_measure_char(unsigned code, charset_t cs);
float OGL_measure_string(const std::string& s, charset_t cs);
float OGL_measure_range(const unsigned char* begin, const unsigned char* end, charset_t cs);
const unsigned char* OGL_fit_forward(const unsigned char* begin, const unsigned char* end, float width, charset_t cs);
const unsigned char* OGL_fit_reverse(const unsigned char* begin, const unsigned char* end, float width, charset_t cs);
// s as one line of at most `width` units: whole when it fits, else its end
// (a path's file name) behind "...", cut at a whole character.
std::string OGL_fit_tail(const std::string& s, float width, charset_t cs);
float OGL_font_string(int colour, float x, float y, const std::string& s, float width, charset_t cs, int align,
                      int fixed_advance);

// Placement: the first baseline is one unit below y; align 0 left, 1 centred,
// 2 right; width 9999 is one line, smaller widths wrap at blanks 10 units apart.
float str_dx(const std::string& s);
float OGL_string(int colour, float x, float y, const std::string& s, float width, charset_t cs, int align);
void  OGL_gray_string(int colour, float x, float y, std::string s);
// A value in a framed box centred on x, the label's two parts either side.
void  OGL_boxed_string(float x, float y, const std::string& label, const std::string& value, charset_t cs, int colour);
int   OGL_strtex(charset_t cs, int colour, float* s1, float* t1, float* s2, float* t2);
void  OGL_char(int colour, float x, float y, float s1, float t1, float s2, float t2, int code, charset_t cs);
void  OGL_number(int colour, float x, float y, float value, int digits, int decimals, charset_t cs);
// The text the regular face draws for OGL_number.
std::string OGL_number_text(float value, int digits, int decimals);

#endif
