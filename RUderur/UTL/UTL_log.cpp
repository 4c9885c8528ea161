#include "UTL_log.h"
#include <cstdio>

std::string UTL_log_safe(const std::string& text)
{
	std::string out;
	out.reserve(text.size());
	for (unsigned char c : text) {
		if (c < 0x20 || c == 0x7f) {
			char buf[8];
			snprintf(buf, sizeof(buf), "\\x%02x", c);
			out += buf;
		} else {
			out += (char)c;
		}
	}
	return out;
}
