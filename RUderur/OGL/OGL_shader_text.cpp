// The texts a GLSL program is compiled from, and the numbering of the
// variants of a flagged family. No GL here.
#include "OGL_shader.h"

std::string OGL_shader_platform_prefix(int limited)
{
	return std::string("#define APL 1\n#define IBM 0\n#define LIN 0\n") +
	       (limited ? "#define LIMITED 1\n" : "#define LIMITED 0\n");
}

std::vector<std::string> OGL_shader_stage_texts(int stage, int limited, const std::string& prefix)
{
	std::vector<std::string> t;
	if (stage == shader_vertex) t.push_back("#define GSHADER 0\n");
	if (stage == shader_geometry) t.push_back("#version 120\n#extension GL_EXT_geometry_shader4 : enable\n#define GSHADER 1\n");
	t.push_back(OGL_shader_platform_prefix(limited));
	t.push_back(prefix);
	return t;
}

static std::vector<std::string> name_list(const char** names)
{
	std::vector<std::string> v;
	for (; names && *names; ++names) v.push_back(*names);
	return v;
}

OGL_shader_conditional::OGL_shader_conditional(const char* v, const char* g, const char* f, const char** uniforms,
                                               const char** flags, const int* radices, const char* prefix)
	: base_prefix(prefix ? prefix : ""), vertex(v ? v : ""), geometry(g ? g : ""), fragment(f ? f : ""),
	  uniform_names(name_list(uniforms)), flag_names(name_list(flags))
{
	int n = 1;
	for (size_t i = 0; i < flag_names.size(); ++i) {
		flag_radices.push_back(radices ? radices[i] : 2);
		n *= flag_radices.back();
	}
	variants.assign(n, nullptr);
}

OGL_shader_conditional::~OGL_shader_conditional()
{
	for (OGL_shader* s : variants) delete s;
}

// Mixed radix, the first flag least significant.
int OGL_shader_conditional::id_from_flags(const int* values) const
{
	int id = 0;
	for (size_t i = flag_radices.size(); i-- > 0;) id = id * flag_radices[i] + values[i];
	return id;
}

int OGL_shader_conditional::flags_from_id(int id, int* values) const
{
	for (size_t i = 0; i < flag_radices.size(); ++i) {
		values[i] = id % flag_radices[i];
		id /= flag_radices[i];
	}
	return (int)flag_radices.size();
}

// Built as a string, so a long base prefix is never cut or overrun.
std::string OGL_shader_conditional::variant_prefix(int id) const
{
	std::vector<int> values(flag_radices.size());
	flags_from_id(id, values.data());
	std::string t = base_prefix;
	for (size_t i = 0; i < flag_names.size(); ++i)
		t += "#define " + flag_names[i] + " " + std::to_string(values[i]) + "\n";
	return t;
}
