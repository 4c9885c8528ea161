#ifndef LIBRARY_SUPPORT_H
#define LIBRARY_SUPPORT_H
// The scenery library tests work in a scratch folder of their own as the
// current folder (the program resolves every relative path there), with the
// log in it and alerts kept to the log.
#include "../files/files_support.h"
#include "DSF_library.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "hl_math.h"
#include <memory>
#include <vector>

class Library : public ::testing::Test {
protected:
	std::unique_ptr<scratch_dir> dir;
	std::unique_ptr<in_folder>   cwd;
	void SetUp() override
	{
		dir.reset(new scratch_dir);
		cwd.reset(new in_folder(dir->path));
		if (xer.is_open()) xer.close();
		xer.clear();
		xer.open("log.txt", std::ios::out | std::ios::trunc);
		UTL_cmdline::add_one("--fps_test", "");
		UTL_fill_randrat();
	}
	void TearDown() override
	{
		xer.close();
		cwd.reset();
		dir.reset();
	}
	static void folder(const std::string& path) { ASSERT_EQ(sh("mkdir -p '" + path + "'"), 0); }
	// A package folder with a library file of this body after the header.
	static void library(const std::string& pkg, const std::string& body)
	{
		folder(pkg);
		write_file(pkg + "library.txt", "A\n800 version\nLIBRARY\n\n" + body);
	}
	static void touch(const std::string& path)
	{
		size_t slash = path.rfind('/');
		if (slash != std::string::npos) folder(path.substr(0, slash));
		write_file(path, "x");
	}
	static std::string log()
	{
		xer.flush();
		return read_file("log.txt");
	}
	// The entries listed under a virtual path, in list order.
	static std::vector<const lib_entry*> entries(const std::string& virtual_path)
	{
		std::vector<const lib_entry*> v;
		auto l = dsf_library.find(virtual_path);
		if (l != dsf_library.end())
			for (const lib_entry* e = l->second; e; e = e->next) v.push_back(e);
		return v;
	}
	static int count(const std::string& hay, const std::string& needle)
	{
		int n = 0;
		for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) ++n;
		return n;
	}
};

// The alert a non-fatal report raises, as the test run logs it.
inline std::string scenery_alert(const std::string& second_line)
{
	return "Error loading the scenery package:\n" + second_line +
	       "\nThe scenery may not look correct.\nPlease see the log.txt file for detailed error information.\n";
}

#endif
