// The project's tools remove only what they made.
#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

static int sh(const std::string& cmd) { return system(cmd.c_str()); }

// The demo release goes into a new or empty folder, or over one it made
// before (as the demo makes it at each start); a folder of the user's is
// refused whole.
TEST(DemoRelease, AFolderOfTheUsersIsRefusedAndItsOwnIsMadeAgain)
{
	const std::string dir = std::string(VANTOR_BINARY_DIR) + "/test_scratch/scripts.demo_release." +
	                        std::to_string(getpid()) + "/";
	ASSERT_EQ(0, sh("rm -rf '" + dir + "' && mkdir -p '" + dir + "mine'"));
	std::ofstream(dir + "mine/notes.txt") << "mine\n";
	const std::string make = "bash '" VANTOR_SOURCE_DIR "/scripts/make_demo_release.sh' ";
	EXPECT_NE(0, sh(make + "'" + dir + "mine' '" VANTOR_BINARY_DIR "' 2>/dev/null"));
	EXPECT_EQ(0, sh("test \"$(ls -A '" + dir + "mine')\" = notes.txt")) << "nothing added, nothing taken";
	for (int run = 0; run < 2; ++run) {
		ASSERT_EQ(0, sh(make + "'" + dir + "demo' '" VANTOR_BINARY_DIR "' 127.0.0.9 >/dev/null")) << run;
		EXPECT_EQ(0, sh("test -s '" + dir + "demo/mirror/dvd_version.txt' && grep -q '^SERVER 127.0.0.9$' '" + dir +
		                "demo/site/serverlist9.txt'"));
		std::ofstream(dir + "demo/notes.txt") << "added beside it\n";	// kept by the next run
	}
	EXPECT_EQ(0, sh("test -s '" + dir + "demo/notes.txt'"));
	sh("rm -rf '" + dir + "'");
}
