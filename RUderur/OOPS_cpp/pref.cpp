// Placeholder until the preference files land.
#include "pref.h"

pref_class pref;
void pref_class::IO_set(int, int) {}
