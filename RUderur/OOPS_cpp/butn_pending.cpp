// Stand-in until the fonts are linked: six units a byte. Weak, so the fonts' own wins.
#include <string>
__attribute__((weak)) float str_dx(const std::string& s) { return 6.0f * (float)s.size(); }
