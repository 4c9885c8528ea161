// The pick list of registered copies, with "Find It" for one not listed.
#include "main_registration.h"
#include "colr.h"
#include "main_globals.h"
#include "butn.h"
#include "OGL_fonts.h"
#include "opensave.h"
#include "UTL_alert.h"
#include "UTL_translate.h"

void registration_not_a_copy_alert(const std::string& folder)
{
	__MACIBM_alert(0, UTL_translate_string("You selected the folder path:", 0), folder,
	               UTL_translate_string("But it does not appear to be an installed copy of Vantor 9.", 0),
	               UTL_translate_string("Please be sure to select the folder that contains the Vantor application.", 0),
	               t_alert, __FILE__, __LINE__);
}

void UTIL_pick_install()
{
	if (all_rootdecks.size() == 1 && dest_dir_path.empty()) dest_dir_path = all_rootdecks[0];
	int n = (int)all_rootdecks.size();
	for (int i = 0; i < n; ++i) {
		int on = dest_dir_path == all_rootdecks[i];
		if (BTN_bool(250, 400 - 25.0f * i, &on, "|-" + all_rootdecks[i], 1)) dest_dir_path = all_rootdecks[i];
	}
	std::string missing = UTL_translate_string("Is the copy of Vantor 9 you're looking for missing from this list?", 0);
	OGL_string(colr_value, 230, 400 - 25.0f * n, missing, 400, 0, 0);
	float text_w = str_dx(missing);
	float x = text_w > 400 ? 685 : text_w + 285;
	if (!BTN_action(x, 403 - 25.0f * n, 100, 0, 1, UTL_translate_string("Find It", 0), "-")) return;

	std::string picked = dest_dir_path;
	if (!GetFilePathFromUser(2, UTL_translate_string("Please select your Vantor 9 folder.", 0),
	                         UTL_translate_string("Select", 0), 1, dest_dir_path, picked))
		return;
	if (picked != "/") picked += "/";
	std::string copy = registration_find_copy(picked);
	if (copy.empty()) {
		registration_not_a_copy_alert(picked);
		return;
	}
	dest_dir_path = copy;
	register_new_vantor();
	locate_all_vantors();
}
