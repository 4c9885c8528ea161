#include "te_host.h"
#include <gtest/gtest.h>
#include <cctype>
#include <map>

static std::map<OGLE_Rec*, te_host*> hosts;
te_host* te_of(OGLE_Rec* r) { return hosts[r]; }

static int chars_in(const char* b, const char* e)
{
	int n = 0;
	for (const char* p = b; p < e; ++p)
		if (!utf8_is_cont((unsigned char)*p) && *p != '\n' && *p != '\r') ++n;
	return n;
}

static void vis_cb(OGLE_Rec* r, float b[4]) { te_host* h = te_of(r); for (int i = 0; i < 4; ++i) b[i] = h->vis[i]; }
static void log_cb(OGLE_Rec* r, float b[4]) { te_of(r)->logical(b); }
static void height_cb(OGLE_Rec* r, float h) { te_of(r)->logical_h = h; }
static void scroll_cb(OGLE_Rec* r, float o[2])
{
	te_host* h = te_of(r);
	h->sx = o[0];
	float lbottom = h->vis[1] - o[1];
	h->sy = lbottom + h->logical_h - h->vis[3];
	h->scrolls++;
}
static void text_cb(OGLE_Rec* r, const char** b, const char** e)
{
	std::string& t = te_of(r)->text;
	*b = t.data();
	*e = t.data() + t.size();
}
static void replace_cb(OGLE_Rec* r, int s, int e, const char* nb, const char* ne)
{
	std::string& t = te_of(r)->text;
	ASSERT_LE(0, s);
	ASSERT_LE(s, e);
	ASSERT_LE(e, (int)t.size());
	t.replace(s, e - s, nb ? std::string(nb, ne) : std::string());
}
static float lh_cb(OGLE_Rec*) { return 10; }
static float measure_cb(OGLE_Rec* r, const char* b, const char* e)
{
	const std::string& t = te_of(r)->text;
	EXPECT_TRUE(b >= t.data() && e <= t.data() + t.size() && b <= e);
	return 6.0f * chars_in(b, e);
}
static int fit_cb(OGLE_Rec* r, const char* b, const char* e, float w)
{
	if (te_of(r)->bad_fit) return (te_of(r)->bad_fit++ & 1) ? -50 : 100000;
	const char* p = b;
	float x = 0;
	while (p < e) {
		const char* q = p + 1;
		while (q < e && utf8_is_cont((unsigned char)*q)) ++q;
		float cw = (*p == '\n' || *p == '\r') ? 0 : 6;
		if (x + cw > w + 0.001f) break;
		x += cw;
		p = q;
	}
	return (int)(p - b);
}
static int fitrev_cb(OGLE_Rec*, const char*, const char*, float) { return 0; }
static void draws_cb(OGLE_Rec* r, const char* b, const char* e, float, float) { te_of(r)->drawn.push_back(std::string(b, e)); }
static void drawsel_cb(OGLE_Rec* r, float box[4]) { te_of(r)->boxes.push_back({box[0], box[1], box[2], box[3]}); }
static const char* word_cb(OGLE_Rec*, const char* b, const char* e)
{
	const char* p = b;
	while (p < e && isspace((unsigned char)*p)) ++p;
	while (p < e && !isspace((unsigned char)*p)) ++p;
	return p;
}
static const char* next_cb(OGLE_Rec* r, const char* p)
{
	const std::string& t = te_of(r)->text;
	int len = (int)t.size(), pos = (int)(p - t.data());
	while (pos > 0 && pos < len && utf8_is_cont((unsigned char)t[pos])) --pos;
	return t.data() + utf8_next(t.data(), len, pos);
}
static int nextpos_cb(OGLE_Rec* r, int pos)
{
	const std::string& t = te_of(r)->text;
	if (pos >= (int)t.size()) return pos + 1;
	return utf8_next(t.data(), (int)t.size(), pos);
}
static int prevpos_cb(OGLE_Rec* r, int pos)
{
	const std::string& t = te_of(r)->text;
	if (pos <= 0) return -1;
	return utf8_prev(t.data(), (int)t.size(), pos);
}

static const OGLE_Callbacks host_cbs = {vis_cb, log_cb, height_cb, scroll_cb, text_cb, replace_cb, lh_cb,
	measure_cb, fit_cb, fitrev_cb, draws_cb, drawsel_cb, word_cb, next_cb, nextpos_cb, prevpos_cb};

te_host::te_host(const std::string& t, float w) : text(t)
{
	vis[2] = vis[0] + w;
	ed = OGLE_Create(&host_cbs, nullptr);
	hosts[ed] = this;
	OGLE_Repaginate(ed);
}
