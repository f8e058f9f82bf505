#!/usr/bin/env bash
# Loads the completion scripts and checks what they offer.
#   test_completion.sh COMPLETION_DIR PROGRAM_DIRS
set -uo pipefail
dir=$1
export PATH="$2:$PATH"
. "$dir/tsconv"
. "$dir/tsweb"
. "$dir/tsdata"
failures=0

# complete FUNCTION WORD...: COMPREPLY for the last word, one per line.
complete_words() {
  local fn=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  "$fn"
  printf '%s\n' "${COMPREPLY[@]}"
}
expect() {  # expect has|lacks WORD -- FUNCTION WORD...
  local how=$1 word=$2
  shift 3
  local got
  got=$(complete_words "$@")
  if { [ "$how" = has ] && ! grep -qxF -- "$word" <<< "$got"; } ||
     { [ "$how" = lacks ] && grep -qxF -- "$word" <<< "$got"; }; then
    echo "FAILED: $* should $( [ "$how" = has ] && echo offer || echo not offer) '$word'; got:" >&2
    printf '  %s\n' $got >&2
    failures=$((failures + 1))
  fi
}

expect has tcvn3 -- _tsconv tsconv -f tc
expect has TCVN3-ABC -- _tsconv tsconv -f TCVN3
expect has auto -- _tsconv tsconv --from a
expect lacks auto -- _tsconv tsconv -t a
expect has utf-8 -- _tsconv tsconv -t ut
expect has VNUnicode1 -- _tsconv tsconv -t VNU
expect has 41 -- _tsconv tsconv -t 4
expect lacks VNA8256 -- _tsconv tsconv -t VNA    # no letter table
expect has vni -- _tsconv tsconv --to = vn        # --to=vn as bash splits it
expect has --translit -- _tsconv tsconv --tr
expect lacks 41 -- _tsweb tsweb -t 4              # tsweb writes 1 to 40
expect has 40 -- _tsweb tsweb -t 4
expect has '--format' -- _tsweb tsweb --fo
expect has --dry-run -- _tsdata tsdata --dr
expect has viscii -- _tsdata tsdata -f vis

# Every charset tsconv takes, through its completion words.
while IFS= read -r word; do
  printf 'x' | tsconv -f "$word" -t utf8 > /dev/null 2>&1 ||
    { echo "FAILED: tsconv refuses the offered charset '$word'" >&2; failures=$((failures + 1)); }
done < <(_tessaro_charsets 44)

[ $failures -eq 0 ] && echo "completion: all checks passed"
[ $failures -eq 0 ]
