#include "main_status.h"
#include "colr.h"
#include "butn.h"
#include "OGL_fonts.h"

int UTIL_disk_space(const std::string& enough_text, const std::string& short_text)
{
	std::string text;
	int fits = wizard_disk_space_text(enough_text, short_text, text);
	if (fits < 0) return 1;	// the volume cannot be asked: no panel, Next stays
	OGL_string(colr_value, 220, 108, text, 560, 0, 0);
	return fits;
}
