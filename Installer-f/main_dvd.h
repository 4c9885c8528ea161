#ifndef MAIN_DVD_H
#define MAIN_DVD_H
// What the disc flows share: reading the disc in the drive, checking that a
// changed disc holds the archive the engine asks for, ejecting it, and the
// question asked when a file fails.
#include "main_prompts.h"
#include <string>

// Finds the product disc when none is known, and reads its version file and
// directory file once per disc: install_name is the set's folder on the disc
// ("Not Yet Scanned" when the version file is unreadable), stg.stage the
// directory's result (2 when it could not be read, 3 read).
void UTIL_scan_dvd();
// Forgets the disc that UTIL_scan_dvd read, so that it reads again.
void dvd_scan_reset();

// 1 when a mounted disc holds the archive of file want_file_disk: dvd_path
// becomes that disc and current_disk the file's disc number.
int UTIL_verify_disk();

// Which disc of the set is in the drive (its number from 0), as the first
// mounted volume that is a product disc shows: dvd_not_of_set for a disc of
// another release (or none of this set's archives), dvd_no_disc when no
// volume is a product disc.
enum { dvd_no_disc = -1, dvd_not_of_set = -2 };
int UTIL_disc_in_drive();

// The disc number (from 0) of file want_file_disk. With `entering` set the disc
// in the drive is ejected (only an optical drive's: a folder standing for a
// disc is left alone) and dvd_path cleared.
int UTIL_switch_disk(int entering);

// The flows that put an engine failure to the user, each in its own words.
enum { dvd_flow_install = 0, dvd_flow_repair = 1, dvd_flow_scenery = 2 };
// The engine's last failure, logged and put to the user in the words of
// `flow`: 0 when the user chose to continue, else 1 (or 3 when the window was
// closed).
int UTIL_cancel_install(int flow);

// The archive of file f as a path below the disc's mount folder.
std::string dvd_archive_on_disc(int f);

#endif
