#ifndef OGL_EXTENSIONS_H
#define OGL_EXTENSIONS_H
// What the driver can do: extension entry points, one flag per optional
// feature, and the limits the drawing code reads.
#include <GL/gl.h>
#include <GL/glext.h>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

// The entry-point table, group by group: X(group flag, proc type, name).
#define OGL_PROCS_VBO(X) \
	X(vbo_avail, PFNGLBINDBUFFERARBPROC, glBindBufferARB) \
	X(vbo_avail, PFNGLDELETEBUFFERSARBPROC, glDeleteBuffersARB) \
	X(vbo_avail, PFNGLGENBUFFERSARBPROC, glGenBuffersARB) \
	X(vbo_avail, PFNGLISBUFFERARBPROC, glIsBufferARB) \
	X(vbo_avail, PFNGLBUFFERDATAARBPROC, glBufferDataARB) \
	X(vbo_avail, PFNGLBUFFERSUBDATAARBPROC, glBufferSubDataARB) \
	X(vbo_avail, PFNGLGETBUFFERSUBDATAARBPROC, glGetBufferSubDataARB) \
	X(vbo_avail, PFNGLMAPBUFFERARBPROC, glMapBufferARB) \
	X(vbo_avail, PFNGLUNMAPBUFFERARBPROC, glUnmapBufferARB) \
	X(vbo_avail, PFNGLGETBUFFERPARAMETERIVARBPROC, glGetBufferParameterivARB) \
	X(vbo_avail, PFNGLGETBUFFERPOINTERVARBPROC, glGetBufferPointervARB)

