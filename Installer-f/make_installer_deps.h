// What the builder takes from the rest of the program.
#include "UTL_alert.h"
#include "UTL_format.h"
#include "UTL_globals.h"
#include "UTL_log.h"
#include "io_utils.h"
#include "opensave.h"
#include "md5_utils.h"
#include "xmap.h"
#include "zip_utils.h"
#include "utils_records.h"
#include "UTL_threads.h"
#include "UTL_worker_threads.h"
int read_directory(const std::string& path, std::string status_text);

// Every stop of the builder ends its workers first, so that the program never
// exits while an archive is being written.
#define MI_STOP(a, b, c, d) \
	(make_installer_stop_workers(), __MACIBM_alert(0, (a), (b), (c), (d), t_exit, "make_installer", __LINE__))
