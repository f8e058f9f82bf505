"""Vietnamese legacy charsets for Python: codecs, conversion, detection and repair.

Importing the package registers a codec for every charset of the Tessaro catalogue that has a
letter table, under its code, its catalogue name and its short names, with case, blanks,
hyphens and underscores ignored::

    import tessaro
    "Việt Nam".encode("tcvn3")            # b'Vi\\xd6t Nam'
    b"Vie\\xe4t Nam".decode("vni")          # 'Việt Nam'
    open("letter.txt", encoding="tcvn3")   # streams, a few bytes at a time or whole

Python's own codecs come first: ``cp1258``, ``utf-8`` and ``latin-1`` stay Python's.  A
charset carried in UTF-8 (its bytes read as Windows-1252 and saved as UTF-8) decodes as
``tcvn3+utf8``, and UTF-8 encoded twice as ``utf8+utf8``.

Decoding never fails: a byte that forms no letter reads as its Windows-1252 character.
Encoding fails (``strict``) on a character the charset has no code for; ``replace``,
``ignore``, ``backslashreplace``, ``xmlcharrefreplace`` and every registered error handler
work as for Python's codecs.
"""

from __future__ import annotations

import codecs
from typing import Dict, List, NamedTuple, Tuple, Union

from . import _engine

__all__ = [
    "Charset",
    "Guess",
    "charsets",
    "convert",
    "detect",
    "fix",
    "fix_report",
    "lower",
    "sort_key",
    "upper",
]

_UTF8 = 41
_DECIMAL_ESCAPES = 39
_VN_UNICODE_2 = 40

BytesLike = Union[bytes, bytearray, memoryview]
CharsetName = Union[str, int]


class Charset(NamedTuple):
    """A charset of the catalogue."""

    code: int  #: 1 to 44
    name: str  #: the catalogue name, "TCVN3 - ABC"
    aliases: Tuple[str, ...]  #: the short names, ("tcvn3", "abc")
    convertible: bool  #: whether it has a letter table (only those are codecs)


class Guess(NamedTuple):
    """One answer of :func:`detect`."""

    codec: str  #: the codec name that reads it: "tcvn3", "vni+utf8", "13"
    name: str  #: its name for people: "VNI - WIN, carried in UTF-8"
    confidence: float  #: 0 to 1; 0.6 and more is confident


def _form(charset: CharsetName) -> int:
    if isinstance(charset, int) and not isinstance(charset, bool):
        form = charset if 0 < charset < 0x200 and _engine.form_name(charset) else 0
    else:
        form = _engine.form_by_name(str(charset).replace("_", ""))
    if not form or not _engine.has_letter_table(_readable(form & 0x3F)):
        raise LookupError(f"unknown charset: {charset!r} (tessaro.charsets() lists them)")
    return form


def _readable(code: int) -> int:
    return _DECIMAL_ESCAPES if code == _VN_UNICODE_2 else code


def charsets() -> List[Charset]:
    """The catalogue, by code."""
    out = []
    for code, name, short, table in _engine.catalogue():
        aliases = tuple(a.strip() for a in short.split(",") if a.strip())
        out.append(Charset(code, name.rstrip(), aliases, table))
    return out


def convert(data: Union[BytesLike, str], source: CharsetName, destination: CharsetName) -> bytes:
    """Converts bytes in `source` to bytes in `destination` (names or codes, as the codecs
    take them; a carried source such as ``"tcvn3+utf8"`` too).  A ``str`` is taken as its
    UTF-8.  Characters the destination cannot write are written in a close form, as
    ``tsconv`` does."""
    if isinstance(data, str):
        data = data.encode("utf-8", "surrogatepass")
    return _engine.Converter(_form(source), _form(destination)).convert(data)


def detect(data: Union[BytesLike, str], limit: int = 65536) -> List[Guess]:
    """The charsets `data` may be in, best first, with their confidence, from its first
    `limit` bytes.  Carried forms are among them.  Empty when no charset reads a Vietnamese
    letter with a mark (every charset reads such a text the same)."""
    if isinstance(data, str):
        data = data.encode("utf-8", "surrogatepass")
    nothing, guesses = _engine.detect(data, limit)
    if nothing:
        return []
    return [
        Guess(_engine.form_short_name(form), _engine.form_name(form), confidence)
        for forms, confidence in guesses
        for form in forms
    ]


