#include "textedit.h"
#include <algorithm>
#include <cctype>
#include <cmath>

// Every position the host hands back is clamped to the text, so a careless callback can
// never make the engine read before the start or past the end of it.

static int text_of(OGLE_Rec* r, const char** b, const char** e)
{
	*b = *e = nullptr;
	r->cb.GetText(r, b, e);
	if (!*b || !*e || *e < *b) { static const char empty = 0; *b = *e = &empty; }
	return (int)(*e - *b);
}

static const char* next_char(OGLE_Rec* r, const char* p, const char* e)
{
	if (p >= e) return e;
	const char* q = r->cb.MBCS_Next ? r->cb.MBCS_Next(r, p) : p + 1;
	if (!q || q <= p) q = p + 1;
	return q > e ? e : q;
}

static int next_pos(OGLE_Rec* r, int pos, int len)
{
	int q = r->cb.MBCS_NextPos ? r->cb.MBCS_NextPos(r, pos) : pos + 1;
	return std::min(std::max(q, 0), len);
}

static int prev_pos(OGLE_Rec* r, int pos, int len)
{
	int q = r->cb.MBCS_PrevPos ? r->cb.MBCS_PrevPos(r, pos) : pos - 1;
	return std::min(std::max(q, 0), len);
}

static float measure(OGLE_Rec* r, const char* b, const char* e)
{
	return (e > b) ? r->cb.MeasureString(r, b, e) : 0.0f;
}

static float line_height(OGLE_Rec* r)
{
	float h = r->cb.GetLineHeight(r);
	return h > 0.0f ? h : 1.0f;
}

