// The set-up script on a machine that runs other people's work: it stops no
// server of another user's, and installing packages starts no service and
// enables none at boot. Run as root in namespaces of the test's own (a process
// namespace for the servers, a mount namespace whose /etc and /usr/sbin are
// overlays), so that nothing of the machine's is touched; the package tools
// are stand-ins, so that nothing is ever installed.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

struct SetUpScript : ::testing::Test {
	std::string dir;	// ends in "/"
	void SetUp() override
	{
		if (geteuid() != 0) GTEST_SKIP() << "needs root (namespaces, another user)";
		if (system("unshare --pid --fork --mount-proc true 2>/dev/null && command -v nginx tinyproxy setpriv "
		           ">/dev/null") != 0)
			GTEST_SKIP() << "needs unshare, nginx, tinyproxy and setpriv";
		dir = std::string(VANTOR_BINARY_DIR) + "/test_scratch/scripts." +
		      ::testing::UnitTest::GetInstance()->current_test_info()->name() + "." + std::to_string(getpid()) + "/";
		ASSERT_EQ(0, system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "bin' && chmod 755 '" + dir + "'").c_str()));
	}
	void TearDown() override
	{
		if (!dir.empty() && !HasFailure()) system(("rm -rf '" + dir + "'").c_str());
	}
	// Runs `script` with bash (W is the scratch folder, SRC the source tree)
	// and returns what it printed.
	std::string run(const std::string& how, const std::string& script)
	{
		std::ofstream(dir + "script.sh") << "set -u\nW='" << dir << "'\nSRC='" VANTOR_SOURCE_DIR "'\n" << script;
		std::string out;
		if (FILE* p = popen(("timeout 120 " + how + " bash '" + dir + "script.sh' 2>&1").c_str(), "r")) {
			char buf[512];
			while (fgets(buf, sizeof buf, p)) out += buf;
			pclose(p);
		}
		return out;
	}
	std::string read(const std::string& path)
	{
		std::ifstream f(path);
		std::stringstream s;
		s << f.rdbuf();
		return s.str();
	}
};

// A stand-in apt-get that only notes it was called: the test installs nothing.
static const char* kNoInstall = "printf '#!/bin/sh\\necho \"apt-get $*\" >> \"%s\"\\nexit 1\\n' \"$W/apt.log\" > \"$W/bin/apt-get\"\n"
                                "chmod 755 \"$W/bin/apt-get\"\n";

TEST_F(SetUpScript, LeavesAnotherUsersWebServerAndProxyRunning)
{
	const std::string out = run("unshare --pid --fork --mount-proc", std::string(kNoInstall) + R"SH(
o="$W/other/"
mkdir -p "$o" && chmod 777 "$o"
cat > "$o/nginx.conf" <<EOF
daemon off; master_process off; worker_processes 1; pid $o/nginx.pid; error_log $o/error.log warn;
events { worker_connections 16; }
http { access_log off; client_body_temp_path $o/b; proxy_temp_path $o/p; fastcgi_temp_path $o/f;
  uwsgi_temp_path $o/u; scgi_temp_path $o/s; server { listen 127.0.0.181:8080; root $o; } }
EOF
printf 'Port 8888\nListen 127.0.0.182\nTimeout 60\nMaxClients 4\nLogFile "%s"\nLogLevel Info\nAllow 127.0.0.1\n' \
  "$o/tinyproxy.log" > "$o/tinyproxy.conf"
as_other="setpriv --reuid=nobody --regid=nogroup --clear-groups"
$as_other nginx -p "$o" -c "$o/nginx.conf" -e "$o/error.log" & n=$!
$as_other tinyproxy -d -c "$o/tinyproxy.conf" & t=$!
for _ in $(seq 100); do
  (exec 3<>/dev/tcp/127.0.0.181/8080) 2>/dev/null && (exec 3<>/dev/tcp/127.0.0.182/8888) 2>/dev/null && break
  sleep 0.1
done
(exec 3<>/dev/tcp/127.0.0.181/8080) 2>/dev/null && (exec 3<>/dev/tcp/127.0.0.182/8888) 2>/dev/null && echo "both listen"
PATH="$W/bin:$PATH" bash "$SRC/scripts/setup.sh" > "$W/setup.log" 2>&1; echo "set-up ended: $?"
sleep 0.5
kill -0 $n 2>/dev/null && echo "nginx runs"
kill -0 $t 2>/dev/null && echo "tinyproxy runs"
(exec 3<>/dev/tcp/127.0.0.181/8080) 2>/dev/null && echo "nginx answers"
)SH");
	EXPECT_NE(out.find("both listen"), std::string::npos) << out << read(dir + "other/error.log");
	EXPECT_NE(out.find("set-up ended: 0"), std::string::npos) << out << read(dir + "setup.log");
	EXPECT_NE(out.find("nginx runs"), std::string::npos) << out;
	EXPECT_NE(out.find("nginx answers"), std::string::npos) << out;
	EXPECT_NE(out.find("tinyproxy runs"), std::string::npos) << out;
	EXPECT_EQ(read(dir + "other/tinyproxy.log").find("Shutting down"), std::string::npos);
	EXPECT_EQ(read(dir + "apt.log"), "") << "every package is installed: nothing to install";
}

