// The movie recorder. The main thread grabs frames: the window goes into
// texture 429, is shown, then drawn back scaled and upside down so that the
// read-back rows come out top row first. Up to three frame buffers travel to
// the compressor thread and back through two queues; the movie belongs to
// whichever thread works on it (the starter detaches it, the compressor
// attaches it, the stopper takes it back).
#include "qtim.h"
#include "colr.h"
#include "MACIBM_mnw.h"
#include "OGL_extensions.h"
#include "OGL_fonts.h"
#include "OGL_setstate.h"
#include "PLAT_movie.h"
#include "TEX_image.h"
#include "THREAD_service.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_threads.h"
#include "UTL_translate.h"
#include "butn.h"
#include "oglp.h"
#include "path_utils.h"
#include "tman.h"
#include "xmap.h"
#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <list>

enum { kMovieTex = tman_ref_movie, kGrabMax = 2048, kBuffers = 3, kTimeScale = 600 };

struct mov_frame_buffer {
	float          duration;	// seconds
	unsigned char* pixels;
	long           bytes;
};

static PLAT_movie*       the_movie = nullptr;	// with its one track and media
static PLAT_cseq*        compress_seq = nullptr;
static unsigned char*    compress_buffer = nullptr;
static long              compress_size = 0;
static PLAT_image_desc*  image_desc = nullptr;
static PLAT_pixmap       frame_world = {};	// the off-screen world over the frame array
static int               frame_rect[4] = {0, 0, 0, 0};
static unsigned char*    frame_array = nullptr;
static int               rec_width = 0;	// the movie's width, at most the window's
static int               take_count = 0;
static float             start_time = 0, last_frame_time = 0;
static UTL_message_queue* to_thread = nullptr;
static UTL_message_queue* from_thread = nullptr;
static pthread_t         thread_h, thread_join, thread_id;
static int               thread_made = 0;
static std::atomic<int>  keep_running{1};
static std::list<mov_frame_buffer*> usable;
static GLuint            pack_buffer = 0;
static int               pack_full = 0;

// After the unit's state: destroyed before it, the record can still free the buffer list.
qtim_class qtim;

static long frame_bytes() { return (long)rec_width * qtim.movie_height * 4; }

qtim_class::qtim_class()
    : quicktime_ready(PLAT_enter_movies() == 0), state(0), movie_width(320), movie_height(0), frame_rate(20.0f),
      frames_recorded(0)
{
}

qtim_class::~qtim_class()
{
	PLAT_exit_movies();
	for (mov_frame_buffer* b : usable) {
		free(b->pixels);
		delete b;
	}
	usable.clear();
}

bool qtim_frame_due(float passed, float frame_rate, float* duration)
{
	const float period = 1.0f / frame_rate;
	if (passed < period) return false;
	*duration = passed < 2.0f * period ? period : passed;
	return true;
}

int qtim_sample_duration(float seconds)
{
	return std::max(1, std::min(60, (int)(seconds * kTimeScale)));
}

std::string qtim_take_name(int take) { return "Vantor movie take-" + std::to_string(take) + ".mov"; }

void qtim_class::mov_alert(std::string line1, std::string line2, const char* line3, int code)
{
	APL_alert(line1, line2, line3 ? line3 : "", std::to_string(code), t_exit);
}

// The compressor thread: frames in, compressed samples into the movie, buffers back.
static void* QT_Thread(void*)
{
	// a thread not entered cannot attach the movie, and its samples fail and are told
	(void)PLAT_enter_movies_on_thread();
	int holds = 0;
	for (;;) {
		mov_frame_buffer* b = (mov_frame_buffer*)UTL_message_queue_read(to_thread, -1);
		if (!b) {
			if (holds && the_movie) (void)PLAT_detach_movie_from_current_thread(the_movie);	// it holds it: cannot fail
			holds = 0;
			UTL_message_queue_write(from_thread, nullptr);
			if (!keep_running.load()) break;
			continue;
		}
		if (!holds && the_movie) {
			(void)PLAT_attach_movie_to_current_thread(the_movie);	// unheld, its samples fail and are told
			holds = 1;
		}
		memcpy(frame_array, b->pixels, (size_t)frame_bytes());
		if (the_movie) {
			if (!compress_buffer)
				APL_alert("rel_assert Error! Possibly an out of range vector! Attach the debugger and see who called this!",
				          "gCompressBuffer", "QT_Thread", "Please report this to Tarrowfield.", t_exit);
			long size = 0;
			int similarity = 0;
			int err = PLAT_compress_sequence_frame(compress_seq, compress_buffer, compress_size, &size, &similarity);
			if (err)
				qtim.mov_alert("Could not CompressSequenceFrame.",
				               "Please install the latest version of QuickTime with its authoring module.",
				               "(CompressSequenceBegin failed.)", err);
			err = PLAT_add_media_sample(the_movie, compress_buffer, 0, size, qtim_sample_duration(b->duration),
			                            *image_desc, 1, similarity);
			if (err) qtim.mov_alert("Could not AddMediaSample.", "", "AddMediaSample failed.", err);
		}
		UTL_message_queue_write(from_thread, b);
	}
	PLAT_exit_movies_on_thread();
	return nullptr;
}

