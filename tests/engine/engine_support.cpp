#include "engine_support.h"
#include "utils.h"
#include "utils_internal.h"
#include "THREAD_service.h"
#include "UTL_cmdline.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_globals.h"
#include "UTL_alert.h"
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

std::vector<std::pair<std::string, int>> g_prompt_rules;
std::vector<std::pair<std::string, int>> g_prompt_calls;
std::string copy_dir;

static int scripted_select(std::string path, int is_delete)
{
	g_prompt_calls.push_back({path, is_delete});
	for (auto& r : g_prompt_rules)
		if (path.find(r.first) != std::string::npos) return r.second;
	return select_cancel;
}

static int scripted_abort(std::string, std::string, std::string, std::string, std::string) { return abort_closed; }

void write_text(const std::string& path, const std::string& data)
{
	size_t slash = path.rfind('/');
	if (slash != std::string::npos) sh("mkdir -p '" + path.substr(0, slash) + "'");
	std::ofstream f(path, std::ios::binary | std::ios::trunc);
	f << data;
}

static std::string quote(const std::string& s)
{
	std::string o = "'";
	for (char c : s) {
		if (c == '\'') o += "'\\''";
		else o += c;
	}
	return o + "'";
}

std::string md5_file(const std::string& path)
{
	if (!exists(path)) return "";
	// read from standard input: md5sum marks a name with a line end or a backslash
	std::string o = sh_out("md5sum < " + quote(path) + " 2>/dev/null");
	return o.size() >= 32 ? o.substr(0, 32) : "";
}

std::string md5_text(const std::string& data)
{
	char name[] = "/tmp/engine_md5_XXXXXX";
	int fd = mkstemp(name);
	if (fd < 0) return "";
	ssize_t w = write(fd, data.data(), data.size());
	(void)w;
	close(fd);
	std::string r = md5_file(name);
	unlink(name);
	return r;
}

bool exists(const std::string& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0;
}

bool is_dir(const std::string& path)
{
	struct stat st;
	return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int count_of(const std::string& hay, const std::string& needle)
{
	int n = 0;
	for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) ++n;
	return n;
}

void expect_release_or_failure(bool run_failed)
{
	if (run_failed) return;

	for (size_t i = 0; i < sim_info.size(); ++i) {
		const file_version_struct& v = sim_info[i].versions.back();
		if (!want_this_f((int)i, (int)sim_info[i].versions.size() - 1)) continue;
		std::string rel = v.path;
		trim_dest_folder(rel);
		std::string local = copy_dir + rel;
		if (v.want_delete) {
			EXPECT_FALSE(exists(local)) << "the run reported success, but " << rel << " is still there";
		}
		if (!v.want_download) continue;
		struct stat st;
		std::string have;
		if (lstat(local.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
			char text[4096];
			ssize_t n = readlink(local.c_str(), text, sizeof(text));
			have = md5_text(std::string(text, n > 0 ? n : 0));
		} else {
			have = md5_file(local);
		}
		EXPECT_EQ(v.sig_want, have) << "the run reported success, but " << rel << " is not the release's";
	}
}

std::string dir_header() { return "I\n900 version\nINSTALLER\n\n"; }

int load_directory(const std::string& folder, const std::string& body)
{
	write_text(folder + "directory.txt", dir_header() + body);
	return read_directory(folder + "directory.txt", "");
}

void web_scan_and_choose()
{
	int cursor = 0;
	float progress;
	while (!checksum_directory(copy_dir, cursor, 0, progress)) usleep(500);
	recalc_disk_sizes();
	ASSERT_EQ(1, choose_files(copy_dir));
	ASSERT_EQ(0, make_dirs(copy_dir));
}

int web_pump(double limit_seconds)
{
	grab_files_start();
	auto t0 = std::chrono::steady_clock::now();
	while (true) {
		xtim.xtim_update();
		auto frame = std::chrono::steady_clock::now();
		while (std::chrono::duration<double>(std::chrono::steady_clock::now() - frame).count() < 0.02)
			if (grab_files(copy_dir) != grab_running) return 1;
		if (std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() > limit_seconds) return -1;
	}
}

float g_clock_jumped = 0;

int web_pump_clocked(double limit_seconds, const std::function<void(float)>& on_pause)
{
	xtim.xtim_update();
	const float base = xtim.elapsed;
	g_clock_jumped = 0;
	grab_files_start();
	auto t0 = std::chrono::steady_clock::now();
	while (true) {
		double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
		if (real > limit_seconds) return -1;
		xtim.elapsed = base + (float)real + g_clock_jumped;
		if (grab_files(copy_dir) != grab_running) return 1;
		float pause = grab_pause_left();
		if (pause > 0) {
			if (on_pause) on_pause(pause);
			g_clock_jumped += pause + 0.001f;
			continue;
		}
		grab_files_wait(2);
	}
}

void EngineTest::SetUp()
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	UTL_cmdline::add_one("--fps_test", "");
	// Without TZ the C library re-reads the zone at every mktime, under a lock
	// of its own that the thread checker cannot see; the unpack threads call it.
	setenv("TZ", ":/etc/localtime", 0);
	const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
	std::string name = std::string(t->test_suite_name()) + "." + t->name();
	std::string base = std::string(VANTOR_BINARY_DIR) + "/engine_scratch/";
	mkdir(base.c_str(), 0755);
	dir = base + name + "." + std::to_string(getpid()) + "/";
	sh("rm -rf '" + dir + "' && mkdir -p '" + dir + "'");
	log_path = dir + "log.txt";
	if (xer.is_open()) xer.close();
	xer.clear();
	xer.open(log_path, std::ios::out | std::ios::trunc);
	THREAD_init();

	memset(&g_engine.stg, 0, sizeof(g_engine.stg));
	g_engine.stg.num_servers = servers_unknown;
	g_engine.stg.action = action_skip_unneeded;
	g_engine.stg.target_os = os_mac;
	g_engine.stg.log_actions = 1;
	g_engine.sim_info.clear();
	g_engine.deleted_files.clear();
	set_install_filter(1, 1);
	copy_dir = dir + "copy/";
	g_engine.temp_path = dir + "temp/";
	mkdir(temp_path.c_str(), 0755);
	g_engine.install_name = "vantor_92102";
	dvd_path.clear();
	for (auto& s : g_engine.server_name) s.clear();
	for (auto& s : g_engine.server_path) s.clear();
	g_prompt_rules.clear();
	g_prompt_calls.clear();
	UTIL_prompt_hooks = {scripted_select, scripted_abort};
	app_done = 0;
}

void EngineTest::TearDown()
{
	checksum_directory_kill();
	install_files_kill();
	THREAD_shutdown();
	xer.flush();
	if (!HasFailure()) sh("rm -rf '" + dir + "'");
}

std::string EngineTest::log_text()
{
	xer.flush();
	return read_file(log_path);
}
