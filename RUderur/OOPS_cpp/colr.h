#ifndef COLR_H
#define COLR_H
// The colour table: every drawing call names its colour by id.
#include <array>

enum { colr_slots = 109, colr_spectrum_n = 1000 };

// Colour ids: presets, the slots start-up reads from the interface art
// (37..50), the pulsing slots the clock rewrites (83..88) and the wizard's own.
enum {
	colr_white = 0,
	colr_cursor = 8,		// a focused field's cursor and a text selection
	colr_black = 12,		// the wizard's texts, grey rectangles, a list's selection band
	colr_back = 37,			// clears behind every dialog and prompt
	colr_menu_edge = 38,		// menu separators and dividers
	colr_menu_highlight = 39,
	colr_menu_edge_light = 40,	// the light edge under a separator
	colr_menu_title = 41,		// menu bar titles, a pop-up list's current item
	colr_menu_mid = 42,		// the mean of 38 and 41
	colr_window_title = 43,		// framework window titles
	colr_tab_on = 44,		// the selected tab's label
	colr_tab_off = 45,
	colr_label = 46,		// labels and the texts of alerts and prompts
	colr_accent = 47,
	colr_value = 48,		// values, field and list texts; the last id the interface light tints
	colr_warning = 49,
	colr_panel_text = 50,		// texts of dialog panels and of the help box
	colr_plain = 52,		// white: a textured quad drawn as its texture is
	colr_red = 60,
	colr_yellow = 61,
	colr_grey = 64,
	colr_blue = 68,			// the wizard's current step
	colr_pulse_first = 83,		// 83..88 pulse with the clock
	colr_pulse_label = 85,		// a lit label
	colr_pulse_last = 88,
	colr_wizard_white = 107		// the wizard's own white, set every frame
};

class colr_class {
public:
	double gamma_image_default;
	double gamma_screen;
	int    gamma_ramp_on;
	unsigned char gamma_ramp[256];
	float  rgb[colr_slots][3];
	float  lite[6];		// interface light: red, green, blue factors at 0, 2, 4
	float  pulse;
	float  spec_low, spec_high, spec_range;
	float  spectrum[colr_spectrum_n][3];

	colr_class();
	void assign(int id, float r, float g, float b);
	void set_lites_for_interface();
	void spectrum_init(int kind);
	// Draws the scale and its end values; it belongs to the shell (colr_scale.cpp).
	void spectrum_plotscale(float x, float y, float low, float high, int decimals);
	// The colour the scale gives a value, clamped to lo..hi, on the range
	// the last spectrum_plotscale stored.
	std::array<float, 4> spectrum_at(float value, float lo, float hi, float alpha) const;
	// Slots 83-88 and the pulse field from the clock's pulse level p.
	void set_pulse(float p);
	// The colour a primitive draws with: lit for ids up to 48.
	void lit_rgb(int id, float* out3) const;
};

extern colr_class colr;

// Fills the sine and cosine tables of whole degrees (start-up).
void colr_fill_trig_tables();

#endif
