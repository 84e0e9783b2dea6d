#!/usr/bin/env bash
# Both manual pages render without a warning, and the command line's page
# names every option its --help lists and no other, so neither can drift.
# usage: manual_pages_test.sh QUILLFEN_CLI PAGES_DIR COMPLETION
set -euo pipefail
cli=$1
pages=$2
fail() { echo "manual_pages_test: $*" >&2; exit 1; }

for page in quillfen-cli.1 quillfen.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$pages/$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page renders with warnings:"$'\n'"$warnings"
done

# The completion reads the options from --help; the page's are the words
# starting with "-" once roff's escapes are gone.
source "$3"
from_help=$(_quillfen_cli_options "$cli" | sort -u)
from_page=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$pages/quillfen-cli.1" |
  grep -oE '(^|[ "(])--?[A-Za-z0-9][-A-Za-z0-9]*' | tr -d ' "(' | sort -u)
[ "$(echo "$from_help" | wc -l)" -gt 20 ] || fail "too few options read from --help: $from_help"
missing=$(comm -23 <(echo "$from_help") <(echo "$from_page"))
extra=$(comm -13 <(echo "$from_help") <(echo "$from_page"))
[ -z "$missing" ] || fail "options of --help missing from quillfen-cli.1: $missing"
[ -z "$extra" ] || fail "options in quillfen-cli.1 that --help does not list: $extra"
