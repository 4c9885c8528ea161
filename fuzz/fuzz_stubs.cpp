// The little the readers need from the rest of the program, for the fuzz
// programs only: a log stream, an application folder, alerts that end the run
// and the colour table's gammas at their start-up values (no ramp).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

std::ofstream xer;
std::string   app_path;

void __MACIBM_alert(int, std::string m1, std::string m2, std::string, std::string, int type, const char*, int)
{
	if (type == 2) {
		fprintf(stderr, "fatal alert: %s %s\n", m1.c_str(), m2.c_str());
		abort();
	}
}

double               TEX_gamma_screen() { return 1.8; }
double               TEX_gamma_image_default() { return 1.8; }
int                  TEX_gamma_ramp_on() { return 0; }
const unsigned char* TEX_gamma_ramp()
{
	static unsigned char ramp[256];
	for (int i = 0; i < 256; i++) ramp[i] = (unsigned char)i;
	return ramp;
}
