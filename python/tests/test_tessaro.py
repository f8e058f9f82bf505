"""The tessaro package as Python code uses it: codecs against tsconv, streams in small
pieces, errors, detection and repair."""

import codecs
import io
import os
import random
import subprocess

import pytest

import tessaro

TSCONV = os.environ.get("TSCONV", "tsconv")
TEXTS = os.environ.get("TS_BENCH_TEXTS", os.path.join(os.path.dirname(__file__), "../../bench/detect"))
CHARSETS = ["tcvn3", "vni", "viscii", "viqr", "vps", "ncr", "13", "3", "27", "39", "43"]


def tsconv(*args, data=b""):
    return subprocess.run([TSCONV, *args], input=data, capture_output=True, check=True).stdout


def bench_text():
    with open(os.path.join(TEXTS, "news.txt"), encoding="utf-8") as f:
        news = f.read()
    with open(os.path.join(TEXTS, "literature.txt"), encoding="utf-8") as f:
        return news + f.read()


@pytest.mark.parametrize("charset", CHARSETS)
def test_codecs_equal_tsconv(charset):
    text = bench_text()
    # What the charset cannot write is left out first; then both must agree byte for byte.
    text = "".join(c for i, c in enumerate(text) if not tessaro._engine.unwritable(c, tessaro._form(charset)))
    encoded = text.encode(charset)
    assert encoded == tsconv("-f", "utf8", "-t", charset, data=text.encode("utf-8"))
    assert encoded.decode(charset) == tsconv("-f", charset, "-t", "utf8", data=encoded).decode("utf-8")


def test_names_and_python_codecs():
    assert codecs.lookup("cp1258").name == "cp1258"  # Python's own
    assert codecs.lookup("cp1258").encode is not None
    assert "₫".encode("cp1258") == b"\xfe"
    for name in ["tcvn3", "TCVN3 - ABC", "abc", "15", "vni", "VNI-WIN", "viqr", "VISCII", "vps"]:
        assert codecs.lookup(name).name in {"tcvn3", "vni", "viqr", "viscii", "vps"}, name
    assert codecs.lookup("vni+utf8").name == "vni+utf8"
    assert codecs.lookup("utf8+utf8").name == "utf8+utf8"
    with pytest.raises(LookupError):
        codecs.lookup("bked 60")  # no letter table
    with pytest.raises(LookupError):
        codecs.lookup("no such charset")
    assert [c.code for c in tessaro.charsets()] == list(range(1, 45))
    assert tessaro.charsets()[14].aliases == ("tcvn3", "abc")
    # Decoded text is the str Python would make, in each width (ASCII, Latin-1, the Basic
    # Multilingual Plane, beyond it): equal, and equal keys of a dict.
    for text in ["Viet Nam", "café", "Việt Nam"]:
        decoded = text.encode("vni").decode("vni")
        assert decoded == text and {text: 1}[decoded] == 1
    flag = "Việt Nam 🇻🇳"
    assert flag.encode("utf-8").decode("cp1252").encode("utf-8").decode("utf8+utf8") == flag


def test_streams_in_small_pieces(tmp_path):
    text = bench_text()[:3000]
    rng = random.Random(1)
    for charset in ["vni", "viqr", "tcvn3", "ncr", "43"]:
        clean = "".join(c for c in text if not tessaro._engine.unwritable(c, tessaro._form(charset)))
        data = clean.encode(charset)
        whole = data.decode(charset)  # TCVN3 writes some capitals with lower-case codes
        # Decoding a few bytes at a time keeps multi-byte letters whole.
        pieces, i = [], 0
        while i < len(data):
            n = rng.randint(1, 3)
            pieces.append(data[i : i + n])
            i += n
        assert "".join(codecs.iterdecode(pieces, charset)) == whole, charset
        # Encoding a character at a time gives the bytes of the whole.
        assert b"".join(codecs.iterencode(list(clean), charset)) == data, charset
        # Files, through io and through codecs.open.
        path = tmp_path / f"text.{charset}"
        with open(path, "w", encoding=charset) as f:
            for c in clean:
                f.write(c)
        assert path.read_bytes() == data
        with open(path, encoding=charset) as f:
            assert f.read() == whole
        reader = io.TextIOWrapper(io.BufferedReader(io.BytesIO(data), buffer_size=2), encoding=charset)
        assert reader.read() == whole
        with codecs.open(str(path), encoding=charset) as f:
            assert f.read() == whole
        reader = codecs.getreader(charset)(io.BytesIO(data))
        assert "".join(iter(lambda: reader.read(3), "")) == whole, charset


def test_errors():
    text = "Việt – “Nam” € ñ"
    with pytest.raises(UnicodeEncodeError) as e:
        text.encode("tcvn3")
    assert (e.value.start, e.value.end, e.value.object[e.value.start]) == (5, 6, "–")
    assert e.value.encoding == "tcvn3"
    assert text.encode("tcvn3", "replace") == "Việt ? ?Nam? ? ?".encode("tcvn3")
    assert text.encode("tcvn3", "ignore") == "Việt  Nam  ".encode("tcvn3")
    assert text.encode("tcvn3", "backslashreplace") == b"Vi\xd6t \\u2013 \\u201cNam\\u201d \\u20ac \\xf1"
    assert text.encode("tcvn3", "xmlcharrefreplace").startswith(b"Vi\xd6t &#8211; &#8220;Nam")
    # Windows-1258 (Python's) and the Unicode forms write them.
    assert text.encode("ncr").decode("ncr") == text
    # Incremental encoders report the same.
    enc = codecs.getincrementalencoder("vni")("strict")
    with pytest.raises(UnicodeEncodeError):
        enc.encode("a – b")
    # Decoding never fails: bytes that form no letter read as Windows-1252.
    everything = bytes(range(1, 256))
    assert everything.decode("tcvn3") == tsconv("-f", "tcvn3", "-t", "utf8", data=everything).decode()
    # A carried form is read, not written.
    with pytest.raises(UnicodeError):
        "x".encode("tcvn3+utf8")


