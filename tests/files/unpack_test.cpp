// Unpacking as the install engine relies on it: never a fragment at the target,
// only the file asked for, never through a link that leaves the folder, never
// a lying size taken at its word; and names as the file system takes them.
#include "files_support.h"
#include "io_utils.h"
#include "md5_utils.h"
#include "p7z_utils.h"
#include "unpack_writer.h"
#include "xmap.h"
#include "zip_utils.h"
#include <csignal>
#include <dirent.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/xattr.h>

static std::string hostile(const scratch_dir& d)
{
	std::string h = d.path + "hostile/";
	sh("mkdir -p '" + h + "' && python3 '" VANTOR_SOURCE_DIR "/tests/files/make_hostile.py' '" + h + "'");
	return h;
}

static std::vector<std::string> names_in(const std::string& folder)
{
	std::vector<std::string> n;
	if (DIR* d = opendir(folder.c_str())) {
		while (struct dirent* e = readdir(d))
			if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) n.push_back(e->d_name);
		closedir(d);
	}
	std::sort(n.begin(), n.end());
	return n;
}

// Runs fn in a child process; its exit status, or 128 + the signal that ended it.
template <class F> static int in_child(F fn, int timeout_s = 120)
{
	pid_t pid = fork();
	if (pid == 0) {
		alarm(timeout_s);	// a hang must not hold the test
		_exit(fn());
	}
	int st = 0;
	waitpid(pid, &st, 0);
	return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

// A file much larger than the file-size limit the child runs under: the kernel
// ends the child (SIGXFSZ) in the middle of writing it, as a kill would.
TEST(Unpack, AKilledUnpackLeavesTheOldFileAndOnlyATemporaryThatIsCleared)
{
	scratch_dir d;
	std::string src = d.path + "src/", out = d.path + "out/";
	sh("mkdir -p '" + src + "' '" + out + "'");
	std::string big = random_bytes(1 << 20, 5);
	std::string data;
	for (int i = 0; i < 24; ++i) data += big;
	write_file(src + "big.bin", data);
	ASSERT_EQ(sh("cd '" + src + "' && zip -q1 ../big.zip big.bin && 7z a -bd -y -mx=1 ../big.7z big.bin >/dev/null"), 0);

	for (const char* archive : {"big.zip", "big.7z"}) {
		SCOPED_TRACE(archive);
		sh("rm -rf '" + out + "' && mkdir '" + out + "'");
		std::string a = d.path + archive;
		auto killed_unpack = [&] {
			return in_child([&] {
				struct rlimit r = {8 << 20, 8 << 20}, none = {0, 0};
				setrlimit(RLIMIT_FSIZE, &r);
				setrlimit(RLIMIT_CORE, &none);
				bool seven = a.back() == 'z' && a[a.size() - 2] == '7';
				return seven ? p7z_to_file(a, out, nullptr, 0) : zip_to_file(a, out, nullptr, 0);
			});
		};
		// a new file is written without a name where the volume allows it: nothing is left
		int unnamed = unpack_unnamed_open(out);
		if (unnamed >= 0) close(unnamed);
		EXPECT_EQ(killed_unpack(), 128 + SIGXFSZ);
		EXPECT_EQ(names_in(out).size(), unnamed >= 0 ? 0u : 1u);
		EXPECT_EQ(unpack_remove_stale(out), unnamed >= 0 ? 0 : 1);

		write_file(out + "big.bin", "the old version\n");
		int status = killed_unpack();
		EXPECT_EQ(status, 128 + SIGXFSZ);
		EXPECT_EQ(read_file(out + "big.bin"), "the old version\n");
		std::vector<std::string> left = names_in(out);
		ASSERT_EQ(left.size(), 2u);
		std::string temp = left[0] == "big.bin" ? left[1] : left[0];
		EXPECT_TRUE(is_unpack_temp(temp)) << temp;
		EXPECT_FALSE(is_unpack_temp("big.bin"));

		// the next run clears it, and a whole unpack takes the target's place
		EXPECT_EQ(unpack_remove_stale(out), 1);
		EXPECT_EQ(names_in(out), std::vector<std::string>{"big.bin"});
		ASSERT_EQ(std::string(archive) == "big.7z" ? p7z_to_file(a, out, nullptr, 0) : zip_to_file(a, out, nullptr, 0), 0);
		EXPECT_TRUE(read_file(out + "big.bin") == data);
		EXPECT_EQ(names_in(out), std::vector<std::string>{"big.bin"});
	}
	// a damaged archive fails and leaves the old file as it was
	write_file(out + "big.bin", "the old version\n");
	std::string z = read_file(d.path + "big.zip");
	for (size_t i = 4000; i < 4100; ++i) z[i] ^= 0x5A;
	write_file(d.path + "bad.zip", z);
	EXPECT_NE(zip_to_file(d.path + "bad.zip", out, nullptr, 0), 0);
	EXPECT_EQ(read_file(out + "big.bin"), "the old version\n");
	EXPECT_EQ(names_in(out), std::vector<std::string>{"big.bin"});
}

// An archive on its way to the disk, made by the builder or copied from a
// disc, has its name only once whole: killed while writing it (by the
// file-size limit), the run leaves no part at the name, the old file there
// stays as it was, and what it did leave the next run clears.
TEST(Unpack, AKilledWriteOfAnArchiveLeavesNoPartAtItsName)
{
	scratch_dir d;
	std::string out = d.path + "out/", big = random_bytes(1 << 20, 9), data;
	for (int i = 0; i < 12; ++i) data += big;
	sh("mkdir -p '" + out + "'");
	write_file(d.path + "big.bin", data);
	for (const char* name : {"big.zip", "copy.bin"}) {
		SCOPED_TRACE(name);
		const std::string target = out + name;
		auto write_it = [&] {
			return std::string(name) == "big.zip" ? file_to_zip(d.path + "big.bin", target) : copy_file(d.path + "big.bin", target);
		};
		write_file(target, "the old version\n");
		int status = in_child([&] {
			struct rlimit r = {8 << 20, 8 << 20}, none = {0, 0};
			setrlimit(RLIMIT_FSIZE, &r);
			setrlimit(RLIMIT_CORE, &none);
			return write_it();
		});
		EXPECT_EQ(status, 128 + SIGXFSZ);
		EXPECT_TRUE(read_file(target) == "the old version\n") << "a part is at the name";
		EXPECT_EQ(unpack_remove_stale(out), 1);
		EXPECT_EQ(names_in(out), std::vector<std::string>{name});
		ASSERT_EQ(write_it(), 0);
		EXPECT_EQ(names_in(out), std::vector<std::string>{name});
		sh("rm -f '" + target + "'");
	}
	EXPECT_EQ(copy_file(d.path + "big.bin", out + "copy.bin"), 0);
	EXPECT_TRUE(read_file(out + "copy.bin") == data);
}

// A new file is placed whole also when a file took its name meanwhile: that
// one is replaced as a file there from the start is, and the identity kept is
// the placed file's; nothing else is left in the folder.
TEST(Unpack, AFileThatCameMeanwhileIsReplacedWhole)
{
	scratch_dir d;
	std::string out = d.path + "out/";
	sh("mkdir -p '" + out + "'");
	for (int came : {0, 1}) {
		SCOPED_TRACE(came);
		std::string sig;
		file_identity id;
		unpack_rules rules;
		rules.signature = &sig;
		rules.identity = &id;
		unpack_writer w(out + "new.bin", &rules);
		ASSERT_EQ(w.open(), 0);
		ASSERT_EQ(w.write("the new bytes\n", 14), 0);
		if (came) write_file(out + "new.bin", "another program's\n");
		ASSERT_EQ(w.place(), 0);
		EXPECT_EQ(read_file(out + "new.bin"), "the new bytes\n");
		EXPECT_EQ(names_in(out), std::vector<std::string>{"new.bin"});
		EXPECT_TRUE(id.known);
		EXPECT_TRUE(file_identity_of(out + "new.bin").same_as(id));
		std::string want;
		EXPECT_EQ(calc_file_md5(out + "new.bin", want), 0);
		EXPECT_EQ(sig, want);
		sh("rm -f '" + out + "new.bin'");
	}
}

TEST(Unpack, OnlyTheNamedEntryIsWrittenAndItsAbsenceFails)
{
	scratch_dir d;
	std::string h = hostile(d), o = d.path + "o/";
	make_folder(o);
	unpack_rules rules;
	rules.entry = "f.txt";
	ASSERT_EQ(zip_to_file(h + "extras.zip", o, nullptr, 0, &rules), 0);
	EXPECT_EQ(names_in(o), std::vector<std::string>{"f.txt"});
	EXPECT_EQ(read_file(o + "f.txt"), "wanted");
	char buf[16];
	ssize_t n = getxattr((o + "f.txt").c_str(), "user.com.apple.ResourceFork", buf, sizeof(buf));
	if (n >= 0) {	// the file's own fork travels with it
		EXPECT_EQ(std::string(buf, n), "FORK");
	}

	sh("rm -rf '" + o + "' && mkdir '" + o + "'");
	EXPECT_EQ(zip_to_file(h + "other_name.zip", o, nullptr, 0, &rules), err_archive_no_entry);
	EXPECT_TRUE(names_in(o).empty());
	EXPECT_FALSE(error_str(err_archive_no_entry).empty());

	// the same for 7z, made by the real tool
	std::string src = d.path + "src/";
	sh("mkdir -p '" + src + "sub' && printf wanted > '" + src + "f.txt' && printf extra > '" + src +
	   "g.txt' && printf extra > '" + src + "sub/x.txt'");
	ASSERT_EQ(sh("cd '" + src + "' && 7z a -bd -y ../extras.7z g.txt f.txt sub >/dev/null && 7z a -bd -y ../other.7z g.txt >/dev/null"), 0);
	ASSERT_EQ(p7z_to_file(d.path + "extras.7z", o, nullptr, 0, &rules), 0);
	EXPECT_EQ(names_in(o), std::vector<std::string>{"f.txt"});
	EXPECT_EQ(read_file(o + "f.txt"), "wanted");
	EXPECT_EQ(p7z_to_file(d.path + "other.7z", o, nullptr, 0, &rules), err_archive_no_entry);
	EXPECT_EQ(names_in(o), std::vector<std::string>{"f.txt"});
	// without rules every entry is still written
	EXPECT_EQ(zip_to_file(h + "other_name.zip", o, nullptr, 0), 0);
	EXPECT_TRUE(exists_l(o + "not_f.txt"));
}

TEST(Unpack, PathsAreFollowedThroughEveryLinkOnDisk)
{
	scratch_dir d;
	std::string root = d.path + "root/";
	sh("mkdir -p '" + root + "real/deep' '" + d.path + "outside'");
	symlink(".", (root + "d").c_str());
	symlink("d/d/d/..", (root + "up").c_str());
	symlink("real", (root + "in").c_str());
	symlink("in", (root + "in2").c_str());	// a link to a link
	symlink("in2/deep/../..", (root + "back").c_str());
	symlink("../outside", (root + "out").c_str());
	symlink((d.path + "outside").c_str(), (root + "abs_out").c_str());
	symlink((root + "real").c_str(), (root + "abs_in").c_str());
	symlink("loop2", (root + "loop1").c_str());
	symlink("loop1", (root + "loop2").c_str());
	symlink("missing/..", (root + "guess").c_str());

	struct { const char* path; int follow_last; int inside; } cases[] = {
		{"", 1, 1}, {"real/deep/file", 0, 1}, {"d/d/d/real/x", 0, 1}, {"up/x", 0, 0}, {"up", 0, 1}, {"up", 1, 0},
		{"in2/deep/x", 0, 1}, {"back/x", 0, 1}, {"in2/deep/../../../x", 0, 0}, {"out/x", 0, 0}, {"out", 0, 1},
		{"abs_out/x", 0, 0}, {"abs_in/deep/x", 0, 1}, {"loop1/x", 0, 0}, {"guess/x", 0, 0},
		{"new/folders/../x", 0, 0}, {"real/deep/../x", 0, 1},
	};
	for (auto& c : cases) EXPECT_EQ(path_stays_inside(root, root + c.path, c.follow_last), c.inside) << c.path;
	EXPECT_EQ(path_stays_inside(root, d.path + "elsewhere", 0), 0);

	EXPECT_EQ(link_stays_inside(root, root + "real/l", "../real/deep"), 1);
	EXPECT_EQ(link_stays_inside(root, root + "real/l", "../.."), 0);
	EXPECT_EQ(link_stays_inside(root, root + "l", "d/d/.."), 0);
	EXPECT_EQ(link_stays_inside(root, root + "l", "in2/deep/../.."), 1);
	EXPECT_EQ(link_stays_inside(root, root + "l", root + "real"), 1);
	EXPECT_EQ(link_stays_inside(root, root + "l", "/etc"), 0);
	EXPECT_EQ(link_stays_inside(root, root + "up/l", "real"), 0);	// placed outside already
}

TEST(Unpack, ChainedLinksInAnArchiveAreRefused)
{
	scratch_dir d;
	std::string h = hostile(d);
	for (const char* zip : {"chain_dots.zip", "chain_links.zip"}) {
		SCOPED_TRACE(zip);
		std::string root = d.path + "case/";
		sh("rm -rf '" + root + "' && mkdir -p '" + root + "dest'");
		EXPECT_EQ(zip_to_file(h + zip, root + "dest/", nullptr, 0), err_archive_unsafe);
		EXPECT_FALSE(exists_l(root + "dest/a"));
		EXPECT_FALSE(exists_l(root + "dest/x/a"));
	}
	// links that stay inside, through other links, are kept
	std::string o = d.path + "fine/";
	make_folder(o);
	ASSERT_EQ(zip_to_file(h + "chain_inside.zip", o, nullptr, 0), 0);
	std::string text;
	ASSERT_TRUE(is_sim_link(o + "a", &text));
	EXPECT_EQ(text, "q/deep/..");

	// with a root, an output folder reached through a link out of it is refused
	std::string root = d.path + "copy/";
	sh("mkdir -p '" + root + "Resources' '" + d.path + "victim'");
	symlink("../../victim", (root + "Resources/a").c_str());
	unpack_rules rules;
	rules.entry = "f.txt";
	rules.root = root;
	EXPECT_EQ(zip_to_file(h + "extras.zip", root + "Resources/a/", nullptr, 0, &rules), err_path_outside);
	EXPECT_TRUE(names_in(d.path + "victim").empty());
	sh("mkdir -p '" + root + "Resources/real' && ln -s real '" + root + "Resources/b'");
	EXPECT_EQ(zip_to_file(h + "extras.zip", root + "Resources/b/", nullptr, 0, &rules), 0);
	EXPECT_EQ(read_file(root + "Resources/real/f.txt"), "wanted");
}

// An entry is written no further than its caller allows, nor than its header
// says; either way nothing of it stays. The bound itself is not off by one.
TEST(Unpack, AnEntryStopsAtTheSizeItsCallerAllows)
{
	scratch_dir d;
	std::string h = hostile(d), o = d.path + "o/";
	make_folder(o);
	const uint64_t inflated = 8 << 20;
	ASSERT_LT(APL_file_size(h + "bomb.zip"), 20000);
	sh("head -c " + std::to_string(inflated) + " /dev/zero > '" + d.path + "bomb.bin' && cd '" + d.path +
	   "' && 7z a -bd -y bomb.7z bomb.bin >/dev/null");
	unpack_rules rules;
	rules.entry = "bomb.bin";
	rules.max_bytes = 10000;
	EXPECT_EQ(zip_to_file(h + "bomb.zip", o, nullptr, 0, &rules), err_archive_too_big);
	EXPECT_EQ(p7z_to_file(d.path + "bomb.7z", o, nullptr, 0, &rules), err_archive_too_big);
	EXPECT_FALSE(error_str(err_archive_too_big).empty());
	EXPECT_TRUE(names_in(o).empty());
	EXPECT_NE(zip_to_file(h + "bomb_liar.zip", o, nullptr, 0, &rules), 0);
	EXPECT_TRUE(names_in(o).empty());
	rules.max_bytes = inflated;
	EXPECT_EQ(zip_to_file(h + "bomb.zip", o, nullptr, 0, &rules), 0);
	EXPECT_EQ(APL_file_size(o + "bomb.bin"), (int64_t)inflated);
	sh("rm -f '" + o + "bomb.bin'");
	EXPECT_EQ(p7z_to_file(d.path + "bomb.7z", o, nullptr, 0, &rules), 0);
	EXPECT_EQ(APL_file_size(o + "bomb.bin"), (int64_t)inflated);
	// the program ending stops the writing between blocks: the file there stays
	// as it was, and a new one leaves nothing
	std::atomic<int> stop{1};
	rules.stop = &stop;
	for (bool there : {true, false}) {
		sh(there ? "echo old > '" + o + "bomb.bin'" : "rm -f '" + o + "bomb.bin'");
		EXPECT_EQ(zip_to_file(h + "bomb.zip", o, nullptr, 0, &rules), ECANCELED);
		EXPECT_EQ(p7z_to_file(d.path + "bomb.7z", o, nullptr, 0, &rules), ECANCELED);
		EXPECT_EQ(names_in(o).size(), there ? 1u : 0u);
		if (there) {
			EXPECT_EQ(APL_file_size(o + "bomb.bin"), 4);
		}
	}
}

// A disk that fills while an entry is written: both formats hand their bytes
// to the one writer, so both fail with the disk's own errno (the pump stops
// on it and names the folder, rather than blaming the mirror) and leave
// nothing behind, neither the file nor its temporary.
TEST(Unpack, AFullDiskIsItsErrnoInEveryFormatAndLeavesNothing)
{
	scratch_dir d;
	std::string src = d.path + "src/", o = d.path + "small/";
	ASSERT_EQ(sh("mkdir -p '" + src + "' '" + o + "' && head -c 3000000 /dev/urandom > '" + src + "big.bin' && cd '" +
	             src + "' && zip -q0 ../big.zip big.bin && 7z a -bd -y -mx=0 ../big.7z big.bin >/dev/null"), 0);
	int r = in_child([&] {
		// a small disk of this child's own
		if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
		if (mount("tmpfs", o.c_str(), "tmpfs", 0, "size=1m") != 0) return 77;
		int bad = 0;
		for (const char* archive : {"big.zip", "big.7z"}) {
			std::string a = d.path + archive;
			int err = std::string(archive) == "big.7z" ? p7z_to_file(a, o, nullptr, 0) : zip_to_file(a, o, nullptr, 0);
			bad |= err != ENOSPC;
			bad |= !names_in(o).empty();
		}
		return bad;
	});
	if (r == 77) GTEST_SKIP() << "cannot mount a tmpfs here";
	EXPECT_EQ(r, 0);
}

static const std::string kRegressions = VANTOR_SOURCE_DIR "/fuzz/regressions/7z/";

// An archive's work is bounded by its listing, judged before anything is
// written: the wanted name listed twice (over one shared stream, or a good copy
// then a bad one), more entries than allowed, or names sharing one stream past
// the bound on the whole. Entries skipped are one log line, however many.
TEST(Unpack, AnArchiveIsJudgedByItsListingBeforeAnythingIsWritten)
{
	scratch_dir d;
	std::string h = hostile(d), o = d.path + "o/", src = d.path + "src/";
	sh("mkdir -p '" + src + "' && cd '" + src + "' && for i in $(seq 70); do echo $i > f$i.txt; done && "
	   "7z a -bd -y ../many.7z . >/dev/null");
	const std::string md5_wanted = "dc1f3d93b4d480fdd3a7e22b44cff8ba";	// of "wanted"
	struct {
		std::string archive, entry, md5;
		uint64_t    max_entries, max_total;
		int         code;
		size_t      files;	// left in the folder
		uint64_t    bytes;	// what they hold
	} cases[] = {
		{h + "shared_wanted.zip", "f.txt", "", 0, 0, err_archive_repeats, 0, 0},
		{h + "good_then_bad.zip", "f.txt", md5_wanted, 0, 0, err_archive_repeats, 0, 0},
		{h + "wanted_twice.zip", "f.txt", "", 0, 0, err_archive_repeats, 0, 0},
		{h + "wanted_then_empty.zip", "f.txt", "", 0, 0, err_archive_repeats, 0, 0},
		{h + "many_entries.zip", "f.txt", "", 64, 0, err_archive_too_many, 0, 0},
		{h + "many_entries.zip", "f.txt", md5_wanted, 0, 0, 0, 1, 6},
		{d.path + "many.7z", "f1.txt", "", 64, 0, err_archive_too_many, 0, 0},
		{h + "shared_names.zip", "", "", 0, 8 << 20, err_archive_too_big, 8, 8 << 20},
		{h + "shared_names.zip", "", "", 0, 0, 0, 100, 100 << 20},	// no bound asked for: every name
		// headers whose reader would allocate what they declare: 33 million entries, 8 GB of header
		{kRegressions + "header_of_33554431_entries", "", "", 0, 0, err_archive_too_many, 0, 0},
		{kRegressions + "header_size_past_end", "", "", 0, 0, err_zip_open, 0, 0},
	};
	for (auto& c : cases) {
		SCOPED_TRACE(c.archive + " " + std::to_string(c.max_entries) + " " + std::to_string(c.max_total));
		sh("rm -rf '" + o + "' && mkdir '" + o + "'");
		unpack_rules rules;
		rules.entry = c.entry;
		rules.md5 = c.md5;
		rules.max_entries = c.max_entries;
		rules.max_total = c.max_total;
		io_log_capture log;
		bool seven = c.archive.compare(c.archive.size() - 3, 3, ".7z") == 0 || c.archive.find(kRegressions) == 0;
		int r = seven ? p7z_to_file(c.archive, o, nullptr, 0, &rules) : zip_to_file(c.archive, o, nullptr, 0, &rules);
		EXPECT_EQ(r, c.code);
		EXPECT_NE(error_str(r).compare(0, 10, "Error code"), 0);
		std::vector<std::string> left = names_in(o);
		uint64_t bytes = 0;
		for (const std::string& n : left) bytes += (uint64_t)APL_file_size(o + n);
		EXPECT_EQ(left.size(), c.files);
		EXPECT_EQ(bytes, c.bytes);
		std::string text = log.text.str();
		size_t skipped = 0;
		for (size_t at = text.find("Skipped"); at != std::string::npos; at = text.find("Skipped", at + 1)) ++skipped;
		EXPECT_LE(skipped, 1u);
		EXPECT_LT(text.size(), 2000u) << text.substr(0, 400);
	}

	// the log held in memory while an archive unpacks stays bounded, whatever is written to it
	io_log_capture capture;
	for (int i = 0; i < 100000; ++i) io_log() << "a line of the log that repeats itself many times over\n";
	std::string kept = capture.text.str();
	EXPECT_LT(kept.size(), 70000u);
	EXPECT_NE(kept.find("more bytes of log lines were left out"), std::string::npos);
}

TEST(Unpack, AForkEntryIsReadNoFurtherThanItsStoredSize)
{
	scratch_dir d;
	std::string h = hostile(d), o = d.path + "o/";
	make_folder(o);
	ASSERT_LT(APL_file_size(h + "fork_bomb.zip"), 400);
#if defined(__SANITIZE_ADDRESS__)
	EXPECT_EQ(zip_to_file(h + "fork_bomb.zip", o, nullptr, 0), err_zip_fork_header);
#else
	// under an address-space limit far below the 2 GB the entry claims
	int status = in_child([&] {
		struct rlimit r = {(rlim_t)768 << 20, (rlim_t)768 << 20};
		setrlimit(RLIMIT_AS, &r);
		return zip_to_file(h + "fork_bomb.zip", o, nullptr, 0) == err_zip_fork_header ? 0 : 1;
	});
	EXPECT_EQ(status, 0);
#endif
	EXPECT_EQ(read_file(o + "f.txt"), "data");
	// an honest fork too big for an attribute is dropped; the file stays
	EXPECT_EQ(zip_to_file(h + "fork_big.zip", o, nullptr, 0), 0);
	EXPECT_EQ(read_file(o + "f.txt"), "data");
}

// The signature an unpack takes from the bytes it writes stands in for reading
// the file back: it must be what reading it back gives, whatever the entry.
TEST(Unpack, TheSignatureTakenWhileWritingIsThatOfTheFileLeft)
{
	scratch_dir d;
	std::string h = hostile(d), src = d.path + "src/", o = d.path + "o/";
	sh("mkdir -p '" + src + "' && printf 'wanted\r\nline\n' > '" + src + "f.txt' && printf extra > '" + src + "g.txt'");
	ASSERT_EQ(sh("cd '" + src + "' && 7z a -bd -y ../plain.7z g.txt f.txt >/dev/null && rm f.txt && ln -s g.txt f.txt && "
	             "7z a -bd -y -snl ../link.7z f.txt g.txt >/dev/null && rm f.txt && : > f.txt && "
	             "7z a -bd -y ../empty.7z f.txt >/dev/null"),
	          0);
	struct {
		std::string archive;
		bool        signed_file;	// false: an empty file, which has no signature
	} cases[] = {
		{h + "extras.zip", true},	// with its AppleDouble companion, kept beside the bytes
		{h + "wanted_link.zip", true},	// a link, signed by its text
		{h + "wanted_empty.zip", false},
		{h + "zip64.zip", true},
		{d.path + "plain.7z", true},
		{d.path + "link.7z", true},	// kept as a file holding the link text
		{d.path + "empty.7z", false},
	};
	for (auto& c : cases) {
		SCOPED_TRACE(c.archive);
		sh("rm -rf '" + o + "' && mkdir '" + o + "'");
		std::string written = "stale", read_back;
		unpack_rules rules;
		rules.entry = c.archive.find("zip64") != std::string::npos ? "big.bin" : "f.txt";
		rules.signature = &written;
		bool seven = c.archive.compare(c.archive.size() - 3, 3, ".7z") == 0;
		ASSERT_EQ(seven ? p7z_to_file(c.archive, o, nullptr, 0, &rules) : zip_to_file(c.archive, o, nullptr, 0, &rules), 0);
		EXPECT_EQ(calc_file_md5(o + rules.entry, read_back) == 0, c.signed_file);
		EXPECT_EQ(written, read_back);
	}
}

// ':' and '\' are ordinary name characters here, as are '%', '#', '?', blanks
// and non-ASCII letters: every operation takes them.
TEST(Unpack, NamesTheFileSystemTakesAreTakenEverywhere)
{
	scratch_dir d;
	const std::string odd = "a:b\\c %20#?\xC3\xA9\xE2\x82\xAC";
	std::string base = d.path + "C:\\dir " + odd + "/";
	ASSERT_EQ(make_folder(base), 0);
	EXPECT_TRUE(dir_exists(base));
	std::string file = base + odd + ".txt";
	write_file(file, "abc");
	EXPECT_TRUE(file_exists(file));
	EXPECT_EQ(APL_file_size(file), 3);
	std::string sig;
	ASSERT_EQ(calc_file_md5(file, sig), 0);
	EXPECT_EQ(sig, "900150983cd24fb0d6963f7d28e17f72");
	{
		xmap_class m(file);
		ASSERT_NE(m.begin, nullptr);
		EXPECT_EQ(std::string(m.begin, m.end), "abc");
	}
	EXPECT_EQ(copy_file(file, base + "copy " + odd), 0);
	EXPECT_EQ(rename_file(base, "copy " + odd, "moved:" + odd), 0);
	EXPECT_EQ(read_file(base + "moved:" + odd), "abc");
	EXPECT_EQ(delete_file(base + "moved:" + odd), 0);

	// archives made by the real tools, unpacked into that folder
	std::string src = d.path + "src/";
	sh("mkdir -p '" + src + "'");
	write_file(src + odd, "zipped");
	ASSERT_EQ(sh("cd '" + src + "' && zip -q ../odd.zip '" + odd + "' && 7z a -bd -y ../odd.7z '" + odd + "' >/dev/null"), 0);
	unpack_rules rules;
	rules.entry = odd;
	rules.root = d.path;
	ASSERT_EQ(zip_to_file(d.path + "odd.zip", base, nullptr, 0, &rules), 0);
	EXPECT_EQ(read_file(base + odd), "zipped");
	ASSERT_EQ(delete_file(base + odd), 0);
	ASSERT_EQ(p7z_to_file(d.path + "odd.7z", base, nullptr, 0, &rules), 0);
	EXPECT_EQ(read_file(base + odd), "zipped");

	EXPECT_EQ(recursive_delete_folder(base), 0);
	EXPECT_FALSE(exists_l(base));

	// the system's folders are taken as the system names them
	std::string tmp = d.path + "t:mp\\" + odd;
	sh("mkdir -p '" + tmp + "'");
	std::string saved = getenv("TMPDIR") ? getenv("TMPDIR") : "";
	setenv("TMPDIR", tmp.c_str(), 1);
	std::string t;
	get_OS_abs_path(os_dir_temp, t);
	EXPECT_EQ(t.compare(0, tmp.size() + 1, tmp + "/"), 0) << t;
	EXPECT_TRUE(dir_exists(t));
	if (saved.empty()) unsetenv("TMPDIR");
	else setenv("TMPDIR", saved.c_str(), 1);
}

// A temporary folder once open to others may hold links planted meanwhile.
TEST(Unpack, ATemporaryFolderOpenToOthersIsNotUsed)
{
	scratch_dir d;
	std::string tmp = d.path + "tmp";
	std::string mine = tmp + "/vantor-" + std::to_string(getuid());
	sh("mkdir -p '" + mine + "' '" + d.path + "victim' && chmod 777 '" + mine + "'");
	symlink((d.path + "victim/0.zip.part").c_str(), (mine + "/0.zip.part").c_str());
	std::string saved = getenv("TMPDIR") ? getenv("TMPDIR") : "";
	setenv("TMPDIR", tmp.c_str(), 1);
	std::string t;
	get_OS_abs_path(os_dir_temp, t);
	EXPECT_NE(t, mine + "/");
	EXPECT_EQ(t.compare(0, tmp.size() + 1, tmp + "/"), 0) << t;
	EXPECT_EQ(mode_of(t), 0700);
	struct stat st;
	ASSERT_EQ(lstat(t.c_str(), &st), 0);
	EXPECT_EQ(st.st_uid, getuid());
	EXPECT_FALSE(exists_l(t + "0.zip.part"));

	// a private one of ours is used as it is, run after run
	sh("rm -rf '" + tmp + "' && mkdir -p '" + mine + "' && chmod 700 '" + mine + "'");
	get_OS_abs_path(os_dir_temp, t);
	EXPECT_EQ(t, mine + "/");

	// and a copy never writes through a link at its destination
	write_file(d.path + "src", "copied");
	symlink((d.path + "victim/through").c_str(), (mine + "/copy").c_str());
	EXPECT_NE(copy_file(d.path + "src", mine + "/copy"), 0);
	EXPECT_FALSE(exists_l(d.path + "victim/through"));
	if (saved.empty()) unsetenv("TMPDIR");
	else setenv("TMPDIR", saved.c_str(), 1);
}
