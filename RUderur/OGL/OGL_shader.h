#ifndef OGL_SHADER_H
#define OGL_SHADER_H
// GLSL programs made from files in "Resources/shaders/", with a text of
// #define lines in front and cached uniform locations; and families of them,
// one program per combination of compile-time flags, built on first use.
#include <set>
#include <string>
#include <vector>

class OGL_shader {
public:
	unsigned                 program;
	unsigned                 vertex_obj;
	unsigned                 geometry_obj;	// 0: no geometry stage
	unsigned                 fragment_obj;
	std::string              vertex_path;
	std::string              geometry_path;	// empty: no geometry stage
	std::string              fragment_path;
	std::string              prefix;
	std::vector<std::string> uniform_names;
	std::vector<int>         uniform_locs;

	static std::set<OGL_shader*> shaders;	// every live program, by address
	static OGL_shader*            current_shader;

	// Both name lists end with a null; a null list means none. A null
	// geometry name means no geometry stage.
	OGL_shader(const char* vertex, const char* geometry, const char* fragment, const char* prefix,
	           const char** uniform_names);
	OGL_shader(const std::string& vertex, const std::string& geometry, const std::string& fragment,
	           const char* prefix, const std::vector<std::string>& uniform_names);
	~OGL_shader();
	OGL_shader(const OGL_shader&) = delete;
	OGL_shader& operator=(const OGL_shader&) = delete;

	void reload(int from_command);
	static void reload_all_shaders(int from_command);
	static void do_reload();
	void bind();
	static void unbind_shaders();
	int  get_uniform_loc(int i) const { return uniform_locs.at(i); }

private:
	void init(const std::string& vertex, const std::string& geometry, const std::string& fragment,
	          const char* prefix);
	int  compile_stage(unsigned& obj, unsigned kind, const std::string& path, int alert_line);
};

class OGL_shader_conditional {
public:
	std::string               base_prefix;
	std::string               vertex, geometry, fragment;
	std::vector<std::string>  uniform_names;
	std::vector<std::string>  flag_names;
	std::vector<int>          flag_radices;
	std::vector<OGL_shader*>  variants;

	// A null radix list gives every flag two values.
	OGL_shader_conditional(const char* vertex, const char* geometry, const char* fragment,
	                       const char** uniform_names, const char** flag_names, const int* flag_radices,
	                       const char* prefix);
	~OGL_shader_conditional();
	OGL_shader_conditional(const OGL_shader_conditional&) = delete;
	OGL_shader_conditional& operator=(const OGL_shader_conditional&) = delete;

	int  id_from_flags(const int* values) const;
	int  flags_from_id(int id, int* values) const;
	std::string variant_prefix(int id) const;	// the base prefix and one #define per flag
	void build(int id);
	void bind(int id);
	int  get_uniform_loc(int id, int i) const { return variants.at(id)->get_uniform_loc(i); }
};

// The texts handed to the compiler for one stage, in order, before the file.
enum { shader_vertex = 0, shader_geometry = 1, shader_fragment = 2 };
std::string OGL_shader_platform_prefix(int limited);
std::vector<std::string> OGL_shader_stage_texts(int stage, int limited, const std::string& prefix);

#endif
