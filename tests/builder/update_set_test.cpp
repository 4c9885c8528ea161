// A second update set, built by the builder program from the first set's
// directory file with a release number of its own, installed by the engine
// over a copy of the first release from a loopback mirror: changed files are
// replaced, a file that left the release is deleted, a new one arrives, the
// rest stays as it was.
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
	ASSERT_EQ(0, sh("python3 '" VANTOR_SOURCE_DIR "/scripts/demo_master_tree.py' '" + master + "' >/dev/null"));
	write_text(dir + "empty_directory.txt", "A\n900 version\nINSTALLER\n\n");
	ASSERT_EQ(0, make_release(first, "--previous '" + dir + "empty_directory.txt'")) << read_file(dir + "make.log");
	EXPECT_NE("", lines_with(first, " 92102 ")) << "the default release number";

	// the previous directory of the next release: the first set's, unpacked
	ASSERT_EQ(0, sh("mkdir -p '" + dir + "previous'"));
	ASSERT_EQ(0, zip_to_file(first + "Vantor 9.21rc2/directory.txt.zip", dir + "previous/", nullptr, 0));
	const std::string previous = dir + "previous/directory.txt";

	// the copy: the first release as installed on Linux (the shared and the Linux
	// files, without the other platforms' plug-ins)
	const std::string copy = dir + "copy/";
	ASSERT_EQ(0, sh("mkdir -p '" + copy + "' && cp -r '" + master + "All/.' '" + copy + "' && cp -r '" + master +
	                "Linux/.' '" + copy + "' && rm '" + copy + "Resources/plugins/PluginAdminMac.vnk' '" + copy +
	                "Resources/plugins/PluginAdminWin.vnk'"));

	// the second release: one file changed, one gone, one new
	const std::string changed = "Instructions/Manual chapter 1.txt", gone = "Airfoils/foil_000.afl",
	                  added = "Airfoils/foil_new.afl";
	const std::string unchanged = "Instructions/Manual chapter 2.txt";
	write_text(master + "All/" + changed, "the manual, second edition\n");
	ASSERT_EQ(0, unlink((master + "All/" + gone).c_str()));
	write_text(master + "All/" + added, "a new airfoil\n");

	// the same number twice is refused; a number that is no number too
	EXPECT_NE(0, make_release(dir + "refused/", "--previous '" + previous + "'"));
	EXPECT_NE(std::string::npos, read_file(dir + "make.log").find("I already have a version")) << read_file(dir + "make.log");
	EXPECT_EQ(2, WEXITSTATUS(make_release(dir + "refused2/", "--previous '" + previous + "' --release 92x03")));
	ASSERT_EQ(0, make_release(second, "--previous '" + previous + "' --release 92103")) << read_file(dir + "make.log");
	EXPECT_NE("", lines_with(second, " 92103 0 0 GONE foil_000.afl")) << "the gone file's tombstone";

	TS_nginx mirror;
	ASSERT_TRUE(mirror.start(kUpdateMirror, 80, second, dir + "nginx")) << mirror.error;
	install_name = "Vantor 9.21rc2";
	server_name[0] = kUpdateMirror;
	server_path[0] = "/" + install_name + "/";
	stg.num_servers = 1;
	stg.target_os = 3;
	copy_dir = copy;
	struct stat before {};
	ASSERT_EQ(0, stat((copy + unchanged).c_str(), &before));
	builder_install_from_mirror();
	if (HasFatalFailure()) return;
	mirror.stop();

	EXPECT_EQ(md5_text("the manual, second edition\n"), md5_file(copy + changed));
	EXPECT_FALSE(exists(copy + gone)) << "a file that left the release is deleted";
	EXPECT_EQ(md5_text("a new airfoil\n"), md5_file(copy + added));
	struct stat after {};
	ASSERT_EQ(0, stat((copy + unchanged).c_str(), &after));
	EXPECT_EQ(before.st_ino, after.st_ino) << "an unchanged file is left alone";
	EXPECT_EQ(md5_file(master + "All/" + unchanged), md5_file(copy + unchanged));
	EXPECT_TRUE(g_prompt_calls.empty()) << "the first release's files are known, not the user's own";
}
