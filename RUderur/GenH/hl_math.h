#ifndef HL_MATH_H
#define HL_MATH_H
// Unit conversions and lookup tables every unit of the framework may use.

const float degtorad = 0.017453292519943295f;
const float radtodeg = 57.29577951308232f;

extern float randrat[10000];	// filled once by start-up (seed 1)
// Fills randrat from seed 1: the same table every run.
void UTL_fill_randrat();
extern float lookup_sin[368];	// entries 0..360: sine and cosine of whole degrees,
extern float lookup_cos[368];	// filled by start-up (colr_fill_trig_tables)

#endif
