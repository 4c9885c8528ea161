// What the builder takes from the rest of the program.
#include "UTL_alert.h"
#include "UTL_format.h"
#include "UTL_globals.h"
#include "UTL_log.h"
#include "io_utils.h"
#include "opensave.h"
#include "p7z_md5.h"
#include "xmap.h"
#include "zip_utils.h"
#include "utils_records.h"
int read_directory(const std::string& path, std::string status_text);
