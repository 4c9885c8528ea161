// The colour table: presets, the interface light, the pulse and the spectrum.
#include "colr.h"
#include <gtest/gtest.h>

TEST(Colours, PresetsAndLitIds)
{
	colr_class c;
	EXPECT_EQ(c.rgb[0][0], 1);
	EXPECT_EQ(c.rgb[11][0] + c.rgb[11][1] + c.rgb[11][2], 0);
	EXPECT_FLOAT_EQ(c.rgb[82][1], 0.53f);
	EXPECT_FLOAT_EQ(c.rgb[106][2], 0.9f);
	EXPECT_EQ(c.gamma_ramp_on, 0);
	EXPECT_EQ(c.gamma_ramp[200], 200);

	c.assign(48, 1, 1, 1);
	c.assign(49, 1, 1, 1);
	for (float& l : c.lite) l = 0.5f;
	float out[3];
	c.lit_rgb(48, out);
	EXPECT_FLOAT_EQ(out[0], 0.5f);
	c.lit_rgb(49, out);
	EXPECT_FLOAT_EQ(out[0], 1.0f);

	c.lite[0] = 0.9f;
	c.lite[2] = 0.2f;
	c.set_lites_for_interface();
	EXPECT_FLOAT_EQ(c.lite[0], 0.9f);
	EXPECT_FLOAT_EQ(c.lite[2], 0.75f);
	EXPECT_FLOAT_EQ(c.lite[1], 0.5f);	// only the red, green and blue factors
}

TEST(Colours, PulseSlots)
{
	colr_class c;
	c.set_pulse(0.4f);
	EXPECT_FLOAT_EQ(c.pulse, 0.4f);
	EXPECT_FLOAT_EQ(c.rgb[84][1], 0.2f);
	EXPECT_FLOAT_EQ(c.rgb[87][1], 0.32f);
	EXPECT_FLOAT_EQ(c.rgb[88][2], 0.08f);
}

TEST(Colours, Spectrum)
{
	colr_class c;
	c.spectrum_init(0);
	EXPECT_FLOAT_EQ(c.spectrum[0][0], 1);
	EXPECT_FLOAT_EQ(c.spectrum[0][1], 0);
	EXPECT_NEAR(c.spectrum[999][0], 0.8f, 0.01f);
	EXPECT_NEAR(c.spectrum[999][2], 0.8f, 0.01f);
	// 0.5 lies halfway from yellow to green
	EXPECT_NEAR(c.spectrum[500][0], 0.5f, 1e-4);
	EXPECT_NEAR(c.spectrum[500][1], 1.0f, 1e-4);
	c.spectrum_init(7);
	EXPECT_NEAR(c.spectrum[500][0], 0.5f, 1e-4);
	c.spectrum_init(2);
	EXPECT_FLOAT_EQ(c.spectrum[250][1], 0.25f);
	EXPECT_FLOAT_EQ(c.spectrum[250][0], 0);
}
