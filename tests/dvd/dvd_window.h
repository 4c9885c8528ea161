#ifndef DVD_WINDOW_H
#define DVD_WINDOW_H
// The disc installer in a real window with a two-disc set made by the builder;
// the test changes discs by rewriting the mount table the program searches.
#include "../engine/engine_support.h"
#include "../support/window_program.h"
#include "dvd_support.h"
#include <csignal>
#include <fcntl.h>

struct DiscInstallWindow : window_program {
	dialog_box whole{800, 600};
	std::string table, set, disc0, disc1, copy;

	// The folders "in the drive" (the test's folders have no blanks to escape).
	void mount(const std::string& folder, const std::string& also = "")
	{
		std::ofstream t(table, std::ios::trunc);
		t << "/dev/sr0 " << folder << " iso9660 ro 0 0\n";
		if (!also.empty()) t << "/dev/sr1 " << also << " iso9660 ro 0 0\n";
	}
	void next() { click(whole, 720, 23); }
	void back_from_done() { click(whole, 640, 23); }	// Back beside the final screen's Quit

	// From the start screen of a new install through its destination and
	// licence (agreed) to the world map of Select Scenery.
	void to_select_scenery()
	{
		next();
		ASSERT_TRUE(wait_log("Wizard screen: Pick Install Destination for Vantor 9.", 10)) << log();
		next();
		ASSERT_TRUE(wait_log("Wizard screen: License", 10)) << log();
		EXPECT_TRUE(wait_log("License shown: Vantor 9 License\n", 5)) << "the product's licence, not the demo's";
		click(whole, 250, 303);	// I agree
		next();
		ASSERT_TRUE(wait_log("Wizard screen: Select Scenery", 10)) << log();
		pause_ms(300);
	}

	// The centre of the world map's cell (col, row), in window units.
	static int cell_x(int col) { return 248 + 14 * col + 7; }
	static int cell_y(int row) { return 150 + 14 * row + 7; }
	void click_cell(int col, int row) { click(whole, cell_x(col), cell_y(row)); }
	// Presses on one cell, moves to another across the frames between, releases.
	void drag_cells(int col0, int row0, int col1, int row1)
	{
		auto at = [&](int col, int row) {
			return " mousemove --window " + window + " " + std::to_string(cell_x(col)) + " " +
			       std::to_string(600 - cell_y(row));
		};
		system(("timeout 10 xdotool windowraise " + window + at(col0, row0) + " mousedown 1").c_str());
		pause_ms(250);
		system(("timeout 10 xdotool" + at((col0 + col1) / 2, (row0 + row1) / 2)).c_str());
		pause_ms(150);
		system(("timeout 10 xdotool" + at(col1, row1)).c_str());
		pause_ms(250);
		system("timeout 10 xdotool mouseup 1");
		pause_ms(200);
	}
	// What the window shows of a cell, its border left out.
	pixels cell_pixels(int col, int row) { return grab(whole, 248 + 14 * col + 2, 150 + 14 * row + 2, 10, 10); }

	// A file held by a lease of the test's: a program that opens it waits
	// until release() (or the kernel's lease-break time, 45 s by default).
	int held_fd = -1;
	sighandler_t held_sigio = SIG_DFL;
	// False when the file's volume takes no leases.
	bool hold(const std::string& path)
	{
		held_sigio = signal(SIGIO, SIG_IGN);	// the lease's break notice
		held_fd = open(path.c_str(), O_RDONLY);
		if (held_fd >= 0 && fcntl(held_fd, F_SETLEASE, F_WRLCK) == 0) return true;
		release();
		return false;
	}
	// Whether a program waits on the held file within `seconds` (the lease is
	// being broken, to a read lease).
	bool wait_held(double seconds)
	{
		for (int i = 0; i < x_bound(seconds) * 20; ++i) {
			if (fcntl(held_fd, F_GETLEASE) != F_WRLCK) return true;
			pause_ms(50);
		}
		return false;
	}
	void release()
	{
		if (held_fd >= 0) {
			fcntl(held_fd, F_SETLEASE, F_UNLCK);
			close(held_fd);
		}
		held_fd = -1;
		signal(SIGIO, held_sigio);
	}
	void TearDown() override
	{
		release();
		window_program::TearDown();
	}

	// The run's last steps: the second disc asked for (at the flow's change
	// screen, the n-th time) and put in, the flow's done screen, Quit, and an
	// orderly end.
	void second_disc_to_quit(const std::string& change, int n, const std::string& done)
	{
		ASSERT_TRUE(wait_log_count("Wizard screen: " + change, n, 60)) << log();
		mount(disc1);
		next();
		ASSERT_TRUE(wait_log("Wizard screen: " + done, 60)) << log();
		click(whole, 742, 23);	// Quit
		ASSERT_TRUE(wait_exit(20)) << log();
		EXPECT_EQ(0, status);
	}

	// Waits until the log holds `text` at least n times.
	bool wait_log_count(const std::string& text, int n, double seconds)
	{
		for (int i = 0; i < x_bound(seconds) * 20; ++i) {
			if (count_of(log(), text) >= n) return true;
			pause_ms(50);
		}
		return false;
	}

	// The disc set (and with `with_copy` an installed, registered copy of it),
	// the first disc in the drive, and the installer started.
	void start_with_discs(bool with_copy)
	{
		make_discs(with_copy);
		if (IsSkipped() || HasFatalFailure()) return;
		start("vantor-dvd-installer", {"--fps_test", "--lang=en"});
		if (HasFatalFailure()) return;
		ASSERT_TRUE(wait_log("Wizard screen: Vantor 9 Installer", 20)) << log();
		ASSERT_TRUE(wait_log("Read the disc " + disc0 + " (Vantor 9): ", 10)) << log();
	}
	// The disc set, the first disc in the drive and the program's environment.
	void make_discs(bool with_copy)
	{
		set_up("dvd_window");
		if (IsSkipped() || HasFatalFailure()) return;
		if (with_copy) copy = root + "copy/";
		set = root + "set/", disc0 = set + "out/disk_0/", disc1 = set + "out/disk_1/";
		ASSERT_EQ(0, system(("bash '" VANTOR_SOURCE_DIR "/tests/dvd/make_discs.sh' '" + set + "' '" VANTOR_BINARY_DIR
		                     "' '" + copy + "' >'" + root + "make.log' 2>&1 && mkdir -p '" + root + "home/Desktop' '" +
		                     root + "tmp'")
		                        .c_str()));
		table = root + "mounts";
		mount(disc0);
		setenv("VANTOR_MOUNT_TABLE", table.c_str(), 1);
		setenv("TMPDIR", (root + "tmp").c_str(), 1);
		if (with_copy) std::ofstream(root + "config/vantor_install.txt") << copy << "\n";
	}
	// Every file of the manifest in `folder` with its signature.
	void expect_whole(const std::string& folder)
	{
		int files = 0;
		for (const auto& [rel, md5] : disc_manifest(set + "manifest.txt")) {
			EXPECT_EQ(md5, md5_file(folder + rel)) << rel;
			++files;
		}
		EXPECT_GT(files, 300);
	}
};

#endif