static int clampi(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// A line table is needed by every operation that maps positions to lines.
static void ensure_lines(OGLE_Rec* r)
{
	if (r->line_starts.empty()) OGLE_RepaginateInternal(r, 0, 0);
}

static int line_end(OGLE_Rec* r, int line, int len)
{
	return (line + 1 < (int)r->line_starts.size()) ? r->line_starts[line + 1] : len;
}

// The end of a line's text without its break byte, so no caret lands behind the break
// (that spot belongs to the next line).
static int line_content_end(OGLE_Rec* r, const char* b, int line, int len)
{
	int s = r->line_starts[line], e = line_end(r, line, len);
	if (e > s && (b[e - 1] == '\n' || b[e - 1] == '\r')) --e;
	return e;
}

static int fit_fwd(OGLE_Rec* r, const char* b, int s, int e, float w)
{
	if (e <= s) return s;
	int n = r->cb.FitStringFwd(r, b + s, b + e, w);
	return s + clampi(n, 0, e - s);
}

OGLE_Rec* OGLE_Create(const OGLE_Callbacks* cbs, void* ref)
{
	OGLE_Rec* r = new OGLE_Rec;
	r->cb = *cbs;
	r->ref = ref;
	r->sel_start = r->sel_end = 0;
	r->end_active = 1;
	r->goal_x = -1.0f;
	return r;
}

void OGLE_Destroy(OGLE_Rec* r) { delete r; }

void* OGLE_GetRef(OGLE_Rec* r) { return r->ref; }

void OGLE_GetSelection(OGLE_Rec* r, int* start, int* end)
{
	if (start) *start = r->sel_start;
	if (end) *end = r->sel_end;
}

void OGLE_SetSelection(OGLE_Rec* r, int start, int end)
{
	r->sel_start = start;
	r->sel_end = end;
	OGLE_NormalizeSelectionInternal(r);
}

void OGLE_NormalizeSelectionInternal(OGLE_Rec* r)
{
	if (r->sel_end < r->sel_start) {
		std::swap(r->sel_start, r->sel_end);
		r->end_active = 1 - r->end_active;
	}
	const char *b, *e;
	int len = text_of(r, &b, &e);
	r->sel_start = clampi(r->sel_start, 0, len);
	r->sel_end = clampi(r->sel_end, 0, len);
}

int OGLE_CharPosToLine(OGLE_Rec* r, int pos)
{
	const std::vector<int>& ls = r->line_starts;
	if (ls.empty()) return 0;
	auto it = std::lower_bound(ls.begin(), ls.end(), pos);
	if (it == ls.end()) return (int)ls.size() - 1;
	int i = (int)(it - ls.begin());
	if (*it == pos) return i;
	return i > 0 ? i - 1 : 0;
}

void OGLE_Repaginate(OGLE_Rec* r) { OGLE_RepaginateInternal(r, 0, 0); }

void OGLE_RepaginateInternal(OGLE_Rec* r, int, int)
{
	const char *b, *e;
	text_of(r, &b, &e);
	float lb[4];
	r->cb.GetLogicalBounds(r, lb);
	float wrap = lb[2] - lb[0];
	std::vector<int>& ls = r->line_starts;
	if (ls.empty()) ls.push_back(0);
	ls[0] = 0;

	const char* p = b;
	size_t idx = 0;
	for (;;) {
		const char* q = p;
		float w = 0.0f;
		while (q < e) {
			const char* ws = q;
			while (q < e && *q != '\r' && *q != '\n' && isspace((unsigned char)*q))
				q = next_char(r, q, e);
			if (q > ws) w += measure(r, ws, q);
			if (q >= e) break;
			if (*q == '\n' || *q == '\r') { ++q; break; }
			const char* we = r->cb.WordBreak ? r->cb.WordBreak(r, q, e) : e;
			if (!we || we <= q || we > e) we = next_char(r, q, e);
			float ww = measure(r, q, we);
			if (w + ww > wrap) {
				// A word wider than the box: one character per line, never half of one.
				if (q == p) q = next_char(r, q, e);
				break;
			}
			w += ww;
			q = we;
		}
		p = q;
		++idx;
		if (p >= e) {
			ls.resize(idx);		// nothing stale beyond the text survives
			break;
		}
		if (idx < ls.size()) ls[idx] = (int)(p - b);
		else ls.push_back((int)(p - b));
	}
	if (r->cb.SetLogicalHeight) r->cb.SetLogicalHeight(r, (float)ls.size() * line_height(r));
}

void OGLE_ReplaceText(OGLE_Rec* r, int start, int end, const char* nbegin, const char* nend)
{
	const char *b, *e;
	int len = text_of(r, &b, &e);
	start = clampi(start, 0, len);
	end = clampi(end, 0, len);
	if (end < start) std::swap(start, end);
	int nlen = (nbegin && nend && nend > nbegin) ? (int)(nend - nbegin) : 0;
	int delta = nlen - (end - start);
	if (r->sel_start >= start && r->sel_start < end) {
		r->sel_end += delta;
		if (r->sel_end < r->sel_start)
			r->sel_start = r->sel_end = std::max(r->sel_start + delta, start);
	} else if (r->sel_start >= end) {
		r->sel_start += delta;
		r->sel_end += delta;
	}
	if (nlen) r->cb.ReplaceText(r, start, end, nbegin, nend);
	else      r->cb.ReplaceText(r, start, end, nullptr, nullptr);
	OGLE_RepaginateInternal(r, 0, start);
}

int OGLE_CharPosVerticalAdjust(OGLE_Rec* r, int pos, int direction)
{
	ensure_lines(r);
	const char *b, *e;
	int len = text_of(r, &b, &e);
	pos = clampi(pos, 0, len);
	int line = OGLE_CharPosToLine(r, pos);
	int ls = std::min(r->line_starts[line], pos);
	if (r->goal_x < 0.0f) r->goal_x = measure(r, b + ls, b + pos);
	int target = line + direction;
	if (target < 0) return 0;
	if (target >= (int)r->line_starts.size()) return len;
	return fit_fwd(r, b, r->line_starts[target], line_content_end(r, b, target, len), r->goal_x);
}

int OGLE_CoordToCharPos(OGLE_Rec* r, float x, float y)
{
	ensure_lines(r);
	const char *b, *e;
	int len = text_of(r, &b, &e);
	float lb[4];
	r->cb.GetLogicalBounds(r, lb);
	x = std::min(std::max(x, lb[0]), lb[2]);
	float f = std::floor((lb[3] - y) / line_height(r));
	if (f < 0.0f) return 0;
	if (f >= (float)r->line_starts.size()) return len;
	int line = (int)f;
	return fit_fwd(r, b, r->line_starts[line], line_content_end(r, b, line, len), x - lb[0]);
}

void OGLE_Key(OGLE_Rec* r, char key, int shift)
{
	unsigned char k = (unsigned char)key;
	if (k != 30 && k != 31) r->goal_x = -1.0f;
	ensure_lines(r);
	OGLE_NormalizeSelectionInternal(r);
	const char *b, *e;
	int len = text_of(r, &b, &e);
	int& active = r->end_active ? r->sel_end : r->sel_start;
	int empty = (r->sel_start == r->sel_end);

	switch (k) {
	case 8: {
		int deleted = 0;
		if (!empty) {
			int s = r->sel_start;
			OGLE_ReplaceText(r, r->sel_start, r->sel_end, nullptr, nullptr);
			r->sel_start = r->sel_end = s;
			deleted = 1;
		} else if (r->sel_start > 0) {
			int c = r->sel_start;
			int p = std::min(prev_pos(r, c, len), c - 1);
			OGLE_ReplaceText(r, p, c, nullptr, nullptr);
			r->sel_start = r->sel_end = p;
			deleted = 1;
		}
		r->end_active = 1;
		if (deleted) {
			OGLE_NormalizeSelectionInternal(r);
			OGLE_RevealSelection(r);
		}
		return;
	}
	case 28:
		if (shift) active = prev_pos(r, active, len);
		else if (empty) r->sel_start = r->sel_end = prev_pos(r, r->sel_start, len);
		else r->sel_end = r->sel_start;
		break;
	case 29:
		if (shift) active = next_pos(r, active, len);
		else if (empty) r->sel_start = r->sel_end = next_pos(r, r->sel_end, len);
		else r->sel_start = r->sel_end;
		break;
	case 30:
	case 31: {
		int dir = (k == 30) ? -1 : 1;
		if (shift) active = OGLE_CharPosVerticalAdjust(r, active, dir);
		else if (empty) r->sel_start = r->sel_end = OGLE_CharPosVerticalAdjust(r, r->sel_start, dir);
		else if (dir < 0) r->sel_end = r->sel_start;
		else r->sel_start = r->sel_end;
		break;
	}
	default: {
		char c = (char)k;
		int s = r->sel_start;
		OGLE_ReplaceText(r, r->sel_start, r->sel_end, &c, &c + 1);
		r->sel_start = r->sel_end = s + 1;
		r->end_active = 1;
		break;
	}
	}
	OGLE_NormalizeSelectionInternal(r);
	OGLE_RevealSelection(r);
}

void OGLE_Key_MBCS(OGLE_Rec* r, int count, const char* bytes, int shift)
{
	if (count <= 0 || !bytes) return;
	if (count == 1) { OGLE_Key(r, bytes[0], shift); return; }
	r->goal_x = -1.0f;
	OGLE_NormalizeSelectionInternal(r);
	int s = r->sel_start;
	OGLE_ReplaceText(r, r->sel_start, r->sel_end, bytes, bytes + count);
	r->sel_start = r->sel_end = s + count;
	r->end_active = 1;
	OGLE_NormalizeSelectionInternal(r);
	OGLE_RevealSelection(r);
}

void OGLE_Click(OGLE_Rec* r, float x, float y, int extend)
{
	r->goal_x = -1.0f;
	int hit = OGLE_CoordToCharPos(r, x, y);
	if (!extend) {
		r->sel_start = r->sel_end = hit;
		r->end_active = 1;
	} else if (hit < r->sel_start) {
		r->sel_start = hit;
		r->end_active = 0;
	} else {
		r->sel_end = hit;
		r->end_active = 1;
	}
	OGLE_NormalizeSelectionInternal(r);
	OGLE_RevealSelection(r);
}

void OGLE_Drag(OGLE_Rec* r, float x, float y)
{
	r->goal_x = -1.0f;
	int hit = OGLE_CoordToCharPos(r, x, y);
	if (r->end_active) r->sel_end = hit;
	else r->sel_start = hit;
	OGLE_NormalizeSelectionInternal(r);
	OGLE_RevealSelection(r);
}

// What reveal and draw both need: the laid-out text and the two boxes.
struct te_view {
	const char *b, *e;
	int len;
	float vb[4], lb[4];
	float lh;
};

static void view_of(OGLE_Rec* r, te_view& v)
{
	ensure_lines(r);
	v.len = text_of(r, &v.b, &v.e);
	r->cb.GetVisibleBounds(r, v.vb);
	r->cb.GetLogicalBounds(r, v.lb);
	v.lh = line_height(r);
}

void OGLE_RevealSelection(OGLE_Rec* r)
{
	te_view v;
	view_of(r, v);
	const char* b = v.b;
	int len = v.len;
	float *vb = v.vb, *lb = v.lb, lh = v.lh;
	int active = clampi(r->end_active ? r->sel_end : r->sel_start, 0, len);
	int line = OGLE_CharPosToLine(r, active);
	int ls = std::min(r->line_starts[line], active);
	float x = lb[0] + measure(r, b + ls, b + active);
	float y = lb[3] - (float)(line - r->end_active + 1) * lh;
	float ox = vb[0] - lb[0], oy = vb[1] - lb[1];
	float off[2] = {ox, oy};
	if (vb[0] > x) off[0] = x - lb[0];
	if (x > vb[2]) off[0] = x - lb[0] - (vb[2] - vb[0]);
	if (vb[1] > y) off[1] = y - lb[1];
	if (y > vb[3]) off[1] = y - lb[1] - (vb[3] - vb[1]);
	if ((off[0] != ox || off[1] != oy) && r->cb.ScrollTo) r->cb.ScrollTo(r, off);
}

void OGLE_Draw(OGLE_Rec* r, int draw_caret)
{
	te_view v;
	view_of(r, v);
	const char* b = v.b;
	int len = v.len;
	float *vb = v.vb, *lb = v.lb, lh = v.lh;
	int n = (int)r->line_starts.size();
	int first = std::max(0, (int)std::floor((lb[3] - vb[3]) / lh));
	int last = std::min(n, (int)std::ceil((lb[3] - vb[1]) / lh));
	int ss = clampi(r->sel_start, 0, len), se = clampi(r->sel_end, 0, len);

	if (ss < se && r->cb.DrawSelection) {
		for (int i = first; i < last; ++i) {
			int ls = r->line_starts[i];
			if (ls >= se) break;
			int le = line_end(r, i, len);
			if (le <= ss) continue;
			bool starts = ss >= ls, ends = se <= le;
			float box[4] = {lb[0], lb[3] - (i + 1) * lh, lb[2], lb[3] - i * lh};
			if (starts) box[0] = lb[0] + measure(r, b + ls, b + ss);
			if (ends) box[2] = lb[0] + measure(r, b + ls, b + se);
			r->cb.DrawSelection(r, box);
		}
	}
	if (r->cb.DrawString) {
		for (int i = first; i < last; ++i)
			r->cb.DrawString(r, b + r->line_starts[i], b + line_content_end(r, b, i, len),
			                 lb[0], lb[3] - (i + 1) * lh);
	}
	if (draw_caret && ss == se && r->cb.DrawSelection) {
		int line = OGLE_CharPosToLine(r, ss);
		if (line >= first && line < last) {
			int ls = std::min(r->line_starts[line], ss);
			float x = lb[0] + measure(r, b + ls, b + ss);
			float box[4] = {x, lb[3] - (line + 1) * lh, x, lb[3] - line * lh};
			r->cb.DrawSelection(r, box);
		}
	}
}

// ---- the object form ----

static OGLE* obj(OGLE_Rec* r) { return (OGLE*)r->ref; }

void        OGLE::GetVisibleBoundsCB(OGLE_Rec* r, float b[4]) { obj(r)->GetVisibleBounds(b); }
void        OGLE::GetLogicalBoundsCB(OGLE_Rec* r, float b[4]) { obj(r)->GetLogicalBounds(b); }
void        OGLE::SetLogicalHeightCB(OGLE_Rec* r, float h) { obj(r)->SetLogicalHeight(h); }
void        OGLE::ScrollToCB(OGLE_Rec* r, float o[2]) { obj(r)->ScrollTo(o); }
void        OGLE::GetTextCB(OGLE_Rec* r, const char** b, const char** e) { obj(r)->GetText(b, e); }
void        OGLE::ReplaceTextCB(OGLE_Rec* r, int s, int e, const char* nb, const char* ne) { obj(r)->ReplaceText(s, e, nb, ne); }
float       OGLE::GetLineHeightCB(OGLE_Rec* r) { return obj(r)->GetLineHeight(); }
float       OGLE::MeasureStringCB(OGLE_Rec* r, const char* b, const char* e) { return obj(r)->MeasureString(b, e); }
int         OGLE::FitStringFwdCB(OGLE_Rec* r, const char* b, const char* e, float w) { return obj(r)->FitStringFwd(b, e, w); }
int         OGLE::FitStringRevCB(OGLE_Rec* r, const char* b, const char* e, float w) { return obj(r)->FitStringRev(b, e, w); }
void        OGLE::DrawStringCB(OGLE_Rec* r, const char* b, const char* e, float x, float y) { obj(r)->DrawString(b, e, x, y); }
void        OGLE::DrawSelectionCB(OGLE_Rec* r, float box[4]) { obj(r)->DrawSelection(box); }
const char* OGLE::WordBreakCB(OGLE_Rec* r, const char* b, const char* e) { return obj(r)->WordBreak(b, e); }
const char* OGLE::MBCS_NextCB(OGLE_Rec* r, const char* p) { return obj(r)->MBCS_Next(p); }
int         OGLE::MBCS_NextPosCB(OGLE_Rec* r, int pos) { return obj(r)->MBCS_NextPos(pos); }
int         OGLE::MBCS_PrevPosCB(OGLE_Rec* r, int pos) { return obj(r)->MBCS_PrevPos(pos); }

OGLE::OGLE()
{
	static const OGLE_Callbacks cbs = {
		GetVisibleBoundsCB, GetLogicalBoundsCB, SetLogicalHeightCB, ScrollToCB, GetTextCB,
		ReplaceTextCB, GetLineHeightCB, MeasureStringCB, FitStringFwdCB, FitStringRevCB,
		DrawStringCB, DrawSelectionCB, WordBreakCB, MBCS_NextCB, MBCS_NextPosCB, MBCS_PrevPosCB};
	rec = OGLE_Create(&cbs, this);
}

OGLE::~OGLE() { OGLE_Destroy(rec); }
