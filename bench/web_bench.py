#!/usr/bin/env python3
"""The web page's speed in Debian's Chromium beside native tsconv, on one machine: a text of
SIZE MB (TCVN3 made from the examples) converted to UTF-8 through tessaro.convert, and a file of
that size through the page's file conversion (tsweb's), while the page keeps answering.

    /usr/bin/python3 bench/web_bench.py build/web/index.html build/release/tools/tsconv [SIZE_MB]"""
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

page, tsconv = (pathlib.Path(a).resolve() for a in sys.argv[1:3])
size = int(sys.argv[3]) if len(sys.argv) > 3 else 20
top = pathlib.Path(__file__).resolve().parent.parent
sample = (top / "examples" / "sample.tcvn3.txt").read_bytes()
data = (sample * (size * 1024 * 1024 // len(sample) + 1))[: size * 1024 * 1024]
scratch = pathlib.Path(tempfile.mkdtemp())
(scratch / "in.txt").write_bytes(data)

start = time.perf_counter()
native = subprocess.run([str(tsconv), "-f", "tcvn3", "-t", "utf8", str(scratch / "in.txt")],
                        capture_output=True, check=True).stdout
native_s = time.perf_counter() - start

options = webdriver.ChromeOptions()
for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
            "--user-data-dir=" + str(scratch / "profile")):
    options.add_argument(arg)
options.binary_location = shutil.which("chromium")
driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
driver.set_script_timeout(600)
try:
    driver.get(page.as_uri())
    driver.execute_async_script("tessaro.ready.then(arguments[0])")
    driver.execute_script("window.input = new Uint8Array(arguments[0]);", list(data[:1]))
    # The input made in the page (sending 20 MB through the driver would measure the driver).
    driver.execute_script(
        "const s = atob(arguments[0]); const one = Uint8Array.from(s, c => c.charCodeAt(0));"
        "window.input = new Uint8Array(arguments[1]);"
        "for (let at = 0; at < input.length; at += one.length) input.set(one.subarray(0, Math.min(one.length, input.length - at)), at);",
        __import__("base64").b64encode(sample).decode(), len(data))
    result = driver.execute_async_script(
        "const done = arguments[0]; let ticks = 0, worst = 0, last = performance.now();"
        "const beat = setInterval(() => { const n = performance.now(); worst = Math.max(worst, n - last); last = n; ticks++; }, 10);"
        "const t0 = performance.now();"
        "tessaro.convert(input, 'tcvn3', 'utf8').then(out => { const t = performance.now() - t0;"
        "  clearInterval(beat); let h = 2166136261;"
        "  for (let i = 0; i < out.length; i++) h = Math.imul(h ^ out[i], 16777619) >>> 0;"
        "  done({ms: t, bytes: out.length, hash: h, worstGap: worst, ticks}); });")
    h = 2166136261
    for b in native:
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    page_s = result["ms"] / 1000
    print(f"{size} MB TCVN3 to UTF-8: tsconv {native_s:.2f} s ({len(data) / native_s / 1e6:.1f} MB/s); "
          f"page {page_s:.2f} s ({len(data) / page_s / 1e6:.1f} MB/s), {page_s / native_s:.2f}x; "
          f"output {'the same as' if result['hash'] == h and result['bytes'] == len(native) else 'NOT the same as'} tsconv's; the page's longest pause "
          f"{result['worstGap']:.0f} ms")
finally:
    driver.quit()
    shutil.rmtree(scratch, ignore_errors=True)
