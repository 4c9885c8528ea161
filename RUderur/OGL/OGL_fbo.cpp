// Render targets: a framebuffer object with the texture attached, or the
// back buffer cut to the screen and copied into the texture afterwards.
#include "OGL_fbo.h"
#include "OGL_extensions.h"
#include "OGL_setstate.h"
#include "MACIBM_mnw.h"
#include "TEX_image.h"
#include "TEX_obj.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "UTL_stat.h"
#include "tman.h"

UTL_stat g_fbo_flushes("fbo/flush_per_frame", stat_per_frame, 0);

OGL_framebuffer::OGL_framebuffer(int ref, int tflags, int flags, int width, int height, unsigned long drb,
                                 unsigned long dsrb, const char* label)
	: framebuffer(0), depth_rb(drb), depth_stencil_rb(dsrb), saved_binding(0), to_framebuffer(0), texture_ref(ref),
	  texture_flags(tflags), render_w(width), render_h(height), cur_w(width), cur_h(height), prepared(0),
	  three_targets(flags & 4), name(label), saved_viewport{0, 0, 0, 0}, saved_content_x(0), saved_screen_w(0),
	  saved_screen_h(0)
{
	if (!glExt.framebuf_avail) return;
	GLuint n = 0;
	glExt.glGenFramebuffersEXT(1, &n);
	framebuffer = n;
	if ((flags & 1) && depth_rb == 0) {
		glExt.glGenRenderbuffersEXT(1, &n);
		depth_rb = n;
	}
	if ((flags & 2) && depth_stencil_rb == 0) {
		glExt.glGenRenderbuffersEXT(1, &n);
		depth_stencil_rb = n;
	}
}

void OGL_framebuffer::set_render_size(int width, int height)
{
	render_w = width;
	render_h = height;
}

static bool loaded_at(int ref, int w, int h)
{
	return tman.tex_loaded(ref) && (int)tman.tex_dx_tot(ref) == w && (int)tman.tex_dy_tot(ref) == h;
}

static GLuint gl_name_of(int ref)
{
	TEX_obj* o = tman.fetch_ref(ref);
	return o ? o->gl_name : 0;
}

void OGL_framebuffer::begin_render(int to_fb)
{
	to_framebuffer = to_fb;
	cur_w = render_w;
	cur_h = render_h;
	if (glExt.framebuf_avail && to_fb) {
		GLint was = 0;
		glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &was);
		saved_binding = was;
		glExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, (GLuint)framebuffer);
		if (!(prepared && loaded_at(texture_ref, render_w, render_h))) {
			prepared = 1;
			scratch_dx = render_w;
			scratch_dy = render_h;
			const int n = three_targets ? 3 : 1;
			for (int i = 0; i < n; ++i)
				(void)tman.load_texture(tex_fail_alert, texture_ref + i,
				                  texture_flags | tex_full_res | tex_sized_8bit | tex_carried, tex_load_2,
				                  "scratch_array-fbo");
			if ((texture_flags & tex_colour_code) == tex_depth) {
				glDrawBuffer(GL_NONE);
				glReadBuffer(GL_NONE);
				glExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D,
				                                gl_name_of(texture_ref), 0);
			} else {
				for (int i = 0; i < n; ++i)
					glExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT + i,
					                                GL_TEXTURE_2D, gl_name_of(texture_ref + i), 0);
			}
			if (depth_rb) {
				glExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, (GLuint)depth_rb);
				glExt.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, render_w, render_h);
				glExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
				                                   GL_RENDERBUFFER_EXT, (GLuint)depth_rb);
			}
			if (depth_stencil_rb) {
				glExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, (GLuint)depth_stencil_rb);
				glExt.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH24_STENCIL8_EXT, render_w, render_h);
				glExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_STENCIL_ATTACHMENT_EXT,
				                                   GL_RENDERBUFFER_EXT, (GLuint)depth_stencil_rb);
				glExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
				                                   GL_RENDERBUFFER_EXT, (GLuint)depth_stencil_rb);
			}
			if (three_targets) {
				const GLenum bufs[3] = {GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT,
				                        GL_COLOR_ATTACHMENT2_EXT};
				glExt.glDrawBuffersARB(3, bufs);
			}
			GLenum st = glExt.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
			if (st != GL_FRAMEBUFFER_COMPLETE_EXT) {
				OGL_dump_framebuffer(xer, framebuffer, name);
				xer.flush();
				__MACIBM_alert(0, "ERROR: incomplete framebuffer.", OGL_get_token_name(st), "", "", t_exit,
				               "RUderur/OGL/OGL_framebuffer", 201);
			}
		}
	} else {
		// the back buffer holds no more than the screen
		while (cur_w > mnw.screen_w && cur_w > 1) cur_w /= 2;
		while (cur_h > mnw.screen_h && cur_h > 1) cur_h /= 2;
		if (!loaded_at(texture_ref, cur_w, cur_h)) {
			scratch_dx = cur_w;
			scratch_dy = cur_h;
			(void)tman.load_texture(tex_fail_alert, texture_ref, texture_flags | tex_full_res | tex_carried, tex_load_2,
			                  "scratch_array-mTexID");
		}
	}
	for (int i = 0; i < 4; ++i) saved_viewport[i] = mnw.viewport[i];
	saved_content_x = mnw.content_x;
	saved_screen_w = (float)mnw.screen_w;
	saved_screen_h = (float)mnw.screen_h;
	mnw.viewport[0] = mnw.viewport[1] = 0;
	mnw.viewport[2] = (float)cur_w;
	mnw.viewport[3] = (float)cur_h;
	mnw.screen_w = cur_w;
	mnw.screen_h = cur_h;
	mnw.content_x = 0;
	TEX_reset_bind();
}

