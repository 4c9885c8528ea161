#include "butn_layout.h"
#include <climits>
#include <cstdio>

int BTN_layout_on = 0;
static std::vector<BTN_layout_item> items;
static int owner_control = -1, owner_role = layout_free, calls = 0;

void BTN_layout_clear()
{
	items.clear();
	owner_control = -1;
	owner_role = layout_free;
}

const std::vector<BTN_layout_item>& BTN_layout_items() { return items; }

static bool same(const BTN_layout_item& a, const BTN_layout_item& b)
{
	return a.control == b.control && a.what == b.what && a.box.x0 == b.box.x0 && a.box.y0 == b.box.y0 &&
	       a.box.x1 == b.box.x1 && a.box.y1 == b.box.y1;
}

// A modal window may draw the same pass twice before the record is read: the
// second copy is the first one again.
static int add(const BTN_layout_item& it)
{
	for (size_t i = 0; i < items.size(); ++i)
		if (same(items[i], it) && (it.control || items[i].owner == it.owner)) return (int)i;
	items.push_back(it);
	return (int)items.size() - 1;
}

int BTN_layout_control(const char* what, float x0, float y0, float x1, float y1)
{
	if (!BTN_layout_on) return -1;
	return add({1, what, {x0, y0, x1, y1}, -1, layout_free, 0, {}});
}

void BTN_layout_panel(float x0, float y0, float x1, float y1)
{
	if (BTN_layout_on) add({2, "panel", {x0, y0, x1, y1}, -1, layout_free, 0, {}});
}

BTN_layout_owner::BTN_layout_owner(int control, int role) : saved_control(owner_control), saved_role(owner_role)
{
	owner_control = control;
	owner_role = control < 0 ? layout_free : role;
}

BTN_layout_owner::~BTN_layout_owner()
{
	owner_control = saved_control;
	owner_role = saved_role;
}

int BTN_layout_next_call() { return ++calls; }

void BTN_layout_text(const std::string& line, int call, float x0, float y0, float x1, float y1,
                     std::vector<BTN_layout_ink> ink)
{
	if (!BTN_layout_on || x1 <= x0 || y1 <= y0) return;
	add({0, line, {x0, y0, x1, y1}, owner_control, owner_role, call, std::move(ink)});
}

static bool overlap(const BTN_layout_box& a, const BTN_layout_box& b, float gap)
{
	return a.x0 < b.x1 + gap && b.x0 < a.x1 + gap && a.y0 < b.y1 + gap && b.y0 < a.y1 + gap;
}

// The first column where the ink of two lines shares a row, or INT_MIN. A
// column's rows are taken as one span, which is exact where two lines meet:
// the lowest ink of the one above, the highest of the one below.
static int ink_meets(const std::vector<BTN_layout_ink>& a, const std::vector<BTN_layout_ink>& b)
{
	size_t i = 0, j = 0;
	while (i < a.size() && j < b.size()) {
		if (a[i].x < b[j].x) {
			++i;
		} else if (b[j].x < a[i].x) {
			++j;
		} else {
			if (a[i].lo <= b[j].hi && b[j].lo <= a[i].hi) return a[i].x;
			++i;
			++j;
		}
	}
	return INT_MIN;
}

static std::string box_text(const BTN_layout_box& b)
{
	char buf[96];
	snprintf(buf, sizeof buf, "[%.0f,%.0f - %.0f,%.0f]", b.x0, b.y0, b.x1, b.y1);
	return buf;
}

static std::string name(const BTN_layout_item& it)
{
	return (it.control ? it.what : "text \"" + it.what + "\"") + " " + box_text(it.box);
}

// Labels keep this far off the boxes they stand beside.
static const float label_gap = 2;
// Lines 10 units apart, the pitch of wrapped text, share this much of their
// ink boxes (a descender, an accent), which a reader does not see as overlap.
static const float line_overlap = 2.5f;
// A caption keeps this far inside its button's ends, where the frame's caps are.
static const float caption_inset = 3;

std::vector<std::string> BTN_layout_faults(const std::vector<BTN_layout_item>& all, float w, float h)
{
	std::vector<std::string> out;
	for (size_t i = 0; i < all.size(); ++i) {
		const BTN_layout_item& a = all[i];
		if (a.control == 2) {
			// a panel: what it holds lies wholly inside it or wholly outside
			for (const BTN_layout_item& b : all) {
				if (b.control == 2 || b.role == layout_clipped || !overlap(a.box, b.box, 0)) continue;
				if (b.box.x0 < a.box.x0 || b.box.x1 > a.box.x1 || b.box.y0 < a.box.y0 || b.box.y1 > a.box.y1)
					out.push_back(name(b) + " lies across the edge of " + name(a));
			}
			continue;
		}
		if (a.control || a.role == layout_clipped) {
			if (a.control && (a.box.x0 < 0 || a.box.x1 > w || a.box.y0 < 0 || a.box.y1 > h))
				out.push_back(name(a) + " leaves the window");
			if (!a.control) continue;
			for (size_t j = i + 1; j < all.size(); ++j)
				if (all[j].control == 1 && overlap(a.box, all[j].box, 0))
					out.push_back(name(a) + " overlaps " + name(all[j]));
			continue;
		}
		if (a.box.x0 < 0 || a.box.x1 > w || a.box.y0 < 0 || a.box.y1 > h)
			out.push_back(name(a) + " leaves the window");
		if (a.role == layout_inside && a.owner >= 0) {
			const BTN_layout_box& o = all[a.owner].box;
			if (a.box.x0 < o.x0 + caption_inset || a.box.x1 > o.x1 - caption_inset || a.box.y0 < o.y0 ||
			    a.box.y1 > o.y1)
				out.push_back(name(a) + " leaves its " + name(all[a.owner]));
		}
		for (size_t j = 0; j < all.size(); ++j) {
			const BTN_layout_item& b = all[j];
			if (j == i || b.control == 2) continue;
			if (b.control) {
				if ((int)j == a.owner && a.role == layout_inside) continue;
				float gap = (int)j == a.owner ? label_gap : 0;
				if (overlap(a.box, b.box, gap))
					out.push_back(name(a) + ((int)j == a.owner ? " touches its " : " is on ") + name(b));
				continue;
			}
			// text on text, once a pair; ink on ink wherever it is, the wrapped
			// lines of one block too (an underscore or an accent cutting into the
			// next line); boxes only of texts not laid out together
			if (j < i || b.role == layout_clipped) continue;
			const int meet = ink_meets(a.ink, b.ink);
			if (meet != INT_MIN) {
				out.push_back(name(a) + " runs into " + name(b) + " at x " + std::to_string(meet));
				continue;
			}
			if (b.call == a.call || (a.owner >= 0 && a.owner == b.owner)) continue;
			if (overlap(a.box, b.box, -line_overlap)) out.push_back(name(a) + " is on " + name(b));
		}
	}
	return out;
}
