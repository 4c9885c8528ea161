// Started from the disc itself, the installer copies itself with what it needs
// to a folder of its run in the temporary folder and runs on from the copy,
// with the arguments it was given, so that discs can be changed: the copy
// reaches the world map with its art, and once it has quit the temporary
// folder holds nothing of it.
#include "dvd_window.h"
#include <signal.h>

// The first line a command prints, whole (a path longer than a word's limit).
static std::string first_line(const std::string& cmd)
{
	std::string out;
	if (FILE* p = popen(cmd.c_str(), "r")) {
		char buf[4096];
		if (fgets(buf, sizeof buf, p)) out = buf;
		pclose(p);
	}
	while (!out.empty() && out.back() == '\n') out.pop_back();
	return out;
}

TEST_F(DiscInstallWindow, StartedFromTheDiscRunsOnFromItsCopy)
{
	make_discs(false);
	if (IsSkipped() || HasFatalFailure()) return;
	// the program and its resources on the first disc, as the disc set ships them
	ASSERT_EQ(0, system(("cp '" VANTOR_BINARY_DIR "/vantor-dvd-installer' '" + disc0 + "' && cp -rL '" VANTOR_BINARY_DIR
	                     "/Resources' '" + disc0 + "Resources'")
	                        .c_str()));
	lang = "fr_FR.UTF-8";	// the copy keeps its options: English as asked, not French from the system
	run(disc0 + "vantor-dvd-installer", {"--lang=en", "--fps_test"});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_exit(30));
	EXPECT_EQ(1, status) << "the program on the disc ends once its copy is started";

	// the copy: in a run's folder of the program's temporary folder (one of its own below TMPDIR)
	const std::string copied = first_line("ls -d '" + root + "tmp/'*/vantor-run-*/vantor-dvd-installer/ 2>/dev/null");
	ASSERT_FALSE(copied.empty()) << "no copy in a run folder of the temporary folder: "
	                             << first_line("cd '" + root + "tmp' && find . -name vantor-dvd-installer");
	app = copied;	// the copy's log lies beside it
	ASSERT_TRUE(wait_log("Wizard screen: Vantor 9 Installer", 20)) << log();
	// the copy reads the disc after its start screen is up: a click before that is lost
	ASSERT_TRUE(wait_log("Read the disc " + disc0 + " (Vantor 9): ", 20)) << log();
	// the copy's own window, found by its process: other programs on the
	// display may have windows of the same name
	const std::string copy_pid = first_word("pgrep -f '^" + copied + "vantor-dvd-installer' 2>/dev/null");
	ASSERT_FALSE(copy_pid.empty()) << "the copy is not running\n" << log();
	pid = atoi(copy_pid.c_str());	// ended by the fixture
	std::ifstream cmdline("/proc/" + copy_pid + "/cmdline");
	std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
	EXPECT_NE(std::string::npos, args.find(std::string("--lang=en\0--fps_test", 20))) << "the copy's arguments";
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

	// Quit: the copy ends (not a child of this test: its process is watched)
	click(whole, 60, 23);
	for (int i = 0; i < 400 && kill(pid, 0) == 0; ++i) pause_ms(50);
	EXPECT_NE(0, kill(pid, 0)) << "the copy did not end at Quit";
	pid = -1;
	EXPECT_EQ("", first_line("cd '" + root + "tmp' && find . -mindepth 2"))
		<< "the temporary folder still holds a part of the run";
}
