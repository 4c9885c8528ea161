// The one unit that defines the shared objects whose construction order
// matters, in that order: each destructor runs at exit in the reverse order,
// so the log outlives everything built after it here.
#include "UTL_globals.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "MACIBM_mnw.h"
#include "hl_math.h"
#include <cstdlib>
#include <cstring>

std::string   stl_global;
std::string   app_path;
std::string   dvd_path;
std::ofstream xer;
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

xtim_class xtim;

int app_done = 0;
int ogl_inited = 0;

float randrat[10000];
float lookup_sin[368];
float lookup_cos[368];

void UTL_fill_randrat()
{
	srand(1);
	for (int i = 0; i < 10000; ++i)
		randrat[i] = (float)((double)rand() * (1.0 / 2147483648.0) * 0.9999);
}