#define OGL_PROCS_VPROG(X) \
	X(vprog_avail, PFNGLVERTEXATTRIB1DARBPROC, glVertexAttrib1dARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB1DVARBPROC, glVertexAttrib1dvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB1FARBPROC, glVertexAttrib1fARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB1FVARBPROC, glVertexAttrib1fvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB1SARBPROC, glVertexAttrib1sARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB1SVARBPROC, glVertexAttrib1svARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB2DARBPROC, glVertexAttrib2dARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB2DVARBPROC, glVertexAttrib2dvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB2FARBPROC, glVertexAttrib2fARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB2FVARBPROC, glVertexAttrib2fvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB2SARBPROC, glVertexAttrib2sARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB2SVARBPROC, glVertexAttrib2svARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB3DARBPROC, glVertexAttrib3dARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB3DVARBPROC, glVertexAttrib3dvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB3FARBPROC, glVertexAttrib3fARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB3FVARBPROC, glVertexAttrib3fvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB3SARBPROC, glVertexAttrib3sARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB3SVARBPROC, glVertexAttrib3svARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4NBVARBPROC, glVertexAttrib4NbvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4NIVARBPROC, glVertexAttrib4NivARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4NSVARBPROC, glVertexAttrib4NsvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4NUBARBPROC, glVertexAttrib4NubARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4NUBVARBPROC, glVertexAttrib4NubvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4NUIVARBPROC, glVertexAttrib4NuivARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4NUSVARBPROC, glVertexAttrib4NusvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4BVARBPROC, glVertexAttrib4bvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4DARBPROC, glVertexAttrib4dARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4DVARBPROC, glVertexAttrib4dvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4FARBPROC, glVertexAttrib4fARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4FVARBPROC, glVertexAttrib4fvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4IVARBPROC, glVertexAttrib4ivARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4SARBPROC, glVertexAttrib4sARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4SVARBPROC, glVertexAttrib4svARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4UBVARBPROC, glVertexAttrib4ubvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4UIVARBPROC, glVertexAttrib4uivARB) \
	X(vprog_avail, PFNGLVERTEXATTRIB4USVARBPROC, glVertexAttrib4usvARB) \
	X(vprog_avail, PFNGLVERTEXATTRIBPOINTERARBPROC, glVertexAttribPointerARB) \
	X(vprog_avail, PFNGLENABLEVERTEXATTRIBARRAYARBPROC, glEnableVertexAttribArrayARB) \
	X(vprog_avail, PFNGLDISABLEVERTEXATTRIBARRAYARBPROC, glDisableVertexAttribArrayARB) \
	X(vprog_avail, PFNGLPROGRAMSTRINGARBPROC, glProgramStringARB) \
	X(vprog_avail, PFNGLBINDPROGRAMARBPROC, glBindProgramARB) \
	X(vprog_avail, PFNGLDELETEPROGRAMSARBPROC, glDeleteProgramsARB) \
	X(vprog_avail, PFNGLGENPROGRAMSARBPROC, glGenProgramsARB) \
	X(vprog_avail, PFNGLPROGRAMENVPARAMETER4DARBPROC, glProgramEnvParameter4dARB) \
	X(vprog_avail, PFNGLPROGRAMENVPARAMETER4DVARBPROC, glProgramEnvParameter4dvARB) \
	X(vprog_avail, PFNGLPROGRAMENVPARAMETER4FARBPROC, glProgramEnvParameter4fARB) \
	X(vprog_avail, PFNGLPROGRAMENVPARAMETER4FVARBPROC, glProgramEnvParameter4fvARB) \
	X(vprog_avail, PFNGLPROGRAMLOCALPARAMETER4DARBPROC, glProgramLocalParameter4dARB) \
	X(vprog_avail, PFNGLPROGRAMLOCALPARAMETER4DVARBPROC, glProgramLocalParameter4dvARB) \
	X(vprog_avail, PFNGLPROGRAMLOCALPARAMETER4FARBPROC, glProgramLocalParameter4fARB) \
	X(vprog_avail, PFNGLPROGRAMLOCALPARAMETER4FVARBPROC, glProgramLocalParameter4fvARB) \
	X(vprog_avail, PFNGLGETPROGRAMENVPARAMETERDVARBPROC, glGetProgramEnvParameterdvARB) \
	X(vprog_avail, PFNGLGETPROGRAMENVPARAMETERFVARBPROC, glGetProgramEnvParameterfvARB) \
	X(vprog_avail, PFNGLGETPROGRAMLOCALPARAMETERDVARBPROC, glGetProgramLocalParameterdvARB) \
	X(vprog_avail, PFNGLGETPROGRAMLOCALPARAMETERFVARBPROC, glGetProgramLocalParameterfvARB) \
	X(vprog_avail, PFNGLGETPROGRAMIVARBPROC, glGetProgramivARB) \
	X(vprog_avail, PFNGLGETPROGRAMSTRINGARBPROC, glGetProgramStringARB) \
	X(vprog_avail, PFNGLGETVERTEXATTRIBDVARBPROC, glGetVertexAttribdvARB) \
	X(vprog_avail, PFNGLGETVERTEXATTRIBFVARBPROC, glGetVertexAttribfvARB) \
	X(vprog_avail, PFNGLGETVERTEXATTRIBIVARBPROC, glGetVertexAttribivARB) \
	X(vprog_avail, PFNGLGETVERTEXATTRIBPOINTERVARBPROC, glGetVertexAttribPointervARB) \
	X(vprog_avail, PFNGLISPROGRAMARBPROC, glIsProgramARB)

#define OGL_PROCS_OCCLUDE(X) \
	X(occlude_avail, PFNGLGENQUERIESARBPROC, glGenQueriesARB) \
	X(occlude_avail, PFNGLDELETEQUERIESARBPROC, glDeleteQueriesARB) \
	X(occlude_avail, PFNGLISQUERYARBPROC, glIsQueryARB) \
	X(occlude_avail, PFNGLBEGINQUERYARBPROC, glBeginQueryARB) \
	X(occlude_avail, PFNGLENDQUERYARBPROC, glEndQueryARB) \
	X(occlude_avail, PFNGLGETQUERYIVARBPROC, glGetQueryivARB) \
	X(occlude_avail, PFNGLGETQUERYOBJECTIVARBPROC, glGetQueryObjectivARB) \
	X(occlude_avail, PFNGLGETQUERYOBJECTUIVARBPROC, glGetQueryObjectuivARB)

