#!/usr/bin/env python3
"""Writes engine/src/syllable_table.inc: the Vietnamese syllables and how common each is.

The syllables are those of Debian's Vietnamese spelling dictionary (hunspell-vi,
/usr/share/hunspell/vi_VN.dic, GPL-2) that Vietnamese spelling allows; how common each is
comes from counting them in Vietnamese text Debian ships: the translations of the programs
installed (their .mo files under /usr/share/locale/vi, each under its own program's free
licence), LibreOffice's help and messages (libreoffice-help-vi, libreoffice-l10n-vi,
MPL-2.0), the Vietnamese manual pages (manpages-vi) and the New Maintainers' Guide
(maint-guide-vi, GPL-2+); each counted in its lines that are Vietnamese.  Every third
program translation (by name) is left out of the count, so that the judgement can be
measured on text the table was not built from (bench/judge_corpus.sh).

    scripts/make_syllables.py [OUT]

Needs hunspell-vi and gettext (msgunfmt); the other sources where installed.
"""
import collections
import glob
import gzip
import html
import math
import os
import re
import subprocess
import sys
import unicodedata

DIC = "/usr/share/hunspell/vi_VN.dic"
LOCALE = "/usr/share/locale/vi/LC_MESSAGES"

INITIAL = "(ngh|ng|nh|ch|gh|gi|kh|ph|qu|th|tr|b|c|d|đ|g|h|k|l|m|n|p|r|s|t|v|x)?"
VOWELS = "aăâeêioôơuưy"
FINAL = "(ch|ng|nh|c|m|n|p|t)?"
SYLLABLE = re.compile("^" + INITIAL + "([" + VOWELS + "]{1,3})" + FINAL + "$")
TONES = {"\u0300": 1, "\u0301": 2, "\u0309": 3, "\u0303": 4, "\u0323": 5}


def base_and_tone(word):
    """The word without its tone mark, and the number of tone marks."""
    d = unicodedata.normalize("NFD", word)
    tones = sum(1 for c in d if c in TONES)
    return unicodedata.normalize("NFC", "".join(c for c in d if c not in TONES)), tones


def is_syllable(word):
    base, tones = base_and_tone(word)
    return tones <= 1 and SYLLABLE.match(base) is not None


def messages(path):
    """The translated texts of a .mo file."""
    po = subprocess.run(["msgunfmt", "--no-wrap", path], capture_output=True, check=True).stdout
    text = po.decode("utf-8", "replace")
    for m in re.finditer(r'^msgstr(?:\[\d+\])? ((?:".*"\n?)+)', text, re.M):
        yield "".join(re.findall(r'"(.*)"', m.group(1)))


def count(text, inventory, counts, pairs=None):
    """Counts the syllables of a text, in its stretches that are Vietnamese: a line where one
    word in four at least has marked letters (a translation's words left in English, a
    command's name, are no Vietnamese syllables even where they are spelt as one)."""
    for line in unicodedata.normalize("NFC", text).lower().split("\n"):
        words = re.findall(r"\w+", line)
        marked = sum(1 for w in words if not w.isascii())
        if not words or marked * 4 < len(words):
            continue
        for w in words:
            if w in inventory:
                counts[w] += 1
        if pairs is not None:
            # Syllables side by side: words next to each other with nothing but a blank or a
            # hyphen between them.
            for a, b in re.findall(r"(?=\b(\w+)[ -](\w+)\b)", line):
                if a in inventory and b in inventory:
                    pairs[a, b] += 1


def _plain(markup):
    markup = re.sub(r"(?s)<(script|style)\b.*?</\1>", " ", markup)
    text = re.sub(r"<br\s*/?>|</(p|div|li|h\d|td|tr|title)>", "\n", markup)
    return html.unescape(re.sub(r"<[^>]+>", " ", text))


def libreoffice_help():
    """LibreOffice's Vietnamese help (libreoffice-help-vi, MPL-2.0): its pages' text."""
    for path in sorted(glob.glob("/usr/share/libreoffice/help/vi/**/*.html", recursive=True)):
        with open(path, encoding="utf-8", errors="replace") as f:
            yield _plain(f.read())


def libreoffice_messages():
    """LibreOffice's Vietnamese messages (libreoffice-l10n-vi, MPL-2.0)."""
    for path in sorted(glob.glob("/usr/lib/libreoffice/program/resource/vi/LC_MESSAGES/*.mo")):
        yield from messages(path)


