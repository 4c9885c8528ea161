// Stand-ins for the widgets and text calls the wizard uses while their own
// code is not in the tree; each group goes away by itself when its header is in.
#include "main_ui_pending.h"

#ifndef MAIN_UI_HAS_WIDGETS
void BTN_frame1(int, float, float, float, int) {}
void BTN_frame2(int, float, float, float, float, std::string, float) {}
void BTN_fillwin(int, int) {}
void BTN_subwin(float, int, float, float, float, float, std::string, float*, float*) {}
int  BTN_action(float, float, float, int, int, std::string, std::string) { return 0; }
int  BTN_bool(float, float, int*, std::string, int) { return 0; }
int  BTN_is_int(float, float, int*, int, std::string) { return 0; }
int  BTN_int_range(float, float, int*, int, float, float, std::string) { return 0; }
#endif

#ifndef MAIN_UI_HAS_FONTS
// weak: the widgets carry a stand-in of their own for these
__attribute__((weak)) float OGL_string(int, float, float y, const std::string&, float, charset_t, int) { return y - 10; }
__attribute__((weak)) float str_dx(const std::string& s) { return 6.0f * (float)s.size(); }
#endif