def convert_document(path: str, from_: CharsetName, to: CharsetName, output: str = None,
                     force: bool = False) -> Dict[str, object]:
    """Converts an office package (.docx, .xlsx, .pptx, .odt, .ods, .odp and their kin) in its
    own XML, run by run by each
    run's font, as ``tsweb`` does, without an office: into `output`, or in place (through a
    temporary file renamed over it).  `from_` may be ``"auto"`` (each run by its font alone).
    Returns ``{"converted": bool, "runs": n, "left": n, "parts": [...]}``; raises
    ``ValueError`` with the reason for a package it cannot convert (damaged, encrypted,
    signed unless `force`)."""
    import os
    import tempfile
    source = 0 if str(from_).lower() == "auto" else _form(from_) & 0x3F
    destination = _form(to) & 0x3F
    target = output or path
    folder = os.path.dirname(os.path.abspath(target))
    fd, temporary = tempfile.mkstemp(prefix=".tessaro-", suffix=".docx", dir=folder)
    os.close(fd)
    os.unlink(temporary)  # made by the conversion, which never replaces a file
    try:
        kind, why, runs, left, parts = _engine.convert_package(
            os.fspath(path), temporary, os.path.basename(path), source, destination, force)
        if kind == 2:
            raise ValueError(f"{path}: {why}")
        if kind == 0:
            if os.path.exists(target):
                os.chmod(temporary, os.stat(target).st_mode & 0o7777)
            os.replace(temporary, target)
        return {"converted": kind == 0, "runs": runs, "left": left, "parts": list(parts)}
    finally:
        if os.path.exists(temporary):
            os.unlink(temporary)


def fix_report(text: str) -> Tuple[str, Dict[str, int]]:
    """As :func:`fix`, with how many stretches were repaired, by the form they were read as
    ("TCVN3 - ABC, carried in UTF-8")."""
    fixed, counts = _engine.fix(text)
    return fixed, {_engine.form_name(form): count for form, count in counts}


def fix(text: str) -> str:
    """Repairs legacy Vietnamese text carried in UTF-8 (``ViÖt Nam``, ``Vieät Nam``) and
    UTF-8 encoded twice (``Viá»‡t Nam``) line by line, or stretch by stretch, and leaves
    everything else as it is: good Vietnamese, English with “quotes” and café, Chinese."""
    return fix_report(text)[0]


def _change_case(data: Union[BytesLike, str], charset: CharsetName, upper: bool):
    if isinstance(data, str):
        return _engine.change_case(data.encode("utf-8", "surrogatepass"), _UTF8, upper).decode(
            "utf-8", "surrogatepass"
        )
    form = _form(charset)
    if form > 0x3F:
        raise ValueError(f"{charset!r} is a carried form: decode it first")
    return _engine.change_case(data, _readable(form), upper)


def upper(data: Union[BytesLike, str], charset: CharsetName = "utf8"):
    """Capitals of the Vietnamese letters (and A-Z) of bytes in `charset`, or of a str.  A
    charset without codes of its own for some capitals (TCVN3) keeps those as it can."""
    return _change_case(data, charset, True)


def lower(data: Union[BytesLike, str], charset: CharsetName = "utf8"):
    """Lower-case Vietnamese letters (and a-z) of bytes in `charset`, or of a str."""
    return _change_case(data, charset, False)


def sort_key(data: Union[BytesLike, str], charset: CharsetName = "utf8", names: bool = False) -> bytes:
    """The 7-bit key that sorts Vietnamese text in dictionary order (a < ă < â, d < đ, tones
    after letters), for ``sorted(words, key=tessaro.sort_key)``.  With `names`, personal names
    sort by their last word first."""
    if isinstance(data, str):
        data, charset = data.encode("utf-8", "surrogatepass"), _UTF8
    form = _form(charset)
    mode = _engine.SORT_NAMES if names else _engine.SORT_DICTIONARY
    return _engine.sort_key(data, form & 0x3F, mode)


# ------------------------------------------------------------------------------------------
# Codecs


def _replaced(text: str, form: int, errors: str, codec: str, name: str) -> str:
    """`text` with the characters the form cannot write handed to the error handler."""
    bad = _engine.unwritable(text, form)
    if not bad:
        return text
    pieces = []
    start = 0
    i = 0
    while i < len(bad):
        pos = bad[i]
        if pos < start:
            i += 1
            continue
        end = pos + 1
        while i + 1 < len(bad) and bad[i + 1] == end:
            i += 1
            end += 1
        exc = UnicodeEncodeError(codec, text, pos, end, f"no code in {name}")
        if errors == "strict":
            raise exc
        replacement, resume = codecs.lookup_error(errors)(exc)
        if not isinstance(replacement, str):
            replacement = bytes(replacement).decode("latin-1")
        if _engine.unwritable(replacement, form):
            raise exc
        pieces.append(text[start:pos])
        pieces.append(replacement)
        start = resume if resume >= 0 else len(text) + resume
        i += 1
    pieces.append(text[start:])
    return "".join(pieces)


