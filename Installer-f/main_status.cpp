#include "main_status.h"
#include "main_globals.h"
#include "io_utils.h"
#include "utils_records.h"
#include "UTL_translate.h"
#include "OGL_fonts.h"
#include <cmath>
#include <cstdio>

std::string size_string(float kb)
{
	char buf[64];
	if (kb > 1024000.0f) {
		// the whole and the tenths apart: each language has its own decimal mark
		snprintf(buf, sizeof(buf), "%.1f", kb / 1048576.0f);
		std::string whole = buf, tenths = "0";
		size_t dot = whole.find('.');
		if (dot != std::string::npos) {
			tenths = whole.substr(dot + 1);
			whole.erase(dot);
		}
		return UTL_string_sub(UTL_translate_string("%1:whole%.%2:tenths% GB", 0), whole, tenths);
	}
	if (kb > 1024.0f) return UTL_string_sub(UTL_translate_string("%1:size% MB", 0), flt_str("%.0f", kb / 1024.0f));
	return UTL_string_sub(UTL_translate_string("%1:size% KB", 0), flt_str("%.0f", kb));
}

std::string int_str(int n)
{
	char buf[32];
	snprintf(buf, sizeof(buf), "%d", n);
	return buf;
}

std::string flt_str(const char* format, float value)
{
	char buf[128];
	snprintf(buf, sizeof(buf), format, value);
	return buf;
}

// n, its digits grouped, with the form of its unit that the count and the
// sentence around it take.
static std::string plural_count(int n, const char* singular, const char* plural, int genitive)
{
	return UTL_string_sub(genitive ? UTL_translate_plural_genitive(n, singular, plural)
	                               : UTL_translate_plural(n, singular, plural),
	                      UTL_translate_count(n));
}

std::string time_str(float seconds, int genitive)
{
	if (seconds < 120.0f) return plural_count((int)seconds, "%1:seconds% second", "%1:seconds% seconds", genitive);
	if (seconds >= 7200.0f || std::isnan(seconds)) {
		// a huge or unknown estimate still gives a number that fits
		float h = std::isnan(seconds) || seconds / 3600.0f > 2e9f ? 0 : seconds / 3600.0f;
		return plural_count((int)h, "%1:hours% hour", "%1:hours% hours", genitive);
	}
	return plural_count((int)(seconds / 60.0f), "%1:minutes% minute", "%1:minutes% minutes", genitive);
}

std::string rate_str(float kb_per_second)
{
	int n = kb_per_second > 2e9f || std::isnan(kb_per_second) ? 0 : (int)kb_per_second;
	return plural_count(n, "%1:rate% kilobyte/second", "%1:rate% kilobytes/second", 0);
}

// room for the quotes and the full stop of the sentence around it
std::string wizard_shown_name(const std::string& name, float width) { return OGL_fit_tail(name, width - 24, 0); }

std::string wizard_existing_folder(const std::string& path)
{
	std::string p = path;
	while (!p.empty()) {
		if (dir_exists(p)) return p;
		if (p == "/") break;
		if (p.back() == '/') p.pop_back();
		size_t slash = p.rfind('/');
		if (slash == std::string::npos) return "";
		p.erase(slash + 1);
	}
	return "";
}

int wizard_disk_space_text(const std::string& enough_text, const std::string& short_text, std::string& text)
{
	text.clear();
	std::string where = wizard_existing_folder(dest_dir_path);
	uint64_t total_bytes = 0, free_bytes = 0;
	// asked for an entry inside the folder, so a folder that is itself a mount
	// point is measured on its own volume
	if (where.empty() || get_free_space(where + ".", &total_bytes, &free_bytes) != 0) return -1;
	float total = (float)(total_bytes / 1000);
	float free_kb = (float)(free_bytes / 1000);
	int fits = free_kb >= stg.total_kb_install;
	text = UTL_string_sub(UTL_translate_string("Disk size: %1:total disk space%\nFree disk space: %2:free disk space%\n"
	                                           "Disk space needed to install: %3:required disk space%\n\n%4:status message%", 0),
	                      size_string(total), size_string(free_kb), size_string(stg.total_kb_install),
	                      fits ? enough_text : short_text);
	return fits;
}

// The bar follows the work a fifth of a second behind, so that an estimate
// that moves between frames does not make it jump.
static const float bar_ease_per_second = 5;

float wizard_install_bar(float bar, float done, float whole, float frame_seconds)
{
	float share = whole > 0 ? done / whole : 0;
	share = share < 0 ? 0 : share > 1 ? 1 : share;
	float k = bar_ease_per_second * frame_seconds;
	k = k < 0 ? 0 : k > 1 ? 1 : k;
	float eased = (1 - k) * bar + share * k;
	// work found to be more than it looked (a copy to fetch again): the bar waits for it
	float shown = eased > bar ? eased : bar;
	return shown < 0 ? 0 : shown > 1 ? 1 : shown;
}
