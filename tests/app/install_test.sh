#!/bin/sh
# Installs into a temporary prefix, makes it read-only (a read-only bind
# mount in a private mount namespace when run as root, whom permissions do
# not stop; write permissions taken away otherwise) and checks that both
# programs start from it and find their data: the desktop entry validates, a
# WMV 9 job reads its profile file from share/quillfen/profiles, and the
# window keeps running.
#
# usage: install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/quillfen-install.XXXXXX")
cleanup() {
  if [ -f "$work/site/nginx.pid" ]; then kill "$(cat "$work/site/nginx.pid")" 2>/dev/null || true; fi
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod a+rx "$work"  # nginx's workers read the demo site below it
fail() { echo "install_test: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/quillfen bin/quillfen-cli share/quillfen/start.html share/quillfen/about.html share/quillfen/main_window.json \
         "share/quillfen/profiles/Pocket PC (225kbps).prx" share/applications/io.github.quillfen.Quillfen.desktop \
         share/icons/hicolor/scalable/apps/quillfen.svg share/quillfen/translations/quillfen_en.qm; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
[ ! -e "$prefix/share/quillfen/translations/quillfen_xx.qm" ] || fail "the test language is installed"
desktop-file-validate "$prefix/share/applications/io.github.quillfen.Quillfen.desktop" || fail "desktop entry rejected"

mkdir -p "$work/site" "$work/home"
"$source/resources/demo-site/make-site" "$work/site/root" 2
port=$("$source/resources/demo-site/serve" "$work/site")

cat > "$work/checks.sh" <<CHECKS
set -eu
export HOME="$work/home" XDG_CACHE_HOME="$work/home/cache"
touch "$prefix/bin/probe" 2>/dev/null && { echo "install_test: the prefix is writable" >&2; exit 1; }
"$prefix/bin/quillfen-cli" --help >/dev/null
"$prefix/bin/quillfen-cli" --proxy 127.0.0.1:$port --format WMV --wmv9-profile "Pocket PC (225kbps)" \
  -o "$work/out.wmv" "http://www.clipcove.example/watch?v=Kq3fZ8wLp2A" 2>"$work/cli.log" \
  || { cat "$work/cli.log" >&2; exit 1; }
[ -s "$work/out.wmv" ]
status=0
QT_QPA_PLATFORM=offscreen timeout 15 "$prefix/bin/quillfen" >"$work/window.log" 2>&1 || status=\$?
[ \$status -eq 124 ] || { echo "install_test: the window ended with \$status" >&2; cat "$work/window.log" >&2; exit 1; }
CHECKS

if [ "$(id -u)" -eq 0 ]; then
  unshare --mount --propagation private sh -c \
    "mount --bind '$prefix' '$prefix' && mount -o remount,bind,ro '$prefix' && sh '$work/checks.sh'"
else
  chmod -R a-w "$prefix"
  sh "$work/checks.sh"
fi
echo "install_test: both programs run from the read-only prefix"