def _codec_info(form: int) -> codecs.CodecInfo:
    code = form & 0x3F
    codec = _engine.form_short_name(form)
    name = _engine.form_name(form)
    writes = form <= 0x3F and code != _VN_UNICODE_2 or form == (0x100 | 27)
    source = (form & ~0x3F) | _readable(code)

    def refuse():
        return UnicodeError(f"{name} is read, not written")

    def encode(text: str, errors: str = "strict") -> Tuple[bytes, int]:
        if not writes:
            raise refuse()
        fixed = _replaced(text, form, errors, codec, name)
        return _engine.Converter(_UTF8, form).encode(fixed), len(text)

    def decode(data: BytesLike, errors: str = "strict") -> Tuple[str, int]:
        data = memoryview(data)
        return _engine.Converter(source, _UTF8).decode(data), len(data)

    class IncrementalEncoder(codecs.IncrementalEncoder):
        def __init__(self, errors: str = "strict"):
            super().__init__(errors)
            if not writes:
                raise refuse()
            self._conv = _engine.Converter(_UTF8, form)

        def encode(self, text: str, final: bool = False) -> bytes:
            fixed = _replaced(text, form, self.errors, codec, name)
            out = self._conv.feed(fixed.encode("utf-8"))
            if final:
                out += self._conv.finish()
            return out

        def reset(self) -> None:
            self._conv.reset()

    class IncrementalDecoder(codecs.IncrementalDecoder):
        # Multi-byte letters cut by a chunk's end wait for the next chunk.
        def __init__(self, errors: str = "strict"):
            super().__init__(errors)
            self._conv = _engine.Converter(source, _UTF8)
            self._utf8 = codecs.getincrementaldecoder("utf-8")("replace")

        def decode(self, data: BytesLike, final: bool = False) -> str:
            out = self._conv.feed(data)
            if final:
                out += self._conv.finish()
            return self._utf8.decode(out, final)

        def reset(self) -> None:
            self._conv.reset()
            self._utf8.reset()

    class StreamWriter(codecs.StreamWriter):
        def __init__(self, stream, errors: str = "strict"):
            super().__init__(stream, errors)
            self._encoder = IncrementalEncoder(errors)

        def encode(self, text: str, errors: str = "strict") -> Tuple[bytes, int]:
            return self._encoder.encode(text), len(text)

        def reset(self) -> None:
            self.stream.write(self._encoder.encode("", True))
            self._encoder.reset()

    class StreamReader(codecs.StreamReader):
        def __init__(self, stream, errors: str = "strict"):
            super().__init__(stream, errors)
            self._decoder = IncrementalDecoder(errors)

        def decode(self, data: BytesLike, errors: str = "strict") -> Tuple[str, int]:
            return self._decoder.decode(data), len(data)

        def read(self, size: int = -1, chars: int = -1, firstline: bool = False) -> str:
            text = super().read(size, chars, firstline)
            if (size < 0 and chars < 0) or not text:
                # The whole stream was read: what the decoder holds is text too.
                text += self._decoder.decode(b"", True)
            return text

        def reset(self) -> None:
            super().reset()
            self._decoder.reset()

    return codecs.CodecInfo(
        name=codec,
        encode=encode,
        decode=decode,
        incrementalencoder=IncrementalEncoder,
        incrementaldecoder=IncrementalDecoder,
        streamwriter=StreamWriter,
        streamreader=StreamReader,
    )


def _search_form(name: str) -> int:
    # Python hands the name over with every run of other characters than letters, digits and
    # dots as one "_": "vni+utf-8" arrives as "vni_utf_8".  Trailing "utf8" parts are layers.
    parts = [p for p in name.replace("utf_8", "utf8").split("_") if p]
    for k in range(1, len(parts) + 1):
        if all(p == "utf8" for p in parts[k:]):
            base = _engine.form_by_name("".join(parts[:k]))
            layers = len(parts) - k
            if base and base <= 0x3F and layers <= 3:
                return base + 0x40 * layers
            if base and layers == 0:
                return base
    return 0


def _search(name: str):
    form = _search_form(name)
    if not form or not _engine.has_letter_table(_readable(form & 0x3F)):
        return None
    return _codec_info(form)


codecs.register(_search)