// A recording still open when the program quits is finished, not lost.
static void qtim_at_shutdown() { qtim.stop_thread(); }

int qtim_class::mov_per_frame()
{
	if (state == 1) return mov_add_frame();
	if (state == 2) {
		if (!the_movie) {
			state = 0;
			return 0;
		}
		// a movie of fewer than three frames is not finished: capture on until there are
		if (frames_recorded <= 2) return mov_add_frame();
		mov_toggle(0);
	}
	return 0;
}

void qtim_class::mov_toggle(int new_state)
{
	if (!quicktime_ready) return;
	OGL_setstate(fog_fals, 1, lit_fals, al_blend, deR_fals, deW_fals);
	if (state == 0) {
		if (new_state == 0) return;	// nothing to stop, and a movie nobody records is never finished
		state = new_state;
		scratch_dx = scratch_dy = kGrabMax;
		(void)tman.load_texture(tex_fail_alert, kMovieTex, tman_scratch_rgb, tex_load_2, "scratch_array-t_QT_movie");
		mov_startrecord();
	} else if (frames_recorded > 2) {
		mov_stoprecord();
		tman.unload_texture(kMovieTex);
	}
}

void qtim_class::mov_startrecord()
{
	if (!thread_made) {
		if (!to_thread) {
			UTL_message_queue_create(&to_thread);
			UTL_message_queue_create(&from_thread);
		}
		keep_running.store(1);
		THREAD_create(QT_Thread, nullptr, &thread_h, &thread_join, &thread_id, 1);
		thread_made = 1;
		THREAD_add_shutdown_hook(qtim_at_shutdown);
	}

	if (mnw.screen_w > kGrabMax || mnw.screen_h > kGrabMax) {
		if (!the_movie) {	// idle again before the alert runs its frames
			state = 0;
			tman.unload_texture(kMovieTex);
		}
		APL_alert("Oops!", "You can NOT record movies in Vantor at any Vantor resolution higher that 2048 x 2048!",
		          "This limit is to keep the VRAM requirements of Vantor down.", "", t_alert);
		return;
	}
	// Checked before the frame array is touched: the recording under way keeps using it.
	if (the_movie) {
		APL_alert("Trying to create a movie but one already exists", "", "", "", t_alert);
		return;
	}

	// Nothing outside the window can be read back, so the movie is at most the window's size.
	rec_width = std::min(movie_width, mnw.screen_w);
	movie_height = mnw.screen_w > 0 ? mnw.screen_h * rec_width / mnw.screen_w : 0;
	free(frame_array);
	frame_array = (unsigned char*)malloc((size_t)std::max(1L, frame_bytes()));

	std::string name;
	for (;;) {
		name = qtim_take_name(++take_count);
		xmap_class probe(name);
		if (!probe.begin) break;
	}
	std::string path;
	get_OS_abs_path(os_dir_app_folder, path);
	path += name;
	if (path.size() > 255) APL_alert("String too long!", path, "", "", t_exit);

	FSRef folder;
	std::string leaf;
	int err = FilePathToFSRefAndName(path.c_str(), &folder, &leaf);
	if (err) mov_alert("Could not FSMakeFSSpec.", "", "", err);
	err = PLAT_create_movie_file(path, &the_movie);
	if (err) mov_alert("Could not CreateMovieFile to file: " + name, "", "(CreateMovieFile failed)", err);
	err = PLAT_new_movie_track(the_movie, rec_width << 16, movie_height << 16, 0);
	if (err) mov_alert("Could not NewMovieTrack.", "", "(NewMovieTrack failed)", err);
	err = PLAT_new_track_media(the_movie, PLAT_media_video, kTimeScale);
	if (err) mov_alert("Could not NewTrackMedia.", "", "(NewTrackMedia failed)", err);
	err = PLAT_begin_media_edits(the_movie);
	if (err) mov_alert("Could not BeginMediaEdits.", "", "(BeginMediaEdits failed)", err);

	frame_rect[0] = frame_rect[1] = 0;
	frame_rect[2] = rec_width;
	frame_rect[3] = movie_height;
	image_desc = new PLAT_image_desc();
	frame_world = {frame_array, rec_width, movie_height, rec_width * 4};
	err = PLAT_compress_sequence_begin(&compress_seq, frame_world, PLAT_codec_png, PLAT_quality_normal, image_desc);
	if (err) mov_alert("Could not CompressSequenceBegin.", "", "(CompressSequenceBegin failed.)", err);
	err = PLAT_get_max_compression_size(frame_world, PLAT_quality_normal, PLAT_codec_png, &compress_size);
	if (err) mov_alert("Could not GetMaxCompressionSize.", "", "(GetMaxCompressionSize failed.)", err);
	compress_buffer = (unsigned char*)malloc((size_t)compress_size);
	(void)PLAT_detach_movie_from_current_thread(the_movie);	// made on this thread: it holds it

	frames_recorded = 0;
	start_time = last_frame_time = xtim.elapsed;
	while ((int)usable.size() < kBuffers) usable.push_back(new mov_frame_buffer{0, nullptr, 0});
	for (mov_frame_buffer* b : usable) {
		free(b->pixels);
		b->bytes = frame_bytes();
		b->pixels = (unsigned char*)malloc((size_t)std::max(1L, b->bytes));
	}

	pack_full = 0;
	if (glExt.pbo_avail) {
		if (!pack_buffer) glExt.glGenBuffersARB(1, &pack_buffer);
		glExt.glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, pack_buffer);
		glExt.glBufferDataARB(GL_PIXEL_PACK_BUFFER_ARB, frame_bytes(), nullptr, GL_STREAM_READ_ARB);
		glExt.glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, 0);
	}
}

