// The engine's state: one record, and the names its callers use for its parts.
#include "utils.h"
#include "utils_internal.h"
#include "utils_prompts.h"
#include "pref.h"
#include "http.h"

UTIL_engine_state g_engine;
UTIL_grab_run     g_grab;

const stg_struct&                       stg = g_engine.stg;
const std::vector<file_history_struct>& sim_info = g_engine.sim_info;
const next_struct&                      grab_pump = g_engine.pump;
const int&                   g_want_sim = g_engine.want_sim;
const int&                   g_want_global = g_engine.want_global;
const std::set<std::string>& deleted_files = g_engine.deleted_files;
const std::vector<UTIL_refused_path>& refused_listed = g_engine.refused_listed;
const int&                   delete_failures = g_engine.delete_failures;
const std::vector<std::string>& grab_failed_files = g_engine.grab_failed_files;
const int&                   install_err_num = g_engine.install_err_num;
const std::string&           install_err_msg = g_engine.install_err_msg;
const std::string&           install_name = g_engine.install_name;
const std::string&           temp_path = g_engine.temp_path;
const std::string (&server_name)[server_slots] = g_engine.server_name;
const std::string (&server_path)[server_slots] = g_engine.server_path;
const std::string (&server_desc)[server_slots] = g_engine.server_desc;
const std::string&           crnt_file_name = g_engine.crnt_file_name;
const std::string&           crnt_file_path = g_engine.crnt_file_path;

const char* const no_install_name = "Not Yet Scanned";

// The installer's lines of its preference file: the record's settings and the proxy.
static void installer_prefs_io(scan_class& s)
{
	s.int_io(&g_engine.stg.stream_count, "_stream_count");
	s.int_io(&g_engine.stg.log_actions, "_log_actions");
	s.str_io(&http.proxy_host, "_proxy_host");
	s.str_io(&http.proxy_port_text, "_proxy_port");
	s.int_io(&http.proxy_port, "_proxy_port_int");
	s.int_io(&g_engine.stg.get_beta, "_get_beta");
	// an edited file must not leave the pump with no stream, or more than it has
	if (g_engine.stg.stream_count < 0 || g_engine.stg.stream_count > http_stream_count) g_engine.stg.stream_count = 0;
}
// Any program that links the record links this unit, and with it the settings' lines.
[[maybe_unused]] static const int installer_prefs_hooked = (pref_installer_io = installer_prefs_io, 0);

UTIL_prompt_hooks_t UTIL_prompt_hooks = {};

int UTIL_ask_select(const std::string& path, int is_delete)
{
	// no one to ask: the run is cancelled rather than a changed file touched
	if (!UTIL_prompt_hooks.select_alert) return select_cancel;
	return UTIL_prompt_hooks.select_alert(path, is_delete);
}

void UTIL_engine_start(const std::string& temp_folder)
{
	g_engine.temp_path = temp_folder;
	g_engine.install_name = no_install_name;
	g_engine.stg.new_format_flag = 0;
	g_engine.stg.download_error = 0;
	g_engine.stg.extract_error = 0;
	g_engine.stg.num_servers = servers_unknown;
	g_engine.stg.sel_server = 0;
	g_engine.stg.stage = stage_fetch;
	g_engine.stg.action = action_skip_unneeded;
	g_engine.stg.file_progress = 0.0f;
	g_engine.stg.stream_count = 0;
	g_engine.stg.total_kb_download = 0.0f;
	g_engine.stg.total_kb_install = 0.0f;
	g_engine.stg.target_os = os_linux;	// this platform's own files
}

void UTIL_set_preferences(int target_os, int log_actions, int stream_count)
{
	g_engine.stg.target_os = target_os;
	g_engine.stg.log_actions = log_actions;
	g_engine.stg.stream_count = stream_count;
}

void UTIL_set_beta(int get_beta) { g_engine.stg.get_beta = get_beta; }

void UTIL_want_tile(int lon_i, int lat_i, int wanted)
{
	if (lon_i >= 0 && lon_i < 36 && lat_i >= 0 && lat_i < 18) g_engine.stg.tile_wanted[lon_i][lat_i] = wanted;
}

void UTIL_directory_restart()
{
	if (g_engine.stg.num_servers == 0) g_engine.stg.num_servers = servers_unknown;	// a list without mirrors is fetched again
	if (g_engine.stg.stage == stage_failed) g_engine.stg.stage = stage_fetch;
}

void UTIL_directory_refetch() { g_engine.stg.stage = stage_fetch; }

void UTIL_directory_fetched() { g_engine.stg.stage = stage_read; }

void UTIL_directory_give_up() { g_engine.stg.stage = stage_failed; }

void UTIL_directory_read_again()
{
	if (g_engine.stg.stage == stage_ready) g_engine.stg.stage = stage_read;
}

int UTIL_directory_read(const std::string& path, const std::string& status_text)
{
	g_engine.stg.stage = read_directory(path, status_text);
	return stg.stage;
}
