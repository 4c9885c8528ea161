#!/usr/bin/env bash
# Sets up, builds, makes the demo release, serves it on loopback with nginx and
# starts the installer against it, in a window: click through to an installed
# copy of the demo (it lands in your desktop folder, as the real installer's does).
#   bash scripts/demo.sh [installer options]
# Needs a display; any user may run it (nginx listens on a free port above 1024).
# The installer reaches the maker's site through a proxy on 127.0.0.49 (its
# proxy preferences); that nginx is the site and both mirrors at once.
# VANTOR_DEMO_BUILT=DIR takes the programs already built in DIR, without the
# set-up and the build (the tests run the demo so).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# Told before the set-up and the build, which take minutes on a fresh clone.
if [ -z "${DISPLAY:-}" ]; then
	echo "demo.sh: no display (DISPLAY is not set): the installer needs a window. Run it in a desktop session." >&2
	exit 1
fi
if command -v xdpyinfo >/dev/null && ! xdpyinfo >/dev/null 2>&1; then
	echo "demo.sh: the display $DISPLAY does not answer: the installer needs a window there." >&2
	exit 1
fi

if [ -n "${VANTOR_DEMO_BUILT:-}" ]; then
	build=$(cd "$VANTOR_DEMO_BUILT" && pwd)
else
	bash scripts/setup.sh
	bash scripts/build.sh build
	build="$root/build"
fi

# nginx lives in /usr/sbin, which an ordinary user's PATH lacks.
nginx=$(PATH="$PATH:/usr/sbin:/sbin" command -v nginx || true)
if [ -z "$nginx" ]; then
	echo "demo.sh: nginx is not installed (scripts/setup.sh installs it)." >&2
	exit 1
fi

demo="$build/demo"
addr=127.0.0.49
site_host=$(sed -n 's/^#define VANTOR_SITE_HOST "\(.*\)"$/\1/p' Installer-f/utils_site.cpp)
if [ -z "$site_host" ]; then
	echo "demo.sh: the site's host name is not in Installer-f/utils_site.cpp" >&2
	exit 1
fi
mirrors=(mirror1.tarrowfield.example mirror2.tarrowfield.example)
mkdir -p "$demo"
release="Vantor 9.21rc2"
rm -rf "$demo/release"
bash scripts/make_demo_release.sh "$demo/release" "$build" "${mirrors[@]}"

# A port nobody holds, above 1024: only root may listen below.
if ! port=$(python3 -c 'import socket, sys
s = socket.socket()
s.bind((sys.argv[1], 0))
print(s.getsockname()[1])' "$addr" 2>&1); then
	echo "demo.sh: no port on $addr can be had: ${port##*$'\n'}" >&2
	exit 1
fi

work="$demo/nginx"
rm -rf "$work"
mkdir -p "$work"
cat > "$work/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections 256; }
http {
  access_log $work/access.log;
  client_body_temp_path $work/body;
  proxy_temp_path $work/proxy;
  fastcgi_temp_path $work/fastcgi;
  uwsgi_temp_path $work/uwsgi;
  scgi_temp_path $work/scgi;
  default_type application/octet-stream;
  server { listen $addr:$port default_server; server_name $site_host; root $demo/release/site; }
  server { listen $addr:$port; server_name ${mirrors[*]}; root $demo/release/mirror; }
}
CONF
"$nginx" -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
trap 'kill $nginx_pid 2>/dev/null || true; wait $nginx_pid 2>/dev/null || true' EXIT

# The installer starts only once the site and a mirror answer through the proxy.
ask() {  # ask <url>: the body, through the demo's server
	curl -fsS --max-time 2 --proxy "http://$addr:$port" "$1"
}
said=""
for _ in $(seq 50); do
	if ! kill -0 $nginx_pid 2>/dev/null; then
		echo "demo.sh: nginx could not serve the demo on $addr:$port:" >&2
		cat "$work/error.log" >&2
		exit 1
	fi
	if said=$(ask "http://$site_host/serverlist9.txt" 2>&1) && [[ $said == *SERVERS* ]] &&
		said=$(ask "http://${mirrors[0]}/${release// /%20}/directory.txt.zip" 2>&1 >/dev/null); then
		said=ok
		break
	fi
	sleep 0.2
done
if [ "$said" != ok ]; then
	echo "demo.sh: the demo's server on $addr:$port does not answer: ${said:-no answer}" >&2
	cat "$work/error.log" >&2
	exit 1
fi
echo "demo.sh: the demo's site and mirrors answer on $addr:$port; starting the installer."

# The installer's preferences and its list of installed copies stay in the
# demo folder, so the loopback proxy never becomes your own setting; your
# desktop folder is still yours (user-dirs.dirs in your config folder).
mkdir -p "$demo/config"
status=0
(cd "$build" && VANTOR_PREFS_FOLDER="$demo/config" ./vantor-installer \
	--pref:_proxy_host=$addr --pref:_proxy_port_int=$port --pref:_log_actions=1 "$@") || status=$?
# The copies this demo installed that are still there (its registration file).
if [ -f "$demo/config/vantor_install.txt" ]; then
	while IFS= read -r copy; do
		if [ -d "$copy" ]; then echo "demo.sh: the demo's copy is in $copy (remove it with rm -r)"; fi
	done < "$demo/config/vantor_install.txt"
fi
exit $status