int qtim_class::mov_add_frame()
{
	if (xtim.elapsed == start_time) return 0;
	while (void* b = UTL_message_queue_read(from_thread, 0)) usable.push_back((mov_frame_buffer*)b);

	float duration = 0;
	if (usable.empty() || !qtim_frame_due(xtim.elapsed - last_frame_time, frame_rate, &duration)) return 0;
	last_frame_time += duration;
	mov_frame_buffer* buf = usable.front();
	const int use_pack = glExt.pbo_avail && pack_buffer;

	if (use_pack && pack_full) {
		glExt.glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, pack_buffer);
		glExt.glGetBufferSubDataARB(GL_PIXEL_PACK_BUFFER_ARB, 0, frame_bytes(), buf->pixels);
		glExt.glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, 0);
	}

	// The window into the texture, shown with the recording light on top.
	const int w = std::max(0, std::min(mnw.screen_w, (int)kGrabMax));
	const int h = std::max(0, std::min(mnw.screen_h, (int)kGrabMax));
	OGL_setstate(fog_fals, 1, lit_fals, al_none, deR_fals, deW_fals);
	tman.bind_ref(kMovieTex, 0, 0);
	glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
	draw_record_lgt();
	OGL_sbuff();

	// Back at the window's corner at movie size, top row at the bottom.
	const float s = w / (float)kGrabMax, t = h / (float)kGrabMax;
	const float mw = (float)rec_width, mh = (float)movie_height;
	OGL_setstate(fog_fals, 1, lit_fals, al_none, deR_fals, deW_fals);
	tman.bind_ref(kMovieTex, 0, 0);
	glColor4f(1, 1, 1, 1);
	glBegin(GL_QUADS);
	glTexCoord2f(0, t);
	glVertex2f(0, 0);
	glTexCoord2f(0, 0);
	glVertex2f(0, mh);
	glTexCoord2f(s, 0);
	glVertex2f(mw, mh);
	glTexCoord2f(s, t);
	glVertex2f(mw, 0);
	glEnd();

	if (use_pack) {
		glExt.glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, pack_buffer);
		glReadPixels(0, 0, rec_width, movie_height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
		glExt.glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, 0);
		if (!pack_full) {	// the first grab only fills the pixel-pack buffer
			pack_full = 1;
			return 1;
		}
	} else {
		glReadPixels(0, 0, rec_width, movie_height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, buf->pixels);
	}

	usable.pop_front();
	buf->duration = duration;
	UTL_message_queue_write(to_thread, buf);
	++frames_recorded;
	return 1;
}

