#ifndef BUTN_TEXT_H
#define BUTN_TEXT_H
// What the text field shares with the callbacks of its one text-edit engine: the
// focused field's place and width, the engine's scroll, the string being edited and
// whether this frame's call changed it.
#include "textedit.h"
#include <string>

extern int          OGLE_x, OGLE_y, OGLE_entry_dx;
extern float        OGLE_dx, OGLE_dy;
extern std::string* OGLE_input;
extern int          OGLE_edit;
extern const OGLE_Callbacks _OGLE_cbs;

#endif
