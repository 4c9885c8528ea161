#ifndef TEST_SERVERS_H
#define TEST_SERVERS_H
// Real servers for tests and benchmarks, on loopback addresses only: nginx
// serving a folder, tinyproxy, the Python fault server (fault_server.py) and
// a slow name server (slow_dns.py).
// Every server runs under `timeout`, so it ends on its own even when the test
// that started it dies; stop() ends it at once. Header-only.
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

// A fresh folder below the build folder (or /tmp), removed by TS_remove_tree.
inline std::string TS_make_temp_dir(const std::string& tag)
{
#ifdef VANTOR_BINARY_DIR
	std::string base = std::string(VANTOR_BINARY_DIR) + "/test_tmp";
#else
	std::string base = "/tmp/vantor_test_tmp";
#endif
	mkdir(base.c_str(), 0777);
	std::string templ = base + "/" + tag + "-XXXXXX";
	std::vector<char> buf(templ.begin(), templ.end());
	buf.push_back(0);
	if (!mkdtemp(buf.data())) return "";
	return std::string(buf.data());
}

inline void TS_remove_tree(const std::string& dir)
{
	if (dir.size() < 8) return;
	std::string cmd = "rm -rf '" + dir + "'";
	if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
}

inline bool TS_write_file(const std::string& path, const std::string& data)
{
	std::ofstream f(path, std::ios::binary | std::ios::trunc);
	f << data;
	f.close();
	return !f.fail();
}