// One package is missing: the stand-in apt-get asks the policy hook whether it
// may start a service, as a package's scripts do, and enables one at boot
// both ways (a System V script's links, a systemd unit's). After the set-up
// the hook is the machine's own again, or none, exactly as before; the
// service's start links are gone and every link that was there stays.
TEST_F(SetUpScript, InstallingStartsNoServiceAndEnablesNoneAtBoot)
{
	struct row {
		const char* name;
		const char* policy;	// how the hook is before: "none", or a script of its own
		int install_fails;
	} rows[] = {{"an own hook", "own", 0}, {"no hook", "none", 0}, {"a failing install", "own", 1}};
	for (const row& r : rows) {
		SCOPED_TRACE(r.name);
		// a process namespace too: a set-up that stops servers by name stops only the test's
		const std::string out = run("unshare --pid --fork --mount-proc", std::string("POLICY=") + r.policy + "\nFAILS=" +
		                                              std::to_string(r.install_fails) + "\n" + R"SH(
rm -rf "$W/ov" && mkdir -p "$W/ov/etc" "$W/ov/etc.w" "$W/ov/sbin" "$W/ov/sbin.w"
mount -t overlay overlay -o "lowerdir=/etc,upperdir=$W/ov/etc,workdir=$W/ov/etc.w" /etc || exit 1
mount -t overlay overlay -o "lowerdir=/usr/sbin,upperdir=$W/ov/sbin,workdir=$W/ov/sbin.w" /usr/sbin || exit 1
p=/usr/sbin/policy-rc.d
rm -f $p
if [ "$POLICY" = own ]; then printf '#!/bin/sh\n# the machine'"'"'s own\nexit 0\n' > $p; chmod 700 $p; fi
before=$( [ -e $p ] && stat -c '%a %s %i' $p && md5sum < $p || echo none)
links() { find /etc/systemd/system /etc/rc?.d -type l 2>/dev/null | sort; }
links > "$W/links.before"
cat > "$W/bin/dpkg-query" <<'EOF'
#!/bin/sh
for a; do last=$a; done
[ "$last" = xauth ] && echo "unknown ok not-installed" || echo "install ok installed"
EOF
cat > "$W/bin/apt-get" <<EOF
#!/bin/sh
[ "\$1" = update ] && exit 0
/usr/sbin/policy-rc.d vantor-stand-in start; echo "policy said \$?" >> "$W/apt.log"
printf '#!/bin/sh\n### BEGIN INIT INFO\n# Provides: vantor-stand-in\n# Required-Start:\n# Required-Stop:\n# Default-Start: 2 3 4 5\n# Default-Stop: 0 1 6\n### END INIT INFO\nexit 0\n' > /etc/init.d/vantor-stand-in
chmod 755 /etc/init.d/vantor-stand-in
update-rc.d vantor-stand-in defaults >/dev/null 2>&1
mkdir -p /etc/systemd/system/multi-user.target.wants
ln -s /lib/systemd/system/vantor-stand-in.service /etc/systemd/system/multi-user.target.wants/vantor-stand-in.service
echo "installed \$*" >> "$W/apt.log"
exit $FAILS
EOF
chmod 755 "$W/bin/dpkg-query" "$W/bin/apt-get"
rm -f "$W/apt.log"
PATH="$W/bin:$PATH" bash "$SRC/scripts/setup.sh" > "$W/setup.log" 2>&1; echo "set-up ended: $?"
after=$( [ -e $p ] && stat -c '%a %s %i' $p && md5sum < $p || echo none)
[ "$before" = "$after" ] && echo "hook as before"
[ -e $p.vantor-setup-saved ] && echo "a saved hook is left"
ls /etc/rc2.d /etc/rc3.d /etc/rc4.d /etc/rc5.d | grep -q '^S.*vantor-stand-in' && echo "starts at boot (rc)"
[ -L /etc/systemd/system/multi-user.target.wants/vantor-stand-in.service ] && echo "starts at boot (systemd)"
links | comm -23 "$W/links.before" - | sed 's/^/lost: /'
cat "$W/apt.log"
)SH");
		EXPECT_NE(out.find("policy said 101"), std::string::npos) << out << read(dir + "setup.log");
		EXPECT_NE(out.find("installed install"), std::string::npos) << out;
		EXPECT_NE(out.find(r.install_fails ? "set-up ended: 1" : "set-up ended: 0"), std::string::npos) << out;
		EXPECT_NE(out.find("hook as before"), std::string::npos) << out;
		EXPECT_EQ(out.find("a saved hook is left"), std::string::npos) << out;
		EXPECT_EQ(out.find("starts at boot"), std::string::npos) << out;
		EXPECT_EQ(out.find("lost: "), std::string::npos) << out;
	}
}