def carry(data: bytes) -> str:
    """Legacy bytes read as Windows-1252 and saved (as a str)."""
    return data.decode("latin-1").translate({b: bytes([b]).decode("cp1252", "ignore") or chr(b) for b in range(0x80, 0xA0)})


def test_detection_and_repair():
    viet = "Ngày mai trời sẽ có mưa rào và dông ở nhiều nơi, nhiệt độ giảm mạnh ở các tỉnh phía bắc."
    for charset in ["tcvn3", "vni", "viscii"]:
        best = tessaro.detect(viet.encode(charset))[0]
        assert best.codec == charset and best.confidence >= 0.6
        carried = carry(viet.encode(charset))
        best = tessaro.detect(carried)[0]
        assert best.codec == charset + "+utf8", tessaro.detect(carried)[:3]
        assert "carried in UTF-8" in best.name
        assert carried.encode("utf-8").decode(best.codec) == viet
    twice = carry(viet.encode("utf-8"))
    assert tessaro.detect(twice)[0].codec == "utf8+utf8"
    assert tessaro.detect(viet)[0].codec == "utf8"
    assert tessaro.detect("plain ASCII") == []
    good = "Good: “quotes”, café, naïve, 中文 and Việt Nam.\n"
    fixed, report = tessaro.fix_report(good + carry(viet.encode("vni")) + "\n" + twice + "\n")
    assert fixed == good + viet + "\n" + viet + "\n"
    # Counted by the words repaired: those the mojibake changed.
    def changed(broken):
        return sum(1 for a, b in zip(broken.split(" "), viet.split(" ")) if a != b)
    assert report == {"VNI - WIN, carried in UTF-8": changed(carry(viet.encode("vni"))),
                      "Ucode1 UTF-8, encoded twice": changed(twice)}
    assert tessaro.fix(good) == good


def test_convert_case_and_sorting():
    assert tessaro.convert("Việt Nam", "utf8", "vni") == "Việt Nam".encode("vni")
    assert tessaro.convert("Việt Nam".encode("tcvn3"), 15, "viqr") == b"Vie^.t Nam"
    assert tessaro.convert(carry("Việt".encode("tcvn3")), "tcvn3+utf8", "utf8") == "Việt".encode()
    with pytest.raises(LookupError):
        tessaro.convert(b"x", "nothing", "utf8")
    assert tessaro.upper("việt nam ơi") == "VIỆT NAM ƠI"
    assert tessaro.lower("VIỆT NAM") == "việt nam"
    assert tessaro.upper("việt".encode("viqr"), "viqr") == "VIỆT".encode("viqr")
    assert tessaro.lower("ĐÀ NẴNG".encode("vni"), "vni") == "đà nẵng".encode("vni")
    words = ["bà", "ba", "đi", "di", "ăn", "an", "bá"]
    assert sorted(words, key=tessaro.sort_key) == ["an", "ăn", "ba", "bà", "bá", "di", "đi"]
    names = ["Trần Văn An", "Lê Thị Bình", "Nguyễn An"]
    assert sorted(names, key=lambda n: tessaro.sort_key(n, names=True)) == [
        "Nguyễn An", "Trần Văn An", "Lê Thị Bình"]


def test_convert_document(tmp_path):
    import zipfile
    w = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
    def body(font, text):
        return (f'<?xml version="1.0"?><w:document {w}><w:body><w:p><w:r><w:rPr><w:rFonts '
                f'w:ascii="{font}" w:hAnsi="{font}"/></w:rPr><w:t>{text}</w:t></w:r></w:p>'
                '</w:body></w:document>')
    path = tmp_path / "thư.docx"
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", "<Types/>")
        z.writestr("word/document.xml", body(".VnTime", carry("Việt Nam".encode("tcvn3"))))
        z.writestr("word/media/a.bin", b"\x00\x01" * 100)
    os.chmod(path, 0o640)
    done = tessaro.convert_document(str(path), "tcvn3", "utf8")
    assert done == {"converted": True, "runs": 1, "left": 0, "parts": ["word/document.xml"]}
    with zipfile.ZipFile(path) as z:
        assert z.read("word/document.xml").decode() == body("Times New Roman", "Việt Nam")
        assert z.read("word/media/a.bin") == b"\x00\x01" * 100
    assert os.stat(path).st_mode & 0o777 == 0o640
    assert tessaro.convert_document(str(path), "tcvn3", "utf8")["converted"] is False
    (tmp_path / "bad.docx").write_bytes(b"PK\x03\x04 no zip")
    with pytest.raises(ValueError, match="bad.docx: not a package"):
        tessaro.convert_document(str(tmp_path / "bad.docx"), "auto", "utf8")
    assert sorted(os.listdir(tmp_path)) == ["bad.docx", "thư.docx"]