#define OGL_PROCS_SHADOBJS(X) \
	X(shad_objs_avail, PFNGLDELETEOBJECTARBPROC, glDeleteObjectARB) \
	X(shad_objs_avail, PFNGLGETHANDLEARBPROC, glGetHandleARB) \
	X(shad_objs_avail, PFNGLDETACHOBJECTARBPROC, glDetachObjectARB) \
	X(shad_objs_avail, PFNGLCREATESHADEROBJECTARBPROC, glCreateShaderObjectARB) \
	X(shad_objs_avail, PFNGLSHADERSOURCEARBPROC, glShaderSourceARB) \
	X(shad_objs_avail, PFNGLCOMPILESHADERARBPROC, glCompileShaderARB) \
	X(shad_objs_avail, PFNGLCREATEPROGRAMOBJECTARBPROC, glCreateProgramObjectARB) \
	X(shad_objs_avail, PFNGLATTACHOBJECTARBPROC, glAttachObjectARB) \
	X(shad_objs_avail, PFNGLLINKPROGRAMARBPROC, glLinkProgramARB) \
	X(shad_objs_avail, PFNGLUSEPROGRAMOBJECTARBPROC, glUseProgramObjectARB) \
	X(shad_objs_avail, PFNGLVALIDATEPROGRAMARBPROC, glValidateProgramARB) \
	X(shad_objs_avail, PFNGLUNIFORM1FARBPROC, glUniform1fARB) \
	X(shad_objs_avail, PFNGLUNIFORM2FARBPROC, glUniform2fARB) \
	X(shad_objs_avail, PFNGLUNIFORM3FARBPROC, glUniform3fARB) \
	X(shad_objs_avail, PFNGLUNIFORM4FARBPROC, glUniform4fARB) \
	X(shad_objs_avail, PFNGLUNIFORM1IARBPROC, glUniform1iARB) \
	X(shad_objs_avail, PFNGLUNIFORM2IARBPROC, glUniform2iARB) \
	X(shad_objs_avail, PFNGLUNIFORM3IARBPROC, glUniform3iARB) \
	X(shad_objs_avail, PFNGLUNIFORM4IARBPROC, glUniform4iARB) \
	X(shad_objs_avail, PFNGLUNIFORM1FVARBPROC, glUniform1fvARB) \
	X(shad_objs_avail, PFNGLUNIFORM2FVARBPROC, glUniform2fvARB) \
	X(shad_objs_avail, PFNGLUNIFORM3FVARBPROC, glUniform3fvARB) \
	X(shad_objs_avail, PFNGLUNIFORM4FVARBPROC, glUniform4fvARB) \
	X(shad_objs_avail, PFNGLUNIFORM1IVARBPROC, glUniform1ivARB) \
	X(shad_objs_avail, PFNGLUNIFORM2IVARBPROC, glUniform2ivARB) \
	X(shad_objs_avail, PFNGLUNIFORM3IVARBPROC, glUniform3ivARB) \
	X(shad_objs_avail, PFNGLUNIFORM4IVARBPROC, glUniform4ivARB) \
	X(shad_objs_avail, PFNGLUNIFORMMATRIX2FVARBPROC, glUniformMatrix2fvARB) \
	X(shad_objs_avail, PFNGLUNIFORMMATRIX3FVARBPROC, glUniformMatrix3fvARB) \
	X(shad_objs_avail, PFNGLUNIFORMMATRIX4FVARBPROC, glUniformMatrix4fvARB) \
	X(shad_objs_avail, PFNGLGETOBJECTPARAMETERFVARBPROC, glGetObjectParameterfvARB) \
	X(shad_objs_avail, PFNGLGETOBJECTPARAMETERIVARBPROC, glGetObjectParameterivARB) \
	X(shad_objs_avail, PFNGLGETINFOLOGARBPROC, glGetInfoLogARB) \
	X(shad_objs_avail, PFNGLGETATTACHEDOBJECTSARBPROC, glGetAttachedObjectsARB) \
	X(shad_objs_avail, PFNGLGETUNIFORMLOCATIONARBPROC, glGetUniformLocationARB) \
	X(shad_objs_avail, PFNGLGETACTIVEUNIFORMARBPROC, glGetActiveUniformARB) \
	X(shad_objs_avail, PFNGLGETUNIFORMFVARBPROC, glGetUniformfvARB) \
	X(shad_objs_avail, PFNGLGETUNIFORMIVARBPROC, glGetUniformivARB) \
	X(shad_objs_avail, PFNGLGETSHADERSOURCEARBPROC, glGetShaderSourceARB)

