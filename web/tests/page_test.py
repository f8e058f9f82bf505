#!/usr/bin/env python3
"""The web page in a real browser (Debian's Chromium, headless, through chromedriver): text
pasted, converted and repaired, files chosen, dropped and downloaded, the JavaScript API
against tsconv and tsweb, and the requests the page makes (none beyond its own file).

    page_test.py PAGE TSCONV TSWEB

Exit status 77 (skipped) where the page or the browser is missing."""
import functools
import http.server
import io
import json
import os
import pathlib
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zipfile

PAGE, TSCONV, TSWEB = (pathlib.Path(a).resolve() for a in sys.argv[1:4])
SENTENCE = ("Tiếng Việt có dấu: Đặng Thị Ngọc Hường, người ở Huế, ưa uống cà phê sữa đá.\n"
            "ÀÁẢÃẠ ăằắẳẵặ âầấẩẫậ ĐÈÉẺẼẸ ềếểễệ ìíỉĩị òóỏõọ ồốổỗộ ờớởỡợ ùúủũụ ừứửữự ỳýỷỹỵ\n")

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    print("python3-selenium is missing")
    sys.exit(77)
if not PAGE.is_file() or not shutil.which("chromium") or not shutil.which("chromedriver"):
    print("the page (scripts/web.sh) or chromium and chromedriver are missing")
    sys.exit(77)


def tsconv(data, source, destination):
    return subprocess.run([str(TSCONV), "-f", str(source), "-t", str(destination)], input=data,
                          capture_output=True, check=True).stdout


def carried(data):
    """Bytes as the Windows-1252 characters a pasted document gives."""
    return "".join(chr(b) if b in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else bytes([b]).decode("cp1252")
                   for b in data)


