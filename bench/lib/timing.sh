# What the benchmark scripts measure with; sourced, not run.
#   seconds CMD ARGS...   runs the command, prints its wall time in seconds
#   best VALUES...        the smallest value
#   worst VALUES...       the largest value
#   quotient A B          A / B to three places
#   field NAME LINE       the number after "NAME=" in a driver's line of figures

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  quotient "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" 1
}
best() { printf '%s\n' "$@" | sort -g | head -1; }
worst() { printf '%s\n' "$@" | sort -g | tail -1; }
quotient() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