#define OGL_PROCS_VSHADER(X) \
	X(vshader_avail, PFNGLBINDATTRIBLOCATIONARBPROC, glBindAttribLocationARB) \
	X(vshader_avail, PFNGLGETACTIVEATTRIBARBPROC, glGetActiveAttribARB) \
	X(vshader_avail, PFNGLGETATTRIBLOCATIONARBPROC, glGetAttribLocationARB)

#define OGL_PROCS_GSHADER(X) \
	X(gshader_avail, PFNGLPROGRAMPARAMETERIEXTPROC, glProgramParameteriEXT)

#define OGL_PROCS_BUNIFORM(X) \
	X(buniform_avail, PFNGLUNIFORMBUFFEREXTPROC, glUniformBufferEXT) \
	X(buniform_avail, PFNGLGETUNIFORMBUFFERSIZEEXTPROC, glGetUniformBufferSizeEXT) \
	X(buniform_avail, PFNGLGETUNIFORMOFFSETEXTPROC, glGetUniformOffsetEXT)

#define OGL_PROCS_FRAMEBUF(X) \
	X(framebuf_avail, PFNGLISRENDERBUFFEREXTPROC, glIsRenderbufferEXT) \
	X(framebuf_avail, PFNGLBINDRENDERBUFFEREXTPROC, glBindRenderbufferEXT) \
	X(framebuf_avail, PFNGLDELETERENDERBUFFERSEXTPROC, glDeleteRenderbuffersEXT) \
	X(framebuf_avail, PFNGLGENRENDERBUFFERSEXTPROC, glGenRenderbuffersEXT) \
	X(framebuf_avail, PFNGLRENDERBUFFERSTORAGEEXTPROC, glRenderbufferStorageEXT) \
	X(framebuf_avail, PFNGLGETRENDERBUFFERPARAMETERIVEXTPROC, glGetRenderbufferParameterivEXT) \
	X(framebuf_avail, PFNGLISFRAMEBUFFEREXTPROC, glIsFramebufferEXT) \
	X(framebuf_avail, PFNGLBINDFRAMEBUFFEREXTPROC, glBindFramebufferEXT) \
	X(framebuf_avail, PFNGLDELETEFRAMEBUFFERSEXTPROC, glDeleteFramebuffersEXT) \
	X(framebuf_avail, PFNGLGENFRAMEBUFFERSEXTPROC, glGenFramebuffersEXT) \
	X(framebuf_avail, PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC, glCheckFramebufferStatusEXT) \
	X(framebuf_avail, PFNGLFRAMEBUFFERTEXTURE1DEXTPROC, glFramebufferTexture1DEXT) \
	X(framebuf_avail, PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, glFramebufferTexture2DEXT) \
	X(framebuf_avail, PFNGLFRAMEBUFFERTEXTURE3DEXTPROC, glFramebufferTexture3DEXT) \
	X(framebuf_avail, PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC, glFramebufferRenderbufferEXT) \
	X(framebuf_avail, PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC, glGetFramebufferAttachmentParameterivEXT) \
	X(framebuf_avail, PFNGLGENERATEMIPMAPEXTPROC, glGenerateMipmapEXT)

#define OGL_PROCS_TEXCOMP(X) \
	X(tex_comp_avail, PFNGLCOMPRESSEDTEXIMAGE3DARBPROC, glCompressedTexImage3DARB) \
	X(tex_comp_avail, PFNGLCOMPRESSEDTEXIMAGE2DARBPROC, glCompressedTexImage2DARB) \
	X(tex_comp_avail, PFNGLCOMPRESSEDTEXIMAGE1DARBPROC, glCompressedTexImage1DARB) \
	X(tex_comp_avail, PFNGLCOMPRESSEDTEXSUBIMAGE3DARBPROC, glCompressedTexSubImage3DARB) \
	X(tex_comp_avail, PFNGLCOMPRESSEDTEXSUBIMAGE2DARBPROC, glCompressedTexSubImage2DARB) \
	X(tex_comp_avail, PFNGLCOMPRESSEDTEXSUBIMAGE1DARBPROC, glCompressedTexSubImage1DARB) \
	X(tex_comp_avail, PFNGLGETCOMPRESSEDTEXIMAGEARBPROC, glGetCompressedTexImageARB)

