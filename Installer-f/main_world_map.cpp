// The world map's decisions: which cell the mouse is on, what a drag paints,
// and where each cell sits in the window and in the map image.
#include "main_world_map.h"
#include "utils.h"
#include "utils_records.h"
#include <algorithm>
#include <cmath>

world_map_drag map_drag;

int dvd_map_cell_at(float x, float y, int* col, int* row)
{
	float dx = x - map_x0, dy = y - map_y0;
	if (!(dx >= 0 && dx <= map_cols * map_cell && dy >= 0 && dy <= map_rows * map_cell)) return 0;
	// floor puts a border point in the higher cell; the far edges stay in the last one
	*col = std::min(map_cols - 1, (int)std::floor(dx / map_cell));
	*row = std::min(map_rows - 1, (int)std::floor(dy / map_cell));
	return 1;
}

int dvd_map_paint(world_map_drag& drag, const world_map_mouse& mouse)
{
	if (mouse.down) {
		drag.o_x = mouse.x;
		drag.o_y = mouse.y;
		int c, r;
		if (dvd_map_cell_at(mouse.x, mouse.y, &c, &r)) drag.o_use = stg.tile_wanted[c][r] ? 0 : 1;
		drag.live = 1;
	}
	if (!mouse.held && !mouse.down) drag.live = 0;
	if (!drag.live) return 0;
	const float lo_x = std::min(drag.o_x, mouse.x), hi_x = std::max(drag.o_x, mouse.x);
	const float lo_y = std::min(drag.o_y, mouse.y), hi_y = std::max(drag.o_y, mouse.y);
	int changed = 0;
	for (int i = 0; i < map_cols; ++i)
		for (int j = 0; j < map_rows; ++j) {
			float l = map_x0 + map_cell * i, b = map_y0 + map_cell * j;
			if (l < hi_x && l + map_cell > lo_x && b < hi_y && b + map_cell > lo_y) {
				UTIL_want_tile(i, j, drag.o_use);
				changed = 1;
			}
		}
	return changed;
}

static void set_every_tile(int v)
{
	for (int i = 0; i < map_cols; ++i)
		for (int j = 0; j < map_rows; ++j) UTIL_want_tile(i, j, v);
}

int dvd_world_map_decide(const world_map_mouse& mouse, int select_all, int select_none)
{
	int changed = dvd_map_paint(map_drag, mouse);
	if (select_none) {
		set_every_tile(0);
		changed = 1;
	}
	if (select_all) {
		set_every_tile(1);
		changed = 1;
	}
	if (changed) recalc_disk_sizes();
	return changed;
}

map_quad dvd_map_background_quad()
{
	return {map_x0, map_y0, map_x0 + map_cols * map_cell, map_y0 + map_rows * map_cell,
	        0.0f, 0.0f, map_cols * map_cell / 512.0f, map_rows * map_cell / 1024.0f};
}

map_quad dvd_map_cell_quad(int col, int row, int chosen)
{
	const float band = chosen ? 504.0f : 252.0f;
	const float x = map_x0 + map_cell * col, y = map_y0 + map_cell * row;
	return {x, y, x + map_cell, y + map_cell,
	        map_cell * col / 512.0f, (map_cell * row + band) / 1024.0f,
	        (map_cell * col + map_cell) / 512.0f, (map_cell * row + map_cell + band) / 1024.0f};
}
