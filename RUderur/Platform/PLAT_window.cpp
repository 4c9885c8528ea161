// SDL2 stand-in for the window, the display and the GL contexts.
#include "PLAT_gl.h"
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <GL/glx.h>

static SDL_Window* s_window[2] = {nullptr, nullptr};

static int video_up()
{
	if (SDL_WasInit(SDL_INIT_VIDEO)) return 1;
	SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");	// SIGINT and SIGTERM become the quit command
	// The windows are X windows with GLX contexts: without an X display SDL
	// would fall back to a driver that draws nowhere and the program would run
	// on unseen. (SDL_VIDEODRIVER in the environment still wins.)
	SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
	// SDL drops a press that it takes within a few milliseconds of taking the
	// window's focus; a program whose frames are slow takes both at once, and
	// with no window manager every window takes the focus as it is shown.
	SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
	if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return 1;
	static int told = 0;
	if (!told++) {
		const char* d = getenv("DISPLAY");
		fprintf(stderr, "No window can be opened on the display \"%s\": %s\n", d ? d : "", SDL_GetError());
	}
	return 0;
}

int PLAT_get_display_mode(PLAT_display_mode* out)
{
	if (!video_up()) return 0;
	SDL_DisplayMode m;
	if (SDL_GetDesktopDisplayMode(0, &m) != 0) return 0;
	out->w = m.w;
	out->h = m.h;
	out->depth = (int)SDL_BITSPERPIXEL(m.format);
	if (out->depth == 24) out->depth = 32;	// 8 bits a channel, padded
	return 1;
}

int PLAT_window_open(int index, const char* title, int x, int y, int w, int h, int framed,
                     int depth_bits, int samples)
{
	if (index < 0 || index > 1 || !video_up()) return 0;
	if (s_window[index]) return 1;
	SDL_GL_ResetAttributes();
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
	SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
	SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
	SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
	SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
	SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth_bits);
	SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
	SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
	Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
	if (!framed) flags |= SDL_WINDOW_BORDERLESS;
	s_window[index] = SDL_CreateWindow(title, x, y, w, h, flags);
	return s_window[index] != nullptr;
}

void PLAT_window_close(int index)
{
	if (index < 0 || index > 1 || !s_window[index]) return;
	SDL_DestroyWindow(s_window[index]);
	s_window[index] = nullptr;
}

void PLAT_window_title(int index, const char* title)
{
	if (index < 0 || index > 1 || !s_window[index] || !title) return;
	SDL_SetWindowTitle(s_window[index], title);
}

void* PLAT_window_handle(int index)
{
	return (index >= 0 && index <= 1) ? s_window[index] : nullptr;
}

void* PLAT_gl_create_context(int index, void* share)
{
	if (index < 0 || index > 1 || !s_window[index]) return nullptr;
	SDL_GLContext prev = SDL_GL_GetCurrentContext();
	SDL_Window* prev_win = SDL_GL_GetCurrentWindow();
	if (share) SDL_GL_MakeCurrent(s_window[index], (SDL_GLContext)share);
	SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, share ? 1 : 0);
	SDL_GLContext c = SDL_GL_CreateContext(s_window[index]);
	SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
	// Creating makes the new context current; a shared one is for another thread.
	if (share && prev) SDL_GL_MakeCurrent(prev_win, prev);
	return c;
}

int PLAT_gl_make_current(int index, void* ctx)
{
	SDL_Window* w = (index >= 0 && index <= 1) ? s_window[index] : nullptr;
	if (!w) w = s_window[0];
	if (!w || !ctx) return 0;
	return SDL_GL_MakeCurrent(w, (SDL_GLContext)ctx) == 0;
}

void PLAT_gl_delete_context(void* ctx)
{
	if (ctx) SDL_GL_DeleteContext((SDL_GLContext)ctx);
}

int PLAT_gl_library_loaded()
{
	return SDL_GL_GetCurrentContext() != nullptr;
}

void* PLAT_gl_get_proc(const char* name)
{
	return SDL_GL_GetProcAddress(name);
}

void PLAT_gl_swap()
{
	SDL_Window* w = SDL_GL_GetCurrentWindow();
	if (w) SDL_GL_SwapWindow(w);
}

int PLAT_gl_set_swap_interval(int interval)
{
	return SDL_GL_SetSwapInterval(interval) == 0 ? 0 : -1;
}

int PLAT_gl_attribute(int which)
{
	static const SDL_GLattr attrs[] = {SDL_GL_DOUBLEBUFFER, SDL_GL_RED_SIZE, SDL_GL_GREEN_SIZE,
	                                   SDL_GL_BLUE_SIZE, SDL_GL_ALPHA_SIZE, SDL_GL_DEPTH_SIZE,
	                                   SDL_GL_MULTISAMPLESAMPLES};
	if (which < 0 || which >= (int)(sizeof(attrs) / sizeof(attrs[0]))) return -1;
	int v = 0;
	return SDL_GL_GetAttribute(attrs[which], &v) == 0 ? v : -1;
}

long long PLAT_video_memory()
{
	typedef Bool (*query_fn)(int attribute, unsigned int* value);
	auto q = (query_fn)SDL_GL_GetProcAddress("glXQueryCurrentRendererIntegerMESA");
	unsigned int mb = 0;
	if (!q || !q(GLX_RENDERER_VIDEO_MEMORY_MESA, &mb)) return -1;
	return (long long)mb * 1024 * 1024;
}

void PLAT_cursor_show(int show)
{
	SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void PLAT_cursor_arrow()
{
	static SDL_Cursor* arrow = nullptr;
	if (!arrow) arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
	if (arrow) SDL_SetCursor(arrow);
}

void PLAT_warp_mouse(int index, int x, int y)
{
	if (index >= 0 && index <= 1 && s_window[index]) SDL_WarpMouseInWindow(s_window[index], x, y);
}

