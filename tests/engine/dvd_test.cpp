// The disc install from two folders standing in for discs, with real zip and 7z archives.
#include "engine_support.h"
#include "utils.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "UTL_globals.h"
#include <chrono>
#include <sstream>
#include <unistd.h>

class DiscInstall : public EngineTest {
protected:
	std::string out;

	void make_set()
	{
		out = dir + "set";
		ASSERT_EQ(0, sh("python3 '" VANTOR_SOURCE_DIR "/tests/engine/make_release.py' dvd '" + out + "'"));
		dvd_path = out + "/disc1/";
		ASSERT_EQ(0, zip_to_file(dvd_path + install_name + "/directory.txt.zip", temp_path, nullptr, 0));
		ASSERT_EQ(3, read_directory(temp_path + "directory.txt", ""));
		delete_file(temp_path + "directory.txt");
		scenery_take_all();
		int cursor = 0;
		float progress;
		while (!checksum_directory(copy_dir, cursor, 0, progress)) usleep(500);
		ASSERT_EQ(1, choose_files(copy_dir));
		ASSERT_EQ(0, make_dirs(copy_dir));
		delete_files(copy_dir);
	}

	// Calls once per "frame" until the result is not busy.
	int run(int& cursor, int disk)
	{
		auto t0 = std::chrono::steady_clock::now();
		while (true) {
			int r = install_files(copy_dir, cursor, disk);
			if (r != install_busy) return r;
			if (std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() > 60) return -1;
			usleep(1000);
		}
	}

	std::vector<std::pair<std::string, std::string>> expected()
	{
		std::vector<std::pair<std::string, std::string>> e;
		std::istringstream in(read_file(out + "/expect.txt"));
		std::string what, md5, rel;
		while (in >> what >> md5 && std::getline(in, rel)) e.push_back({md5, rel.substr(1)});
		return e;
	}
};

TEST_F(DiscInstall, TwoDiscsWithAChangeBetween)
{
	make_set();
	int cursor = 0;
	ASSERT_EQ(install_need_disk, run(cursor, 1));
	EXPECT_EQ(2, sim_info[cursor].versions.back().disk);
	EXPECT_NE(nullptr, copy_pool);	// the run goes on
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		EXPECT_EQ(v.disk == 1 ? 1 : 0, v.up_to_date) << v.path;
	}
	dvd_path = out + "/disc2/";
	ASSERT_EQ(install_done, run(cursor, 2));
	EXPECT_EQ(nullptr, copy_pool);
	EXPECT_EQ(nullptr, unzip_pool);
	auto e = expected();
	EXPECT_EQ(13u, e.size());
	for (auto& f : e) EXPECT_EQ(f.first, md5_file(copy_dir + f.second)) << f.second;
	for (auto& h : sim_info) EXPECT_EQ(1, h.versions.back().up_to_date);
	EXPECT_EQ("", sh_out("ls -A '" + UTIL_run_folder() + "'"));	// every copied archive was unpacked and deleted
}

TEST_F(DiscInstall, CorruptArchiveGivesTheErrorResultAndTheRunGoesOn)
{
	std::string bad_rel = "All/Resources/disc1/file_2.txt.zip";
	make_set();
	write_text(out + "/disc1/vantor_92102/" + bad_rel, "not a zip archive");
	int cursor = 0;
	int r = run(cursor, 1);
	ASSERT_EQ(install_failed, r);
	std::string text;
	int code = install_files_get_error(text);
	EXPECT_NE(0, code);
	EXPECT_NE(std::string::npos, text.find("I was unable to unzip the file " + UTIL_run_folder()))
		<< "the archive that failed lies in the run's folder, which goes when the program ends";
	EXPECT_NE(std::string::npos, text.find("(Original file was: " + dvd_path + "vantor_92102/" + bad_rel + ")"));
	EXPECT_EQ(0, install_files_get_error(text));
	EXPECT_EQ("", text);

	// the user continues: the rest installs, the bad file stays out
	r = run(cursor, 1);
	ASSERT_EQ(install_need_disk, r);
	dvd_path = out + "/disc2/";
	ASSERT_EQ(install_done, run(cursor, 2));
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		EXPECT_EQ(v.path == "All/Resources/disc1/file_2.txt" ? 0 : 1, v.up_to_date) << v.path;
	}
	EXPECT_FALSE(exists(copy_dir + "Resources/disc1/file_2.txt"));
}

TEST_F(DiscInstall, MissingArchiveIsACopyError)
{
	make_set();
	sh("rm '" + dvd_path + "vantor_92102/All/Resources/disc1/file_0.txt.zip'");
	int cursor = 0;
	ASSERT_EQ(install_failed, run(cursor, 1));
	std::string text;
	EXPECT_NE(0, install_files_get_error(text));
	EXPECT_NE(std::string::npos, text.find("I was unable to copy the file " + dvd_path));
	install_files_kill();
	EXPECT_EQ(nullptr, copy_pool);
}

TEST_F(DiscInstall, KillStillUnpacksWhatWasCopied)
{
	make_set();
	int cursor = 0;
	// a busy machine may let the workers copy and unpack the whole first disc
	// before the call looks: it then asks for the second
	const int first = install_files(copy_dir, cursor, 1);
	EXPECT_TRUE(first == install_busy || first == install_need_disk) << first;
	install_files_kill();
	EXPECT_EQ(nullptr, copy_pool);
	EXPECT_EQ(nullptr, unzip_pool);
	// whatever the copy set finished was unpacked: no archive waits in the run's folder
	EXPECT_EQ("", sh_out("ls -A '" + UTIL_run_folder() + "'"));
	install_files_kill();	// harmless when idle
}