def manual_pages():
    """The Vietnamese manual pages (manpages-vi): their text without the roff requests."""
    for path in sorted(glob.glob("/usr/share/man/vi/man*/*.gz")):
        with gzip.open(path, "rt", encoding="utf-8", errors="replace") as f:
            lines = [l for l in f if not l.startswith((".", "'"))]
        yield re.sub(r"\\(f[BIRP]|f\(..|[-&e(]|\*.)", " ", "".join(lines))


def maintainers_guide():
    """The Debian New Maintainers' Guide in Vietnamese (maint-guide-vi, GPL-2+)."""
    path = "/usr/share/doc/maint-guide-vi/maint-guide.vi.txt.gz"
    if os.path.exists(path):
        with gzip.open(path, "rt", encoding="utf-8", errors="replace") as f:
            yield f.read()


# Further Vietnamese text, none of it among the translations held out: (name, its texts).
OTHER_SOURCES = (
    ("libreoffice-help-vi", libreoffice_help),
    ("libreoffice-l10n-vi", libreoffice_messages),
    ("manpages-vi", manual_pages),
    ("maint-guide-vi", maintainers_guide),
)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "engine", "src", "syllable_table.inc")
    inventory = set()
    with open(DIC, encoding="utf-8") as f:
        next(f)
        for line in f:
            w = unicodedata.normalize("NFC", line.split("/")[0].strip()).lower()
            if w and is_syllable(w):
                inventory.add(w)
    counts = collections.Counter()
    pairs = collections.Counter()
    files = sorted(glob.glob(os.path.join(LOCALE, "*.mo")))
    for i, path in enumerate(files):
        if i % 3 == 0:
            continue  # held out
        for msg in messages(path):
            count(msg, inventory, counts, pairs)
    seen = sum(counts.values())
    for name, texts in OTHER_SOURCES:
        before = sum(counts.values())
        for text in texts():
            count(text, inventory, counts, pairs)
        print("%s: %d syllables counted" % (name, sum(counts.values()) - before))
    print("program messages: %d syllables counted" % seen)
    # Weights 1..15: 1 for a syllable of the dictionary never seen, then by powers of two.
    rows = []
    for w in sorted(inventory):
        n = counts[w]
        rows.append((w, min(15, 1 + int(math.log2(1 + n)))))
    with open(out, "w", encoding="utf-8") as f:
        f.write("// Generated by scripts/make_syllables.py; do not edit.  The syllables of hunspell-vi's\n"
                "// dictionary, each with how common it is in Vietnamese text Debian ships (1 never\n"
                "// seen, up to 15 for the commonest).\n")
        write_items(f, ('{"%s", %d},' % (w, weight) for w, weight in rows))
    write_pairs(out, rows, pairs)
    print("%d syllables, %d seen in %d translations" % (len(rows), sum(1 for w in rows if counts[w[0]]),
                                                     len(files) - len(files[::3])))


def write_items(f, items):
    """Items of a C++ initializer, as many to a line as fit in 96 columns."""
    line = ""
    for item in items:
        if len(line) + len(item) + 1 > 96:
            f.write(line.rstrip() + "\n")
            line = ""
        line += item + " "
    if line:
        f.write(line.rstrip() + "\n")


def write_pairs(out, rows, pairs):
    """syllable_pairs.inc beside the table: the pairs of syllables seen side by side twice or
    more, each as (first's row << 17) | (second's row << 4) | how common, in order."""
    index = {w: i for i, (w, _) in enumerate(rows)}
    packed = sorted((index[a] << 17) | (index[b] << 4) | min(15, 1 + int(math.log2(1 + n)))
                    for (a, b), n in pairs.items() if n >= 2)
    path = os.path.join(os.path.dirname(out), "syllable_pairs.inc")
    with open(path, "w", encoding="utf-8") as f:
        f.write("// Generated by scripts/make_syllables.py; do not edit.  Pairs of syllables seen side\n"
                "// by side twice or more: (first's row in syllable_table.inc << 17) | (second's row\n"
                "// << 4) | how common (1 to 15), in order.\n")
        write_items(f, ("0x%x," % p for p in packed))
    print("%d pairs" % len(packed))


if __name__ == "__main__":
    main()
