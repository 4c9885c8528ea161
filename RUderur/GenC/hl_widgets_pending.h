#ifndef HL_WIDGETS_PENDING_H
#define HL_WIDGETS_PENDING_H
// Stand-ins for the widget layer's calls the frame loop makes, until the
// close boxes and the menu drawing are in.
void BTN_zap_boxes(int all);
void standard_gui();

#endif
