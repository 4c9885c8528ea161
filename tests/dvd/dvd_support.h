#ifndef DVD_SUPPORT_H
#define DVD_SUPPORT_H
// Shared by the disc tests: the manifest make_discs.sh writes.
#include <fstream>
#include <string>
#include <utility>
#include <vector>

// Local path and MD5 of every file a Linux copy of the disc set holds.
inline std::vector<std::pair<std::string, std::string>> disc_manifest(const std::string& path)
{
	std::vector<std::pair<std::string, std::string>> out;
	std::ifstream in(path);
	std::string line;
	while (std::getline(in, line)) {
		size_t tab = line.find('\t');
		if (tab != std::string::npos) out.push_back({line.substr(0, tab), line.substr(tab + 1)});
	}
	return out;
}

#endif
