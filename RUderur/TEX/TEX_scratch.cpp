// The scratch image shared by the loaders, the font atlas and read-backs.
#include "TEX_image.h"

alignas(16) static unsigned char scratch_array_storage[TEX_SCRATCH_BYTES + 16];
unsigned char* scratch_array = scratch_array_storage;
int scratch_dx = 0, scratch_dy = 0;
