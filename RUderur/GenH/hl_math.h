#ifndef HL_MATH_H
#define HL_MATH_H
// Unit conversions every unit of the framework may use.

const float degtorad = 0.017453292519943295f;
const float radtodeg = 57.29577951308232f;

#endif
