// GLSL programs through the ARB shader-object entry points, reloadable from
// disk by a remote command while the program runs.
#include "OGL_shader.h"
#include "OGL_extensions.h"
#include "UTL_alert.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "UTL_stat.h"
#include "UTL_translate.h"
#include "xmap.h"

static const char* kSource = "RUderur/OGL/OGL_shader";
static const std::string kFolder = "Resources/shaders/";

std::set<OGL_shader*> OGL_shader::shaders;
OGL_shader*           OGL_shader::current_shader = nullptr;

static UTL_remote_cmd cmd_do_pick_tex("Reload Pixel Shaders...", OGL_shader::do_reload);

static void log_shader_obj(const std::string& name, const std::string& prefix, GLhandleARB obj)
{
	xer << "=====" << name << "=====\n";
	xer << "   (prefix:\n" << prefix << "end prefix)\n";
	GLint len = 0;
	glExt.glGetObjectParameterivARB(obj, GL_OBJECT_INFO_LOG_LENGTH_ARB, &len);
	if (len > 0) {
		// the length counts the terminator; the buffer has one more to spare
		std::vector<char> buf((size_t)len + 1, 0);
		GLsizei got = 0;
		glExt.glGetInfoLogARB(obj, len, &got, buf.data());
		if (got < 0) got = 0;
		if (got > len) got = len;
		xer.write(buf.data(), got);
	}
	xer << "\n";
	xer.flush();
}

static void shader_alert(const OGL_shader& s, int type)
{
	__MACIBM_alert(0, "There was a problem processing a GLSL pixel shader.",
	               "You may need to rerun the installer or update your graphics drivers.", s.vertex_path,
	               s.fragment_path, type, kSource, 266);
}

OGL_shader::OGL_shader(const char* v, const char* g, const char* f, const char* prefix, const char** names)
{
	for (; names && *names; ++names) uniform_names.push_back(*names);
	init(v ? v : "", g ? kFolder + g : "", f ? f : "", prefix);
}

OGL_shader::OGL_shader(const std::string& v, const std::string& g, const std::string& f, const char* prefix,
                       const std::vector<std::string>& names)
{
	uniform_names = names;
	init(v, g.empty() ? "" : kFolder + g, f, prefix);
}

void OGL_shader::init(const std::string& v, const std::string& g_path, const std::string& f, const char* pre)
{
	program = vertex_obj = geometry_obj = fragment_obj = 0;
	vertex_path = kFolder + v;
	geometry_path = g_path;
	fragment_path = kFolder + f;
	prefix = (pre && *pre) ? pre : "// no prefix\n";
	shaders.insert(this);
	// without shader objects there is nothing to call: report it, don't jump through null
	if (!glExt.glCreateProgramObjectARB) shader_alert(*this, t_exit);
	program = glExt.glCreateProgramObjectARB();
	uniform_locs.assign(uniform_names.size(), 0);
	reload(0);
}

OGL_shader::~OGL_shader()
{
	shaders.erase(this);
	// a later program at the same address must not pass for bound
	if (current_shader == this) {
		glExt.glUseProgramObjectARB(0);
		current_shader = nullptr;
	}
	if (fragment_obj) glExt.glDeleteObjectARB(fragment_obj);
	if (geometry_obj) glExt.glDeleteObjectARB(geometry_obj);
	if (vertex_obj) glExt.glDeleteObjectARB(vertex_obj);
	glExt.glDeleteObjectARB(program);
}

