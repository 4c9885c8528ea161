#!/usr/bin/env bash
# Sets up, builds, makes the demo release, serves it on loopback with nginx and
# starts the installer against it, in a window: click through to an installed
# copy of the demo (it lands on your Desktop, as the real installer does).
#   bash scripts/demo.sh [installer options]
# The installer reaches the maker's site through a proxy on 127.0.0.49 (its
# proxy preferences); that nginx is the site and both mirrors at once.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
bash scripts/build.sh build

if [ -z "${DISPLAY:-}" ]; then
	echo "demo.sh: no display (DISPLAY is not set); the installer needs a window." >&2
	exit 1
fi

demo="$root/build/demo"
addr=127.0.0.49
site_host=$(sed -n 's/^#define VANTOR_SITE_HOST "\(.*\)"$/\1/p' Installer-f/utils_site.cpp)
if [ -z "$site_host" ]; then
	echo "demo.sh: the site's host name is not in Installer-f/utils_site.cpp" >&2
	exit 1
fi
mirrors=(mirror1.tarrowfield.example mirror2.tarrowfield.example)
mkdir -p "$demo"
release="Vantor 9.21rc2"
if [ -f scripts/make_demo_release.sh ]; then
	bash scripts/make_demo_release.sh "$demo/release" build "${mirrors[@]}"
else
	# the release-set builder's demo script is not in this tree yet: the test release
	echo "demo.sh: scripts/make_demo_release.sh is missing; using the tests' small release" >&2
	rm -rf "$demo/release"
	python3 tests/wizard/make_release.py "$demo/release" "$release" "${mirrors[@]}"
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
  server { listen $addr:80 default_server; server_name $site_host; root $demo/release/site; }
  server { listen $addr:80; server_name ${mirrors[*]}; root $demo/release/mirror; }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
trap 'kill $nginx_pid 2>/dev/null || true; wait $nginx_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do
	(exec 3<>"/dev/tcp/$addr/80") 2>/dev/null && break
	sleep 0.1
done

# The installer's preferences and its list of installed copies stay in the
# demo folder, so the loopback proxy never becomes your own setting.
mkdir -p "$demo/config"
cd build
XDG_CONFIG_HOME="$demo/config" ./vantor-installer \
	--pref:_proxy_host=$addr --pref:_proxy_port_int=80 --pref:_log_actions=1 "$@"
