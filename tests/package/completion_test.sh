#!/usr/bin/env bash
# Tab after an option offers what the program itself lists for it, names
# with blanks quoted for the shell; Tab on a dash offers the options.
# usage: completion_test.sh PROGRAM_DIR COMPLETION
PATH=$1:$PATH
source /usr/share/bash-completion/bash_completion
source "$2"
set -euo pipefail

failures=0
# The words of a command line as typed, split at "|", the last one being
# completed; then the replies expected, or "=" and the whole reply.
check() {
  local line
  IFS='|' read -ra COMP_WORDS <<<"$1|"
  shift
  line="${COMP_WORDS[*]}"
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  _quillfen_cli
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  if [ "$1" = "=" ]; then
    shift
    local want
    want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
    [ "$got" = "$want" ] || { echo "'$line': got $got, want $want" >&2; failures=$((failures + 1)); }
  else
    local name
    for name in "$@"; do
      [[ " $got" == *" $name "* ]] || { echo "'$line': $name not in $got" >&2; failures=$((failures + 1)); }
    done
  fi
}

check 'quillfen-cli|--format|' mp4 avi 'mpeg\ 1' original
check 'quillfen-cli|-o|clip|--format|W' = wmv webm
check 'quillfen-cli|--video-compressor|MJ' = 'MJPEG\ Compressor'
check 'quillfen-cli|--audio-compressor|' PCM
check 'quillfen-cli|--wmv9-profile|Windows\ Media\ Video\ 9\ for\ Pocket' \
  = 'Windows\ Media\ Video\ 9\ for\ Pocket\ PC\ \(225kbps\)'
check 'quillfen-cli|--for' = --format
check 'quillfen-cli|-x|--socks' = --socks4 --socks4a --socks5
check 'quillfen-cli|--width|' =
check 'quillfen-cli|--no-p' = --no-progress
check 'quillfen-cli|--rest' = --restrict-filenames
check 'quillfen-cli|-q|--newl' = --newline
check 'quillfen-cli|--lim' = --limit-rate
check 'quillfen-cli|--limit-rate|' =
check 'quillfen-cli|-a|list|--jo' = --jobs
check 'quillfen-cli|--jobs|' =
[ $failures -eq 0 ]
