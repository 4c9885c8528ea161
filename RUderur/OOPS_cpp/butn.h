#ifndef BUTN_H
#define BUTN_H
// The immediate-mode widgets: called once a frame with the current value, each call
// draws, reads this frame's mouse and queued keys, and changes the value in place.
#include "butn_focus.h"
#include "butn_logic.h"
#include <string>

// Frame styles: BTN_frame1 draws the bars and boxes 0..13, BTN_frame0 the
// vertical bar, BTN_frame2 (BTN_subwin, BTN_fillwin) the panels 14..23.
enum {
	btn_style_top_bar = 0,		// the shell's menu bar
	btn_style_title_bar = 1,	// a window's title bar under BTN_fillwin
	btn_style_button = 2,
	btn_style_button_lit = 3,	// a push button's lit and pressed overlay
	btn_style_progress_track = 4,
	btn_style_progress_fill = 5,
	btn_style_vertical_bar = 6,	// the vertical slider's body (BTN_frame0 only)
	btn_style_slider_track = 7,
	btn_style_slider_fill = 8,
	btn_style_field = 9,		// value and text field box
	btn_style_popup = 10,		// pop-up list box
	btn_style_image_a = 11,		// the wizard's picture buttons, three looks
	btn_style_image_b = 12,
	btn_style_image_c = 13,
	btn_style_window = 14,		// a framework window's background, with title and close boxes
	btn_style_window_b = 15,
	btn_style_inner_panel = 16,
	btn_style_help = 17,		// the mouse-over help box
	btn_style_dialog_panel = 18,	// start-up and dialog panel
	btn_style_list = 19,
	btn_style_menu = 20,		// an open framework menu
	btn_style_21 = 21,
	btn_style_22 = 22,
	btn_style_wizard_panel = 23,
	btn_style_none = 24		// BTN_fillwin: no content panel
};

// The bottom of a dialog's content panel (BTN_subwin's y) above a row of
// buttons centred 17-18 units up: the panel's frame reaches 14 units below it.
static const float BTN_panel_over_button_row = 49;

void BTN_frame0(int style, float xc, float yc, float height);
void BTN_frame1(int style, float xc, float yc, float width, int colour);
void BTN_frame2(int style, float x, float y, float w, float h, std::string title, float alpha);
void BTN_util_element(float x, float y, float u, float v, float half_w, float half_h, int colour);
void BTN_util_draw_label(float x, float y, int type, const std::string& label, int lit);
void BTN_fillwin(int background, int content_style);
void BTN_subwin(float top_reserve, int style, float x, float y, float w, float h, std::string title,
                float* next_x, float* next_y);
// Scratch for the positions a panel hands back that its caller does not use.
extern float wx, wy;
int  BTN_zap_boxes(int lit);

int  BTN_action(float x, float y, float width, int lit, int mode, std::string label, std::string hint);
int  BTN_bool(float x, float y, int* value, std::string label, int radio_look);
int  BTN_xbol(float x, float y, bool* value, std::string label);
// Check boxes on a char and on an unsigned byte (stored back as 0 or 1).
int  BTN_xchr(float x, float y, char* value, std::string label);
int  BTN_xbyt(float x, float y, unsigned char* value, std::string label);
int  BTN_is_int(float x, float y, int* value, int this_value, std::string label);
int  BTN_flt_range(float x, float y, float* value, int digits, int decimals, float min, float max, std::string label);
int  BTN_flt(float x, float y, float* value, int digits, int decimals, int allow_negative, std::string label);
int  BTN_int_range(float x, float y, int* value, int digits, float min, float max, std::string label);
int  BTN_int(float x, float y, int* value, int digits, int allow_negative, std::string label);
// A numeric field on a double, written back only when the field changed it.
int  BTN_dob_range(float x, float y, double* value, int digits, int decimals, float min, float max, std::string label);
// Numeric fields on a grid: column c, row r sit at x = 75c + 75 - 10 digits, y = 50r + 25.
int  BTN_fltij(float column, float row, float* value, int digits, int decimals, int allow_negative, std::string label);
int  BTN_flt_rangeij(float column, float row, float* value, int digits, int decimals, float min, float max,
                     std::string label);
// A read-only number in a field box: no arrows, no focus, no click.
void BTN_display_number(float x, float y, float value, int digits, int decimals, const std::string& label);
int  BTN_vert_slider(int slot, float x, float y_bottom, float y_top, int min, int max, int* value);
int  BTN_horz_slider(float x, float y, float width, int colour, float lo, float hi, float* value,
                     int interactive, std::string label, std::string caption);

int  BTN_enterstring(float x, float y, std::string* text, int max_length, std::string label, float width, int auto_focus);
// A window change: the next field to get the focus is set up afresh (its text
// selected when the focus came without a click).
void BTN_forget_text_focus();
int  BTN_textlist(float x, float y, int* index, std::string label, std::string items);
void BTN_chars(float x, float y, char* buffer, int length, std::string label);
int  BTN_list_and_search(int slider_slot, float x, float y, float width, float height, int* centre_row,
                         int* selected, int first, int last, std::string* search_text, const std::string& search_label,
                         std::string (*name)(int, void*), void* name_ref, std::string (*second)(int, void*),
                         void* second_ref, int (*icon)(int, void*), void* icon_ref);
int  BTN_tab(int column, int row, int* selected, int this_tab, std::string label);
// A compass dial showing *heading (degrees); dragging within 30 units of its
// centre turns it. look 1 and 0 pick the needle's two pictures.
void plot_dir(float x, float y, float* heading, int look);

// A path in a text field with a folder icon that opens the framework's file window.
int  BTN_select_path_stl(float x, float y, int window_id, int kind, std::string* path, int max_len,
                         std::string label, float width, int flag);

// One frame of the drawn alert's contents in the current window; 1 when its
// button (or Return) was pressed.
int  BTN_alert_pass(const std::string& m1, const std::string& m2, const std::string& m3, const std::string& m4,
                    int type, const std::string& location);
// The drawn alert (window 994), installed as the alert service's window.
void BTN_alert_window(int return_window, const std::string& m1, const std::string& m2, const std::string& m3,
                      const std::string& m4, int type, const std::string& location);
// The save-changes question (window 995): 1 Save, 2 Don't Save, 3 Cancel or closed.
int  BTN_nuke_alert(const std::string& name, int allow_cancel);

#endif