void OGL_framebuffer::end_render()
{
	g_fbo_flushes.value += 1;
	for (int i = 0; i < 4; ++i) mnw.viewport[i] = saved_viewport[i];
	mnw.content_x = saved_content_x;
	mnw.screen_w = (int)saved_screen_w;
	mnw.screen_h = (int)saved_screen_h;
	if (to_framebuffer && glExt.framebuf_avail) {
		glExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, (GLuint)saved_binding);
		if (texture_flags & tex_mipmaps) {
			OGL_setstate(fog_fals, 1, lit_fals, al_blend, deR_fals, deW_fals);
			tman.bind_ref(texture_ref, 0, 0);
			glExt.glGenerateMipmapEXT(GL_TEXTURE_2D);
		}
	} else {
		OGL_setstate(fog_fals, 1, lit_fals, al_blend, deR_fals, deW_fals);
		tman.bind_ref(texture_ref, 0, 0);
		glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, cur_w, cur_h);
	}
}

static void sizes(std::ostream& out, int r, int g, int b, int a, int d, int s)
{
	out << "       Red: " << r << ", Green: " << g << ", Blue: " << b << " Alpha: " << a << "\n";
	out << "       Depth bits: " << d << " Stencil: " << s << "\n";
}

void OGL_dump_framebuffer(std::ostream& out, unsigned long id, const char* name)
{
	const char* label = name ? name : "";
	if (!glExt.glIsFramebufferEXT((GLuint)id)) {
		out << "FBO " << label << " ID: " << id << " is not a real FBO object.\n";
		return;
	}
	out << "Info for FBO: " << id << " (" << label << ")\n";
	static const struct { GLenum att; const char* name; } atts[] = {
		{GL_COLOR_ATTACHMENT0_EXT, "GL_COLOR_ATTACHMENT0_EXT"}, {GL_COLOR_ATTACHMENT1_EXT, "GL_COLOR_ATTACHMENT1_EXT"},
		{GL_COLOR_ATTACHMENT2_EXT, "GL_COLOR_ATTACHMENT2_EXT"}, {GL_COLOR_ATTACHMENT3_EXT, "GL_COLOR_ATTACHMENT3_EXT"},
		{GL_COLOR_ATTACHMENT4_EXT, "GL_COLOR_ATTACHMENT4_EXT"}, {GL_STENCIL_ATTACHMENT_EXT, "GL_STENCIL_ATTACHMENT_EXT"},
		{GL_DEPTH_ATTACHMENT_EXT, "GL_DEPTH_ATTACHMENT_EXT"}};
	for (const auto& a : atts) {
		GLint type = GL_NONE, obj = 0;
		glExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, a.att,
		                                               GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT, &type);
		if (type != GL_NONE)
			glExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, a.att,
			                                               GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &obj);
		if (type == GL_RENDERBUFFER_EXT) {
			out << "   Attachment " << a.name << ": GL_RENDERBUFFER " << obj << "\n";
			if (glExt.glIsRenderbufferEXT((GLuint)obj)) {
				GLint v[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
				static const GLenum q[9] = {GL_RENDERBUFFER_WIDTH_EXT, GL_RENDERBUFFER_HEIGHT_EXT,
				                            GL_RENDERBUFFER_INTERNAL_FORMAT_EXT, GL_RENDERBUFFER_RED_SIZE_EXT,
				                            GL_RENDERBUFFER_GREEN_SIZE_EXT, GL_RENDERBUFFER_BLUE_SIZE_EXT,
				                            GL_RENDERBUFFER_ALPHA_SIZE_EXT, GL_RENDERBUFFER_DEPTH_SIZE_EXT,
				                            GL_RENDERBUFFER_STENCIL_SIZE_EXT};
				GLint was = 0;
				glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &was);
				glExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, (GLuint)obj);
				for (int i = 0; i < 9; ++i) glExt.glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, q[i], &v[i]);
				glExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, (GLuint)was);
				out << "       " << v[0] << " x " << v[1] << " format = " << OGL_get_token_name(v[2]) << "\n";
				sizes(out, v[3], v[4], v[5], v[6], v[7], v[8]);
			} else
				out << "       WARNING: this is not a valid Render Buffer!";
		} else if (type == GL_TEXTURE) {
			out << "   Attachment " << a.name << ": GL_TEXTURE " << obj << "\n";
			if (glIsTexture((GLuint)obj)) {
				GLint level = 0;
				glExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, a.att,
				                                               GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL_EXT, &level);
				GLint was = 0;
				glGetIntegerv(GL_TEXTURE_BINDING_2D, &was);
				glBindTexture(GL_TEXTURE_2D, (GLuint)obj);
				GLint v[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
				static const GLenum q[9] = {GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT, GL_TEXTURE_INTERNAL_FORMAT,
				                            GL_TEXTURE_RED_SIZE, GL_TEXTURE_GREEN_SIZE, GL_TEXTURE_BLUE_SIZE,
				                            GL_TEXTURE_ALPHA_SIZE, GL_TEXTURE_DEPTH_SIZE, GL_TEXTURE_STENCIL_SIZE_EXT};
				for (int i = 0; i < 9; ++i) glGetTexLevelParameteriv(GL_TEXTURE_2D, level, q[i], &v[i]);
				glBindTexture(GL_TEXTURE_2D, (GLuint)was);
				out << "       Mip level " << level << ": " << v[0] << " x " << v[1]
				    << " format = " << OGL_get_token_name(v[2]) << "\n";
				sizes(out, v[3], v[4], v[5], v[6], v[7], v[8]);
			} else
				out << "       WARNING: this is nota valid texture!";
		} else
			out << "   Attachment " << a.name << ": 0\n";
	}
}
