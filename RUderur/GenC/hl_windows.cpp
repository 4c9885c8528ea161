// The window table: the fixed dialogs drawn centred over the main window.
#include "MACIBM_shell.h"
#include "MACIBM_mnw.h"
#include <cmath>

static const MACIBM_wind_spec wind_table[] = {
	{WIND_eula, "EULA", 500, 300},
	{WIND_prefs, "Prefs", 700, 380},
	{WIND_livery, "Livery", 561, 474},
	{WIND_version, "Version and Updates", 600, 300},
	{WIND_advise, "BE ADVISED", 420, 250},
	{WIND_intentions_small, "SAY INTENTIONS", 300, 166},
	{WIND_select_alert, "SAY INTENTIONS", 750, 176},
	{WIND_abort_alert, "SAY INTENTIONS", 700, 206},
	{WIND_open, "Open", 561, 474},
	{WIND_save, "Save", 330, 474}};

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
