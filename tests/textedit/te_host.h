// A text host of its own for the edit engine: monospaced (6 units a character, line
// breaks 0), line height 10, a visible box that scrolls, and a log of what was drawn.
#ifndef TE_HOST_H
#define TE_HOST_H
#include "textedit.h"
#include "hl_utf.h"
#include <string>
#include <vector>

struct te_host {
	std::string text;
	float vis[4] = {0, 0, 60, 30};	// left, bottom, right, top
	float sx = 0, sy = 0;		// scroll
	float logical_h = 0;
	int   scrolls = 0;
	float extra_w = 0;		// logical width beyond the visible box
	int   bad_fit = 0;		// 1: the fit callback answers nonsense
	std::vector<std::string> drawn;	// text of each DrawString
	std::vector<std::vector<float>> boxes;	// DrawSelection boxes
	OGLE_Rec* ed = nullptr;

	te_host(const std::string& t = "", float w = 60);
	~te_host() { OGLE_Destroy(ed); }
	void key(char k, int shift = 0) { OGLE_Key(ed, k, shift); }
	void type(const std::string& s) { for (char c : s) OGLE_Key(ed, c, 0); }
	void utf8(const std::string& s) { OGLE_Key_MBCS(ed, (int)s.size(), s.data(), 0); }
	int  sel_s() { int s; OGLE_GetSelection(ed, &s, nullptr); return s; }
	int  sel_e() { int e; OGLE_GetSelection(ed, nullptr, &e); return e; }
	const std::vector<int>& lines() { return ed->line_starts; }
	// the point at the middle of character column col of line row
	float col_x(int col) { float lb[4]; logical(lb); return lb[0] + 6 * col + 1; }
	float row_y(int row) { float lb[4]; logical(lb); return lb[3] - 10 * row - 5; }
	void logical(float lb[4]) { lb[0] = vis[0] - sx; lb[2] = lb[0] + (vis[2] - vis[0]) + extra_w; lb[3] = vis[3] + sy; lb[1] = lb[3] - logical_h; }
};

te_host* te_of(OGLE_Rec* r);
#endif
