"""Decoding speed of the tessaro codecs against Python's own cp1258 codec, on the same
number of bytes: Vietnamese prose (bench/detect), or the UTF-8 text given (program messages
are mostly ASCII), encoded in VNI, TCVN3, VIQR and Windows-1258.
    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_codec_bench.py [MB] [TEXT]
"""
import os
import sys
import time

import tessaro

HERE = os.path.dirname(os.path.abspath(__file__))
size = int(float(sys.argv[1]) * 1e6) if len(sys.argv) > 1 else 10_000_000
text = ""
if len(sys.argv) > 2:
    with open(sys.argv[2], encoding="utf-8") as f:
        text = f.read()
for name in ("news", "literature", "names", "headings") if not text else ():
    with open(os.path.join(HERE, "detect", name + ".txt"), encoding="utf-8") as f:
        text += f.read()


def sample(charset):
    clean = "".join(c for c in text if not tessaro._engine.unwritable(c, tessaro._form(charset)))
    data = clean.encode(charset)
    return (data * (size // len(data) + 1))[:size]


def rate(data, codec, rounds=5):
    best = float("inf")
    for _ in range(rounds):
        t0 = time.perf_counter()
        data.decode(codec)
        best = min(best, time.perf_counter() - t0)
    return len(data) / best / 1e6


cp1258 = "".join(c for c in text if c.encode("cp1258", "ignore").decode("cp1258") == c)
python = (cp1258.encode("cp1258") * (size // len(cp1258.encode("cp1258")) + 1))[:size]
base = rate(python, "cp1258")
print(f"{len(python) / 1e6:.0f} MB each, best of 5")
print(f"  cp1258 (Python's own)  {base:8.1f} MB/s")
for charset in ("vni", "tcvn3", "viqr"):
    r = rate(sample(charset), charset)
    print(f"  {charset:22s} {r:8.1f} MB/s  ({r / base:.2f} of cp1258)")
