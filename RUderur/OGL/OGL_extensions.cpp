// The capability decision: version, extension names, driver quirks, entry
// points, dependencies, limits, options, then the log table.
#include "OGL_extensions.h"
#include "UTL_alert.h"
#include "UTL_translate.h"
#include <cstdio>
#include <cstring>

OGL_extensions glExt;
// Zero-filled but for the alpha multiplier: at 0 every primitive would be invisible.
static ren_struct make_ren()
{
	ren_struct r = {};
	r.alpha_mult = 1.0f;
	return r;
}
ren_struct     ren = make_ren();

static const char* support_mail = "support@tarrowfield.example";
static const char* support_site = "www.tarrowfield.example";
static const char* soft_edition = "Vantor Lite";

OGL_extensions::OGL_extensions()
{
#define OGL_ZERO_PROC(flag, type, name) name = nullptr;
	OGL_PROCS_ALL(OGL_ZERO_PROC)
#undef OGL_ZERO_PROC
	multitex_avail = tex_clamp_avail = add_env_avail = combine_avail = dis_fog_avail = 0;
	tex_comp_avail = vbo_avail = pbo_avail = vprog_avail = fprog_avail = automini_avail = 0;
	aniso_avail = fsaa_avail = sprites_avail = depth_tex_avail = occlude_avail = 0;
	shad_objs_avail = vshader_avail = fshader_avail = gshader_avail = buniform_avail = 0;
	glsl_avail = first_gen_shaders = framebuf_avail = sblend_avail = draw_buffers_avail = 0;
	packed_stencil = tex_float_avail = 0;
	threaded_avail = 1;
	unused_int = 0;
	max_tex_size = 0;
}

int OGL_extensions::version_number(const std::string& version)
{
	int major = 0, minor = 0;
	if (sscanf(version.c_str(), "%d.%d", &major, &minor) == 2)
		return major * 100 + minor * 10;
	static const struct { const char* text; int num; } known[] = {
		{"1.1", 110}, {"1.2", 120}, {"1.3", 130}, {"1.4", 140}, {"1.5", 150}, {"2.0", 200}, {"2.1", 210}};
	int num = 100;
	for (const auto& k : known)
		if (version.compare(0, 3, k.text) == 0) num = k.num;
	return num;
}


static bool has_ext(const std::string& exts, const char* name)
{
	return exts.find(name) != std::string::npos;
}

struct proc_slot {
	const char* name;
	void**      slot;
};

