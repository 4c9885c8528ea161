#ifndef BUTN_FILES_H
#define BUTN_FILES_H
// The framework's own Open and Save window and the path pickers that open it, with
// the path decisions they take (no drawing in those, so they test without a window).
// Folders are relative to the application folder: empty for the folder itself,
// otherwise ending in "/".
#include "butn.h"
#include "MACIBM_mnw.h"
#include <string>
#include <vector>

enum { BTN_io_last_kind = 21, BTN_io_popup_max = 300, BTN_acf_header_bytes = 2092 };

extern float io_dy;	// height of the dialog's list
extern float io_dx;	// width of the dialog's main panel; the last picker's text is in stl_global

// The modal dialog: 1 with *path = folder + chosen name, 0 when cancelled or closed.
int  BTN_opensave(int window_id, int kind, std::string* path);
// Its background panels and, in the Open window, the preview of the selected file.
void stand_io_dialog(int window_id, int kind, std::string path);

int BTN_select_file_chr(float x, float y, int window_id, int kind, char* name, std::string* dir_path, int max_len,
                        std::string label, float width);
int BTN_select_path_chr(float x, float y, int window_id, int kind, char* path, int path_len, std::string label,
                        float width, int flag);
// The text field on a character buffer of at least 500 bytes.
int BTN_enterstring(float x, float y, char* text, int max_len, std::string label, float width, int flag);
// Two rows of degree and minute fields for a position; *y moves down 50 a row.
int enter_lat_lon(float* x, float* y, float* lon, float* lat);

// --- decisions without drawing ---

// The folder a kind starts in when no path is handed in.
std::string BTN_io_default_folder(int kind);
// The extension a saved name of this kind gets ("" for none).
std::string BTN_io_save_extension(int kind);
// A typed name made a plain file name: the part after any "/", "." and ".." refused
// (empty), then given the kind's extension in place of a four-character one it has.
std::string BTN_io_save_name(const std::string& typed, int kind);
// A folder with its empty, "." and ".." components dropped, so that composing it
// onto the application folder never leads outside it.
std::string BTN_io_clean_folder(const std::string& folder);
// The start folder and name of a handed-in path (the folder cleaned as above).
void BTN_io_split_path(const std::string& path, int kind, std::string* folder, std::string* name);
// The components of a folder.
void BTN_io_components(const std::string& folder, std::vector<std::string>& out);
// A component as the path bar shows it: "-" separates pop-up entries and "|" is
// refused by the pop-up, so both become blanks.
std::string BTN_io_component_text(const std::string& component);
// The path bar's pop-up items: "Rootdeck folder" and the components, "-" between;
// at most BTN_io_popup_max entries.
std::string BTN_io_popup_items(const std::string& folder);
// The entry of the pop-up that stands for the folder (its depth, capped like the items).
int BTN_io_popup_index(const std::string& folder);
// The folder through its first `depth` components (0: the application folder).
std::string BTN_io_folder_at(const std::string& folder, int depth);
// One folder up; the application folder stays where it is.
std::string BTN_io_folder_up(const std::string& folder);
// Into a listed folder.
std::string BTN_io_folder_into(const std::string& folder, const std::string& name);
// What a path picker shows of its path: all of it for the command kinds 20 and 21,
// else its last component.
std::string BTN_io_shown_text(const std::string& path, int kind);
// The path after the picker's field was edited to `text`: the command kinds take
// the text as the path; the others keep their folder and change the last component.
std::string BTN_io_picker_edit(const std::string& path, const std::string& text, int kind);

// Preview: the comment line of a flight-director file ("" when none), and the
// header record of an aircraft file (1 when its version is one we read; the record
// is zero-filled first and always ends in a NUL).
std::string BTN_io_fdr_comment(const std::string& path);
int         BTN_io_acf_header(const std::string& path, char* record, int record_size);
// The four texts the preview shows from the header record, in drawing order.
void BTN_io_acf_texts(const char* record, int record_size, std::string out[4]);

// The character-buffer variants: a caller's buffer holds at least 500 bytes. Back
// into it, a text over 499 bytes is a fatal alert; a buffer limit below that cuts
// the text on a character boundary.
std::string BTN_io_from_buffer(const char* s, int len);
void        BTN_io_to_buffer(char* out, std::string text, int limit);

// Degrees and minutes of a position value, and back.
void  BTN_deg_min_split(float value, float* degrees, float* minutes);
float BTN_deg_min_join(float degrees, float minutes);

#endif
