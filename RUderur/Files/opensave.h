#ifndef OPENSAVE_H
#define OPENSAVE_H
// Folder listings by item kind, and the system's file and folder chooser.
#include <string>
#include <vector>

// The kinds of item a listing is filtered by.
enum opensave_item_kind {
	kind_any = 0, kind_folder = 1, kind_image = 2, kind_acf = 3, kind_afl = 4, kind_wpn = 5,
	kind_wav = 6, kind_obj = 7, kind_fdr = 8, kind_sit = 9, kind_smo = 10, kind_fms = 11,
	kind_panel = 12, kind_tra = 13, kind_car = 14, kind_spa = 15, kind_reg = 16, kind_dsf = 17,
	kind_hgt = 18, kind_txt = 19, kind_cmnd_list = 20, kind_cmnd_path = 21
};

int  opensave_getitems(const std::string& folder, int filter, std::vector<std::string>& names, std::vector<int>& kinds);
int  opensave_takeit(const std::string& folder, const std::string& name, int filter, int& kind);
int  GetFilePathFromUser(int mode, const std::string& message, const std::string& button, int preference_key,
                         const std::string& start_folder, std::string& result);
void DoUserAlert(const char* text);

#endif
