#!/usr/bin/env bash
# The judgement of text measured on real text nobody here wrote: the Vietnamese translations
# of the programs Debian installs that the syllable table was not built from (every third
# one, as scripts/make_syllables.py leaves them out), and the translations into French,
# German, Spanish, Polish, Portuguese, Russian, Chinese, Japanese, Catalan, Czech, Danish,
# Finnish, Galician, Hungarian, Icelandic, Italian, Norwegian, Dutch, Romanian, Swedish and
# Turkish.  (A few of those translations hold mojibake of their own, which the repair mends:
# Norwegian "vÃ¦re", Dutch "geÃ¯nstalleerd"; judge_bench counts them as changed.)  judge_bench repairs the
# good lines (none may change) and the Vietnamese made into mojibake of each shape;
# detect_bench guesses the charset of windows of the Vietnamese in every charset.
#   bench/judge_corpus.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build/release}
command -v msgunfmt > /dev/null || { echo "needs gettext (msgunfmt)" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/judge-corpus.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The translated messages of the .mo files given, one line each, blank lines left out.
messages() {
  for mo in "$@"; do
    msgunfmt --no-wrap "$mo" 2> /dev/null | python3 -c '
import re, sys
text = sys.stdin.read()
for m in re.finditer(r"^msgstr(?:\[\d+\])? ((?:\".*\"\n?)+)", text, re.M):
    s = "".join(re.findall(r"\"(.*)\"", m.group(1)))
    s = re.sub(r"\\(.)", lambda e: {"n": "\n", "t": "\t"}.get(e.group(1), e.group(1)), s)
    if s.startswith("Project-Id-Version"):
        continue  # the header
    for line in s.split("\n"):
        if line.strip():
            print(line)
'
  done
}

mapfile -t vi < <(python3 -c '
import glob
files = sorted(glob.glob("/usr/share/locale/vi/LC_MESSAGES/*.mo"))
print("\n".join(f for i, f in enumerate(files) if i % 3 == 0))')
messages "${vi[@]}" > "$work/vietnamese.txt"
others=()
for lang in fr de es pl pt_BR ru zh_CN ja ca cs da fi gl hu is it nb nl ro sv tr; do
  messages /usr/share/locale/$lang/LC_MESSAGES/*.mo > "$work/$lang.txt"
  others+=("$work/$lang.txt")
done
wc -l "$work"/*.txt
"$build/bench/judge_bench" "$work/vietnamese.txt" "${others[@]}"

# A second kind of Vietnamese text, where installed: the manual pages (manpages-vi) as groff
# writes them for a terminal.  The syllable counts include them; the repair's rules were not
# made on them.
if [ -d /usr/share/man/vi ] && command -v groff > /dev/null; then
  find /usr/share/man/vi -type f | sort | while read -r page; do
    zcat -f "$page" | groff -k -Kutf8 -Tutf8 -man -P-cbou 2> /dev/null
  done | sed 's/^ *//' | awk 'length > 3' > "$work/manpages-vi.txt"
  "$build/bench/judge_bench" "$work/manpages-vi.txt"
fi

# Detection: the Vietnamese lines each charset can hold, in four files of 600 lines.
mkdir "$work/detect"
python3 - "$work" <<'PY'
import random, sys, unicodedata
work = sys.argv[1]
lines = [l for l in open(work + "/vietnamese.txt", encoding="utf-8", errors="replace")
         if len(l) > 30 and any(ord(c) > 127 for c in l)
         and all(ord(c) < 128 or unicodedata.name(c, "").startswith("LATIN") for c in l)]
random.Random(1).shuffle(lines)
n = len(lines) // 4
for i, name in enumerate(["news", "literature", "names", "headings"]):
    open(f"{work}/detect/{name}.txt", "w", encoding="utf-8").write("".join(lines[i * n:(i + 1) * n][:600]))
for lang, name in [("fr", "french"), ("de", "german"), ("zh_CN", "chinese"), ("es", "english")]:
    open(f"{work}/detect/{name}.txt", "w", encoding="utf-8").write(
        "".join(open(f"{work}/{lang}.txt", encoding="utf-8", errors="replace").readlines()[:600]))
PY
"$build/bench/detect_bench" "$work/detect"
