// The colour table; the scale's drawing lives with the widgets (colr_scale.cpp).
#include "colr.h"
#include "hl_math.h"
#include <cmath>
#include <cstring>

colr_class colr;

struct colr_preset { int id; float r, g, b; };
static const colr_preset presets[] = {
	{0, 1, 1, 1}, {1, 1, 0.2f, 0.2f}, {2, 1, 1, 0.2f}, {3, 0.7f, 0.7f, 0.7f}, {4, 0.8f, 0, 0},
	{5, 1, 1, 0}, {6, 0.3f, 0.3f, 0.3f}, {7, 0.2f, 0, 0}, {8, 1, 0.8f, 0.2f}, {9, 0.1f, 0.1f, 0.1f},
	{10, 0, 0.8f, 0}, {12, 0, 0, 0}, {13, 0, 0.4f, 0}, {15, 0.4f, 0.4f, 1}, {17, 0, 0, 0.6f},
	{18, 0.5f, 0.55f, 0.6f}, {19, 0.2f, 0.2f, 0.25f}, {20, 0.9f, 0.9f, 0.9f}, {21, 0.8f, 0.1f, 0.1f},
	{22, 0.9f, 0.9f, 1}, {23, 0.9f, 0.9f, 0.9f}, {24, 0.1f, 0.1f, 0.1f}, {25, 0, 0, 0},
	{26, 0.9f, 0.9f, 0.9f}, {27, 1, 1, 0}, {28, 0, 0, 0}, {29, 1, 1, 1}, {30, 1, 1, 1}, {31, 1, 1, 1},
	{32, 1, 1, 0}, {33, 0, 0, 0}, {34, 1, 1, 1}, {35, 1, 1, 1}, {36, 1, 1, 1},
	{52, 1, 1, 1}, {53, 0.4f, 1, 0.4f}, {54, 1, 0.4f, 0.4f}, {55, 1, 1, 0.6f}, {56, 0.7f, 0.7f, 1},
	{57, 1, 0.5f, 0}, {58, 0.8f, 0.8f, 0.8f}, {59, 0, 1, 0}, {60, 1, 0.2f, 0.2f}, {61, 1, 1, 0.2f},
	{62, 0.4f, 0.4f, 1}, {63, 0.5f, 0.3f, 0}, {64, 0.5f, 0.5f, 0.5f}, {65, 0, 0.6f, 0}, {66, 0.6f, 0.2f, 0},
	{67, 1, 1, 0}, {68, 0.2f, 0.2f, 0.8f}, {69, 1, 0.4f, 0}, {70, 0.2f, 0.2f, 0.2f}, {71, 0, 0.2f, 0},
	{72, 1, 0, 0}, {73, 0.6f, 0.6f, 0}, {74, 0.15f, 0.15f, 0.6f}, {75, 0.49f, 0.43f, 0.24f}, {76, 0, 0, 0},
	{77, 0, 0.1f, 0}, {78, 1, 0.2f, 1}, {79, 1, 0, 1}, {80, 0, 1, 1}, {81, 1, 1, 0}, {82, 0.44f, 0.53f, 0.54f},
	{89, 1, 0, 1}, {90, 0, 0, 0}, {91, 1, 0, 1}, {92, 1, 1, 1}, {101, 0.5f, 0.5f, 0.4f}, {102, 1, 0.3f, 0},
	{103, 0.5f, 0.5f, 0.4f}, {104, 0.8f, 0.8f, 0.7f}, {105, 0, 0.6f, 0.2f}, {106, 1, 1, 0.9f}};

colr_class::colr_class()
{
	memset((void*)this, 0, sizeof(*this));
	gamma_image_default = 1.8;
	gamma_screen = 1.8;
	gamma_ramp_on = gamma_screen != 1.8;
	for (int i = 0; i < 256; ++i)
		gamma_ramp[i] = (unsigned char)lround(255.0 * pow(i / 255.0, 1.0));
	for (const auto& p : presets) assign(p.id, p.r, p.g, p.b);
	for (float& l : lite) l = 1;
}

void colr_class::assign(int id, float r, float g, float b)
{
	rgb[id][0] = r;
	rgb[id][1] = g;
	rgb[id][2] = b;
}

void colr_class::set_lites_for_interface()
{
	for (int i = 0; i < 6; i += 2)
		if (lite[i] < 0.75f) lite[i] = 0.75f;
}

void colr_class::lit_rgb(int id, float* out) const
{
	for (int i = 0; i < 3; ++i) out[i] = rgb[id][i] * (id <= colr_value ? lite[2 * i] : 1.0f);
}

void colr_class::set_pulse(float p)
{
	pulse = p;
	assign(colr_pulse_first, p, p, p);
	assign(colr_pulse_first + 1, p, 0.5f * p, 0);
	assign(colr_pulse_first + 2, p, 0.3f * p, 0.3f * p);
	assign(colr_pulse_first + 3, 0.3f * p, 0.3f * p, p);
	assign(colr_pulse_first + 4, 0.2f * p, 0.8f * p, 0.2f * p);
	assign(colr_pulse_first + 5, 0.7f * p, 0.7f * p, 0.2f * p);
}

void colr_class::spectrum_init(int kind)
{
	static const float anchor[6][3] = {{1, 0, 0}, {1, 0.32f, 0.08f}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {0.8f, 0, 0.8f}};
	if (kind < 0 || kind > 3) return;
	for (int i = 0; i < colr_spectrum_n; ++i) {
		float v = i / 1000.0f;
		float* s = spectrum[i];
		switch (kind) {
		case 0: {
			int k = v < 0.2f ? 0 : v < 0.4f ? 1 : v < 0.6f ? 2 : v < 0.8f ? 3 : 4;
			float w = (v - 0.2f * k) * 5.0f;
			for (int c = 0; c < 3; ++c) s[c] = anchor[k][c] * (1 - w) + anchor[k + 1][c] * w;
			break;
		}
		case 1: s[0] = v; s[1] = 0; s[2] = 0; break;
		case 2: s[0] = 0; s[1] = v; s[2] = 0; break;
		case 3: s[0] = 0; s[1] = 0; s[2] = v; break;
		}
	}
}

std::array<float, 4> colr_class::spectrum_at(float value, float lo, float hi, float alpha) const
{
	value = value < lo ? lo : value > hi ? hi : value;
	int idx = spec_range != 0 ? (int)((value - spec_low) / spec_range * 1000.0f) : 0;
	idx = idx < 0 ? 0 : idx > 999 ? 999 : idx;
	return {spectrum[idx][0], spectrum[idx][1], spectrum[idx][2], alpha};
}

void colr_fill_trig_tables()
{
	lookup_sin[0] = sinf(0);
	lookup_cos[0] = cosf(0);
	for (int d = 1; d <= 360; ++d) {
		lookup_sin[d] = sinf(d * degtorad);
		lookup_cos[d] = cosf(d * degtorad);
	}
}
