// Stand-ins for the text field and the pop-up list until they are built: the
// field shows its text and is not editable. Delete this file when the widgets'
// own BTN_enterstring and BTN_textlist are in the tree (a weak stand-in in one
// library can win over the real one in another).
#include "butn.h"
#include "OGL_fonts.h"

__attribute__((weak)) int BTN_enterstring(float x, float y, std::string* text, int, std::string, float width, int)
{
	OGL_string(46, x, y, *text, width, 0, 0);
	return 0;
}
__attribute__((weak)) int BTN_textlist(float, float, int*, std::string, std::string) { return 0; }
