// A hidden window with a compatibility GL context for tests that draw in
// process: the texture manager ready and, unless a test sets the capability
// record itself, the driver's capabilities detected.
#ifndef TEST_GL_CONTEXT_H
#define TEST_GL_CONTEXT_H
#include "OGL_extensions.h"
#include "TEX_obj.h"
#include "tman.h"
#include "MACIBM_mnw.h"
#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <string>

struct TG_context {
	SDL_Window*   win = nullptr;
	SDL_GLContext ctx = nullptr;
	std::string   error;

	bool open(const char* title, int w, int h, bool detect = true)
	{
		if (SDL_Init(SDL_INIT_VIDEO) != 0) return fail();
		SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
		win = SDL_CreateWindow(title, 0, 0, w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
		if (!win) return fail();
		ctx = SDL_GL_CreateContext(win);
		if (!ctx) return fail();
		if (detect) glExt.init_extensions();
		mnw.tex_res = 5;
		TEX_reset_bind();
		TEX_init();
		return true;
	}
	// One unit a pixel over w x h, origin lower left.
	static void pixel_ortho(int w, int h)
	{
		glViewport(0, 0, w, h);
		glMatrixMode(GL_PROJECTION);
		glLoadIdentity();
		glOrtho(0, w, 0, h, -1, 1);
		glMatrixMode(GL_MODELVIEW);
		glLoadIdentity();
	}
	void close()
	{
		if (ctx) SDL_GL_DeleteContext(ctx);
		if (win) SDL_DestroyWindow(win);
		ctx = nullptr;
		win = nullptr;
		SDL_Quit();
	}
	bool fail()
	{
		error = SDL_GetError();
		return false;
	}
};

#endif
