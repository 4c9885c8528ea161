// A program built without the install engine has none of the installer's
// settings: it must neither read nor overwrite the installer's preference file.
#include <gtest/gtest.h>
#include "pref.h"
#include "core_support.h"
#include <cstdlib>
#include <fstream>

TEST(PrefsWithoutTheEngine, TheInstallersFileIsLeftAsItIs)
{
	const std::string dir = core_test_dir("pref_alone");
	ASSERT_EQ(pref_installer_io, nullptr);
	setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
	const std::string file = dir + "/Vantor Installer.prf";
	const std::string saved = "I\n92001 version\n_stream_count 3\n_proxy_host proxy.local\n_proxy_port_int 3128\n";
	{
		std::ofstream f(file, std::ios::binary);
		f << saved;
	}
	pref.IO_set(pref_file_installer, 0);
	pref.IO_set(pref_file_installer, 1);
	EXPECT_EQ(core_read_file(file), saved);
	unsetenv("XDG_CONFIG_HOME");
}