inline std::string TS_read_file(const std::string& path)
{
	std::ifstream f(path, std::ios::binary);
	return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// True once addr:port accepts a connection, within `seconds`.
inline bool TS_wait_port(const std::string& addr, int port, double seconds)
{
	auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
	while (std::chrono::steady_clock::now() < until) {
		int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
		sockaddr_in sa;
		memset(&sa, 0, sizeof(sa));
		sa.sin_family = AF_INET;
		sa.sin_port = htons((unsigned short)port);
		inet_pton(AF_INET, addr.c_str(), &sa.sin_addr);
		int r = connect(fd, (sockaddr*)&sa, sizeof(sa));
		close(fd);
		if (r == 0) return true;
		std::this_thread::sleep_for(std::chrono::milliseconds(20));
	}
	return false;
}

// Whether nobody listens at addr:port, waiting up to `seconds` for a listener
// to go (a server of another run on the same address would otherwise answer
// in place of ours).
inline bool TS_port_free(const std::string& addr, int port, double seconds)
{
	auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
	for (;;) {
		int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
		int on = 1;
		setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
		sockaddr_in sa;
		memset(&sa, 0, sizeof(sa));
		sa.sin_family = AF_INET;
		sa.sin_port = htons((unsigned short)port);
		inet_pton(AF_INET, addr.c_str(), &sa.sin_addr);
		int r = bind(fd, (sockaddr*)&sa, sizeof(sa));
		close(fd);
		if (r == 0) return true;
		if (std::chrono::steady_clock::now() >= until) return false;
		std::this_thread::sleep_for(std::chrono::milliseconds(50));
	}
}

// Runs argv under `timeout <lifetime>`, output to log_file; the child also
// ends when this process does.
inline pid_t TS_spawn(const std::vector<std::string>& argv, const std::string& log_file, int lifetime)
{
	std::vector<std::string> all = {"timeout", "-k", "3", std::to_string(lifetime)};
	all.insert(all.end(), argv.begin(), argv.end());
	pid_t pid = fork();
	if (pid != 0) return pid;
	prctl(PR_SET_PDEATHSIG, SIGTERM);
	int fd = open(log_file.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
	if (fd >= 0) {
		dup2(fd, 1);
		dup2(fd, 2);
	}
	std::vector<char*> cargv;
	for (auto& s : all) cargv.push_back(const_cast<char*>(s.c_str()));
	cargv.push_back(nullptr);
	execvp(cargv[0], cargv.data());
	_exit(127);
}

inline void TS_stop(pid_t& pid)
{
	if (pid <= 0) return;
	kill(pid, SIGTERM);
	for (int i = 0; i < 100; ++i) {
		if (waitpid(pid, nullptr, WNOHANG) == pid) {
			pid = -1;
			return;
		}
		std::this_thread::sleep_for(std::chrono::milliseconds(20));
	}
	kill(pid, SIGKILL);
	waitpid(pid, nullptr, 0);
	pid = -1;
}

inline bool TS_alive(pid_t pid)
{
	return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0;
}

// A server process with a work folder of its own.
struct TS_server {
	pid_t       pid = -1;
	std::string addr;
	int         port = 0;
	std::string work;	// config, pid file, logs, temp folders
	std::string error;	// why start() failed

	TS_server() = default;
	TS_server(const TS_server&) = delete;
	TS_server& operator=(const TS_server&) = delete;
	~TS_server() { stop(); }
	void stop() { TS_stop(pid); }

protected:
	bool launch(const std::vector<std::string>& argv, int lifetime)
	{
		if (!TS_port_free(addr, port, 10)) {
			error = addr + ":" + std::to_string(port) + " is taken by another server";
			return false;
		}
		pid = TS_spawn(argv, work + "/server.log", lifetime);
		if (pid > 0 && TS_wait_port(addr, port, 10) && TS_alive(pid)) return true;
		error = argv[0] + " did not start on " + addr + ":" + std::to_string(port) + ": " +
		        TS_read_file(work + "/server.log");
		stop();
		return false;
	}
};

// nginx serving `root` at addr:port, with a private config and temp folders.
struct TS_nginx : TS_server {
	bool start(const std::string& addr_, int port_, const std::string& root, const std::string& work_,
	           int lifetime = 300)
	{
		return start_servers(addr_, port_,
		                     "  server {\n    listen " + addr_ + ":" + std::to_string(port_) + ";\n"
		                     "    server_name _;\n    root " + root + ";\n  }\n",
		                     work_, lifetime);
	}

	// The same with server blocks of the caller's (they listen at addr:port).
	bool start_servers(const std::string& addr_, int port_, const std::string& servers, const std::string& work_,
	                   int lifetime = 300)
	{
		addr = addr_; port = port_; work = work_;
		mkdir(work.c_str(), 0755);
		std::string conf =
			"daemon off;\nmaster_process off;\nworker_processes 1;\n"
			"pid " + work + "/nginx.pid;\nerror_log " + work + "/error.log warn;\n"
			"events { worker_connections 256; }\n"
			"http {\n"
			"  access_log off;\n"
			"  client_body_temp_path " + work + "/body;\n  proxy_temp_path " + work + "/proxy;\n"
			"  fastcgi_temp_path " + work + "/fastcgi;\n  uwsgi_temp_path " + work + "/uwsgi;\n"
			"  scgi_temp_path " + work + "/scgi;\n"
			"  sendfile on;\n  tcp_nopush on;\n"
			"  default_type application/octet-stream;\n" + servers + "}\n";
		if (!TS_write_file(work + "/nginx.conf", conf)) {
			error = "cannot write " + work + "/nginx.conf";
			return false;
		}
		return launch({"nginx", "-p", work, "-c", work + "/nginx.conf", "-e", work + "/error.log"}, lifetime);
	}
};

// tinyproxy at addr:port, letting in loopback clients only.
struct TS_tinyproxy : TS_server {
	bool start(const std::string& addr_, int port_, const std::string& work_, int lifetime = 300)
	{
		addr = addr_; port = port_; work = work_;
		mkdir(work.c_str(), 0755);
		std::string conf =
			"Port " + std::to_string(port) + "\nListen " + addr + "\nTimeout 30\nMaxClients 50\n"
			"Allow 127.0.0.0/8\nDisableViaHeader Yes\nLogLevel Info\n"
			"LogFile \"" + work + "/tinyproxy.log\"\nPidFile \"" + work + "/tinyproxy.pid\"\n";
		if (!TS_write_file(work + "/tinyproxy.conf", conf)) {
			error = "cannot write " + work + "/tinyproxy.conf";
			return false;
		}
		return launch({"tinyproxy", "-d", "-c", work + "/tinyproxy.conf"}, lifetime);
	}
};

// The Python fault server; requests() gives every request head it received, in order.
struct TS_fault_server : TS_server {
	std::string record;
	std::string root;	// when set before start: the folder the archive modes serve from
	std::string files;	// when set before start: the folder served to paths of no mode
	std::string switch_file;	// when set before start: "refuse", "503", "portal" or "silent" in it takes the network away
	int         rate = 0;	// when set before start: bytes a second for each file served from `files`

	bool start(const std::string& addr_, int port_, const std::string& work_, int lifetime = 120)
	{
		addr = addr_; port = port_; work = work_;
		mkdir(work.c_str(), 0755);
		record = work + "/requests";
		mkdir(record.c_str(), 0755);
#ifdef VANTOR_SOURCE_DIR
		std::string script = std::string(VANTOR_SOURCE_DIR) + "/tests/support/fault_server.py";
#else
		std::string script = "tests/support/fault_server.py";
#endif
		std::vector<std::string> cmd = {"/usr/bin/python3", script, "--addr", addr, "--port", std::to_string(port),
		                                "--record", record, "--lifetime", std::to_string(lifetime)};
		for (const auto& [opt, value] : {std::pair<const char*, std::string>{"--root", root}, {"--files", files},
		                                 {"--switch", switch_file}, {"--rate", rate ? std::to_string(rate) : ""}})
			if (!value.empty()) {
				cmd.push_back(opt);
				cmd.push_back(value);
			}
		return launch(cmd, lifetime + 5);
	}

	std::vector<std::string> requests() const
	{
		std::vector<std::string> names, out;
		if (DIR* d = opendir(record.c_str())) {
			while (dirent* e = readdir(d)) {
				std::string n = e->d_name;
				if (n.size() > 4 && n.compare(n.size() - 4, 4, ".req") == 0) names.push_back(n);
			}
			closedir(d);
		}
		std::sort(names.begin(), names.end());
		for (auto& n : names) out.push_back(TS_read_file(record + "/" + n));
		return out;
	}
};

// slow_dns.py: answers the names of `table` ("name=address" each) after
// `delay` seconds, and holds a name's answer while hold_dir/name exists.
struct TS_slow_dns : TS_server {
	std::string record, hold_dir;

	bool start(const std::string& addr_, const std::vector<std::string>& table, double delay,
	           const std::string& work_, int lifetime = 120)
	{
		addr = addr_; port = 53; work = work_;
		mkdir(work.c_str(), 0755);
		record = work + "/queries.txt";
		hold_dir = work + "/hold";
		mkdir(hold_dir.c_str(), 0755);
		unlink(record.c_str());
#ifdef VANTOR_SOURCE_DIR
		std::string script = std::string(VANTOR_SOURCE_DIR) + "/tests/support/slow_dns.py";
#else
		std::string script = "tests/support/slow_dns.py";
#endif
		std::vector<std::string> cmd = {"/usr/bin/python3", script, "--addr", addr, "--record", record,
		                                "--lifetime", std::to_string(lifetime), "--delay", std::to_string(delay),
		                                "--hold", hold_dir};
		cmd.insert(cmd.end(), table.begin(), table.end());
		pid = TS_spawn(cmd, work + "/server.log", lifetime + 5);
		for (int i = 0; i < 500 && TS_alive(pid); ++i) {
			struct stat st;
			if (stat(record.c_str(), &st) == 0) return true;
			std::this_thread::sleep_for(std::chrono::milliseconds(20));
		}
		error = "slow_dns.py did not start on " + addr + ": " + TS_read_file(work + "/server.log");
		stop();
		return false;
	}

	// Holds the answers for `name` until release(name).
	void hold(const std::string& name) { TS_write_file(hold_dir + "/" + name, ""); }
	void release(const std::string& name) { unlink((hold_dir + "/" + name).c_str()); }

	// How many A questions for `name` came ("asked") or were answered ("answered").
	int count(const std::string& what, const std::string& name) const
	{
		std::ifstream in(record);
		std::string w, n;
		int type = 0, k = 0;
		while (in >> w >> n >> type) k += w == what && n == name && type == 1;
		return k;
	}
};

// The resolv.conf text that makes the name server at `addr` the only one, and
// waits for its answers up to the resolver's longest time.
inline std::string TS_resolv_conf(const std::string& addr)
{
	return "nameserver " + addr + "\noptions timeout:30 attempts:1\n";
}

// Makes the file `conf` this process's /etc/resolv.conf, and that of every
// process it starts from now on, in a mount namespace of its own (needs root).
// The system's resolver then asks the test's name server; "" or the reason.
inline std::string TS_use_resolv_conf(const std::string& conf)
{
	if (unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + strerror(errno);
	if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
		return std::string("private mounts: ") + strerror(errno);
	if (mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
		return std::string("bind /etc/resolv.conf: ") + strerror(errno);
	return "";
}

#endif
