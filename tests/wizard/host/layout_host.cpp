// Draws every screen of every flow, the preferences window, the two prompts
// and the alerts in each interface language, with the layout record on, and
// writes what a reader would see wrong: one line per fault in faults.txt and a
// picture of each screen, in the folder named by the first argument.
//   layout_host OUT_DIR --lang=en --fps_test
// The environment names a scratch HOME; VANTOR_MOUNT_TABLE names the mount
// table file the host rewrites; LAYOUT_DISC is a folder disc of a release.
#include "../../support/host_start.h"
#include "main_dvd.h"
#include "main_globals.h"
#include "main_net.h"
#include "main_prompts.h"
#include "main_registration.h"
#include "main_update.h"
#include "main_wizard.h"
#include "utils.h"
#include "utils_internal.h"
#include "utils_site.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "OGL_fonts.h"
#include "TEX_image.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_globals.h"
#include "UTL_translate.h"
#include "butn.h"
#include "butn_layout.h"
#include "http.h"
#include "oglp.h"
#include "io_utils.h"
#include "path_utils.h"
#include "tman.h"
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

static std::string out_dir, home, mount_table, disc, copy_a, copy_b;
static std::ofstream faults;
static int fault_count = 0;
static const char* const lang_names[6] = {"English", "French", "German", "Russian", "Italian", "Spanish"};

// The window's pixels as a PNG: `draw` draws the frame again into the back buffer.
static void picture(const std::string& name, const std::function<void()>& draw)
{
	draw();
	int w = mnw.screen_w, h = mnw.screen_h;
	std::vector<unsigned char> px((size_t)w * h * 3);
	glFinish();
	glReadBuffer(GL_BACK);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
	TEX_image_desc d{};
	d.format = TEX_RGB;
	d.width = w;
	d.height = h;
	TEX_save_png(out_dir + "/" + name + ".png", d, px.data());
}

static void report(const std::string& scene, const std::function<void()>& draw)
{
	const std::string where = std::string(lang_names[mnw.language]) + " " + scene;
	for (const std::string& f : BTN_layout_faults(BTN_layout_items(), (float)mnw.wind_w, (float)mnw.wind_h)) {
		faults << where << ": " << f << "\n";
		++fault_count;
	}
	// the record itself, for a reader of a failure
	std::ofstream rec(out_dir + "/" + lang_names[mnw.language] + "-" + scene + ".txt");
	for (const BTN_layout_item& it : BTN_layout_items())
		rec << (it.control == 2 ? "panel " : it.control ? "control " : "text ") << it.box.x0 << " " << it.box.y0 << " " << it.box.x1 << " "
		    << it.box.y1 << " owner " << it.owner << " role " << it.role << " call " << it.call << " " << it.what << "\n";
	faults.flush();
	picture(std::string(lang_names[mnw.language]) + "-" + scene, draw);
}

// A wizard screen: entered, then drawn once more in the state `then` leaves.
static void screen(const std::string& name, wizard_func f, const std::function<void()>& before,
                   const std::function<void()>& then = nullptr)
{
	if (before) before();
	g_wizard = f;
	wizard_reset_driver();
	BTN_layout_on = 0;
	MACIBM_event_proc();
	if (then) then();
	g_wizard = f;
	BTN_layout_clear();
	BTN_layout_on = 1;
	MACIBM_event_proc();
	BTN_layout_on = 0;
	report(name, [] { APP_update(); });
}

// A framework window: one pass of it, shown.
static void window(const std::string& name, int id, const std::function<void()>& pass)
{
	MACIBM_startwind(id, 0);
	for (int i = 0; i < 2; ++i) {
		BTN_layout_clear();
		BTN_layout_on = 1;
		pass();
		BTN_layout_on = 0;
		MACIBM_event_proc();
	}
	report(name, pass);
	MACIBM_startwind(0, 0);
}

static void set_mount(bool with_disc)
{
	std::ofstream m(mount_table);
	if (with_disc) m << "layoutdisc " << disc << " ext4 ro 0 0\n";
	dvd_path.clear();
	dvd_scan_reset();
}

static void write_copies(int n)
{
	std::string prefs;
	get_OS_abs_path(os_dir_prefs, prefs);
	std::ofstream r(prefs + "vantor_install.txt");
	if (n > 0) r << copy_a << "\n";
	if (n > 1) r << copy_b << "\n";
	r.close();
	locate_all_vantors();
}