void OGL_extensions::decide(const OGL_caps_input& in, std::ostream& log, std::vector<OGL_caps_alert>* alerts)
{
	auto opt = [&](const char* o) { return in.options.count(o) != 0; };
	const std::string& ex = in.extensions;

	// The driver's strings.
	ren.gl_vendor = in.vendor.c_str();
	ren.gl_renderer = in.renderer.c_str();
	ren.gl_version = in.version.c_str();
	ren.gl_extensions = in.extensions.c_str();

	// Version, then extension names.
	const int v = version_number(in.version);
	auto feat = [&](int at_least, const char* a, const char* b = nullptr) {
		return (at_least > 0 && v >= at_least) || has_ext(ex, a) || (b && has_ext(ex, b)) ? 1 : 0;
	};
	multitex_avail = feat(130, "GL_ARB_multitexture");
	tex_clamp_avail = feat(120, "GL_EXT_texture_edge_clamp", "GL_SGIS_texture_edge_clamp");
	add_env_avail = feat(130, "GL_ARB_texture_env_add", "GL_EXT_texture_env_add");
	combine_avail = feat(130, "GL_ARB_texture_env_combine", "GL_EXT_texture_env_combine");
	dis_fog_avail = feat(0, "GL_NV_fog_distance");
	tex_comp_avail = feat(130, "GL_ARB_texture_compression");
	vbo_avail = feat(150, "GL_ARB_vertex_buffer_object");
	pbo_avail = feat(210, "GL_ARB_pixel_buffer_object");
	vprog_avail = feat(0, "GL_ARB_vertex_program");
	fprog_avail = feat(0, "GL_ARB_fragment_program");
	automini_avail = feat(140, "GL_SGIS_generate_mipmap");
	aniso_avail = feat(0, "GL_EXT_texture_filter_anisotropic");
	fsaa_avail = feat(130, "GL_ARB_multisample");
	sprites_avail = feat(200, "GL_ARB_point_sprite");
	depth_tex_avail = feat(140, "GL_ARB_depth_texture");
	occlude_avail = feat(150, "GL_ARB_occlusion_query");
	shad_objs_avail = feat(200, "GL_ARB_shader_objects");
	vshader_avail = feat(200, "GL_ARB_vertex_shader");
	fshader_avail = feat(200, "GL_ARB_fragment_shader");
	gshader_avail = feat(0, "GL_EXT_geometry_shader4");
	buniform_avail = feat(0, "GL_EXT_bindable_uniform");
	glsl_avail = feat(200, "GL_ARB_shading_language_100");
	framebuf_avail = feat(300, "GL_EXT_framebuffer_object");
	sblend_avail = (v >= 200 || (has_ext(ex, "GL_EXT_blend_func_separate") && has_ext(ex, "GL_EXT_blend_equation_separate"))) ? 1 : 0;
	draw_buffers_avail = feat(200, "GL_ARB_draw_buffers");
	packed_stencil = feat(300, "GL_EXT_packed_depth_stencil");
	tex_float_avail = feat(300, "GL_ARB_texture_float");

	// Known bad driver and renderer pairs; an override option keeps the feature.
	const bool os_known = in.os_version >= 0;
	const std::string& rnd = in.renderer;
	if (occlude_avail && os_known && !opt("--use_pixel_counters")) {
		if (in.os_version < 0x1040 && has_ext(rnd, "NVIDIA NV34MAP OpenGL Engine")) {
			log << "Disabling occlusion queries on OS X 10.3 for nVidia.\n";
			occlude_avail = 0;
		} else if (in.os_version < 0x1049 && has_ext(rnd, "NVIDIA GeForce 7300 GT OpenGL Engine")) {
			log << "Disabling occlusion queries on OS X 10.4 for nVidia 7300 GT on 10.4.8.\n";
			occlude_avail = 0;
		}
	}
	if (glsl_avail && has_ext(rnd, "Intel GMA 950 OpenGL Engine") && !opt("--use_glsl")) {
		log << "Disabling GLSL for GMA 950.\n";
		glsl_avail = 0;
	}
	if (sprites_avail && os_known && in.os_version < 0x1053 && !opt("--use_sprites") &&
	    (rnd == "ATI Radeon HD 2600 PRO OpenGL Engine" || rnd == "ATI Radeon HD 2400 XT OpenGL Engine")) {
		log << "Disabling point sprites for Radeon HD on OS X.\n";
		sprites_avail = 0;
	}
	if (glsl_avail && has_ext(in.vendor, "NVIDIA") && !has_ext(ex, "GL_NV_fragment_program2"))
		first_gen_shaders = 1;

	// Entry points, group by group; every member is looked up.
	auto look = [&](const proc_slot* group, int n, int& flag) {
		if (!flag) return;
		for (int i = 0; i < n; ++i) {
			void* p = in.lookup ? in.lookup(group[i].name) : nullptr;
			*group[i].slot = p;
			if (!p) {
				log << "WARNING: extension missing proc " << group[i].name
				    << ".  This is a problem with your video driver.\n";
				flag = 0;
			}
		}
	};
#define OGL_SLOT(flag, type, name) {#name, reinterpret_cast<void**>(&name)},
	const proc_slot g_vbo[] = {OGL_PROCS_VBO(OGL_SLOT)};
	const proc_slot g_vprog[] = {OGL_PROCS_VPROG(OGL_SLOT)};
	const proc_slot g_occl[] = {OGL_PROCS_OCCLUDE(OGL_SLOT)};
	const proc_slot g_shad[] = {OGL_PROCS_SHADOBJS(OGL_SLOT)};
	const proc_slot g_gsh[] = {OGL_PROCS_GSHADER(OGL_SLOT)};
	const proc_slot g_buni[] = {OGL_PROCS_BUNIFORM(OGL_SLOT)};
	const proc_slot g_vsh[] = {OGL_PROCS_VSHADER(OGL_SLOT)};
	const proc_slot g_fbo[] = {OGL_PROCS_FRAMEBUF(OGL_SLOT)};
	const proc_slot g_comp[] = {OGL_PROCS_TEXCOMP(OGL_SLOT)};
	const proc_slot g_draw[] = {OGL_PROCS_DRAWBUF(OGL_SLOT)};
#undef OGL_SLOT
#define N(g) (int)(sizeof(g) / sizeof(g[0]))
	look(g_vbo, N(g_vbo), vbo_avail);
	if (pbo_avail && !vbo_avail) {
		log << "Disabling PBOs because VBOs are not available.  This probably means that VBOs are disabled for compatibility reasons.\n";
		pbo_avail = 0;
	}
	look(g_vprog, N(g_vprog), vprog_avail);
	look(g_occl, N(g_occl), occlude_avail);
	look(g_shad, N(g_shad), shad_objs_avail);
	look(g_gsh, N(g_gsh), gshader_avail);
	look(g_buni, N(g_buni), buniform_avail);
	look(g_vsh, N(g_vsh), vshader_avail);
	look(g_fbo, N(g_fbo), framebuf_avail);
	look(g_comp, N(g_comp), tex_comp_avail);
	const proc_slot g_beq[] = {{"glBlendEquationSeparateEXT", reinterpret_cast<void**>(&glBlendEquationSeparateEXT)}};
	const proc_slot g_bfn[] = {{"glBlendFuncSeparateEXT", reinterpret_cast<void**>(&glBlendFuncSeparateEXT)}};
	look(g_beq, 1, sblend_avail);
	look(g_draw, N(g_draw), draw_buffers_avail);
	if (glBlendEquationSeparateEXT) look(g_bfn, 1, sblend_avail);
#undef N

	// A feature goes with the features it needs.
	if (!vprog_avail) fprog_avail = 0;
	if (!shad_objs_avail) fshader_avail = vshader_avail = gshader_avail = 0;
	if (!vshader_avail || !fshader_avail) glsl_avail = 0;

	// Shader programs the driver cannot run natively are switched off.
	if (fprog_avail) {
		if (in.fp_instr == 0 && !opt("--use_fprogs")) fprog_avail = 0;
		if (in.fp_instr < 100) first_gen_shaders = 1;
	}
	if (vprog_avail && in.vp_instr == 0 && !opt("--use_vprogs")) vprog_avail = 0;
	std::string glsl_text = "n/a";
	if (glsl_avail) glsl_text = in.glsl_version.empty() ? "<null string>" : in.glsl_version;

	// The limits the drawing code reads.
	ren.max_aniso = 1.0f;
	if (aniso_avail) ren.max_aniso = in.max_aniso;
	ren.tex_units = in.max_tex_units;
	ren.tex_image_units = fprog_avail ? in.max_image_units : ren.tex_units;
	ren.tex_coords = vprog_avail ? in.max_tex_coords : ren.tex_units;
	max_tex_size = in.max_tex_size;
	if (ren.tex_units == 0) ren.tex_units = 1;

	// Command-line switches.
	if (opt("--no_vbos")) vbo_avail = pbo_avail = 0;
	if (opt("--no_pbos")) pbo_avail = 0;
	if (opt("--no_sprites")) sprites_avail = 0;
	if (opt("--no_pixel_counters")) occlude_avail = 0;
	if (opt("--no_aniso_filtering")) { aniso_avail = 0; ren.max_aniso = 1.0f; }
	if (opt("--no_hw_mipmap")) automini_avail = 0;
	if (opt("--no_vshaders")) vprog_avail = 0;
	if (opt("--no_fshaders")) fprog_avail = 0;
	if (opt("--no_glsl")) glsl_avail = 0;
	if (opt("--no_fbos")) framebuf_avail = 0;
	if (opt("--no_sblend")) sblend_avail = 0;
	threaded_avail = 0;

	// The capability table, to the log.
	log << "OpenGL Vendor    : " << in.vendor << "\n";
	log << "OpenGL Render    : " << in.renderer << "\n";
	log << "OpenGL Version   : " << in.version << " (" << v << ")\n";
	log << "OpenGL Extensions: " << in.extensions << "\n";
	log << "use_vsync1       : " << in.vsync << "\n";
	log << "use_vsync2       : " << in.vsync_double << "\n";
	log << "tex_clamp_avail  : " << tex_clamp_avail << "\n";
	log << "add_env_avail    : " << add_env_avail << "\n";
	log << "combine_avail    : " << combine_avail << "\n";
	log << "dis_fog_avail    : " << dis_fog_avail << "\n";
	log << "tex_comp_avail   : " << tex_comp_avail << "\n";
	log << "vbo_avail        : " << vbo_avail << "\n";
	log << "pbo_avail        : " << pbo_avail << "\n";
	log << "vprog_avail      : " << vprog_avail << " (" << in.vp_instr << ")\n";
	log << "fprog_avail      : " << fprog_avail << " (" << in.fp_instr << "/" << in.fp_alu << "/"
	    << in.fp_tex << "/" << in.fp_indir << ")\n";
	log << "automini_avail   : " << automini_avail << "\n";
	log << "aniso_avail      : " << aniso_avail << "\n";
	log << "fsaa_avail       : " << fsaa_avail << "\n";
	log << "sprites_avail    : " << sprites_avail << "\n";
	log << "depth_tex_avail  : " << depth_tex_avail << "\n";
	log << "occlude_avail    : " << occlude_avail << "\n";
	log << "shad_objs_avail  : " << shad_objs_avail << "\n";
	log << "vshader_avail    : " << vshader_avail << " (" << in.max_vertex_attribs << "/" << in.max_vertex_uniform
	    << "/" << in.max_varying << "/" << in.max_combined_units << "/" << in.max_vertex_tex_units << "/"
	    << in.max_fragment_uniform << ")\n";
	log << "fshader_avail    : " << fshader_avail << " (" << in.max_fragment_uniform << ")\n";
	log << "gshader_avail    : " << gshader_avail << "\n";
	log << "buniform_avail   : " << buniform_avail << "\n";
	log << "glsl_avail       : " << glsl_avail << " (" << glsl_text << ")\n";
	log << "framebuf_avail   : " << framebuf_avail << "\n";
	log << "sblend_avail     : " << sblend_avail << "\n";
	log << "tex_float_avail  : " << tex_float_avail << "\n";
	log << "packed_stencil   : " << packed_stencil << "\n";
	log << "threaded_avail   : " << threaded_avail << "\n";
	log << "first-gen shaders: " << first_gen_shaders << "\n";
	log << "max tex units    : " << ren.tex_units << " (" << ren.tex_image_units << "/" << ren.tex_coords << ")\n";
	log << "max iso filtering: " << ren.max_aniso << "\n";
	log << "max texture size : " << max_tex_size << "\n";
	log << "max point size   : " << in.point_size_max << "\n";
	log.flush();

	// Shaders reach every image unit.
	if (glsl_avail && ren.tex_image_units > ren.tex_units) ren.tex_units = ren.tex_image_units;

	// Hardware the program cannot run on, or runs on without an accelerator.
	if (!alerts) return;
	auto tr = [](const std::string& s) { return UTL_translate_string(s, 0); };
	if (v < 110 && !multitex_avail) {
		const std::string l1 = tr("Your graphics hardware cannot support Vantor. Vantor requires a graphics card with 16 MB of VRAM and multitexturing.");
		if (!opt("--force_run"))
			alerts->push_back({t_exit, l1, tr("First, try updating your graphics drivers."),
			                   tr("If this does not help, check your graphics card specifications."),
			                   tr(std::string("For tech support, email ") + support_mail)});
		else
			alerts->push_back({t_alert, l1, tr("Your system does not meet Vantor's hardware requirements."),
			                   tr("You have used the force-run command inline option to run Vantor anyway, but it may crash."),
			                   tr(std::string("Go to ") + support_site + " for system requirements and tech support information.")});
	}
	if (rnd == "GENERIC" || rnd == "Generic" || rnd == "generic" || rnd == "Mesa GLX Indirect")
		alerts->push_back({t_alert,
		                   tr("I can not find a 3-D accelerator card that can handle OpenGL that has correctly installed drivers."),
		                   tr("I will still let you run the simulator, but the frame rate will NOT allow for a good simulation."),
		                   tr(std::string("For you to fly realistically, you must use Vantor version ") + soft_edition +
		                      ", or get a 3-D accelerator card that can handle OpenGL."),
		                   tr(std::string("See ") + support_site + " for a list of the currently-compatible 3-D video cards.")});
}

void OGL_extensions::threaded_ogl_failed()
{
	if (!threaded_avail) return;
	threaded_avail = 0;
	__MACIBM_alert(0, UTL_translate_string("There was a problem setting up OpenGL.", 0),
	               UTL_translate_string("You can still fly, but you may experience pauses during flight while scenery loads.", 0),
	               "", UTL_translate_string("(Please send your log.txt file to Tarrowfield for debugging purposes.)", 0),
	               t_alert, __FILE__, __LINE__);
}