// A disc archive unpacks its listed file alone; one without it is a failed unpack.
TEST_F(DiscInstall, ArchivesWriteOnlyTheirListedFile)
{
	make_set();
	std::string disc = dvd_path + "vantor_92102/All/Resources/disc1/";
	// the listed file keeps the release's bytes (its signature is checked), an extra entry rides along
	ASSERT_EQ(0, sh("cd '" + dir + "' && unzip -q -o '" + disc + "file_1.txt.zip' && printf extra > extra.txt && "
	                "printf other > other.txt && rm -f '" + disc + "file_1.txt.zip' '" + disc + "file_3.txt.zip' && zip -q '" +
	                disc + "file_1.txt.zip' file_1.txt extra.txt && zip -q '" + disc + "file_3.txt.zip' other.txt"));
	const std::string listed = read_file(dir + "file_1.txt");
	int cursor = 0;
	ASSERT_EQ(install_failed, run(cursor, 1));
	std::string text;
	EXPECT_EQ(err_archive_no_entry, install_files_get_error(text));
	EXPECT_NE(std::string::npos, text.find("file_3.txt.zip")) << text;
	ASSERT_EQ(install_need_disk, run(cursor, 1));
	EXPECT_EQ(listed, read_file(copy_dir + "Resources/disc1/file_1.txt"));
	EXPECT_FALSE(exists(copy_dir + "Resources/disc1/extra.txt"));
	EXPECT_FALSE(exists(copy_dir + "Resources/disc1/other.txt"));
	EXPECT_FALSE(exists(copy_dir + "Resources/disc1/file_3.txt"));
}

TEST_F(DiscInstall, ArchiveWithOtherContentIsAFailureNamingTheFile)
{
	std::string rel = "All/Resources/disc1/file_1.txt";
	make_set();
	// a valid archive, its CRC right, holding something other than the release's file
	ASSERT_EQ(0, sh("cd '" + dir + "' && mkdir -p w && printf 'not the release' > w/file_1.txt && cd w && zip -q -X ../x.zip "
	                "file_1.txt && cp ../x.zip '" + out + "/disc1/vantor_92102/" + rel + ".zip'"));
	int cursor = 0;
	ASSERT_EQ(install_failed, run(cursor, 1));
	std::string text;
	EXPECT_EQ(err_install_signature, install_files_get_error(text));
	EXPECT_NE(std::string::npos, text.find("The file " + copy_dir + "Resources/disc1/file_1.txt")) << text;
	EXPECT_NE(std::string::npos, text.find("differs from the release")) << text;
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		if (v.path == rel) {
			EXPECT_EQ(0, v.up_to_date);
			EXPECT_EQ(md5_text("not the release"), v.sig_have);
		}
	}
	// the user goes on: everything else arrives as the release has it
	ASSERT_EQ(install_need_disk, run(cursor, 1));
	dvd_path = out + "/disc2/";
	ASSERT_EQ(install_done, run(cursor, 2));
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		EXPECT_EQ(v.path == rel ? 0 : 1, v.up_to_date) << v.path;
		if (v.path != rel) {
			std::string local = v.path;
			trim_dest_folder(local);
			EXPECT_EQ(v.sig_want, md5_file(copy_dir + local)) << v.path;
		}
	}
}

TEST_F(DiscInstall, CraftedSignatureColumnNeverNamesAPathOutsideTheTemporaryFolder)
{
	out = dir + "set";
	ASSERT_EQ(0, sh("python3 '" VANTOR_SOURCE_DIR "/tests/engine/make_release.py' dvd '" + out + "'"));
	dvd_path = out + "/disc1/";
	// the signature column of a crafted disc's directory file climbs out of the temporary folder
	write_text(dir + "craft/directory.txt", dir_header() + "DISK 1\nDIR All/\n"
	                                                      "FILE 0 0 92102 1 1 ../../escaped Resources/disc1/file_0.txt\n"
	                                                      "FILE 0 0 92102 1 1 " + md5_text("x") + " Resources/disc1/file_1.txt\n");
	ASSERT_EQ(0, sh("cd '" + dir + "craft' && zip -q -X '" + dvd_path + "vantor_92102/directory.txt.zip' directory.txt"));
	ASSERT_EQ(0, zip_to_file(dvd_path + install_name + "/directory.txt.zip", temp_path, nullptr, 0));
	ASSERT_EQ(3, read_directory(temp_path + "directory.txt", ""));
	ASSERT_EQ(1u, sim_info.size());
	EXPECT_EQ("All/Resources/disc1/file_1.txt", sim_info[0].versions.back().path);
	EXPECT_EQ(1u, refused_listed.size());
	int cursor = 0;
	float progress;
	while (!checksum_directory(copy_dir, cursor, 0, progress)) usleep(500);
	ASSERT_EQ(1, choose_files(copy_dir));
	ASSERT_EQ(0, make_dirs(copy_dir));
	cursor = 0;
	run(cursor, 1);
	install_files_kill();
	EXPECT_EQ("", sh_out("find '" + dir + "..' -maxdepth 1 -name 'escaped*'"));
}
