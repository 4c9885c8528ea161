// No close-box table and no menu drawing yet.
#include "hl_widgets_pending.h"

void BTN_zap_boxes(int) {}
void standard_gui() {}
