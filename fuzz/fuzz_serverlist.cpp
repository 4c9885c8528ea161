// libFuzzer target: the server list reader, for the final and the beta release.
#include "fuzz_support.h"
#include "main_globals.h"
#include "main_net.h"
#include "utils.h"
#include "utils_records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string path = fuzz_file("serverlist9.txt", data, size);
	for (int beta = 0; beta < 2; ++beta) {
		UTIL_set_beta(beta);
		std::string address;
		if (net_read_server_list(path, &address) == net_list_read && stg.num_servers > 0) {
			if (stg.num_servers > server_slots) __builtin_trap();
			const int picked = UTIL_pick_server(stg.num_servers, -1, pick_towards_top);
			if (picked < 0 || picked >= stg.num_servers) __builtin_trap();
		}
	}
	return 0;
}
