#ifndef BUTN_LAYOUT_H
#define BUTN_LAYOUT_H
// A record of what one frame laid out, kept while a test switches it on: the
// box of every control the widgets drew and the inked box of every line of
// text, with the control a text belongs to. The faults of a record are the
// layout mistakes a reader sees: a caption leaving its button, a label on or
// touching a box, controls on top of each other, text on text (a line whose
// ink runs into the ink of another, wrapped lines of one block too), text off the window,
// a control or text lying across the edge of a panel.
#include <string>
#include <vector>

// How a line of text relates to the control that drew it.
enum {
	layout_free = 0,	// no control's: must keep off every control
	layout_inside,		// a caption: must stay inside its control
	layout_beside,		// a label or hint: must keep off every control, its own too
	layout_clipped		// cut to its control by a scissor: not looked at
};

struct BTN_layout_box {
	float x0, y0, x1, y1;	// window units, y up
};

// One pixel column of a line's ink: its lowest and highest inked rows (the
// row of y spans y to y + 1), window units.
struct BTN_layout_ink {
	int x, lo, hi;
};

struct BTN_layout_item {
	int            control;	// 1 a control's box, 0 a line of text, 2 a panel's drawn box
	std::string    what;	// the control's kind, or the text
	BTN_layout_box box;
	int            owner;	// text: index of its control, -1 for none
	int            role;	// text: layout_free ... layout_clipped
	int            call;	// text: the drawing call it came from
	std::vector<BTN_layout_ink> ink;	// text: its inked columns, left to right
};

extern int BTN_layout_on;	// recording is on; off in the program

void BTN_layout_clear();
const std::vector<BTN_layout_item>& BTN_layout_items();

// Notes a control's box; returns its index for the texts it draws, or -1 when
// recording is off.
int  BTN_layout_control(const char* what, float x0, float y0, float x1, float y1);
// Notes the box a panel's frame covers on screen (its art reaches past the box
// it was asked for).
void BTN_layout_panel(float x0, float y0, float x1, float y1);
// The texts drawn while one of these lives belong to a control.
struct BTN_layout_owner {
	BTN_layout_owner(int control, int role);
	~BTN_layout_owner();
	int saved_control, saved_role;
};
// Called by the text drawing: one line's inked box (window units) and its
// inked columns; `call` counts the drawing calls.
void BTN_layout_text(const std::string& line, int call, float x0, float y0, float x1, float y1,
                     std::vector<BTN_layout_ink> ink = {});
int  BTN_layout_next_call();

// The faults of one frame's record in a window of w by h units, one sentence each.
std::vector<std::string> BTN_layout_faults(const std::vector<BTN_layout_item>& items, float w, float h);

#endif
