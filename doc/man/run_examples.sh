#!/usr/bin/env bash
# Runs the examples of a manual page (or of the README: there the fenced blocks that follow a
# line "<!-- example -->").  In its EXAMPLES section each fenced block's lines
# "$ COMMAND" are run, one after the other, in a scratch folder holding a copy of examples/;
# the lines after a command, up to the next one, are its expected output (none: only its
# exit status counts).  A block whose first line is "/* NAME */" is written to the file NAME.
#   run_examples.sh PAGE.scd EXAMPLES_DIR PROGRAM_DIRS [PKG_CONFIG_ANSWER]
# PROGRAM_DIRS (colon-separated) go first on PATH; PKG_CONFIG_ANSWER, when given, is what a
# stand-in pkg-config prints (the flags of a library in a build tree).
set -euo pipefail
page=$1 examples=$2 programs=$3 pkgconfig=${4:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/ts-man.XXXXXX")
cleanup() {
  pkill -f -- "$work" 2> /dev/null || true  # an office an example left running
  rm -rf "$work"
}
trap cleanup EXIT
cp -r "$examples"/. "$work/"
mkdir "$work/.bin"
if [ -n "$pkgconfig" ]; then
  printf '#!/bin/sh\necho "%s"\n' "$pkgconfig" > "$work/.bin/pkg-config"
  chmod +x "$work/.bin/pkg-config"
fi
export PATH="$work/.bin:$programs:$PATH"
cd "$work"

failures=0 ran=0
command="" expected="" have_expected=0
run() {
  [ -n "$command" ] || return 0
  ran=$((ran + 1))
  local got status=0
  got=$(sh -c "$command") || status=$?
  if [ $status -ne 0 ]; then
    echo "FAILED (exit status $status): $command" >&2
    failures=$((failures + 1))
  elif [ $have_expected -eq 1 ] && [ "$got" != "$expected" ]; then
    echo "FAILED: $command" >&2
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$got") >&2 || true
    failures=$((failures + 1))
  else
    echo "ok: $command"
  fi
  command="" expected="" have_expected=0
}

section="" block=0 file="" first=0 marked=0 skipping=0
markdown=0
[[ $page == *.md ]] && markdown=1
while IFS= read -r line || [ -n "$line" ]; do
  if [ $markdown -eq 1 ]; then
    # Only the blocks marked as examples; the others are skipped whole.
    if [ "$line" = "<!-- example -->" ]; then marked=1; continue; fi
    if [[ $line == '```'* ]] && [ $block -eq 0 ]; then
      if [ $skipping -eq 1 ]; then skipping=0; continue; fi
      if [ $marked -eq 0 ]; then skipping=1; continue; fi
    fi
    [ $skipping -eq 0 ] || continue
    [ $block -eq 1 ] || [[ $line == '```'* ]] || { marked=0; continue; }
    marked=0
  else
    if [[ $line == "# "* ]]; then section=${line#\# }; continue; fi
    [ "$section" = "EXAMPLES" ] || continue
  fi
  if [[ $line == '```'* ]]; then
    if [ $block -eq 0 ]; then block=1 first=1 file=""; else run; block=0; fi
    continue
  fi
  [ $block -eq 1 ] || continue
  if [ $first -eq 1 ]; then
    first=0
    if [[ $line =~ ^/\*\ ([^ ]+)\ \*/$ ]]; then file=${BASH_REMATCH[1]}; : > "$file"; fi
  fi
  if [ -n "$file" ]; then printf '%s\n' "$line" >> "$file"; continue; fi
  if [[ $line == '$ '* ]]; then
    run
    command=${line#\$ }
  elif [ $have_expected -eq 0 ]; then
    expected=$line have_expected=1
  else
    expected+=$'\n'$line
  fi
done < "$page"
if [ $ran -eq 0 ]; then echo "no examples in $page" >&2; exit 1; fi
[ $failures -eq 0 ]
