#include "pref.h"
#include "http.h"
#include "xmap.h"
#include "path_utils.h"
#include "MACIBM_mnw.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include <cstdlib>

pref_class  pref;
void (*pref_installer_io)(scan_class& s) = nullptr;

static const int kPrefVersion = 92001;

scan_class::scan_class(const std::string& path, int m) : mode(m)
{
	if (mode == 1) {
		(void)ouf_open(path, file_type_txt, kPrefVersion, "no-copyright-string");	// a failure is told when ouf closes
		return;
	}
	xmap_class x(path);
	const int versions[] = {kPrefVersion, 0};
	if (!x.check_file(file_type_txt, versions, nullptr, nullptr)) return;
	const char* p = x.cursor;
	const char* e = x.end;
	auto blank = [](char c) { return c == ' ' || c == '\t'; };
	auto eol = [](char c) { return c == '\r' || c == '\n' || c == 0; };
	while (p < e) {
		while (p < e && blank(*p)) ++p;
		const char* k = p;
		while (p < e && !blank(*p) && !eol(*p)) ++p;
		std::string key(k, p - k);
		while (p < e && blank(*p)) ++p;
		const char* v = p;
		while (p < e && !eol(*p)) ++p;
		if (!key.empty()) values[key] = std::string(v, p - v);
		while (p < e && (eol(*p) || blank(*p))) ++p;
	}
}

scan_class::~scan_class()
{
	if (mode != 1) return;
	ouf.close();
	if (ouf.fail()) {
		xer << "The preferences could not be saved completely (is the disk full?).\n";
		xer.flush();
	}
}

// The "--pref:" option first, then the file.
static bool lookup(const scan_class& s, const std::string& key, std::string& text)
{
	std::string opt = "--pref:" + key;
	if (UTL_cmdline::has_option(opt.c_str())) {
		text = UTL_cmdline::get_option(opt.c_str());
		return true;
	}
	auto it = s.values.find(key);
	if (it == s.values.end()) return false;
	text = it->second;
	return true;
}

bool scan_class::int_io(int* value, const std::string& key)
{
	if (mode == 1) {
		ouf << key << " " << *value << "\n";
		return false;
	}
	std::string text;
	if (!lookup(*this, key, text)) return false;
	*value = atoi(text.c_str());
	return true;
}

bool scan_class::str_io(std::string* value, const std::string& key)
{
	if (mode == 1) {
		if (!value->empty()) ouf << key << " " << *value << "\n";
		return false;
	}
	return lookup(*this, key, *value);
}

void pref_class::IO_set(int file, int io)
{
	std::string path;
	if (file == pref_file_res) path = "Output/preferences/Res Rootdeck.prf";
	else if (file == pref_file_installer) {
		get_OS_abs_path(os_dir_prefs, path);
		path += "Vantor Installer.prf";
	} else if (file == pref_file_cal) path = "Output/preferences/Cal Vantor.prf";
	else return;

	// a program without the installer's settings leaves their file alone
	if (file == pref_file_installer && !pref_installer_io) return;

	scan_class s(path, io);
	if (file == pref_file_installer) {
		pref_installer_io(s);
	} else if (file == pref_file_res) {
		// kept only to be written back as read
		static int x_res_req_pln = 0, y_res_req_pln = 0, x_res_req_wrl = 0, y_res_req_wrl = 0;
		int x_res_req_all = mnw.req_w, y_res_req_all = mnw.req_h;
		if (io == 1) {
			mnw.prefs_found = 1;
			x_res_req_all = mnw.req_w;
			y_res_req_all = mnw.req_h;
		}
		s.int_io(&x_res_req_pln, "_x_res_req_PLN");
		s.int_io(&y_res_req_pln, "_y_res_req_PLN");
		s.int_io(&x_res_req_wrl, "_x_res_req_WRL");
		s.int_io(&y_res_req_wrl, "_y_res_req_WRL");
		s.int_io(&x_res_req_all, "_x_res_req_ALL");
		s.int_io(&y_res_req_all, "_y_res_req_ALL");
		if (io == 0) {
			mnw.req_w = x_res_req_all;
			mnw.req_h = y_res_req_all;
		}
		s.int_io(&mnw.req_depth, "_col_res_req");
		s.int_io(&mnw.vsync, "_use_vsync1");
		s.int_io(&mnw.vsync_double, "_use_vsync2");
		s.int_io(&mnw.change_screen_mode, "_set_res");
		s.int_io(&mnw.language, "_lang");
		s.int_io(&mnw.aa_request, "_alias_req");
		s.int_io(&mnw.key_list, "_keylist_up");
		s.int_io(&mnw.sec_mon_inuse, "_sec_mon_inuse");
		s.int_io(&mnw.prefs_found, "_prefs_found");
		if (mnw.language < 0 || mnw.language > 5) mnw.language = 0;	// it indexes the language table
		if (mnw.req_w < 600 || mnw.req_w > 9999) mnw.req_w = 1024;
		if (mnw.req_h < 600 || mnw.req_h > 9999) mnw.req_h = 768;
	}
}
