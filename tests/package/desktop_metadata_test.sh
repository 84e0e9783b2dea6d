#!/bin/sh
# The desktop entry and the software centre's metadata pass their validators
# without a remark, and the metadata launches that very entry.
# usage: desktop_metadata_test.sh RESOURCES PACKAGE_FILES APP_ID
set -eu
entry=$1/$3.desktop
metainfo=$2/$3.metainfo.xml
fail() { echo "desktop_metadata_test: $*" >&2; exit 1; }

remarks=$(desktop-file-validate "$entry" 2>&1) || fail "desktop entry rejected: $remarks"
[ -z "$remarks" ] || fail "desktop entry: $remarks"
appstreamcli validate --no-net "$metainfo" || fail "metadata rejected"
grep -q "<launchable type=\"desktop-id\">$3.desktop</launchable>" "$metainfo" || fail "metadata launches another entry"
