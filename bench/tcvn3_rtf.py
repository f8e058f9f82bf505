#!/usr/bin/python3
"""TCVN3 text as an RTF document the way Word writes it: a font table with .VnTime and
VNI-Times, \\'xx escapes, a paragraph of LINES lines (one by default), every fourth
paragraph a run in bold.
   bench/tcvn3_rtf.py TEXT.tcvn3 DOC.rtf [LINES]"""
import sys

src, dst = sys.argv[1], sys.argv[2]
per = int(sys.argv[3]) if len(sys.argv) > 3 else 1
esc = [("\\'%02x" % b) if b >= 0x80 else chr(b) for b in range(256)]
for ch in "\\{}":
    esc[ord(ch)] = "\\" + ch
with open(src, "rb") as f, open(dst, "w", encoding="ascii") as out:
    out.write("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 .VnTime;}"
              "{\\f1\\fswiss\\fcharset0 VNI-Times;}}\n{\\colortbl;\\red0\\green0\\blue0;}\n")
    lines = [line.rstrip(b"\n") for line in f]
    for n in range(0, len(lines), per):
        text = " ".join("".join(esc[b] for b in line) for line in lines[n:n + per])
        bold = (n // per) % 4 == 3
        out.write(("{\\b\\f0 " + text + "}" if bold else "\\pard\\f0 " + text) + "\\par\n")
    out.write("}\n")
