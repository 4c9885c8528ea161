// Two update sets built by the builder program, the second from the first's
// directory file with a release number of its own, both installed by the
// engine from a loopback mirror: the first into an empty copy, the second over
// it. Changed files are replaced, a file that left the release is deleted, a
// new one arrives, a name whose case changed takes its new spelling, two names
// that differ only in case stay two files, the rest stays as it was.
#include "builder_install.h"
#include "../support/test_servers.h"
#include <sys/stat.h>

static const char* kUpdateMirror = "127.0.0.121";

class BuilderSecondSet : public EngineTest {
protected:
	// make_release on the master tree into `out`, with extra options; its exit status.
	int make_release(const std::string& out, const std::string& options)
	{
		return sh("cd '" + dir + "' && '" VANTOR_BINARY_DIR "/make_release' --master '" + dir + "master/' --out '" + out +
		          "' --type 0 " + options + " >>'" + dir + "make.log' 2>&1");
	}
	// Lines of the directory file in a set's zipped directory that hold `text`.
	std::string lines_with(const std::string& set, const std::string& text)
	{
		sh("rm -rf '" + dir + "peek' && mkdir -p '" + dir + "peek'");
		zip_to_file(set + "Vantor 9.21rc2/directory.txt.zip", dir + "peek/", nullptr, 0);
		return sh_out("grep -F -- '" + text + "' '" + dir + "peek/directory.txt'");
	}
};

TEST_F(BuilderSecondSet, BuiltFromTheFirstsDirectoryAndInstalledOverIt)
{
	const std::string master = dir + "master/", first = dir + "first/", second = dir + "second/";
	const std::string release = "Vantor 9.21rc2";
	ASSERT_EQ(0, sh("python3 '" VANTOR_SOURCE_DIR "/scripts/demo_master_tree.py' '" + master + "' >/dev/null"));
	// a pair of names that differ only in case, and a name whose case the next release changes
	const std::string upper = "Instructions/Case.txt", lower = "Instructions/case.txt";
	const std::string old_name = "Instructions/Readme.txt", new_name = "Instructions/README.txt";
	write_text(master + "All/" + upper, "the upper-case twin\n");
	write_text(master + "All/" + lower, "the lower-case twin\n");
	write_text(master + "All/" + old_name, "read me first\n");
	write_text(dir + "empty_directory.txt", "A\n900 version\nINSTALLER\n\n");
	ASSERT_EQ(0, make_release(first, "--previous '" + dir + "empty_directory.txt'")) << read_file(dir + "make.log");
	EXPECT_NE("", lines_with(first, " 92102 ")) << "the default release number";

	// one mirror serves both sets, each under a folder of its own
	TS_nginx mirror;
	ASSERT_TRUE(mirror.start(kUpdateMirror, 80, dir, dir + "nginx")) << mirror.error;
	install_name = release;
	server_name[0] = kUpdateMirror;
	stg.num_servers = 1;
	stg.target_os = 3;
	const std::string copy = dir + "copy/";
	copy_dir = copy;

	// the first release into an empty copy
	server_path[0] = "/first/" + release + "/";
	builder_install_from_mirror();
	if (HasFatalFailure()) return;
	expect_release_or_failure(stg.extract_error);
	EXPECT_EQ(md5_text("the upper-case twin\n"), md5_file(copy + upper));
	EXPECT_EQ(md5_text("the lower-case twin\n"), md5_file(copy + lower));

	// the previous directory of the next release: the first set's, unpacked
	ASSERT_EQ(0, sh("mkdir -p '" + dir + "previous'"));
	ASSERT_EQ(0, zip_to_file(first + release + "/directory.txt.zip", dir + "previous/", nullptr, 0));
	const std::string previous = dir + "previous/directory.txt";

	// the second release: one file changed, one gone, one new, one renamed in case only
	const std::string changed = "Instructions/Manual chapter 1.txt", gone = "Airfoils/foil_000.afl",
	                  added = "Airfoils/foil_new.afl";
	const std::string unchanged = "Instructions/Manual chapter 2.txt";
	write_text(master + "All/" + changed, "the manual, second edition\n");
	ASSERT_EQ(0, unlink((master + "All/" + gone).c_str()));
	write_text(master + "All/" + added, "a new airfoil\n");
	ASSERT_EQ(0, rename((master + "All/" + old_name).c_str(), (master + "All/" + new_name).c_str()));

	// the same number twice is refused; a number that is no number too
	EXPECT_NE(0, make_release(dir + "refused/", "--previous '" + previous + "'"));
	EXPECT_NE(std::string::npos, read_file(dir + "make.log").find("I already have a version")) << read_file(dir + "make.log");
	EXPECT_EQ(2, WEXITSTATUS(make_release(dir + "refused2/", "--previous '" + previous + "' --release 92x03")));
	// the first release's case pair is two files, not one listed twice
	ASSERT_EQ(0, make_release(second, "--previous '" + previous + "' --release 92103")) << read_file(dir + "make.log");
	EXPECT_NE("", lines_with(second, " 92103 0 0 GONE foil_000.afl")) << "the gone file's tombstone";
	EXPECT_NE("", lines_with(second, " 92103 0 0 GONE Readme.txt")) << "the old spelling's tombstone";

	struct stat before {};
	ASSERT_EQ(0, stat((copy + unchanged).c_str(), &before));
	server_path[0] = "/second/" + release + "/";
	stg.extract_error = 0;
	builder_install_from_mirror();
	if (HasFatalFailure()) return;
	mirror.stop();
	expect_release_or_failure(stg.extract_error);

	EXPECT_EQ(md5_text("the manual, second edition\n"), md5_file(copy + changed));
	EXPECT_FALSE(exists(copy + gone)) << "a file that left the release is deleted";
	EXPECT_EQ(md5_text("a new airfoil\n"), md5_file(copy + added));
	EXPECT_EQ(md5_text("read me first\n"), md5_file(copy + new_name)) << "the new spelling is installed";
	EXPECT_EQ("", sh_out("ls '" + copy + "Instructions' | grep -Fx Readme.txt")) << "the old spelling is gone";
	EXPECT_EQ(md5_text("the upper-case twin\n"), md5_file(copy + upper));
	EXPECT_EQ(md5_text("the lower-case twin\n"), md5_file(copy + lower));
	struct stat after {};
	ASSERT_EQ(0, stat((copy + unchanged).c_str(), &after));
	EXPECT_EQ(before.st_ino, after.st_ino) << "an unchanged file is left alone";
	EXPECT_EQ(md5_file(master + "All/" + unchanged), md5_file(copy + unchanged));
	EXPECT_TRUE(g_prompt_calls.empty()) << "the first release's files are known, not the user's own";
}
