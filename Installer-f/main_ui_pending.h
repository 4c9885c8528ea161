#ifndef MAIN_UI_PENDING_H
#define MAIN_UI_PENDING_H
// The widgets and the text calls the wizard draws with. Until their own
// headers are in the tree, their declarations stand here, and
// main_ui_pending.cpp gives weak stand-ins that draw nothing.
#include <string>

#if __has_include("butn.h")
#include "butn.h"
#define MAIN_UI_HAS_WIDGETS 1
#else
#include "butn_logic.h"
void BTN_frame1(int style, float xc, float yc, float width, int colour);
void BTN_frame2(int style, float x, float y, float w, float h, std::string title, float alpha);
void BTN_fillwin(int background, int content_style);
void BTN_subwin(float top_reserve, int style, float x, float y, float w, float h, std::string title,
                float* next_x, float* next_y);
int  BTN_action(float x, float y, float width, int lit, int mode, std::string label, std::string hint);
int  BTN_bool(float x, float y, int* value, std::string label, int radio_look);
int  BTN_is_int(float x, float y, int* value, int this_value, std::string label);
int  BTN_int_range(float x, float y, int* value, int digits, float min, float max, std::string label);
int  BTN_enterstring(float x, float y, std::string* text, int max_length, std::string label, float width, int auto_focus);
int  BTN_textlist(float x, float y, int* index, std::string label, std::string items);
#endif

#if __has_include("OGL_fonts.h")
#include "OGL_fonts.h"
#define MAIN_UI_HAS_FONTS 1
#else
typedef int charset_t;
float OGL_string(int colour, float x, float y, const std::string& s, float width, charset_t cs, int align);
float str_dx(const std::string& s);
#endif

#endif
