# Sourced by scripts/demo and scripts/run: the local demo site (nginx on
# 127.0.0.1 playing both video sites, with a 10-second Flash video) in a
# temporary folder, stopped and removed when the calling script exits.
# start_demo_site sets demo_port.
start_demo_site() {
  demo_site=$(mktemp -d "${TMPDIR:-/tmp}/quillfen-demo.XXXXXX")
  trap stop_demo_site EXIT
  resources/demo-site/make-site "$demo_site/root" 10 640x360
  demo_port=$(resources/demo-site/serve "$demo_site")
}

stop_demo_site() {
  if [ -f "$demo_site/nginx.pid" ]; then kill "$(cat "$demo_site/nginx.pid")" 2>/dev/null || true; fi
  rm -rf "$demo_site"
}