#define OGL_PROCS_SBLEND(X) \
	X(sblend_avail, PFNGLBLENDFUNCSEPARATEEXTPROC, glBlendFuncSeparateEXT) \
	X(sblend_avail, PFNGLBLENDEQUATIONSEPARATEEXTPROC, glBlendEquationSeparateEXT)

#define OGL_PROCS_DRAWBUF(X) \
	X(draw_buffers_avail, PFNGLDRAWBUFFERSARBPROC, glDrawBuffersARB)

#define OGL_PROCS_ALL(X) \
	OGL_PROCS_VBO(X) OGL_PROCS_VPROG(X) OGL_PROCS_OCCLUDE(X) OGL_PROCS_SHADOBJS(X) \
	OGL_PROCS_VSHADER(X) OGL_PROCS_GSHADER(X) OGL_PROCS_BUNIFORM(X) OGL_PROCS_FRAMEBUF(X) \
	OGL_PROCS_TEXCOMP(X) OGL_PROCS_SBLEND(X) OGL_PROCS_DRAWBUF(X)

// Everything the decision looks at; the GL adapter fills it from the live
// context, tests fill it by hand.
struct OGL_caps_input {
	std::string vendor, renderer, version, extensions;
	int  os_version = -1;				// BCD system version, -1 unknown
	std::function<void*(const char*)> lookup;	// null result: entry point missing
	std::set<std::string> options;			// command-line options given
	int  vsync = 0, vsync_double = 0;		// for the table only
	// program limits (read only where the feature is on)
	int  fp_instr = 0, fp_alu = 0, fp_tex = 0, fp_indir = 0;
	int  vp_instr = 0;
	int  max_vertex_attribs = 0, max_vertex_uniform = 0, max_varying = 0;
	int  max_combined_units = 0, max_vertex_tex_units = 0, max_fragment_uniform = 0;
	std::string glsl_version;			// empty: the driver returned null
	float max_aniso = 1.0f;
	int  max_tex_units = 0, max_image_units = 0, max_tex_coords = 0;
	int  max_tex_size = 0;
	float point_size_max = 0;
};

// An alert the decision asks for; the adapter raises it.
struct OGL_caps_alert {
	int type;
	std::string l1, l2, l3, l4;
};

class OGL_extensions {
public:
#define OGL_DECLARE_PROC(flag, type, name) type name;
	OGL_PROCS_ALL(OGL_DECLARE_PROC)
#undef OGL_DECLARE_PROC

	int multitex_avail, tex_clamp_avail, add_env_avail, combine_avail, dis_fog_avail,
	    tex_comp_avail, vbo_avail, pbo_avail, vprog_avail, fprog_avail, automini_avail,
	    aniso_avail, fsaa_avail, sprites_avail, depth_tex_avail, occlude_avail,
	    shad_objs_avail, vshader_avail, fshader_avail, gshader_avail, buniform_avail,
	    glsl_avail, first_gen_shaders, framebuf_avail, sblend_avail, draw_buffers_avail,
	    packed_stencil, tex_float_avail, threaded_avail;
	int unused_int;
	int max_tex_size;

	OGL_extensions();
	int  init_entry_points();
	void init_extensions();		// with the main context current
	void threaded_ogl_failed();

	// The whole decision, free of GL: flags, entry points, limits, the log
	// table. Strings handed to ren point into `in`, which must outlive it.
	void decide(const OGL_caps_input& in, std::ostream& log, std::vector<OGL_caps_alert>* alerts);
	static int version_number(const std::string& version);
};

struct ren_struct {
	float       max_aniso;
	int         tex_units, tex_image_units, tex_coords;
	const char* gl_vendor;
	const char* gl_renderer;
	const char* gl_version;
	const char* gl_extensions;
	int         mono_green;
	float       alpha_mult;	// every coloured primitive's alpha is multiplied by it
};

extern OGL_extensions glExt;
extern ren_struct     ren;

void* aglGetProcAddress(const char* name);
std::string OGL_get_token_name(unsigned long token);
void OGL_bind_vbo(const unsigned long& id);
void OGL_bind_vbo_ind(const unsigned long& id);

#endif
