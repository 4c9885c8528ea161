// The about box's window; the update check it shows lives in UTL_about.
#include "hl_about.h"
#include "colr.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "OGL_fonts.h"
#include "UTL_about.h"
#include "UTL_alert.h"
#include "butn.h"
#include "oglp.h"
#include <string>

static const char* const kCredits[9] = {
	"Art: Mireille Castagne, Oskar Lindqvist and Hana Ferreby",
	"Code subroutines: Tomas Werrin and Dalia Okonkwo",
	"Linux port: Piet van Aelst",
	"Airport and navigation-aid data: Rosalind Marr and the Vantor users",
	"Intro screen: Kenji Holloway",
	"Icons: Sabine Arquette",
	"Additional elevation data: the Open Relief Survey, www.openrelief.example",
	"Forest prototypes for Europe and the US: Ilse Brandvold and Marcus Tilley",
	"Vantor uses FreeType to render fonts: www.freetype.org"};

static void about_frame(about_state& s)
{
	UTL_about_check(s);

	const float W = mnw.wind_w, H = mnw.wind_h, width = W - 40;
	OGL_plot_back_col();
	BTN_fillwin(1, btn_style_none);
	BTN_subwin(0, btn_style_dialog_panel, -1, BTN_panel_over_button_row, -1, -1, "", &wx, &wy);
	OGL_string(colr_panel_text, 20, H - 45, std::string("Vantor ") + about_release_text + (is_demo ? " Web Demo" : ""), width, 0, 0);
	OGL_string(colr_panel_text, 20, H - 55, "Created by Arlen Voss", width, 0, 0);
	OGL_string(colr_panel_text, 20, H - 65, about_maker_site, width, 0, 0);
	OGL_string(colr_panel_text, 20, H - 85, UTL_about_version_line(s), width, 0, 0);
	for (int i = 0; i < 9; ++i) OGL_string(colr_panel_text, 20, H - 115 - 10 * i, kCredits[i], width, 0, 0);

	const std::string site = about_maker_site;
	if (BTN_action(191, 17, 0, 0, 1, "Go to " + site + " for free updates and tons of other cool stuff!", "-"))
		(void)go_to_URL("http://" + site + "/");	// a browser that does not open is logged with why

	const float status_y = H - 235;
	switch (s.ins_state) {
	case about_offer:
		if (BTN_action(492, 17, 0, 0, 1, s.is_beta ? " Get New Beta! " : "Update Vantor!", "-"))
			s.ins_state = about_downloading;
		break;
	case about_downloading: {
		const std::string progress = UTL_about_download(s);
		if (!progress.empty()) OGL_string(colr_yellow, 20, status_y, progress, width, 0, 0);
		break;
	}
	case about_launching:
		UTL_about_launch(s);
		break;
	case about_message:
		OGL_string(colr_yellow, 20, status_y, s.err_msg, width, 0, 0);
		break;
	}
}

void MACIBM_about()
{
	MACIBM_startwind(WIND_version, 0);
	// a quit request (the window manager's close) ends the box as well
	while (mnw.current_window == WIND_version && !app_done) {
		about_frame(about_rec);
		MACIBM_event_proc();
	}
}
