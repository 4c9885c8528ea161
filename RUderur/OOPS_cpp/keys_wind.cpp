// The key-binding editor, drawn once a frame: the bindings on the left, the
// help, the add and delete buttons and the selected command in the middle, the
// commands of the chosen group on the right.
#include "keys.h"
#include "colr.h"
#include "butn.h"
#include "MACIBM_mnw.h"
#include "OGL_fonts.h"
#include "UTL_cmnd.h"
#include <algorithm>

static const int kRows = 34;

static std::string command_path(int c)
{
	return c >= 0 && c < (int)cmnd.cmnd_paths.size() ? cmnd.cmnd_paths[c] : std::string();
}
static std::string command_desc(int c)
{
	return c >= 0 && c < (int)cmnd.cmnd_descs.size() ? cmnd.cmnd_descs[c] : std::string();
}

void keys_class::keys_wind(int flag)
{
	static int selected = -1, offset = 0, group_of = -1;
	static std::string group = "sim/";
	const float top = 34;

	float col = 0, y2 = 0, y3 = 0;
	BTN_subwin(top, btn_style_list, -1, -1, 190, -1, "", &col, nullptr);
	BTN_subwin(top, btn_style_inner_panel, col, -1, 184, 125, "", nullptr, &y2);
	BTN_subwin(top, btn_style_dialog_panel, col, y2, 184, 100, "", nullptr, &y3);
	BTN_subwin(top, btn_style_inner_panel, col, y3, 184, -1, "", nullptr, nullptr);
	BTN_subwin(top, btn_style_inner_panel, col + 194, -1, -1, -1, "", nullptr, nullptr);
	const float panel_top = mnw.wind_h - 28 - top;

	OGL_string(colr_label, col + 10, panel_top - 15,
	           "Select the key you'd like to program from the list on the left of this screen and hit any key you like! "
	           "Then select the group above and the item at right to assign some funtion to that keypress!",
	           164, 0, 0);

	if (BTN_action(col + 92, 105, 0, 0, 1, "Add New Key Assignment", "-")) {
		add_binding();
		if ((int)bindings.size() > kRows) offset = (int)bindings.size() - kRows;
	}
	if (selected >= (int)bindings.size()) selected = -1;
	if (selected >= 0 && BTN_action(col + 92, 70, 0, 0, 1, "Delete Selected Key Assignment", "-")) {
		bindings.erase(bindings.begin() + selected);
		selected = -1;
	}

	const int n = (int)bindings.size(), most = std::max(0, n - kRows);
	BTN_vert_slider(0, 185, 20, 700, 0, most, &offset);
	offset = std::max(0, std::min(offset, most));
	for (int row = 0; row < kRows && offset + row < n; ++row) {
		const int i = offset + row;
		const key_binding& b = bindings[i];
		const float y = 689 - 20.0f * row;
		std::string label = "-" + ((b.flags & 7) ? flag_to_str(b.flags) + " " : std::string()) + vkey_to_str(b.vkey);
		if (BTN_action(78, y, 120, i == selected, 1, label, "-")) selected = (i == selected) ? -1 : i;
		OGL_string(colr_value, 140, y - 3, command_path(b.cmnd).substr(0, 4), 9999, 0, 0);
	}

	// a key pressed while a row is selected becomes that row's key
	if (selected >= 0 && mnw.key_event) assign_key(selected, last_press_vkey, last_press_flags);

	if (flag != 0 || selected < 0) return;
	key_binding& b = bindings[selected];
	if (group_of != selected) {
		// the picker starts at the group of the selected command
		group_of = selected;
		const std::string path = command_path(b.cmnd);
		group = path.substr(0, path.rfind('/') + 1);
		if (group.empty()) group = "sim/";
	}
	OGL_string(colr_panel_text, col + 5, 225, command_path(b.cmnd), 174, 0, 0);
	OGL_string(colr_panel_text, col + 5, 195, command_desc(b.cmnd), 174, 0, 0);
	BTN_select_path_stl(col + 40, 160, WIND_open, 20, &group, 500, "|-custom cmnds from plugins", 134, 0);

	std::vector<std::string> items;
	cmnd.get_cmds_in_path(group, items);
	float y = panel_top - 15;
	for (const std::string& item : items) {
		int on = command_path(b.cmnd) == group + item;
		if (BTN_bool(col + 214, y, &on, "|" + item, 0)) {
			if (!item.empty() && item.back() == '/') group += item;	// a group within the group
			else b.cmnd = cmnd.get_cmnd_by_name(group + item);
		}
		y -= 20;
	}
}