class Page(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = pathlib.Path(tempfile.mkdtemp(prefix="tessaro-web-"))
        cls.downloads = cls.scratch / "downloads"
        cls.downloads.mkdir()
        cls.site = cls.scratch / "site"
        cls.site.mkdir()
        shutil.copy(PAGE, cls.site / "index.html")
        options = webdriver.ChromeOptions()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--lang=en-US",
                    "--disable-dev-shm-usage", "--no-first-run", "--disable-extensions",
                    "--disable-background-networking", "--disable-component-update",
                    "--user-data-dir=" + str(cls.scratch / "profile")):
            options.add_argument(arg)
        options.binary_location = shutil.which("chromium")
        options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
        options.add_experimental_option("prefs", {
            "download.default_directory": str(cls.downloads),
            "download.prompt_for_download": False,
            "profile.default_content_setting_values.automatic_downloads": 1,
            "intl.accept_languages": "en-US"})
        cls.driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
        cls.driver.set_script_timeout(120)
        cls.driver.execute_cdp_cmd("Page.setDownloadBehavior",
                                   {"behavior": "allow", "downloadPath": str(cls.downloads)})
        cls.driver.get_log("performance")  # the browser's own start, before the page
        cls.open(cls.site.joinpath("index.html").as_uri())

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        shutil.rmtree(cls.scratch, ignore_errors=True)

    @classmethod
    def open(cls, url):
        cls.driver.get(url)
        WebDriverWait(cls.driver, 60).until(
            lambda d: d.execute_script("return !!window.tessaro"))
        cls.driver.execute_async_script(
            "const done = arguments[0]; tessaro.ready.then(() => done(true), e => done(String(e)))")
        WebDriverWait(cls.driver, 30).until(
            lambda d: len(d.find_elements(By.CSS_SELECTOR, "#to option")) > 30)

    def run_js(self, script, *args):
        """Runs an async function body; its answer (or its error, raised here)."""
        r = self.driver.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "(async (...a) => {" + script + "})(...Array.from(arguments).slice(0, -1))"
            ".then(v => done({ok: v}), e => done({error: String(e)}))", *args)
        if "error" in r:
            raise AssertionError(r["error"])
        return r["ok"]

    def wait_text(self, element_id, want, seconds=30):
        value = lambda: (self.driver.find_element(By.ID, element_id).get_property("value")
                         or self.driver.find_element(By.ID, element_id).text)
        try:
            WebDriverWait(self.driver, seconds).until(lambda _: want(value()))
        except Exception:
            said = self.driver.find_element(By.ID, "said").text
            raise AssertionError(f"#{element_id} holds {value()!r}; the page says {said!r}")

    def test_1_pasted_text_converted_repaired_and_detected(self):
        d = self.driver
        tcvn3 = tsconv(SENTENCE.encode(), "utf8", "tcvn3")
        back = tsconv(tcvn3, "tcvn3", "utf8").decode()  # TCVN3 has few capitals with marks
        source = d.find_element(By.ID, "source")
        source.clear()
        d.execute_script("arguments[0].value = arguments[1]", source, carried(tcvn3))
        Select(d.find_element(By.ID, "from")).select_by_value("15")
        Select(d.find_element(By.ID, "to")).select_by_value("41")
        d.find_element(By.ID, "convert").click()
        self.wait_text("result", lambda v: v == back)
        self.assertIn("TCVN3", d.find_element(By.ID, "guesses").text)
        # "auto" reads a sentence too, and says what it read.
        line = back.splitlines(keepends=True)[0]
        d.execute_script("arguments[0].value = arguments[1]", source,
                         carried(tsconv(line.encode(), "utf8", "tcvn3")))
        Select(d.find_element(By.ID, "from")).select_by_value("auto")
        d.execute_script("document.getElementById('result').value = ''")
        d.find_element(By.ID, "convert").click()
        self.wait_text("result", lambda v: v == line)
        self.assertIn("TCVN3", d.find_element(By.ID, "said").text)
        # Into a legacy charset: shown as the characters a document in its font holds; what
        # VISCII cannot hold is named.
        Select(d.find_element(By.ID, "from")).select_by_value("41")
        Select(d.find_element(By.ID, "to")).select_by_value("29")
        d.execute_script("arguments[0].value = arguments[1]", source, SENTENCE)
        d.find_element(By.ID, "convert").click()
        vni = tsconv(SENTENCE.encode(), "utf8", "vni")
        self.wait_text("result", lambda v: v == carried(vni))
        Select(d.find_element(By.ID, "to")).select_by_value("15")
        d.find_element(By.ID, "convert").click()
        self.wait_text("losses", lambda v: "cannot hold" in v and "'À' U+00C0" in v)
        # Mojibake repaired as tsconv --fix repairs it; good text left.
        broken = SENTENCE.encode().decode("cp1252", errors="replace")
        fixed = subprocess.run([str(TSCONV), "--fix"], input=broken.encode(), capture_output=True,
                               check=True).stdout.decode()
        d.execute_script("arguments[0].value = arguments[1]", source, broken)
        d.find_element(By.ID, "fix").click()
        self.wait_text("result", lambda v: v == fixed)
        self.assertEqual(self.run_js("return await tessaro.fix(a[0])", SENTENCE), SENTENCE)
        # In Vietnamese too.
        d.find_element(By.ID, "language").click()
        self.assertEqual(d.find_element(By.ID, "convert").text, "Chuyển mã")
        d.find_element(By.ID, "language").click()
        self.assertEqual(d.find_element(By.ID, "convert").text, "Convert")

    def test_2_api_equals_tsconv_for_every_pair(self):
        listed = subprocess.run([str(TSCONV), "-l"], capture_output=True, text=True).stdout
        codes = [int(line.split()[0]) for line in listed.splitlines()
                 if line.strip() and line.split()[0].isdigit() and "no letter table" not in line]
        inputs = {}
        for c in codes:
            if c == 40:
                continue
            inputs[c] = tsconv(SENTENCE.encode(), "utf8", c)
        inputs[40] = inputs[39]  # read as 39
        cases = [(s, d) for s in codes for d in codes if d != 40]
        got = self.run_js(
            "const out = [];"
            "for (const [s, d, b64] of a[0]) {"
            "  const bytes = Uint8Array.from(atob(b64), c => c.charCodeAt(0));"
            "  const r = await tessaro.convert(bytes, s, d);"
            "  out.push(btoa(String.fromCharCode(...r)));"
            "}"
            "return out;",
            [[s, d, __import__("base64").b64encode(inputs[s]).decode()] for s, d in cases])
        import base64
        wrong = [(s, d) for (s, d), g in zip(cases, got)
                 if base64.b64decode(g) != tsconv(inputs[s], s, d)]
        self.assertEqual(wrong, [], f"{len(wrong)} of {len(cases)} pairs differ from tsconv")
        # Carried and twice-encoded forms, auto, and detection.
        carried_vni = carried(inputs[29]).encode()
        for source in ("vni+utf8", "auto"):
            out = self.run_js("return Array.from(await tessaro.convert("
                              "new Uint8Array(a[0]), a[1], 'utf8'))", list(carried_vni), source)
            self.assertEqual(bytes(out), SENTENCE.encode(), source)
        guesses = self.run_js("return await tessaro.detect(new Uint8Array(a[0]))",
                              list(inputs[15]))
        self.assertEqual(guesses[0]["codes"][0], 15)
        with self.assertRaisesRegex(AssertionError, "unknown charset"):
            self.run_js("return await tessaro.convert(new Uint8Array([65]), 'nosuch', 'utf8')")

    def test_3_files_as_tsweb_converts_them(self):
        d = self.driver
        work = self.scratch / "files"
        work.mkdir()
        tcvn3 = tsconv(SENTENCE.encode(), "utf8", "tcvn3")
        files = {
            "thu.txt": tcvn3,
            "trang.htm": b"<html><head><title>" + tcvn3[:20] + b"</title></head><body>"
                         b"<p><font face=\".VnTime\">" + tcvn3 + b"</font></p></body></html>",
            "van ban.rtf": b"{\\rtf1\\ansi{\\fonttbl{\\f0 .VnTime;}}\\f0 " + tcvn3.replace(
                b"\n", b"\\par ") + b"}",
        }
        for name, data in files.items():
            (work / name).write_bytes(data)
        # What tsweb makes of each, on copies.
        expected = {}
        for name, data in files.items():
            copy = self.scratch / "tsweb" / name
            copy.parent.mkdir(exist_ok=True)
            copy.write_bytes(data)
            subprocess.run([str(TSWEB), "-f", "tcvn3", "-t", "utf8", str(copy)],
                           capture_output=True, check=True)
            expected[name] = copy.read_bytes()
        Select(d.find_element(By.ID, "from")).select_by_value("15")
        Select(d.find_element(By.ID, "to")).select_by_value("41")
        d.find_element(By.ID, "files").send_keys("\n".join(str(work / n) for n in files))
        WebDriverWait(d, 60).until(lambda d: not d.find_element(By.ID, "download")
                                   .get_property("disabled"))
        self.assertIn("1 file", d.find_element(By.ID, "report").text)
        d.find_element(By.ID, "download").click()
        archive = self.downloads / "tessaro.zip"
        WebDriverWait(d, 30).until(lambda _: archive.exists() and archive.stat().st_size > 0)
        time.sleep(0.5)
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(z.testzip(), None)
            got = {n: z.read(n) for n in z.namelist()}
        self.assertEqual(got, expected)
        # One file dropped on the page comes back alone; the report is in the page's language.
        english = "Converted" in d.find_element(By.ID, "report").text
        d.find_element(By.ID, "language").click()
        d.execute_script(
            "const dt = new DataTransfer();"
            "dt.items.add(new File([new Uint8Array(arguments[0])], 'tha.txt'));"
            "const drop = document.getElementById('drop');"
            "drop.dispatchEvent(new DragEvent('drop', {dataTransfer: dt, bubbles: true}));",
            list(tcvn3))
        said = "Đã chuyển mã xong 1 file." if english else "Converted 1 file."
        WebDriverWait(d, 30).until(lambda d: d.find_element(By.ID, "report").text.startswith(said))
        d.find_element(By.ID, "language").click()
        d.find_element(By.ID, "download").click()
        single = self.downloads / "tha.txt"
        WebDriverWait(d, 30).until(lambda _: single.exists() and single.stat().st_size > 0)
        time.sleep(0.5)
        self.assertEqual(single.read_bytes(), expected["thu.txt"])

    def test_4_no_request_leaves_the_page(self):
        requests = []
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.requestWillBeSent":
                requests.append(message["params"]["request"]["url"])
        own = self.site.joinpath("index.html").as_uri()
        strangers = [u for u in requests if not (u == own or u.startswith(("blob:", "data:")))]
        self.assertEqual(strangers, [])
        self.assertIn(own, requests)

    def test_5_from_a_static_server(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=str(self.site))
        server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        try:
            self.driver.get_log("performance")
            self.open(f"http://127.0.0.1:{port}/index.html")
            out = self.run_js("return Array.from(await tessaro.convert("
                              "new TextEncoder().encode(a[0]), 'utf8', 'tcvn3'))", SENTENCE)
            self.assertEqual(bytes(out), tsconv(SENTENCE.encode(), "utf8", "tcvn3"))
            urls = [json.loads(e["message"])["message"]["params"]["request"]["url"]
                    for e in self.driver.get_log("performance")
                    if json.loads(e["message"])["message"]["method"] == "Network.requestWillBeSent"]
            self.assertEqual([u for u in urls if not u.startswith(
                (f"http://127.0.0.1:{port}/", "blob:", "data:"))], [])
        finally:
            server.shutdown()
            server.server_close()


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
