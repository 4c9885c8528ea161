// The window table: the fixed dialogs drawn centred over the main window.
#include "MACIBM_shell.h"
#include <cmath>

static const MACIBM_wind_spec wind_table[] = {
	{1, "EULA", 500, 300},
	{2, "Prefs", 700, 380},
	{992, "Livery", 561, 474},
	{993, "Version and Updates", 600, 300},
	{994, "BE ADVISED", 420, 250},
	{995, "SAY INTENTIONS", 300, 166},
	{996, "SAY INTENTIONS", 750, 176},
	{997, "SAY INTENTIONS", 700, 206},
	{998, "Open", 561, 474},
	{999, "Save", 330, 474}};

const MACIBM_wind_spec* MACIBM_find_wind(int id)
{
	for (const auto& w : wind_table)
		if (w.id == id) return &w;
	return nullptr;
}

float MACIBM_centre(float screen, float wind, float pix_scale)
{
	if (pix_scale == 0) pix_scale = 1;
	float o = truncf(roundf((screen - pix_scale * wind) * 0.5f) / pix_scale);
	return o < 0 ? 0 : o;
}
