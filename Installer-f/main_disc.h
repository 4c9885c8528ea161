#ifndef MAIN_DISC_H
#define MAIN_DISC_H
// Finding the product disc, and moving the installer off it so that discs
// can be changed while it runs.
#include <functional>
#include <string>
#include <vector>

// Whether a mounted volume can be the product disc: an optical drive's, or
// mounted read-only; never a user's own (FUSE) file system. The arguments are
// the first, third and fourth fields of a mount-table line.
int dvd_volume_may_be_disc(const std::string& device, const std::string& type, const std::string& options);

// The mount folders (each ending in "/") of the mounted volumes in the mount
// table that may be discs, in the table's order.
std::vector<std::string> dvd_mounted_volumes(const std::string& mount_table);

// The mount folder (ending in "/") of the first mounted volume in the mount
// table that may be a disc and holds the file `holding` (a path below the
// mount folder); empty when there is none.
std::string dvd_find_disc(const std::string& mount_table = "/proc/self/mounts",
                          const std::string& holding = "dvd_version.txt");

// The mount table the installer searches: the file named by the environment
// variable VANTOR_MOUNT_TABLE when it is set (a machine without a disc drive
// lists folders there as discs, each as an optical or read-only volume: the
// same rule holds for its lines), else the system's.
std::string dvd_mount_table();

// Whether the program at `bundle` runs from the disc mounted at `dvd`: the
// whole disc folder is a prefix of the program's path. A copy already in the
// temporary folder never counts, so a copy cannot start copies of itself.
int dvd_runs_from_disc(const std::string& bundle, const std::string& dvd, const std::string& temp);

// Copies the program into the folder `into` (a folder of its own in the
// temporary folder `temp`) and starts the copy there (launch ends this
// process). A bundle folder is copied whole to `into` plus its name; a program
// file goes with the "Resources" folder beside it into a folder of the
// program's name there. Returns 0 when this process is to carry on: not on a
// disc, the copy failed, or the start failed.
int dvd_move_off_disc(const std::string& bundle, const std::string& dvd, const std::string& temp,
                      const std::string& into,
                      const std::function<int(const std::string& from, const std::string& to)>& copy,
                      const std::function<int(const std::string& app)>& launch);

#endif
