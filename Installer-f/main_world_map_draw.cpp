// The world map drawn from the map image (texture 414): the background band,
// then every tile the discs have in the look of its choice, the rubber band
// of a drag, and the select-all and select-none buttons.
#include "main_world_map.h"
#include "colr.h"
#include "main_wizard.h"
#include "utils_records.h"
#include "MACIBM_mnw.h"
#include "OGL_setstate.h"
#include "oglp.h"
#include "butn_layout.h"
#include "tman.h"
#include "OGL_extensions.h"
#include "UTL_clock.h"

// A cell in colour id 52, which OGL_set_color greens on a monochrome display.
static void draw_tile(const map_quad& q)
{
	OGL_2dquad(tman_ref_map, colr_plain, 1, q.x1, q.y1, q.s1, q.t1, q.x1, q.y2, q.s1, q.t2, q.x2, q.y2, q.s2, q.t2, q.x2, q.y1, q.s2,
	           q.t1, 1, al_blend);
}

static int shown_frame = -1;

int dvd_world_map_shown() { return shown_frame == xtim.frame_count; }

void UTIL_world_map()
{
	shown_frame = xtim.frame_count;
	// a drag goes on only over frames in a row that show the map
	static int last_frame = -2;
	if (xtim.frame_count != last_frame + 1 && xtim.frame_count != last_frame) map_drag.live = 0;
	last_frame = xtim.frame_count;

	world_map_mouse m;
	m.x = mnw.mouse_x;
	m.y = mnw.mouse_y;
	m.down = mnw.click_down;
	m.held = mnw.mouse_held;
	int w = 0;
	int none = interface_rect(770, 122, img_map_b, -1, &w, 1, 0);
	int all = interface_rect(765.0f - w, 122, img_map_a, -1, nullptr, 1, 0);
	dvd_world_map_decide(m, all, none);	// a change recounts the totals itself

	// the background in plain white: only the tiles take the display's tint
	const map_quad q = dvd_map_background_quad();
	BTN_layout_control("world map", q.x1, q.y1, q.x2, q.y2);
	const float ox = mnw.origin_x, oy = mnw.origin_y;
	OGL_setstate(fog_fals, 1, lit_fals, al_blend, deR_fals, deW_fals);
	tman.bind_ref(tman_ref_map, 0, 0);
	glColor4f(1, 1, 1, 1);	// opaque whatever was drawn before
	glBegin(GL_QUADS);
	glTexCoord2f(q.s1, q.t1); glVertex2f(q.x1 + ox, q.y1 + oy);
	glTexCoord2f(q.s1, q.t2); glVertex2f(q.x1 + ox, q.y2 + oy);
	glTexCoord2f(q.s2, q.t2); glVertex2f(q.x2 + ox, q.y2 + oy);
	glTexCoord2f(q.s2, q.t1); glVertex2f(q.x2 + ox, q.y1 + oy);
	glEnd();
	for (int i = 0; i < map_cols; ++i)
		for (int j = 0; j < map_rows; ++j)
			if (stg.tile_avail[i][j]) draw_tile(dvd_map_cell_quad(i, j, stg.tile_wanted[i][j] != 0));

	if (map_drag.live && mnw.mouse_held) {
		OGL_setstate(fog_fals, 0, lit_fals, al_blend, deR_fals, deW_fals);
		glColor4f(0, 0, 0, 0.5f);
		glBegin(GL_LINE_LOOP);
		glVertex2f(m.x + ox, m.y + oy);
		glVertex2f(map_drag.o_x + ox, m.y + oy);
		glVertex2f(map_drag.o_x + ox, map_drag.o_y + oy);
		glVertex2f(m.x + ox, map_drag.o_y + oy);
		glEnd();
	}
}
