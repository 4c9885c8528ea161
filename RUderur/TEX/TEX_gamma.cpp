// The image gammas and the correction ramp live in the colour table.
#include "TEX_image.h"
#include "colr.h"

double               TEX_gamma_screen() { return colr.gamma_screen; }
double               TEX_gamma_image_default() { return colr.gamma_image_default; }
int                  TEX_gamma_ramp_on() { return colr.gamma_ramp_on; }
const unsigned char* TEX_gamma_ramp() { return colr.gamma_ramp; }
