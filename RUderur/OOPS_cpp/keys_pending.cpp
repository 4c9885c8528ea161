// Stands in for the framework's path picker until its file window is in the
// tree (a weak definition: the real one replaces it): shows the path, opens nothing.
#include "butn.h"
#include "OGL_fonts.h"

__attribute__((weak)) int BTN_select_path_stl(float x, float y, int, int, std::string* path, int, std::string label,
                                              float width, int)
{
	std::string text, hint;
	BTN_expand_label(label, &text, &hint, nullptr);
	BTN_util_draw_label(x - 32, y, 0, text, 0);
	BTN_util_draw_label(x + width + 6, y, 2, hint, 0);
	OGL_string(48, x, y, path ? *path : std::string(), width, 0, 0);
	return 0;
}
