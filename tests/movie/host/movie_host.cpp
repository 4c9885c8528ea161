// Starts the shell in a real window, draws known pictures and records them as
// the movie tests ask; each step writes a line to the log so the test can tell
// what the recorder did.
#include "../movie_patterns.h"
#include "../../support/host_start.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "OGL_setstate.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "oglp.h"
#include "qtim.h"
#include "tman.h"
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <functional>
#include <string>
#include <vector>

static int pattern = 0;
static int frame_no = 0;	// shown in the corner block, so the order of frames shows
static bool settings_window = false;

static void fill(int x1, int y1, int x2, int y2, const unsigned char* c)
{
	glColor3ub(c[0], c[1], c[2]);
	glBegin(GL_QUADS);	// clockwise: the shell culls the other side
	glVertex2i(x1, y1);
	glVertex2i(x1, y2);
	glVertex2i(x2, y2);
	glVertex2i(x2, y1);
	glEnd();
}

static void draw_pattern()
{
	OGL_setstate(fog_fals, 0, lit_fals, al_none, deR_fals, deW_fals);
	const movie_pattern& p = movie_patterns[pattern];
	const int w = mnw.screen_w, h = mnw.screen_h;
	fill(0, h / 2, w / 2, h, p.top_left);
	fill(w / 2, h / 2, w, h, p.top_right);
	fill(0, 0, w / 2, h / 2, p.bottom_left);
	fill(w / 2, 0, w, h / 2, p.bottom_right);
	fill(0, h - 1, w, h, p.top_line);
	++frame_no;
	const unsigned char count[3] = {(unsigned char)frame_no, (unsigned char)(frame_no >> 8), movie_count_blue};
	fill(w - movie_count_side, 0, w, movie_count_side, count);
	if (settings_window) qtim.qtim_wind();
}

static double now() { return xtim_class::microsecs() / 1e6; }

// Frames until done() holds; false when the time ran out first.
static bool run_until(const std::function<bool()>& done, double seconds)
{
	const double end = now() + seconds;
	while (!app_done && now() < end) {
		draw_pattern();
		MACIBM_event_proc();
		if (done()) return true;
	}
	return false;
}

static void say(const std::string& s)
{
	xer << "host: " << s << "\n";
	xer.flush();
}

static std::string counts()
{
	return "state " + std::to_string(qtim.state) + " frames " + std::to_string(qtim.frames_recorded);
}

// One take: start, frames, then the stop asked for; false when a wait ran out.
static bool take(int frames)
{
	qtim.mov_toggle(1);
	say("started " + counts() + " movie " + std::to_string(qtim.movie_width) + "x" + std::to_string(qtim.movie_height));
	bool ok = run_until([=] { return qtim.frames_recorded >= frames; }, 30);
	qtim.state = 2;
	return run_until([] { return qtim.state == 0; }, 30) && ok;
}

static void resize(int w, int h)
{
	SDL_SetWindowSize((SDL_Window*)mnw.window[0], w, h);
	mnw.req_w = mnw.screen_w = w;
	mnw.req_h = mnw.screen_h = h;
	OGL_pix_specs(0);
	MACIBM_startwind(998, 0);
}

int main(int argc, char** argv)
{
	const std::string step = TH_start(argc, argv, true);
	// a dialog window: the installer's screens stay out of the picture
	MACIBM_startwind(998, 0);

	if (step == "takes") {
		pattern = 0;
		qtim.mov_toggle(1);
		say("started " + counts() + " movie " + std::to_string(qtim.movie_width) + "x" + std::to_string(qtim.movie_height));
		bool ok = run_until([] { return qtim.frames_recorded >= 6; }, 30);
		const int before = qtim.frames_recorded;
		qtim.mov_startrecord();
		say("second start " + counts());
		ok = run_until([=] { return qtim.frames_recorded >= before + 3; }, 30) && ok;
		qtim.state = 2;
		ok = run_until([] { return qtim.state == 0; }, 30) && ok;
		say("take 1 done " + counts() + (ok ? "" : " timed out"));

		pattern = 1;
		qtim.movie_width = 2048;
		ok = take(5);
		say("take 2 done " + counts() + (ok ? "" : " timed out"));

		// a stop asked for at once still gives a whole movie
		pattern = 0;
		qtim.movie_width = 400;
		qtim.mov_toggle(1);
		qtim.state = 2;
		ok = run_until([] { return qtim.state == 0; }, 30);
		say("take 3 done " + counts() + (ok ? "" : " timed out"));
	} else if (step == "settings") {
		pattern = 1;
		qtim.movie_width = 800;
		qtim.mov_toggle(1);
		bool ok = run_until([] { return qtim.frames_recorded >= 5; }, 30);
		settings_window = true;	// opening it ends the take
		ok = run_until([] { return qtim.state == 0; }, 30) && ok;
		say("settings window " + counts() + (ok ? "" : " timed out"));
		run_until([] { return false; }, 0.3);
		// quitting in the middle of a take finishes it
		settings_window = false;
		pattern = 0;
		qtim.mov_toggle(1);
		ok = run_until([] { return qtim.frames_recorded >= 4; }, 30);
		say("quitting while recording " + counts() + (ok ? "" : " timed out"));
	} else if (step == "big") {
		resize(2100, 700);
		int w = 0, h = 0;
		SDL_GetWindowSize((SDL_Window*)mnw.window[0], &w, &h);
		say("window " + std::to_string(w) + "x" + std::to_string(h));
		qtim.mov_toggle(1);
		say("big window " + counts());
		run_until([] { return false; }, 1.0);
		say("big window after frames " + counts());
		resize(800, 600);
		pattern = 0;
		qtim.movie_width = 800;
		bool ok = take(4);
		say("take after the refusal done " + counts() + (ok ? "" : " timed out"));
	}
	MACIBM_finishup(1);
	return 0;
}
