// The one unit that defines the shared objects, in their order of construction.
#include "UTL_globals.h"
#include "UTL_clock.h"
#include "MACIBM_mnw.h"
#include <cstdlib>
#include <cstring>

std::string   stl_global;
std::string   app_path;
std::string   dvd_path;
std::ofstream ouf;
std::ofstream xer;
std::ofstream cyc;
std::ofstream dat;
stls_class    stls;

static mnw_struct make_mnw()
{
	mnw_struct m;
	memset(&m, 0, sizeof(m));
	m.language_preset = 1;
	m.current_window = -1;
	return m;
}
mnw_struct mnw = make_mnw();

plg_struct plg = {};
xtim_class xtim;

int app_done = 0;
int ogl_inited = 0;
int return_hit = 0, escape_hit = 0, delete_hit = 0;
int is_demo = 0;

float wx, wy, wx1, wy1, wx2, wy2, wx3, wy3, wx4, wy4, wx5, wy5;

float randrat[10000];
float lookup_sin[368];
float lookup_cos[368];

void UTL_fill_randrat()
{
	srand(1);
	for (int i = 0; i < 10000; ++i)
		randrat[i] = (float)((double)rand() * (1.0 / 2147483648.0) * 0.9999);
}