// A release of n files on the second disc, wanted and missing.
static void some_files(int n)
{
	g_engine.sim_info.clear();
	for (int i = 0; i < n; ++i) {
		file_version_struct v;
		v.os = 0;
		v.version = 92102;
		v.kb1 = v.kb2 = 10;
		v.sig_want = "0123456789abcdef0123456789abcdef";
		v.sig_have = "NONE";
		v.path = "All/Resources/plugins/Flight Director Panel Textures/texture_" + std::to_string(i) + ".png";
		v.disk = 1;
		v.want_download = 1;
		v.progress_share = 0.4f;
		file_history_struct h;
		h.versions.push_back(v);
		g_engine.sim_info.push_back(h);
	}
}

// A name of 300 bytes, its words run together or apart.
static std::string long_name(bool blanks, const std::string& end)
{
	std::string n;
	while (n.size() + end.size() < 300) n += blanks ? "Flight Director Panel Textures " : "Flight_Director_Panel_Textures_";
	return n.substr(0, 300 - end.size()) + end;
}

static void fresh()
{
	set_mount(false);
	write_copies(2);
	dest_dir_path = copy_a;
	g_engine.install_name = "Vantor 9.21rc2";
	cmd_line_path.clear();
	g_engine.stg.stage = stage_ready;
	g_engine.stg.num_servers = 3;
	g_engine.stg.sel_server = 0;
	g_engine.stg.download_error = g_engine.stg.extract_error = 0;
	g_engine.stg.total_kb_install = 2000;
	g_engine.stg.total_kb_download = 1500;
	g_engine.stg.files_to_install = g_engine.stg.files_to_delete = 0;
	g_engine.stg.disk_has_sim = g_engine.stg.disk_has_scenery = 1;
	for (int k = 0; k < 3; ++k) {
		g_engine.server_name[k] = "127.0.0.132";
		g_engine.server_path[k] = "/mirror/" + g_engine.install_name + "/";
		g_engine.server_desc[k] = "x|Mirror number " + std::to_string(k + 1) + " of the release{ a mirror";
	}
	g_engine.sim_info.clear();
	accept_eula = 0;
	demo_install_is_running = dvd_install_is_running = repair_is_running = scenery_install_is_running = 0;
	num_install_errors = 0;
	want_file_disk = 0;
	current_disk = 0;
	net_was_current = 0;
}

// A disc whose one archive is a pipe the host holds open without writing: the
// copy of it waits, so the install stays under way until the host closes it.
static int pipe_fd = -1;

static void disc_running(int& running)
{
	fresh();
	some_files(40);	// more than the copy set queues: the run stays inside the list
	for (auto& h : g_engine.sim_info) h.versions[0].disk = 0;
	dvd_path = out_dir + "/pipe disc/";
	const std::string archive = dvd_path + dvd_archive_on_disc(0);
	if (system(("mkdir -p \"$(dirname '" + archive + "')\" && rm -f '" + archive + "' && mkfifo '" + archive + "'").c_str()) != 0)
		return;
	pipe_fd = open(archive.c_str(), O_RDWR);
	// the run starts afresh (its cursor at the first file) on its first frame
	running = 0;
	set_install_filter(1, 1);
}

static void disc_release()
{
	if (pipe_fd >= 0) close(pipe_fd);	// the copy reads an empty archive and fails
	pipe_fd = -1;
	install_files_kill();
	system(("rm -rf '" + out_dir + "/pipe disc'").c_str());
}

// The drawn alert of a type, answered with Return after its first pass.
static void alert(const std::string& name, int type, const std::string (&lines)[4])
{
	SDL_Event ev{};
	ev.type = SDL_KEYDOWN;
	ev.key.keysym.sym = SDLK_RETURN;
	ev.key.keysym.scancode = SDL_SCANCODE_RETURN;
	ev.key.state = SDL_PRESSED;
	SDL_PushEvent(&ev);
	ev.type = SDL_KEYUP;
	ev.key.state = SDL_RELEASED;
	SDL_PushEvent(&ev);
	const int language = mnw.language;
	BTN_layout_clear();
	BTN_layout_on = 1;
	BTN_alert_window(0, lines[0], lines[1], lines[2], lines[3], type, "");
	BTN_layout_on = 0;
	mnw.language = language;
	// drawn again without the button's answer: the alert's window
	report(name, [&] {
		MACIBM_startwind(994, 0);
		BTN_alert_pass(lines[0], lines[1], lines[2], lines[3], type, "");
	});
	MACIBM_startwind(0, 0);
}

