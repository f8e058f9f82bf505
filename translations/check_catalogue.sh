#!/bin/sh
# Every message the programs look up (tr, trn, and the helpers over them: tf, refused,
# because; the engine's phrases marked TS_PHRASE) has its Vietnamese translation in vi.po: a
# program never speaks two languages in one run.
#   translations/check_catalogue.sh SOURCE_DIR
set -eu
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
find "$root" \( -name 'build*' -o -name '.git' -o -name tests -o -name bench -o -name fuzz \) -prune \
  -o \( -name '*.cpp' -o -name '*.hpp' \) -print | sort > "$work/files"
xgettext --from-code=UTF-8 -C --keyword=tr --keyword=trn:1,2 --keyword=tf --keyword=refused --keyword=because --keyword=TS_PHRASE -f "$work/files" -o "$work/used.pot"
msgcmp "$root/translations/vi.po" "$work/used.pot"
