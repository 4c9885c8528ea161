#ifndef MAIN_UPDATE_H
#define MAIN_UPDATE_H
// What the web-update screens decide without a window.
#include <string>

// The copy a "-path" folder names: the folder or the nearest parent that is an
// installed copy, as an absolute path ending in "/"; empty when none is.
std::string net_command_line_copy(const std::string& folder);

// After the scan of dest_dir_path: the copy's own scenery tiles stay wanted
// (the others are neither fetched nor deleted), the totals follow, and
// net_was_current tells whether anything is to be fetched or deleted.
void net_decide_after_scan();
extern int net_was_current;

// 1 when a wanted file is missing or differs, or a file the release dropped
// is still in the copy. Sizes are not looked at: a small file counts 0 KB.
int net_update_needed();

#endif
