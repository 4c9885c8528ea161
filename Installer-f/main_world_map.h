#ifndef MAIN_WORLD_MAP_H
#define MAIN_WORLD_MAP_H
// The world map of global scenery tiles (10 by 10 degrees): one cell per
// entry of stg.tile_wanted, column lon_i from the left, row lat_i from the
// bottom. The decisions are free of GL; UTIL_world_map draws them.

enum { map_cols = 36, map_rows = 18, map_cell = 14 };
// Lower-left corner of the map in the window's logical units.
const float map_x0 = 248.0f, map_y0 = 150.0f;

// The drag that the mouse is painting: where it began and what it paints.
// `live` while the button went down with the map shown and is still held:
// a button held since a click on another screen paints nothing.
struct world_map_drag {
	float o_x = 0, o_y = 0;
	int   o_use = 0;
	int   live = 0;
};
extern world_map_drag map_drag;

// One frame's mouse: position in the window's logical units, whether the
// button went down this frame and whether it is held.
struct world_map_mouse {
	float x = 0, y = 0;
	int   down = 0, held = 0;
};

// The cell holding a point: its edges count as inside, and a point on a
// border between cells belongs to the higher column and row. 0 off the map.
int dvd_map_cell_at(float x, float y, int* col, int* row);

// The mouse of one frame on stg.tile_wanted: a press takes the toggled value
// of the cell under it, and while the button is held every cell the drag's
// rectangle overlaps gets that value, available or not. A press counts as
// held in its own frame, so a click released within the frame still paints.
// 1 when cells were painted.
int dvd_map_paint(world_map_drag& drag, const world_map_mouse& mouse);

// One frame's decisions: the mouse, then the select-all and select-none
// buttons (every cell, available or not); when anything changed the totals
// are recalculated. 1 when something changed.
int dvd_world_map_decide(const world_map_mouse& mouse, int select_all, int select_none);

// A quad of the map: window rectangle and texture coordinates in the map
// image (512 x 1024 texels: the background band from row 0, the look of an
// available tile from row 252, of a chosen one from row 504).
struct map_quad {
	float x1, y1, x2, y2;
	float s1, t1, s2, t2;
};
map_quad dvd_map_background_quad();
map_quad dvd_map_cell_quad(int col, int row, int chosen);

// Draws the map for this frame and takes the mouse and its two buttons.
void UTIL_world_map();
// 1 when the map was drawn in this frame: the screen's text then starts higher,
// to end above the map.
int  dvd_world_map_shown();

#endif