void qtim_class::mov_stoprecord()
{
	if (thread_made) {
		UTL_message_queue_write(to_thread, nullptr);
		while (void* b = UTL_message_queue_read(from_thread, -1)) usable.push_back((mov_frame_buffer*)b);
	}
	if (state == 0 || !the_movie) {
		APL_alert("Cannot finish record of a movie that was not started!", "", "", "", t_alert);
		return;
	}
	(void)PLAT_attach_movie_to_current_thread(the_movie);	// unheld, the finishing calls fail and are told
	PLAT_cdsequence_end(compress_seq);
	compress_seq = nullptr;
	free(compress_buffer);
	compress_buffer = nullptr;
	delete image_desc;
	image_desc = nullptr;
	frame_world = {};
	int err = PLAT_end_media_edits(the_movie);
	if (err) mov_alert("Could not EndMediaEdits.", "", "(EndMediaEdits failed.)", err);
	err = PLAT_insert_media_into_track(the_movie, 0, 0, PLAT_get_media_duration(the_movie), PLAT_fixed_one);
	if (err) mov_alert("Could not InsertMediaIntoTrack.", "", "(InsertMediaIntoTrack failed.)", err);
	err = PLAT_add_movie_resource(the_movie);
	if (err) mov_alert("Could not AddMovieResource.", "", "(AddMovieResource failed.)", err);
	err = PLAT_close_movie_file(the_movie);
	if (err) mov_alert("Could not CloseMovieFile.", "", "(CloseMovieFile failed.)", err);
	PLAT_dispose_movie(the_movie);
	the_movie = nullptr;
	free(frame_array);
	frame_array = nullptr;
	state = 0;
	pack_full = 0;
}

void qtim_class::stop_thread()
{
	if (the_movie) mov_stoprecord();
	if (!thread_made) return;
	keep_running.store(0);
	UTL_message_queue_write(to_thread, nullptr);
	UTL_thread_join(&thread_h, &thread_join);
	thread_made = 0;
	while (UTL_message_queue_read(from_thread, 0)) {}	// its last answer
}

void qtim_class::draw_record_lgt()
{
	OGL_string(colr_red, 10, 10, UTL_translate_string("QuickTime Movie Recording...", 0), 9999, 0, 0);
}

void qtim_class::qtim_wind()
{
	if (state != 0) mov_toggle(0);
	const float x = mnw.wind_w * 0.5f + 40, top = mnw.wind_h - 50, width = mnw.wind_w - 60;
	BTN_flt_range(x, top, &frame_rate, 3, 1, 10, 99,
	              UTL_translate_string("frame rate of movie|(frames per second)", 0));
	BTN_int_range(x, top - 30, &movie_width, 4, 32, 2048,
	              UTL_translate_string("x-resolution of movie|(pix) { The y-resolution is auto-set for you to scale "
	                                   "perfectly based on the x-resolution you enter here.", 0));
	const char* lines[] = {
	    quicktime_ready
	        ? "QuickTime 6.00 or later is installed, so you can record movies."
	        : "QuickTime 6.00 or later is NOT installed, so you can not record movies. Download it from "
	          "www.tarrowfield.example/quicktime and install it.",
	    "You need the QuickTime authoring module too: it comes with the full QuickTime install.",
	    "Hit CONTROL-SPACE to start recording a movie, and CONTROL-SPACE again to stop.",
	    "The standard movie size is 320x240 at 15 to 20 frames per second.",
	    "Movies take a LOT of disk space, so keep an eye on how much you have left while you record!",
	    "Each take is saved beside the program; repeated takes get 'take-1', 'take-2' and so on appended to the name.",
	    "Any movie-editing software can cut the takes and join them into one movie."};
	float y = top - 70;
	for (const char* l : lines) y = OGL_string(colr_label, 30, y, UTL_translate_string(l, 0), width, 0, 0) - 16;
}
