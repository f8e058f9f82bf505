#!/usr/bin/env python3
"""Writes engine/tests/charmaps/*.txt: each Vietnamese letter with the bytes another converter
(glibc iconv, GNU recode) gives it in a legacy charset.  Run once, by hand, after installing
recode; the files are kept in the repository as the independent data the engine is tested
against.  Where the engine differs on purpose, the line carries a flag and the reason:
  w  the engine writes the letter with other bytes
  r  the engine does not read these bytes as the letter
    scripts/make_charmaps.py BUILD_DIR
"""
import os
import subprocess
import sys
import unicodedata

VOWELS = "a ă â e ê i o ô ơ u ư y".split()
MARKS = ["", "\u0300", "\u0309", "\u0303", "\u0301", "\u0323"]
LOWER = [unicodedata.normalize("NFC", v + m) for v in VOWELS for m in MARKS] + ["đ"]
LETTERS = LOWER + [c.upper() for c in LOWER]

# code, file, peer, peer's name, the reason of each kind of difference (by its flags)
CAPITALS_LOWER = "capital written with the lower-case letter's code, as the catalogue's table does"
CHARSETS = [
    (25, "viscii", "iconv", "VISCII", {"w": CAPITALS_LOWER}),
    (36, "vps", "recode", "VPS", {"w": CAPITALS_LOWER}),
    (29, "vni", "recode", "VNI",
     {"wr": "recode swaps \u1eb0 and \u1eae; the lower-case \u1eb1 \u1eaf are a\u00e8 a\u00e9 "
            "and their capitals A\u00c8 A\u00c9"}),
    (24, "viqr", "recode", "VIQR", {}),
    (27, "cp1258", "iconv", "CP1258",
     {"w": "VN Win 95 writes every toned letter as base letter and combining mark; CP1258's "
           "precomposed letters are read"}),
    (15, "tcvn3", "recode", "TCVN",
     {"wr": "TCVN3 - ABC has no codes of its own for toned capitals and writes them with the "
            "lower-case codes (a capitals font shows them); these bytes are the full TCVN 5712 "
            "charset's"}),
]


def peer_write(tool, name, ch):
    cmd = ["iconv", "-f", "UTF-8", "-t", name] if tool == "iconv" else ["recode", "UTF-8.." + name]
    r = subprocess.run(cmd, input=ch.encode(), capture_output=True)
    return r.stdout if r.returncode == 0 and r.stdout else None


def ours(tsconv, frm, to, data):
    return subprocess.run([tsconv, "-f", str(frm), "-t", str(to)], input=data,
                          capture_output=True).stdout


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/release"
    tsconv = os.path.join(build, "tools", "tsconv")
    out_dir = os.path.join(os.path.dirname(__file__), "..", "engine", "tests", "charmaps")
    for code, file, tool, name, reasons in CHARSETS:
        lines = [f"# {name} as {'glibc iconv' if tool == 'iconv' else 'GNU recode'} writes the "
                 f"Vietnamese letters; tested against charset {code}.",
                 "# bytes\tcode point\tflags\treason (w: the engine writes other bytes, "
                 "r: it does not read these bytes as the letter)"]
        for ch in LETTERS:
            b = peer_write(tool, name, ch)
            cp = f"U+{ord(ch):04X}"
            if b is None:
                lines.append(f"# {cp} has no code in {name}")
                continue
            flags = ""
            if ours(tsconv, 41, code, ch.encode()) != b:
                flags += "w"
            if ours(tsconv, code, 41, b).decode("utf-8", "replace") != ch:
                flags += "r"
            why = reasons.get(flags, "UNEXPLAINED")
            lines.append(f"{b.hex().upper()}\t{cp}" + (f"\t{flags}\t{why}" if flags else ""))
        with open(os.path.join(out_dir, file + ".txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
