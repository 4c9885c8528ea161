#include "TEX_file.h"
#include "UTL_debug.h"
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

std::string TEX_file_path(const std::string& path)
{
	std::string p = path;
	if (UTL_path_is_resource(p)) return UTL_resource_get_file(p);
	return p;
}

TEX_mapped_file::TEX_mapped_file(const std::string& path)
{
	int fd = open(TEX_file_path(path).c_str(), O_RDONLY);
	if (fd < 0) return;
	struct stat st;
	if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
		void* m = mmap(nullptr, (size_t)st.st_size, PROT_READ, MAP_PRIVATE, fd, 0);
		if (m != MAP_FAILED) {
			begin = (const unsigned char*)m;
			end = begin + st.st_size;
		}
	}
	(void)close(fd);	// read only
}

TEX_mapped_file::~TEX_mapped_file()
{
	if (begin) (void)munmap((void*)begin, (size_t)(end - begin));	// a mapping we made: it cannot fail
}
