#ifndef COLR_H
#define COLR_H
// The colour table: every drawing call names its colour by id.
#include <array>

enum { colr_slots = 109, colr_spectrum_n = 1000 };

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