// The server check after four failed requests in a row of `slot`, through a proxy.
static void server_check_failed(int slot, int kind, const std::string& server)
{
	for (int i = 0; i < 4; ++i) {
		http_failure f;
		f.kind = kind;
		f.server = server;
		f.proxy = "proxy.example.net:8080";
		f.status = 502;
		f.reason = "Bad Gateway";
		http.stage_failure(slot, f);
		net_note_failure(slot);
	}
}

static void scenes()
{
	// the web demo
	screen("demo-welcome", demo_start, fresh);
	screen("demo-license", see_eula, [] { fresh(); eula_back = demo_start; eula_next = demo_get_updates; });
	screen("demo-servers-reading", demo_get_updates, [] { fresh(); g_engine.stg.stage = stage_failed; });
	screen("demo-servers-downloading", demo_get_updates, [] { fresh(); g_engine.stg.stage = stage_fetch; });
	// the site not reached: the proxy refused, the fourth try in a row; the next in 8 s
	screen("demo-servers-failed", demo_get_updates, [] { fresh(); g_engine.stg.stage = stage_fetch; g_engine.stg.num_servers = servers_unknown; },
	       [] { server_check_failed(http_slot_list, http_failed_refused, net_site_host); });
	screen("demo-destination", demo_pick_dest, fresh);
	// a demo install under way: its downloads wait on the silent proxy
	auto demo_running = [] {
		fresh();
		some_files(3);
		dest_dir_path = home + "/Desktop/Vantor 9 Demo/";
		demo_install_is_running = 1;
		grab_files_start();
		g_engine.crnt_file_path = g_engine.sim_info[0].versions[0].path;
	};
	screen("demo-install", demo_run_patch, demo_running);
	// a mirror behind the proxy answered 503 for the file: it is asked of another
	screen("demo-install-error", demo_run_patch, demo_running, [] {
		g_grab.streams[0].failed = 1;	// its last attempt failed: it tries again
		g_grab.last_file = "Aircraft/Glider ASK/liveries/livery_2.png";
		g_grab.last_attempt.why = failed_transfer;
		g_grab.last_attempt.transfer.kind = http_failed_status;
		g_grab.last_attempt.transfer.status = 503;
		g_grab.last_attempt.transfer.reason = "Service Unavailable";
		g_grab.last_attempt.transfer.server = "mirror-two.tarrowfield.example";
		g_grab.last_attempt.transfer.proxy = "proxy.example.net:8080";
	});
	// a minute and a half into the run, the bar at 60 %: the time-left line shows
	screen("demo-install-moving", demo_run_patch, demo_running, [] {
		g_flow.demo_install_rat = 0.6f;
		// 3 MB came at 100 kB/s, 5.95 MB are still to come: a minute more, rounded up
		grab_meter& m = g_grab.meter;
		m.small_done = m.small_total;
		m.large_kb_total = 8950;
		m.large_kb = m.large_done_kb = m.received_kb = 3000;
		m.large_flow = m.flow = m.large_stream_seconds = 30;
		m.active = 90;
	});
	screen("demo-done", demo_done, fresh);
	screen("demo-done-error", demo_done, [] { fresh(); g_engine.stg.extract_error = 1; });
	grab_files_start();

	// the web update
	screen("update-welcome", net_start, fresh);
	screen("update-destination", net_pick_dest, fresh);
	screen("update-search", net_get_updates, [] { fresh(); g_engine.stg.stage = stage_fetch; });
	// the mirrors down behind the proxy: its error answer for the mirror
	screen("update-servers-failed", net_get_updates, [] { fresh(); g_engine.stg.stage = stage_fetch; },
	       [] { server_check_failed(http_slot_directory, http_failed_status, "mirror-two.tarrowfield.example"); });
	// a hotel's network answers every request with its sign-in page
	screen("update-servers-portal", net_get_updates, [] { fresh(); g_engine.stg.stage = stage_fetch; g_engine.stg.num_servers = servers_unknown; }, [] {
		for (int i = 0; i < 3; ++i)
			net_note_not_the_file(UTL_string_sub(UTL_translate_string("%1:server% answered with something that is not the "
			                                                          "server list: perhaps this network asks you to "
			                                                          "sign in first (open any web page in your browser).",
			                                                          0),
			                                     net_site_host));
	});
	screen("update-scan", net_get_updates, [] { fresh(); g_engine.stg.stage = stage_fetch; }, [] {
		some_files(200000);
		g_engine.stg.stage = stage_ready;
	});
	checksum_directory_kill();
	screen("update-disk", net_check_disk, fresh);
	screen("update-disk-short", net_check_disk, [] { fresh(); g_engine.stg.total_kb_install = 1e12f; });
	auto update_running = [] {
		fresh();
		some_files(3);
		dest_dir_path = home + "/Desktop/Vantor 9 Update/";
	};
	screen("update-install", net_run_patch, update_running);
	// the network went away: every stream waits out its pause
	screen("update-install-waiting", net_run_patch, update_running, [] {
		for (int i = 0; i < http_stream_count; ++i) {
			http.drop(http_slot_stream_first + i);
			g_grab.streams[i].take = 0;
			g_grab.streams[i].retry_at = xtim.elapsed + 20;
			g_grab.streams[i].net_wait = 1;
		}
	});
	// the mirror has sent nothing for a while
	screen("update-install-quiet", net_run_patch, update_running, [] {
		for (int i = 0; i < http_stream_count; ++i)
			if (down_class* d = http.transfer(http_slot_stream_first + i)) d->last_progress = xtim.elapsed - 12;
	});
	// files of long names: the line under the bar, and the text when a download failed
	auto update_long = [update_running] {
		update_running();
		for (auto& h : g_engine.sim_info) h.versions[0].path = "All/Resources/objects/" + long_name(false, ".obj");
	};
	screen("update-install-long", net_run_patch, update_long);
	screen("update-install-error-long", net_run_patch, update_long, [] {
		g_engine.stg.download_error = 1;
		g_grab.last_file = sim_info[0].versions[0].path;
		g_grab.last_attempt.why = failed_transfer;
		g_grab.last_attempt.transfer.kind = http_failed_status;
		g_grab.last_attempt.transfer.status = 503;
		g_grab.last_attempt.transfer.reason = "Service Unavailable";
		g_grab.last_attempt.transfer.server = "mirror-two.tarrowfield.example";
	});
	grab_files_start();
	screen("update-done", net_done, fresh);
	screen("update-done-current", net_done, [] { fresh(); net_was_current = 1; });
	screen("update-done-error", net_done, [] { fresh(); g_engine.stg.extract_error = 1; });
	// a full disk stopped the run: the folder, the cause, the room, what is missing
	screen("update-done-full", net_done, [] {
		fresh();
		g_engine.stg.extract_error = 1;
		g_grab.local_error = ENOSPC;
		g_grab.local_folder = copy_a + "Resources/plugins/Flight Director Panel Textures/";
		g_grab.local_more_kb = 1500000;
		g_grab.written = {0, 1, 2};
		for (int k = 0; k < 8; ++k)
			g_engine.grab_failed_files.push_back(copy_a + "Resources/plugins/Flight Director Panel Textures/texture_" +
			                            std::to_string(k) + ".png");
	});
	// the same with long names and low lines: each name keeps to a line, no line runs into the next
	screen("update-done-full-names", net_done, [] {
		fresh();
		g_engine.stg.extract_error = 1;
		g_grab.local_error = ENOSPC;
		g_grab.local_folder = copy_a + "Resources/objects_18/" + long_name(false, "/");
		g_grab.local_more_kb = 900;
		g_grab.written = {0};
		g_engine.grab_failed_files.clear();
		for (const std::string& n : {std::string("Resources/objects/part_18.obj"), long_name(true, "_1.obj"),
		                             long_name(false, "_2.obj"), long_name(true, "_3.obj"), long_name(false, "_4.obj"),
		                             std::string("Resources/objects/part_19.obj")})
			g_engine.grab_failed_files.push_back(copy_a + n);
	});
	// the servers answered and would not deliver two files; the copy could not take a third
	screen("update-done-undelivered", net_done, [] {
		fresh();
		grab_files_start();	// no full disk of the scene before
		g_engine.stg.extract_error = 1;
		grab_failure sent = {0, {}, copy_a + "Resources/objects/part 05.obj"};
		sent.tries.telling.why = failed_transfer;
		sent.tries.telling.server = 0;
		sent.tries.telling.transfer.kind = http_failed_status;
		sent.tries.telling.transfer.status = 302;
		sent.tries.telling.transfer.reason = "Found";
		sent.tries.telling.transfer.server = server_name[0];
		grab_failure placed = {1, {}, copy_a + "Resources/sounds/engine_03.wav"};
		placed.tries.telling.why = failed_copy;
		placed.tries.telling.code = err_path_outside;
		g_grab.failed = {sent, placed};
		g_engine.grab_failed_files = {sent.destination, copy_a + "Resources/objects/part 06.obj", placed.destination};
	});
	grab_files_start();

	// the disc installer
	screen("disc-no-disc", dvd_start, fresh);
	screen("disc-welcome", dvd_start, [] { fresh(); set_mount(true); write_copies(0); });
	screen("disc-menu", dvd_start, [] { fresh(); set_mount(true); });
	screen("disc-destination", dvd_pick_install, [] { fresh(); set_mount(true); });
	screen("disc-license", see_eula, [] { fresh(); eula_back = dvd_pick_install; eula_next = dvd_scenery_install; });
	screen("disc-scenery", dvd_scenery_install, [] { fresh(); set_mount(true); dest_dir_path = copy_a; });
	screen("disc-install", dvd_run_install, [] { disc_running(dvd_install_is_running); });
	disc_release();
	screen("disc-change", dvd_switch_disk_install, [] { fresh(); some_files(1); });
	screen("disc-check", dvd_verify_disk_install, [] { fresh(); some_files(1); });
	screen("disc-done", dvd_done_install, fresh);
	screen("disc-done-errors", dvd_done_install, [] { fresh(); num_install_errors = 1; });
	screen("disc-run-pick", dvd_pick_run_sim, fresh);

	// repair
	screen("repair-pick", dvd_pick_repair, fresh);
	screen("repair-scan", dvd_scan_repair, [] { fresh(); some_files(200000); });
	checksum_directory_kill();
	screen("repair-confirm", dvd_confirm_repair, fresh);
	screen("repair-confirm-files", dvd_confirm_repair, [] { fresh(); some_files(3); });
	screen("repair-install", dvd_install_repair, [] { disc_running(repair_is_running); });
	disc_release();
	screen("repair-change", dvd_switch_disk_repair, [] { fresh(); some_files(1); });
	screen("repair-check", dvd_verify_disk_repair, [] { fresh(); some_files(1); });
	screen("repair-done", dvd_done_repair, fresh);
	screen("repair-done-errors", dvd_done_repair, [] { fresh(); num_install_errors = 1; });

	// scenery
	screen("scenery-pick", dvd_pick_scenery, fresh);
	screen("scenery-scan", dvd_scan_scenery, [] { fresh(); some_files(200000); });
	checksum_directory_kill();
	screen("scenery-map", dvd_edit_scenery, [] { fresh(); set_mount(true); });
	screen("scenery-install", dvd_install_scenery, [] { disc_running(scenery_install_is_running); });
	disc_release();
	screen("scenery-change", dvd_switch_disk_scenery, [] { fresh(); some_files(1); });
	screen("scenery-check", dvd_verify_disk_scenery, [] { fresh(); some_files(1); });
	screen("scenery-done", dvd_done_scenery, [] { fresh(); g_engine.stg.files_to_install = g_engine.stg.files_to_delete = 1; });
	screen("scenery-done-errors", dvd_done_scenery, [] { fresh(); num_install_errors = 1; });
	fresh();

	// the framework windows
	const std::string T_path = copy_a + "Resources/plugins/Flight Director Panel Textures/texture_0.png";
	window("prefs", 2, [] {
		g_engine.stg.stream_count = 2;
		http.proxy_host = "proxy.example.net";
		http.proxy_port_text = "8080";
		prefs_pass();
	});
	window("prompt-overwrite", 996, [&] { select_alert_pass(T_path, 0); });
	window("prompt-delete", 996, [&] { select_alert_pass(T_path, 1); });
	auto T = [](const char* s) { return UTL_translate_string(s, 0); };
	window("prompt-cancel-demo", 997, [&] {
		abort_alert_pass(T("Are you sure you want to cancel the installation?  This will delete the partially "
		                   "installed copy of the Vantor 9 demo."),
		                 T("Cancel"), T("the demo installation and delete partial installation."), T("Continue"),
		                 T("the demo installation process."));
	});
	window("prompt-stop-repair", 997, [&] {
		abort_alert_pass(T("Are you sure you want to stop the repair operation?  Vantor may not be usable until "
		                   "repairs are complete.  You can run the repair operation on Vantor again later to "
		                   "complete repairs."),
		                 T("Stop"), T("the repair operation."), T("Continue"), T("the repair operation."));
	});
	window("prompt-stop-scenery", 997, [&] {
		abort_alert_pass(T("Are you sure you want to stop scenery installation?  You can add or remove more "
		                   "scenery later."),
		                 T("Stop"), T("the scenery install."), T("Continue"), T("the scenery install."));
	});
	window("prompt-install-error", 997, [&] {
		abort_alert_pass(T("There was a problem installing Vantor 9:") + "\n\n" + T("The disc could not be read."),
		                 T("Cancel"), T("the installation."), T("Continue"), T("the installation process."));
	});

	const std::string lines[4] = {
		T("The installer cannot extract a file."), UTL_string_sub(T("Error: %1:message%."), "No space left on device"),
		UTL_string_sub(T("Compressed File  %1:file%."), T_path), UTL_string_sub(T("Destination Path: %1:file%."), copy_a)};
	alert("alert", t_alert, lines);

	// the end of a web run without some files, and its final check
	auto more = [&](int n) {
		return UTL_string_sub(UTL_translate_plural(n, "%1:number% more file failed the same way; the log names it.",
		                                           "%1:number% more files failed the same way; the log names each one."),
		                      std::to_string(n));
	};
	const std::string remote = "Resources/plugins/Flight Director Panel Textures/texture_0.png.zip";
	const std::string not_sent[4] = {T("I could not download a file from any of the servers."), T("File: ") + remote,
	                                 T("The servers answered, but would not deliver it."), more(3)};
	alert("alert-not-sent", t_alert, not_sent);
	const std::string wrong_copies[4] = {T("I could not download a file from any of the servers."), T("File: ") + remote,
	                                     T("Every copy the servers sent differs from the release."), more(12)};
	alert("alert-wrong-copies", t_alert, wrong_copies);
	const std::string changed[4] = {T("A file the installer wrote or deleted is no longer as the release has it."),
	                                T("File: ") + T_path, "", more(1)};
	alert("alert-changed", t_alert, changed);
}

