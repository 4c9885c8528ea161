// The informational options: they print and end the process before any window exists.
#include "UTL_cmdline.h"
#include "UTL_cmnd.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

const char* UTL_usage_text =
	"Usage: Vantor [options...]\n"
	"\n"
	"Flags take the form --flag or --flag=value.  Type them exactly as they\n"
	"are shown here: a flag that Vantor does not know is ignored without a\n"
	"message, and so is a flag with a spelling mistake.  Flags may be given in\n"
	"any order; when a flag is given twice, the last value counts.\n"
	"\n"
	"--help or -h\n"
	"        Print this message and quit without starting Vantor.  Nothing\n"
	"        is changed on disk and no window is opened.\n"
	"--no_sound\n"
	"        Run without initializing the sound hardware.  Use this if Vantor\n"
	"        hangs or crashes while starting up on a machine with unusual audio.\n"
	"--missing_strings\n"
	"        Write every visible text that has no translation in the current\n"
	"        language to the log file, so that translators can find them.\n"
	"--lang=<lang code>\n"
	"        Start Vantor in the given language instead of the one the system\n"
	"        prefers.  The code is a two-letter language code such as en, fr,\n"
	"        de, ru, it or es.  An unknown code is ignored and the language\n"
	"        of the system is used.\n"
	"\n"
	"OPTIONS TO DISABLE HARDWARE ACCELERATION\n"
	"\n"
	"These options turn off features of your graphics card that Vantor would\n"
	"otherwise use.  Try them one at a time if you see crashes or drawing\n"
	"errors that go away when the feature is off.\n"
	"\n"
	"--no_vbos\n"
	"        Do not use vertex buffer objects; geometry is sent to the card\n"
	"        from main memory every frame instead.\n"
	"--no_fbos\n"
	"        Do not use framebuffer objects; render-to-texture effects are\n"
	"        drawn by copying from the back buffer.\n"
	"--no_pbos\n"
	"        Do not use pixel buffer objects for asynchronous texture uploads\n"
	"        and screen reads.\n"
	"--no_sprites\n"
	"        Do not use point sprites; lights are drawn as small textured\n"
	"        quads instead.\n"
	"--no_pixel_counters\n"
	"        Do not use occlusion queries to count visible pixels, for example\n"
	"        when measuring how much of the sun is visible.\n"
	"--no_aniso_filtering\n"
	"        Do not use anisotropic texture filtering, even when it is chosen\n"
	"        in the rendering options.\n"
	"--no_hw_mipmap\n"
	"        Do not let the card build texture mipmaps; they are built by the\n"
	"        processor when textures load.\n"
	"--no_fshaders\n"
	"        Do not use fragment programs; per-pixel lighting and water\n"
	"        effects are switched off.\n"
	"--no_vshaders\n"
	"        Do not use vertex programs; geometry is transformed by the\n"
	"        fixed-function pipeline of the card.\n"
	"--no_glsl\n"
	"        Do not use the OpenGL shading language; effects that need it are\n"
	"        switched off.\n"
	"--no_threaded_ogl\n"
	"        Do not load textures on worker threads with OpenGL contexts of\n"
	"        their own; everything loads on the main thread.  Start-up takes\n"
	"        longer, but drivers that cannot share textures between contexts\n"
	"        work again.\n"
	"\n"
	"OPTIONS TO ENABLE INCOMPATIBLE HARDWARE ACCELERATION\n"
	"\n"
	"These options turn on features that Vantor avoids on your card because\n"
	"its driver is known to have trouble with them.  They may crash Vantor or\n"
	"the whole machine; use them only to test a new driver.\n"
	"\n"
	"--use_vbos\n"
	"        Use vertex buffer objects even where the driver is known to be\n"
	"        slow or unreliable with them.\n"
	"--use_sprites\n"
	"        Use point sprites even where the driver is known to draw them\n"
	"        wrongly.\n"
	"--use_fshaders\n"
	"        Use fragment programs even where the driver is known to draw\n"
	"        them wrongly or slowly.\n"
	"--use_vshaders\n"
	"        Use vertex programs even where the driver is known to draw\n"
	"        them wrongly or slowly.\n"
	"--use_glsl\n"
	"        Use the OpenGL shading language even where the compiler of the\n"
	"        driver is known to be unreliable.\n"
	"--force_run\n"
	"        Run Vantor on a graphics card below the minimum requirements\n"
	"        instead of quitting with a warning.  Expect low frame rates and\n"
	"        missing effects.  If Vantor runs well this way, please tell us\n"
	"        your card and driver version so that we can raise the limit.\n"
	"\n"
	"FRAMERATE TEST\n"
	"\n"
	"--fps_test=n\n"
	"        Run the frame-rate test number n and quit when it ends.  The frame\n"
	"        rate is written to the log file, and error messages go to the log\n"
	"        file only, so the test never stops for a message.  Preferences are\n"
	"        not saved at the end of a test run.\n"
	"--require_fps=n\n"
	"        Used together with --fps_test: after the test, report whether the\n"
	"        average frame rate reached n frames per second, so that scripts can\n"
	"        check a machine or a driver automatically.  The result is the\n"
	"        last line of the log file.\n";

int UTL_cmdline::init_common()
{
	if (has_option("--cmnds")) {
		std::string what = get_option("--cmnds");
		if (what == "all") {
			for (size_t i = 0; i < cmnd.cmnd_paths.size(); ++i)
				printf("%-50s %s\n", cmnd.cmnd_paths[i].c_str(), cmnd.cmnd_descs[i].c_str());
		} else {
			std::vector<std::string> next;
			cmnd.get_cmds_in_path(what, next);
			std::sort(next.begin(), next.end());
			for (const std::string& s : next) printf("%s\n", s.c_str());
		}
		exit(fflush(stdout) == 0 ? 0 : 1);	// a listing that did not reach its reader is no success
	}
	if (has_option("--version")) exit(0);
	if (has_option("-h") || has_option("--help")) {
		printf("%s\n", UTL_usage_text);
		exit(fflush(stdout) == 0 ? 0 : 1);	// as above
	}
	return 0;
}
