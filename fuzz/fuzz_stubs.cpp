// The little the readers need from the rest of the program, for the fuzz
// programs only: a log stream, an application folder and alerts that end the run.
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
