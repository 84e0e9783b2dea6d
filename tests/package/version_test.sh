#!/bin/sh
# The project's version is what both programs answer to --version (the
# window without any display) and what the About page shows.
# usage: version_test.sh VERSION QUILLFEN_CLI QUILLFEN ABOUT_PAGE
set -eu
fail() { echo "version_test: $*" >&2; exit 1; }
got=$("$2" --version) && [ "$got" = "quillfen-cli $1" ] || fail "quillfen-cli --version said '$got'"
got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$3" --version) && [ "$got" = "quillfen $1" ] ||
  fail "quillfen --version said '$got'"
grep -q ">Version $1<" "$4" || fail "the About page does not show $1"
