// The mirrors of the run: the server list's entries, the one in use, and the
// one draw that picks a mirror for the directory and for every stream.
#include "utils.h"
#include "utils_internal.h"
#include <cmath>
#include <cstdlib>

void UTIL_servers_forget() { g_engine.stg.num_servers = servers_unknown; }

void UTIL_servers_clear() { g_engine.stg.num_servers = 0; }

int UTIL_server_add(const std::string& host, const std::string& folder, const std::string& desc)
{
	int n = stg.num_servers > 0 ? stg.num_servers : 0;
	if (n >= server_slots) return 0;
	g_engine.server_name[n] = host;
	g_engine.server_path[n] = folder;
	g_engine.server_desc[n] = desc;
	g_engine.stg.num_servers = n + 1;
	return 1;
}

void UTIL_choose_server(int k) { g_engine.stg.sel_server = k >= 0 && k < server_slots && k < g_engine.stg.num_servers ? k : 0; }

void UTIL_set_release(const std::string& name) { g_engine.install_name = name; }

int UTIL_pick_server(int n, int failed, int draw, unsigned leave_out)
{
	if (n <= 1) return 0;
	if (n > server_slots) n = server_slots;
	// the servers it may draw, in their order: so the bias stays
	int among[server_slots];
	int others = 0;
	for (int k = 0; k < n; ++k)
		if (k != failed && !(leave_out & (1u << k))) among[others++] = k;
	if (others == 0 && failed >= 0 && failed < n && !(leave_out & (1u << failed))) among[others++] = failed;
	if (others == 0)	// every one is left out: the draw runs over all but the failed one
		for (int k = 0; k < n; ++k)
			if (k != failed) among[others++] = k;
	if (draw == pick_evenly) return among[rand() % others];
	double u = (double)rand() * (1.0 / 2147483648.0);
	int k = (int)(others * pow(u, 1.5));
	if (k > others - 1) k = others - 1;
	if (k < 0) k = 0;
	return among[k];
}
