// Started from the disc itself, the installer copies itself with what it needs
// to the temporary folder and runs on from the copy, so that discs can be
// changed: the copy reaches the world map with its art.
#include "dvd_window.h"
#include <signal.h>

TEST_F(DiscInstallWindow, StartedFromTheDiscRunsOnFromItsCopy)
{
	make_discs(false);
	if (IsSkipped() || HasFatalFailure()) return;
	// the program and its resources on the first disc, as the disc set ships them
	ASSERT_EQ(0, system(("cp '" VANTOR_BINARY_DIR "/vantor-dvd-installer' '" + disc0 + "' && cp -rL '" VANTOR_BINARY_DIR
	                     "/Resources' '" + disc0 + "Resources'")
	                        .c_str()));
	lang = "en_US.UTF-8";	// the copy is started without options: English from the system
	run(disc0 + "vantor-dvd-installer", {});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_exit(30));
	EXPECT_EQ(1, status) << "the program on the disc ends once its copy is started";

	// the copy: in the program's temporary folder (one of its own below TMPDIR)
	const std::string copied = first_word("ls -d '" + root + "tmp/'*/vantor-dvd-installer/ 2>/dev/null");
	ASSERT_FALSE(copied.empty()) << "no copy in the temporary folder";
	app = copied;	// the copy's log lies beside it
	ASSERT_TRUE(wait_log("Wizard screen: Vantor 9 Installer", 20)) << log();
	// the copy reads the disc after its start screen is up: a click before that is lost
	ASSERT_TRUE(wait_log("Read the disc " + disc0 + " (Vantor 9): ", 20)) << log();
	// the copy's own window, found by its process: other programs on the
	// display may have windows of the same name
	const std::string copy_pid = first_word("pgrep -f '^" + copied + "vantor-dvd-installer' 2>/dev/null");
	ASSERT_FALSE(copy_pid.empty()) << "the copy is not running\n" << log();
	pid = atoi(copy_pid.c_str());	// ended by the fixture
	std::string why;
	window = x_window_of(pid, "^Vantor Installer$", x_window_wait, &why);
	ASSERT_FALSE(window.empty()) << "the copy opened no window: " << why << "\n" << log();
	EXPECT_NE(std::string::npos, log().find("os_dir_this_app\t\t=" + copied)) << log();
	EXPECT_EQ(0, access((copied + "Resources/map.png").c_str(), F_OK));

	to_select_scenery();
	if (HasFatalFailure()) return;
	// the map's art: land and sea, not the blank texture of a missing file
	EXPECT_TRUE(wait_drawn(whole, 248, 150, 504, 252, 5000));
	EXPECT_EQ(std::string::npos, log().find("Trying to load a texture")) << log();
	if (pid > 0) kill(pid, SIGTERM);
}
