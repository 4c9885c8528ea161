#ifndef BUILDER_INSTALL_H
#define BUILDER_INSTALL_H
// Shared by the builder's tests: in the install tests the engine fetches a
// set's directory from a loopback mirror (server 0, already set), reads it,
// scans copy_dir and installs what differs, each step within a guard.
#include "../engine/engine_support.h"
#include "utils.h"
#include "http.h"
#include "zip_utils.h"
#include "UTL_clock.h"
#include <chrono>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// This thread's power to read and search whatever the modes say (root's), on
// or off; threads started later take it over. False when it cannot be set.
// Off, a file of mode 000 is unreadable to root too.
inline bool read_any_file(bool on)
{
	__user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
	__user_cap_data_struct caps[2]{};
	if (syscall(SYS_capget, &head, caps) != 0) return false;
	for (int c : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
		if (on) caps[c / 32].effective |= caps[c / 32].permitted & (1u << (c % 32));
		else caps[c / 32].effective &= ~(1u << (c % 32));
	}
	return syscall(SYS_capset, &head, caps) == 0;
}

// Seconds since t0.
inline double builder_seconds_since(std::chrono::steady_clock::time_point t0)
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Fetches and reads the directory, scans, chooses and downloads. Fails the
// test (fatally) on the way.
inline void builder_install_from_mirror()
{
	std::string local = temp_path + "directory.txt.zip";
	int r;
	auto t0 = std::chrono::steady_clock::now();
	// The clock stands still between runs, as it never does between frames:
	// a transfer stamped with a stale time would count a set's build as a stall.
	xtim.xtim_update();
	while ((r = http.net_check(1, server_name[0], server_path[0] + "directory.txt.zip", local)) == 0) {
		xtim.xtim_update();
		ASSERT_LT(builder_seconds_since(t0), 20);
	}
	ASSERT_EQ(1, r);
	ASSERT_EQ(0, zip_to_file(local, temp_path, nullptr, 0));
	ASSERT_EQ(3, read_directory(temp_path + "directory.txt", ""));
	web_scan_and_choose();
	if (::testing::Test::HasFatalFailure()) return;
	EXPECT_EQ(1, web_pump(120));
	EXPECT_EQ(0, stg.extract_error);
}

#endif
