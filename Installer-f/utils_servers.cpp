// The mirrors of the run: the server list's entries, the one in use, and the
// one draw that picks a mirror for the directory and for every stream.
#include "utils.h"
#include "utils_records.h"
#include <cmath>
#include <cstdlib>

void UTIL_servers_forget() { stg.num_servers = servers_unknown; }

void UTIL_servers_clear() { stg.num_servers = 0; }

int UTIL_server_add(const std::string& host, const std::string& folder, const std::string& desc)
{
	int n = stg.num_servers > 0 ? stg.num_servers : 0;
	if (n >= server_slots) return 0;
	server_name[n] = host;
	server_path[n] = folder;
	server_desc[n] = desc;
	stg.num_servers = n + 1;
	return 1;
}

void UTIL_choose_server(int k) { stg.sel_server = k >= 0 && k < server_slots && k < stg.num_servers ? k : 0; }

void UTIL_set_release(const std::string& name) { install_name = name; }

int UTIL_pick_server(int n, int failed, int draw)
{
	if (n <= 1) return 0;
	if (draw == pick_evenly) {
		if (failed < 0 || failed >= n) return rand() % n;
		int k = rand() % (n - 1);
		return k >= failed ? k + 1 : k;
	}
	// the draw runs over the others, which keep their order and so the bias
	int skip = n > 1 && failed >= 0 && failed < n;
	int others = n - skip;
	double u = (double)rand() * (1.0 / 2147483648.0);
	double s = pow(u, 1.5);
	int k = (int)(others * s);
	if (k > others - 1) k = others - 1;
	if (k < 0) k = 0;
	return skip && k >= failed ? k + 1 : k;
}
