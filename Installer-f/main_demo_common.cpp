#include "main_demo.h"
#include "main_wizard.h"
#include "main_registration.h"
#include "main_status.h"
#include "butn.h"
#include "OGL_fonts.h"
#include "opensave.h"
#include "main_globals.h"
#include "utils_site.h"
#include "utils.h"
#include "io_utils.h"
#include "path_utils.h"
#include "utils_records.h"
#include "UTL_translate.h"
#include <cstdlib>

std::string demo_created_dest;

static std::string no_slash(std::string p)
{
	while (p.size() > 1 && p.back() == '/') p.pop_back();
	return p;
}

int demo_may_delete(const std::string& folder, const std::string& created, const std::string& parent)
{
	if (folder.empty() || created.empty() || no_slash(folder) != no_slash(created)) return 0;
	std::string f = no_slash(folder);
	if (f.empty() || f == "/" || f[0] != '/') return 0;
	std::string desktop, home;
	get_OS_abs_path(os_dir_desktop, desktop);
	const char* h = getenv("HOME");
	if (h) home = h;
	const std::string never[] = {"/", home, desktop, parent, temp_path};
	for (const std::string& n : never)
		if (!n.empty() && no_slash(n) == f) return 0;
	return 1;
}

// A translated licence with the address of the commercial-use terms filled in.
static std::string with_terms_page(const std::string& licence)
{
	return UTL_string_sub(licence, std::string("http://") + net_site_host + "/commercial.html");
}

std::string demo_licence_text()
{
	return with_terms_page(UTL_translate_string(
		"Vantor 9 Demo License\n\n"
		"This demo copy of Vantor 9 is licensed to you, not sold, for your own evaluation. You may install it on "
		"computers you own and fly it as often as you like. You may not sell it, rent it out, or hand it on as part "
		"of another product.\n\n"
		"The demo is provided as it is, without warranty of any kind. Tarrowfield is not liable for any loss or "
		"damage that comes from using it. Do not use the demo for real-world navigation or flight training.\n\n"
		"Commercial use needs a license of its own: see %1:web page% for the terms.", 0));
}

std::string product_licence_text()
{
	return with_terms_page(UTL_translate_string(
		"Vantor 9 License\n\n"
		"This copy of Vantor 9 is licensed to you, not sold. You may install it on the computers you own and use, "
		"and keep the discs as your backup. You may not rent it out, copy the discs for others, or hand it on as "
		"part of another product.\n\n"
		"Vantor 9 is provided as it is, without warranty of any kind. Tarrowfield is not liable for any loss or "
		"damage that comes from using it. Do not use Vantor 9 for real-world navigation or flight training.\n\n"
		"Commercial use needs a license of its own: see %1:web page% for the terms.", 0));
}

std::string (*eula_text)() = demo_licence_text;

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

int demo_pick_folder(wizard_screen& s, std::string& parent_dir, std::string& install_folder,
                     const std::string& desktop_f, const std::string& prompt, const char* flow, int& changed)
{
	std::string button = T("Change Destination");
	float button_w = str_dx(button) + 21;
	if (BTN_action(290, 203, button_w, 0, 1, button, "-")) {
		std::string chosen = parent_dir;
		if (GetFilePathFromUser(2, prompt, T("Select"), 1, parent_dir, chosen)) {
			parent_dir = chosen;
			if (parent_dir != "/") parent_dir += "/";
			changed = 1;
		}
	}
	std::string name_label = T("Install Name:");
	float field_x = 310 + button_w / 2 + str_dx(name_label);
	if (BTN_enterstring(field_x, 200, &install_folder, 256, "-" + name_label, 760 - field_x, 1)) changed = 1;

	std::string dest = install_folder.empty() ? parent_dir : parent_dir + install_folder + "/";
	if (dest != dest_dir_path) {
		checksum_directory_kill();	// the scan under way signs the old folder
		dest_dir_path = dest;
	}
	if (install_folder.empty()) {
		s.next = nullptr;
		s.text = T("Please pick a name for your Vantor 9 installation...");
		return 0;
	}
	if (dir_exists(dest_dir_path) && registration_unfinished(dest_dir_path, flow)) {
		s.text = UTL_string_sub(T("I will finish the installation in the folder '%1:install name%' inside the folder "
		                          "'%2:parent folder%'."),
		                        install_folder, parent_dir);
		return 1;
	}
	if (dir_exists(dest_dir_path)) {
		s.next = nullptr;
		s.text = UTL_string_sub(T("The folder '%1:install name%' already exists inside the folder '%2:parent folder%'."
		                          "\n\nPlease change the install name or destination."),
		                        wizard_shown_name(install_folder, wizard_text_width), wizard_shown_name(parent_dir, wizard_text_width));
		return 0;
	}
	s.text = UTL_string_sub(T("I will create the folder '%1:install name%' inside the folder '%2:parent folder%'."),
	                        wizard_shown_name(install_folder, wizard_text_width), wizard_shown_name(parent_dir, wizard_text_width));
	if (parent_dir == desktop_f)
		s.text += UTL_string_sub(T("\n\n(The folder %1:install name% will appear on your desktop.)"), install_folder);
	return 1;
}
