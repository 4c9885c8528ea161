// The installer's preferences window: platform, logging, streams and proxy.
#include "main_prefs.h"
#include "main_wizard.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "butn.h"
#include "OGL_fonts.h"
#include "http.h"
#include "oglp.h"
#include "utils.h"
#include "utils_records.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include <algorithm>

// The proxy panel holds its title and two fields a row apart, whose boxes are
// 26 units tall; labels begin this far from the window's left edge.
static const float proxy_panel_h = 90, proxy_host_y = 54, proxy_port_y = 22, proxy_label_x = 24;
// The proxy fields' width, and the Prefs window's width that the port note wraps within.
static const float proxy_field_w = 455, prefs_window_w = 700;

int prefs_pass()
{
	OGL_plot_back_col();
	BTN_fillwin(1, btn_style_none);
	float edge = -1;
	float next_x = 0;
	BTN_subwin(0, btn_style_inner_panel, -1, -1, -1, proxy_panel_h, UTL_translate_string("Proxy (if you are behind a firewall with a Proxy)", 0),
	           &next_x, &edge);
	BTN_subwin(0, btn_style_inner_panel, -1, edge, -1, -1, UTL_translate_string("General Preferences", 0), &next_x, &edge);

	int target_os = stg.target_os, log_actions = stg.log_actions, stream_count = stg.stream_count;
	int index = target_os - 1;
	if (index < 0 || index > 2) index = 0;
	BTN_textlist(250, 300, &index, UTL_translate_string("Operating System to download Vantor for:|(Install and "
	                                                    "copy the entire Vantor folder to another computer if you like)", 0),
	             "Macintosh-Windows-Linux");
	target_os = index + 1;
	BTN_bool(40, 250, &log_actions,
	         UTL_translate_string("|Log installer actions. Turn this on to output the installer file downloads and "
	                              "stuff to the file log.txt.", 0), 0);
	int manual = stream_count != 0;
	BTN_bool(40, 200, &manual,
	         UTL_translate_string("|Manually set the number of download streams. Typically leave this OFF, and the "
	                              "installer will find the best number of streams for you.", 0), 0);
	if (manual) {
		if (stream_count < 1) stream_count = 1;
		BTN_int_range(400, 150, &stream_count, 1, 1, http_stream_count, "");
	} else {
		stream_count = 0;
	}
	UTIL_set_preferences(target_os, log_actions, stream_count);
	// the fields start right of the longer label, so that neither is cut at the window's edge
	const std::string host = UTL_translate_string("-proxy host", 0), port = UTL_translate_string("-proxy port", 0);
	const float x = std::max(85.0f, proxy_label_x + std::max(str_dx(host), str_dx(port)) + 12);
	BTN_enterstring(x, proxy_host_y, &http.proxy_host, 65, host, proxy_field_w, 1);
	BTN_enterstring(x, proxy_port_y, &http.proxy_port_text, 65, port, proxy_field_w, 1);
	const int bad_port = !http.proxy_port_text.empty() && !prefs_port_number(http.proxy_port_text, &http.proxy_port);
	if (bad_port) {
		const float note_x = x + proxy_field_w + 10;
		OGL_string(prefs_warning_colour, note_x, proxy_host_y + 12,
		           UTL_string_sub(UTL_translate_string("The proxy port must be a number from 0 to 65535; I am "
		                                               "keeping %1:port%.", 0),
		                          std::to_string(http.proxy_port)),
		           std::max(100.0f, prefs_window_w - 10 - note_x), 0, 0);
	}
	return bad_port;
}

int prefs_port_number(const std::string& text, int* port)
{
	if (text.empty() || text.size() > 5) return 0;
	int n = 0;
	for (char c : text) {
		if (c < '0' || c > '9') return 0;
		n = n * 10 + (c - '0');
	}
	if (n > prefs_port_max) return 0;
	*port = n;
	return 1;
}

void prefs_check_proxy_port()
{
	int& port = http.proxy_port;
	std::string& text = http.proxy_port_text;
	if (port < 0 || port > prefs_port_max) {
		int from_text = 0;
		xer << "The saved proxy port " << port << " is no port; ";
		if (prefs_port_number(text, &from_text)) {
			xer << "the port field's " << from_text << " is used.\n";
			port = from_text;
		} else {
			xer << "no proxy is used.\n";
			port = 0;
		}
	}
	// the field shows the number in use, also when only the number was given
	text = port > 0 ? std::to_string(port) : std::string();
}

void handle_prefs()
{
	MACIBM_startwind(WIND_prefs, 0);
	if (mnw.current_window != WIND_prefs) return;
	int bad_port = 0;	// the port field holds no port: the number in use is kept
	for (;;) {
		bad_port = prefs_pass();
		MACIBM_event_proc();
		if (mnw.current_window != WIND_prefs) {
			// what is saved, and shown next time, is the port in use
			if (bad_port) {
				xer << "The proxy port field held no port; " << http.proxy_port << " is kept.\n";
				xer.flush();
				http.proxy_port_text = http.proxy_port > 0 ? std::to_string(http.proxy_port) : std::string();
			}
			return;
		}
	}
}
