// The demo release, made by the builder's own script, installed by the engine
// from a loopback mirror: every file lands with its listed signature.
#include "builder_install.h"
#include "utils_internal.h"
#include "../support/test_servers.h"
#include "io_utils.h"
#include <sys/stat.h>

static const char* kMirror = "127.0.0.51";

class BuilderSetInstall : public EngineTest {};

TEST_F(BuilderSetInstall, DemoReleaseInstallsOnLinux)
{
	std::string out = dir + "demo";
	ASSERT_EQ(0, sh("bash '" VANTOR_SOURCE_DIR "/scripts/make_demo_release.sh' '" + out + "' '" VANTOR_BINARY_DIR "' " + kMirror +
	                " >'" + dir + "demo.log' 2>&1"))
		<< read_file(dir + "demo.log");
	TS_nginx mirror;
	ASSERT_TRUE(mirror.start(kMirror, 80, out + "/mirror", dir + "nginx")) << mirror.error;

	g_engine.install_name = "Vantor 9.21rc2";
	g_engine.server_name[0] = kMirror;
	g_engine.server_path[0] = "/" + g_engine.install_name + "/";
	g_engine.stg.num_servers = 1;
	g_engine.stg.target_os = os_linux;

	builder_install_from_mirror();
	if (HasFatalFailure()) return;
	ASSERT_GT(sim_info.size(), 300u);

	int installed = 0, other_platform = 0;
	for (size_t i = 0; i < sim_info.size(); ++i) {
		const auto& cur = sim_info[i].versions.back();
		std::string local_path = cur.path;
		trim_dest_folder(local_path);
		if (!want_this_f((int)i, (int)sim_info[i].versions.size() - 1)) {
			++other_platform;
			continue;
		}
		EXPECT_EQ(cur.sig_want, md5_file(copy_dir + local_path)) << cur.path;
		++installed;
	}
	EXPECT_GT(installed, 300);
	EXPECT_GE(other_platform, 3) << "the Mac and Windows files stay out of a Linux copy";
	struct stat st;
	ASSERT_EQ(0, stat((copy_dir + "Vantor.app/Contents/MacOS/Vantor").c_str(), &st));
	EXPECT_EQ(0755u, st.st_mode & 0777);
}
