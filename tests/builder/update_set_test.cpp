// Two update sets built by the builder program, the second from the first's
// directory file with a release number of its own, both installed by the
// engine from a loopback mirror onto a volume that tells case apart: the first
// into an empty copy, the second over it. Changed files are replaced, a file
// that left the release is deleted, a new one arrives, a name whose case
// changed takes its new spelling, two names that differ only in case stay two
// files, a link into a sibling folder is a link, a file that becomes a folder
// and a folder that becomes a file change without a question, a file the user
// cannot read and a folder holding a file of theirs are asked about, and the
// rest stays as it was.
#include "builder_install.h"
#include "utils_internal.h"
#include "../support/test_servers.h"
#include "path_utils.h"
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

static const char* kUpdateMirror = "127.0.0.121";
// Owner of the file the user cannot read: nobody the test runs as.
static const uid_t kOtherUser = 4321;

class BuilderSecondSet : public EngineTest {
protected:
	// as the program finds an ordinary Linux volume
	void SetUp() override
	{
		EngineTest::SetUp();
		g_case_sensitive = 1;
	}
	void TearDown() override
	{
		read_any_file(true);
		g_case_sensitive = 0;
		EngineTest::TearDown();
	}
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
	// a link into a sibling folder; a file that becomes a folder and folders that become files
	const std::string link = "Instructions/Docs/a/changelog.gz", link_target = "Instructions/Docs/b/changelog.gz";
	write_text(master + "All/" + link_target, "the changes\n");
	ASSERT_EQ(0, sh("mkdir -p '" + master + "All/Instructions/Docs/a' && ln -s ../b/changelog.gz '" + master + "All/" + link + "'"));
	const std::string to_folder = "Instructions/Docs/Notes", to_file = "Instructions/Docs/Extras", kept = "Instructions/Docs/Kept";
	write_text(master + "All/" + to_folder, "notes, a file\n");
	for (const std::string& f : {to_file, kept}) {
		write_text(master + "All/" + f + "/one.txt", "one of " + f + "\n");
		write_text(master + "All/" + f + "/two.txt", "two of " + f + "\n");
	}
	write_text(dir + "empty_directory.txt", "A\n900 version\nINSTALLER\n\n");
	ASSERT_EQ(0, make_release(first, "--previous '" + dir + "empty_directory.txt'")) << read_file(dir + "make.log");
	EXPECT_NE("", lines_with(first, " 92102 ")) << "the default release number";

	// one mirror serves both sets, each under a folder of its own
	TS_nginx mirror;
	ASSERT_TRUE(mirror.start(kUpdateMirror, 80, dir, dir + "nginx")) << mirror.error;
	g_engine.install_name = release;
	g_engine.server_name[0] = kUpdateMirror;
	g_engine.stg.num_servers = 1;
	g_engine.stg.target_os = os_linux;
	const std::string copy = dir + "copy/";
	copy_dir = copy;

	// the first release into an empty copy
	g_engine.server_path[0] = "/first/" + release + "/";
	builder_install_from_mirror();
	if (HasFatalFailure()) return;
	expect_release_or_failure(stg.extract_error);
	EXPECT_EQ(md5_text("the upper-case twin\n"), md5_file(copy + upper));
	EXPECT_EQ(md5_text("the lower-case twin\n"), md5_file(copy + lower));
	char text[64] = {};
	EXPECT_LT(0, readlink((copy + link).c_str(), text, sizeof(text) - 1)) << "the link is installed as a link";
	EXPECT_EQ(std::string("../b/changelog.gz"), text);
	EXPECT_EQ(md5_text("the changes\n"), md5_file(copy + link));

	// the user's own: a listed file they replaced by one they cannot read, a file in a folder
	const std::string unreadable = "Instructions/Manual chapter 3.txt", mine = kept + "/mine.txt";
	write_text(copy + unreadable, "my own manual\n");
	ASSERT_EQ(0, chmod((copy + unreadable).c_str(), 0400));
	if (geteuid() == 0) {
		ASSERT_EQ(0, chown((copy + unreadable).c_str(), kOtherUser, kOtherUser));
	}
	write_text(copy + mine, "my own file\n");

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
	ASSERT_EQ(0, sh("cd '" + master + "All/Instructions/Docs' && rm -r Notes Extras Kept"));
	write_text(master + "All/" + to_folder + "/inside.txt", "notes, in a folder\n");
	write_text(master + "All/" + to_file, "extras, a file\n");
	write_text(master + "All/" + kept, "kept, a file\n");

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
	g_engine.server_path[0] = "/second/" + release + "/";
	g_engine.stg.extract_error = 0;
	g_prompt_rules = {{"/", select_keep}};
	ASSERT_TRUE(geteuid() != 0 || read_any_file(false)) << "the file is to be unreadable to the scan";
	builder_install_from_mirror();
	ASSERT_TRUE(read_any_file(true));
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
	EXPECT_EQ(md5_text("the changes\n"), md5_file(copy + link));
	EXPECT_EQ(md5_text("notes, in a folder\n"), md5_file(copy + to_folder + "/inside.txt"));
	EXPECT_EQ(md5_text("extras, a file\n"), md5_file(copy + to_file));

	// only the user's own were asked about, and kept
	std::vector<std::pair<std::string, int>> asked = {{copy + kept, 0}, {copy + unreadable, 0}};
	std::sort(g_prompt_calls.begin(), g_prompt_calls.end());
	EXPECT_EQ(asked, g_prompt_calls) << "the first release's files are known, not the user's own";
	EXPECT_EQ(md5_text("my own manual\n"), md5_file(copy + unreadable));
	EXPECT_EQ(md5_text("my own file\n"), md5_file(copy + mine));
	EXPECT_TRUE(is_dir(copy + kept));

	// the next check of the copy finds it current: a folder where the release
	// dropped a file is no question, the user's own are asked about again
	g_prompt_calls.clear();
	web_scan_and_choose();
	std::sort(g_prompt_calls.begin(), g_prompt_calls.end());
	EXPECT_EQ(asked, g_prompt_calls);
	for (auto& h : sim_info)
		EXPECT_FALSE(h.versions.back().want_download || h.versions.back().want_delete) << h.versions.back().path;
}
