#ifndef TEX_FILE_H
#define TEX_FILE_H
// A whole image file mapped read-only ("RESOURCE:" paths resolve in the bundle).
#include <string>

struct TEX_mapped_file {
	const unsigned char* begin = nullptr;	// null: missing, empty or unreadable
	const unsigned char* end = nullptr;
	explicit TEX_mapped_file(const std::string& path);
	~TEX_mapped_file();
	TEX_mapped_file(const TEX_mapped_file&) = delete;
	TEX_mapped_file& operator=(const TEX_mapped_file&) = delete;
};

std::string TEX_file_path(const std::string& path);

#endif
