#ifndef OGL_SETSTATE_H
#define OGL_SETSTATE_H
// The cached switch of fixed-function state every draw goes through. The
// ranges do not overlap, so an argument in the wrong place shows.
enum {
	fog_true = 0, fog_fals = 1,
	lit_true = 2, lit_fals = 3,
	al_none = 4, al_blend = 5, al_test = 6, al_both = 7,
	deR_true = 8, deR_fals = 9,
	deW_true = 10, deW_fals = 11
};

extern int num_units;	// texture units enabled now

void OGL_setstate(int fog, int tex_units, int lit, int alpha, int depth_read, int depth_write);

#endif