// 1 when the stage compiled; a file that cannot be read ends the program.
int OGL_shader::compile_stage(unsigned& obj, unsigned kind, const std::string& path, int alert_line)
{
	xmap_class file(path);
	if (!file.begin)
		__MACIBM_alert(0, UTL_translate_string("We were unable to load the shader file:", 0), path, "",
		               UTL_translate_string("Re-run the Vantor installer/updater to correct this problem.", 0),
		               t_exit, kSource, alert_line);
	const int stage = kind == GL_VERTEX_SHADER_ARB ? shader_vertex
	                  : kind == GL_FRAGMENT_SHADER_ARB ? shader_fragment : shader_geometry;
	const int limited = glExt.first_gen_shaders;
	std::vector<std::string> texts = OGL_shader_stage_texts(stage, limited, prefix);
	std::vector<const GLcharARB*> strs;
	std::vector<GLint> lens;
	for (const std::string& t : texts) {
		strs.push_back(t.data());
		lens.push_back((GLint)t.size());
	}
	strs.push_back(file.begin);
	lens.push_back((GLint)(file.end - file.begin));
	obj = glExt.glCreateShaderObjectARB(kind);
	glExt.glShaderSourceARB(obj, (GLsizei)strs.size(), strs.data(), lens.data());
	glExt.glCompileShaderARB(obj);
	GLint ok = 0;
	glExt.glGetObjectParameterivARB(obj, GL_OBJECT_COMPILE_STATUS_ARB, &ok);
	if (!ok) log_shader_obj(path, OGL_shader_platform_prefix(limited) + prefix, obj);
	glExt.glAttachObjectARB(program, obj);
	return ok != 0;
}

void OGL_shader::reload(int from_command)
{
	for (;;) {
		int ok = 1;
		if (vertex_obj) {
			glExt.glDetachObjectARB(program, vertex_obj);
			glExt.glDeleteObjectARB(vertex_obj);
			vertex_obj = 0;
		}
		ok &= compile_stage(vertex_obj, GL_VERTEX_SHADER_ARB, vertex_path, 158);
		if (geometry_obj) {
			glExt.glDetachObjectARB(program, geometry_obj);
			glExt.glDeleteObjectARB(geometry_obj);
			geometry_obj = 0;
		}
		if (!geometry_path.empty()) ok &= compile_stage(geometry_obj, GL_GEOMETRY_SHADER_EXT, geometry_path, 187);
		if (fragment_obj) {
			glExt.glDetachObjectARB(program, fragment_obj);
			glExt.glDeleteObjectARB(fragment_obj);
			fragment_obj = 0;
		}
		ok &= compile_stage(fragment_obj, GL_FRAGMENT_SHADER_ARB, fragment_path, 214);
		if (geometry_obj && glExt.glProgramParameteriEXT) {
			glExt.glProgramParameteriEXT(program, GL_GEOMETRY_VERTICES_OUT_EXT, 3);
			glExt.glProgramParameteriEXT(program, GL_GEOMETRY_INPUT_TYPE_EXT, GL_TRIANGLES);
			glExt.glProgramParameteriEXT(program, GL_GEOMETRY_OUTPUT_TYPE_EXT, GL_TRIANGLE_STRIP);
		}
		glExt.glLinkProgramARB(program);
		GLint linked = 0;
		glExt.glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
		if (!linked) {
			log_shader_obj(vertex_path + "+" + fragment_path, OGL_shader_platform_prefix(glExt.first_gen_shaders) + prefix, program);
			ok = 0;
		}
		for (size_t i = 0; i < uniform_names.size(); ++i)
			uniform_locs[i] = glExt.glGetUniformLocationARB(program, uniform_names[i].c_str());
		if (ok) return;
		shader_alert(*this, from_command ? t_alert : t_exit);
		// An alert that only went to the log gave nobody the chance to mend
		// the file: trying again would spin for ever.
		if (UTL_cmdline::has_option("--fps_test")) return;
	}
}

void OGL_shader::reload_all_shaders(int from_command)
{
	for (OGL_shader* s : shaders) s->reload(from_command);
}

void OGL_shader::do_reload() { reload_all_shaders(1); }

void OGL_shader::bind()
{
	if (current_shader == this) return;
	glExt.glUseProgramObjectARB(program);
	current_shader = this;
}

void OGL_shader::unbind_shaders()
{
	if (!current_shader) return;
	glExt.glUseProgramObjectARB(0);
	current_shader = nullptr;
}

void OGL_shader_conditional::build(int id)
{
	OGL_shader*& slot = variants.at(id);
	delete slot;
	slot = new OGL_shader(vertex, geometry, fragment, variant_prefix(id).c_str(), uniform_names);
}

void OGL_shader_conditional::bind(int id)
{
	if (!variants.at(id)) build(id);
	variants[id]->bind();
}
