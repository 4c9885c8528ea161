// The copy's lock: one installer at a time works on a copy. An advisory lock
// on the copy's folder, held by this process until the run ends (or the
// process does, which the system then releases for it).
#include "utils.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

static int         lock_fd = -1;
static std::string lock_folder;

static std::string without_slash(std::string f)
{
	while (f.size() > 1 && f.back() == '/') f.pop_back();
	return f;
}

int UTIL_lock_copy(const std::string& folder)
{
	std::string f = without_slash(folder);
	if (lock_fd >= 0 && lock_folder == f) return 0;
	UTIL_unlock_copy();
	int fd = open(f.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (fd < 0) return errno;
	if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
		int err = errno;
		(void)close(fd);	// read only
		return err == EWOULDBLOCK ? copy_busy : err;
	}
	lock_fd = fd;
	lock_folder = f;
	return 0;
}

void UTIL_unlock_copy()
{
	if (lock_fd < 0) return;
	(void)close(lock_fd);	// read only; closing the only descriptor releases the lock
	lock_fd = -1;
	lock_folder.clear();
}

int UTIL_claim_copy(const std::string& folder)
{
	int err = UTIL_lock_copy(folder);
	if (err == copy_busy) {
		xer << "The copy at " << folder << " is busy: another installer holds its lock.\n";
		APL_alert(UTL_translate_string("Another installer is working on this copy of Vantor right now. Let it finish, then try again.", 0),
		          UTL_translate_string("Install Location: ", 0) + folder, "", "", t_alert);
		return copy_busy;
	}
	// A folder that cannot be locked (not there yet, or not readable) is no
	// other installer's either: the run goes on without the lock.
	if (err) xer << "The copy at " << folder << " could not be locked (" << err << "); going on.\n";
	return 0;
}