// A proxy that takes connections and never answers: downloads stay busy.
static int silent_proxy()
{
	int s = socket(AF_INET, SOCK_STREAM, 0);
	sockaddr_in a{};
	a.sin_family = AF_INET;
	a.sin_port = 0;
	inet_pton(AF_INET, "127.0.0.131", &a.sin_addr);
	if (s < 0 || bind(s, (sockaddr*)&a, sizeof a) != 0 || listen(s, 64) != 0) return 0;
	socklen_t l = sizeof a;
	getsockname(s, (sockaddr*)&a, &l);
	return ntohs(a.sin_port);
}

int main(int argc, char** argv)
{
	APP_install_hooks();
	out_dir = TH_start(argc, argv, false);
	home = getenv("HOME");
	mount_table = getenv("VANTOR_MOUNT_TABLE") ? getenv("VANTOR_MOUNT_TABLE") : "";
	disc = getenv("LAYOUT_DISC") ? getenv("LAYOUT_DISC") : "";
	copy_a = home + "/Desktop/Vantor 9 Copy One/";
	copy_b = home + "/Documents/Flight/Vantor 9 Copy Two/";
	for (const std::string& c : {copy_a, copy_b})	// installed copies, as only those are offered
		if (system(("mkdir -p '" + c + "Airfoils' '" + c + "Instructions' '" + c + "Output' '" + c + "Resources'").c_str()) != 0)
			return 1;
	get_OS_abs_path(os_dir_temp, g_engine.temp_path);
	faults.open(out_dir + "/faults.txt");
	http.proxy_host = "127.0.0.131";
	http.proxy_port = silent_proxy();
	http.proxy_port_text = std::to_string(http.proxy_port);

	int only = argc > 2 && std::string(argv[2]).rfind("--only=", 0) == 0 ? atoi(argv[2] + 7) : -1;
	for (int lang = 0; lang < 6; ++lang) {
		if (only >= 0 && lang != only) continue;
		mnw.language = lang;
		UTL_translate_load(lang);
		OGL_font_reset(2);
		tman.load_texture(tex_fail_alert, tman_ref_elements, tman_art_rgba, tex_load_2, main_elements_image(lang));
		int proxy = http.proxy_port;
		scenes();
		http.proxy_host = "127.0.0.131";
		http.proxy_port = proxy;
	}
	faults << "faults: " << fault_count << "\n";
	faults.close();
	app_done = 1;
	MACIBM_finishup(1);
	return 0;
}
