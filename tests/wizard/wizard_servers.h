#ifndef WIZARD_SERVERS_H
#define WIZARD_SERVERS_H
// The wizard tests' web: the maker's site behind a forward proxy, and mirrors,
// all nginx on loopback addresses of their own. The program reaches the site
// through the proxy preferences; the proxy passes mirror requests on.
#include "../support/test_servers.h"
#include <string>
#include <vector>

// The site and proxy at `proxy_addr`, good mirrors serving `mirror_root`, and a
// failing mirror answering 503 to everything.
struct wz_web {
	TS_nginx proxy;
	std::vector<TS_nginx*> mirrors;
	std::string error;

	~wz_web()
	{
		for (TS_nginx* m : mirrors) delete m;
	}

	// rate: nginx limit_rate of the mirrors ("" for none), to keep an install going for a while
	bool start(const std::string& proxy_addr, const std::string& site_host, const std::string& site_root,
	           const std::vector<std::string>& good, const std::string& failing, const std::string& mirror_root,
	           const std::string& work, const std::string& rate = "")
	{
		mkdir(work.c_str(), 0755);
		std::string names;
		for (const std::string& g : good) names += " " + g;
		if (!failing.empty()) names += " " + failing;
		std::string servers =
			"  server {\n    listen " + proxy_addr + ":80 default_server;\n    server_name " + site_host + ";\n"
			"    root " + site_root + ";\n  }\n"
			"  server {\n    listen " + proxy_addr + ":80;\n    server_name" + names + ";\n"
			"    location / { proxy_pass http://$host; proxy_buffering off; }\n  }\n";
		if (!proxy.start_servers(proxy_addr, 80, servers, work + "/proxy")) {
			error = proxy.error;
			return false;
		}
		std::vector<std::string> all = good;
		if (!failing.empty()) all.push_back(failing);
		for (const std::string& m : all) {
			bool bad = m == failing;
			std::string s = "  server {\n    listen " + m + ":80;\n    root " + mirror_root + ";\n" +
			                (rate.empty() ? "" : "    limit_rate " + rate + ";\n") +
			                (bad ? "    location / { return 503; }\n" : "") + "  }\n";
			TS_nginx* n = new TS_nginx;
			mirrors.push_back(n);
			if (!n->start_servers(m, 80, s, work + "/mirror-" + m)) {
				error = n->error;
				return false;
			}
		}
		return true;
	}

	void stop()
	{
		proxy.stop();
		for (TS_nginx* m : mirrors) m->stop();
	}
};

#endif
