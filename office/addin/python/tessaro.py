# The macros of the Tessaro add-in for LibreOffice Writer, Calc and Impress (and Draw).
# They convert and change the case of Vietnamese text through libtslib, loaded with ctypes.
import ctypes
import os
import re

import uno
import unohelper
from com.sun.star.beans import PropertyValue
from com.sun.star.beans.PropertyAttribute import READONLY as _READONLY
from com.sun.star.beans.PropertyState import DIRECT_VALUE as _DIRECT
from com.sun.star.document import XUndoAction
from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK as _PARAGRAPH_BREAK

LIBTSLIB_INSTALLED = "@TSLIB_INSTALLED@"
ADDIN_VERSION = "@TS_ADDIN_VERSION@"
WEB_ADDRESS = "https://tessaro.example/"
EXTENSION_ID = "example.tessaro.Tessaro_O21"

TCVN3, VISCII, VNI_WIN = 15, 25, 29
VN_UNICODE_1, UTF8 = 39, 41
# Charsets whose texts are Unicode text in a document (the others are bytes carried in it).
UNICODE_CODES = (39, 40, 41, 42, 43)

# ---- libtslib ------------------------------------------------------------------------------

_lib = None


def tslib():
    """libtslib: TESSARO_LIBTSLIB, else the installed library, else by its soname."""
    global _lib
    if _lib is not None:
        return _lib
    tried = []
    for path in (os.environ.get("TESSARO_LIBTSLIB"), LIBTSLIB_INSTALLED, "libtslib.so.1"):
        if not path:
            continue
        try:
            lib = ctypes.CDLL(path)
            break
        except OSError as e:
            tried.append(str(e))
    else:
        raise RuntimeError("libtslib cannot be loaded: " + "; ".join(tried))
    u32, i32, cp = ctypes.c_uint32, ctypes.c_int32, ctypes.c_char_p
    lib.TS_Code2Code.argtypes, lib.TS_Code2Code.restype = [u32, u32], ctypes.c_ubyte
    lib.TS_Convert.argtypes, lib.TS_Convert.restype = [cp, ctypes.c_void_p], i32
    lib.TS_convertFont.argtypes, lib.TS_convertFont.restype = [cp, ctypes.c_void_p], i32
    lib.TS_getNameCode.argtypes, lib.TS_getNameCode.restype = [u32, ctypes.c_void_p], i32
    lib.TS_defaultCode.argtypes, lib.TS_defaultCode.restype = [u32], ctypes.c_ubyte
    lib.TS_upperStr.argtypes, lib.TS_upperStr.restype = [ctypes.c_void_p], i32
    lib.TS_lowerStr.argtypes, lib.TS_lowerStr.restype = [ctypes.c_void_p], i32
    lib.TS_upperUniChar.argtypes, lib.TS_upperUniChar.restype = [u32], i32
    lib.TS_lowerUniChar.argtypes, lib.TS_lowerUniChar.restype = [u32], i32
    lib.TS_readsAs.argtypes, lib.TS_readsAs.restype = [cp, u32, u32], i32
    _lib = lib
    return lib


def charset_names():
    """(code, name line) of every catalogue entry, as the library lists them."""
    lib = tslib()
    out = ctypes.create_string_buffer(64)
    names = []
    for code in range(1, lib.TS_getNameCode(0, None) + 1):
        n = lib.TS_getNameCode(code, out)
        names.append((code, out.raw[:n].decode("latin-1")))
    return names


# Legacy bytes sit in documents as the Windows-1252 characters of the bytes; the five bytes
# that code page leaves undefined as U+0081, U+008D, U+008F, U+0090 and U+009D.
_CARRIER = "".join(chr(b) if b in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else bytes([b]).decode("cp1252")
                   for b in range(256))
_CARRIER_BYTE = {ord(c): b for b, c in enumerate(_CARRIER)}
# The same as translate() tables over Latin-1: to it, a carrier character becomes the
# character of its byte and any other character below U+0100 one Latin-1 cannot encode;
# from it, each byte becomes its carrier character.
_TO_LATIN1 = {ord(c): b for b, c in enumerate(_CARRIER) if ord(c) != b}
_TO_LATIN1.update({c: 0x100 for c in range(0x80, 0xA0) if c not in _CARRIER_BYTE})
_FROM_LATIN1 = {b: c for b, c in enumerate(_CARRIER) if ord(c) != b}


def carrier_bytes(text):
    """The bytes a text carries, or None when it holds a character no byte stands for."""
    try:
        return text.translate(_TO_LATIN1).encode("latin-1")
    except UnicodeEncodeError:
        return None


def carrier_text(data):
    return data.decode("latin-1").translate(_FROM_LATIN1)


class Converter:
    """One conversion from `source` to `destination` (catalogue codes).  `judged`: the text
    is in a font that names no charset, so it is converted only where it reads as legacy text
    of the source and not as good Unicode (text() gives None for the rest)."""

    def __init__(self, source, destination, map_fonts=True, judged=False):
        self.lib = tslib()
        self.source, self.destination, self.map_fonts = source, destination, map_fonts
        self.judged = judged and source not in UNICODE_CODES
        self.fonts = {}
        if not self.lib.TS_Code2Code(source, destination):
            raise ValueError("no conversion from charset %d to %d" % (source, destination))

    def _select(self):
        self.lib.TS_Code2Code(self.source, self.destination)

    def text(self, text):
        """The converted text, or None when the text cannot be in the source charset."""
        data = text.encode("utf-8") if self.source == UTF8 else carrier_bytes(text)
        if data is None or b"\0" in data:
            return None
        if not data:
            return text
        self._select()
        out = ctypes.create_string_buffer(8 * len(data) + 1)
        result = ctypes.string_at(out, self.lib.TS_Convert(data, out))
        after = (result.decode("utf-8", errors="replace") if self.destination == UTF8
                 else carrier_text(result))
        if self.judged and after != text:
            utf8 = text.encode("utf-8")
            if self.lib.TS_readsAs(utf8, len(utf8), self.source) != 1:
                return None
        return after

    def font(self, name):
        """The destination family's font for `name`, or None when no list holds it."""
        if name in self.fonts:
            return self.fonts[name]
        mapped = None
        data = carrier_bytes(name)
        if data is not None:
            fam = lambda c: VN_UNICODE_1 if c in UNICODE_CODES else c  # noqa: E731
            self.lib.TS_Code2Code(fam(self.source), fam(self.destination))
            out = ctypes.create_string_buffer(64)
            n = self.lib.TS_convertFont(data, out)
            if n > 0:
                mapped = carrier_text(out.raw[:n])
            self._select()
        self.fonts[name] = mapped
        return mapped


def capitals_font(name):
    """A font that shows every letter as a capital (".VnTimeH", "SONTAYCH0", "UHoàiH 1.1")."""
    return ((name.startswith(".Vn") and name.endswith("H")) or name.endswith("CH0")
            or name.endswith("H 1.1"))


def unicode_case(text, upper):
    lib = tslib()
    f = lib.TS_upperUniChar if upper else lib.TS_lowerUniChar
    return "".join(chr(f(ord(c))) if ord(c) < 0x10000 else c for c in text)


def legacy_case(text, code, upper):
    """Case of a text in the legacy charset `code`; None when it is not carried as bytes."""
    data = carrier_bytes(text)
    if data is None or b"\0" in data:
        return None
    lib = tslib()
    lib.TS_defaultCode(code)
    buf = ctypes.create_string_buffer(data, len(data) + 1)
    (lib.TS_upperStr if upper else lib.TS_lowerStr)(buf)
    return carrier_text(buf.raw[:len(data)])


UNICODE_FONT = "unicode"


_families = {}


def font_family(name):
    """What a run's font says of its text: TCVN3, VNI or VISCII for a legacy font,
    UNICODE_FONT for a Unicode font of the lists ("Times New Roman", "Arial"), None when the
    name says nothing.  Asked once per name: a document names few fonts many times."""
    if name not in _families:
        _families[name] = _font_family(name)
    return _families[name]


def _font_family(name):
    code = font_charset(name)
    if code is not None:
        return code
    data = carrier_bytes(name)
    if data:
        lib = tslib()
        out = ctypes.create_string_buffer(64)
        lib.TS_Code2Code(VN_UNICODE_1, TCVN3)
        if lib.TS_convertFont(data, out) > 0:
            return UNICODE_FONT
    return None


def font_charset(name):
    """The legacy charset a font belongs to (TCVN3, VNI, VISCII: a font of its list or of its
    naming), or None for other fonts, whose text is Unicode."""
    data = carrier_bytes(name)
    if not data:
        return None
    lib = tslib()
    out = ctypes.create_string_buffer(64)
    for code in (TCVN3, VNI_WIN, VISCII):
        lib.TS_Code2Code(code, VN_UNICODE_1)
        if lib.TS_convertFont(data, out) > 0:
            return code
    if name.startswith(".Vn"):
        return TCVN3
    if name.startswith("VNI-"):
        return VNI_WIN
    return None


# ---- the text of documents -----------------------------------------------------------------


def _each(enumeration_access):
    e = enumeration_access.createEnumeration()
    while e.hasMoreElements():
        yield e.nextElement()


def _supports(obj, service):
    try:
        return obj.supportsService(service)
    except Exception:
        return False


def _paragraph_runs(text, edits=False, whole=True):
    """The text portions of a text (paragraphs; tables within it cell by cell), read a
    paragraph at a time as they are asked for: Writer updates every run it has handed out at
    each change of the text, so only the runs of the paragraph at hand are held.  With
    `edits` (Writer's texts), the runs of each paragraph are changed through one
    _ParagraphEdit, found by _edit_of while the paragraph is at hand.  `whole`: the text's
    paragraphs are whole (not those of a selection)."""
    walker = _Walker() if edits else None
    redlines = []  # the tracked changes the runs at hand lie in, innermost last
    for par in _each(text):
        if _supports(par, "com.sun.star.text.TextTable"):
            if walker is not None:
                walker.last = None  # the paragraph after the table does not follow the one before
            for name in par.getCellNames():
                yield from _paragraph_runs(par.getCellByName(name), edits, whole)
        elif hasattr(par, "createEnumeration"):
            edit = _ParagraphEdit(par, walker) if edits else None
            runs = [_kind_and_font(p, edit) for p in _each(par)]
            if edit is not None and whole and len(runs) > 1:
                fonts = {font for _, kind, font in runs if kind == "Text"}
                if len(fonts) == 1 and all(kind == "Text" for _, kind, _ in runs):
                    edit.one_font = fonts.pop()
            for portion, kind, font in runs:
                if kind == "Redline" and edit is not None:
                    _follow_redline(portion, redlines)
                if kind == "ContentControl":
                    if edit is not None:
                        edit.lost()
                    yield from _control_runs(portion.ContentControl)
                    continue
                if kind != "Text":
                    if edit is not None:
                        edit.lost()  # a field, a bookmark, an anchor: not counted in runs
                    continue
                if edit is not None:
                    _edit_of[id(portion)] = edit
                    _font_of[id(portion)] = font
                    if redlines:
                        _redline_of[id(portion)] = redlines[-1]
                yield portion
            _edit_of.clear()
            _font_of.clear()
            _redline_of.clear()


# Writer's content controls met among the runs, each with the font of its first run; those
# that could not be read.
_controls = []
_unreachable = []


def _control_runs(control):
    """The runs of a content control (a drop-down's shown text, a plain text control's),
    changed each on its own (the paragraph's walker does not count the control's marks)."""
    try:
        portions = [p for p in _each(control)
                    if getattr(p, "TextPortionType", "Text") == "Text" and p.getString()]
    except Exception:
        # LibreOffice 7.4 disposes the control's object once an edit within it is undone
        # (and may stop on reading it): the control stays as it is, counted.
        _unreachable.append(control)
        return
    first = True
    for portion in portions:
        if first:
            _controls.append((control, portion.CharFontName))
            first = False
        _edit_of[id(portion)] = _ON_ITS_OWN
        yield portion


class _RunOnItsOwn:
    """A run changed on its own, strictly inside its range where it can be (a content
    control's run: text put at the control's end falls out of it): its new text goes in after
    the run's first character where it has two, else right at its start; then the old text
    goes."""

    def kept(self, portion, text):
        pass

    def replace(self, portion, old, old_font, text, font):
        if font and font != old_font:
            portion.CharFontName = font
        if old == text:
            return
        host = portion.getText()
        at = 1 if len(old) > 1 else 0
        cursor = host.createTextCursorByRange(portion.getStart())
        if at:
            cursor.goRight(at, False)
        host.insertString(cursor, text, False)
        cursor.goRight(len(old) - at, True)
        cursor.setString("")
        if at:
            cursor.goLeft(len(text), False)
            cursor.goLeft(at, True)
            cursor.setString("")


_ON_ITS_OWN = _RunOnItsOwn()


def _convert_controls(convert_run):
    """The items of the drop-down content controls met, shown in the font of the control's
    first run and converted as its text is; returns the number of controls changed."""
    changed = 0
    for control, font in _controls:
        try:
            items = control.ListItems
        except Exception:
            continue
        new_items, changes = [], False
        for item in items:
            values = []
            for value in item:
                if value.Name == "DisplayText" and value.Value:
                    _, after, _ = convert_run(value.Value, font)
                    if after is not None and after != value.Value:
                        value = PropertyValue(value.Name, value.Handle, after, value.State)
                        changes = True
                values.append(value)
            new_items.append(tuple(values))
        if changes:
            # Not for undo: LibreOffice 7.4 replaces a control whose text an undo or redo
            # changes, and stops when the old one is then set.
            uno.invoke(control, "setPropertyValue", (
                "ListItems", uno.Any("[][]com.sun.star.beans.PropertyValue", tuple(new_items))))
            changed += 1
    _controls.clear()
    return changed


def _kind_and_font(portion, both):
    """A portion's type, and with `both` its font too (in one call to Writer)."""
    if both:
        try:
            kind, font = portion.getPropertyValues(("TextPortionType", "CharFontName"))
            return portion, kind, font
        except Exception:
            pass
    return portion, getattr(portion, "TextPortionType", "Text"), None


# The _ParagraphEdit of each run of the paragraph at hand, its font, and the tracked change
# it lies in, by id() of the run.
_edit_of = {}
_font_of = {}
_redline_of = {}


def _follow_redline(portion, redlines):
    """A tracked change's start or end met among the runs: an insertion's or a deletion's
    type and properties pushed at its start, taken off at its end."""
    try:
        kind = portion.RedlineType
        if kind not in ("Insert", "Delete"):
            return
        if not portion.IsStart:
            for i in range(len(redlines) - 1, -1, -1):
                if redlines[i][0] == kind:
                    del redlines[i]
                    break
            return
        props = []
        for name in ("RedlineAuthor", "RedlineDateTime", "RedlineComment"):
            value = PropertyValue()
            value.Name, value.Value = name, portion.getPropertyValue(name)
            props.append(value)
        redlines.append((kind, tuple(props)))
    except Exception:
        pass


def _keep_in_redline(portion):
    """A run of a tracked insertion or deletion, its text changed (the conversion records no
    revision, and text put inside a tracked change falls out of it): its whole text made
    part of that change again, with the change's author, time and comment, so that
    accepting or rejecting the changes takes it whole."""
    redline = _redline_of.get(id(portion))
    if redline is None:
        return
    try:
        portion.getText().createTextCursorByRange(portion).makeRedline(redline[0], redline[1])
    except Exception:
        pass


def _common_ends(old, new):
    """The number of characters `old` and `new` share at their start, and then at their end."""
    most = min(len(old), len(new))
    k = 0
    while k < most and old[k] == new[k]:
        k += 1
    s = 0
    while s < most - k and old[-1 - s] == new[-1 - s]:
        s += 1
    return k, s


class _Walker:
    """The text cursor the runs of a text's paragraphs are changed through, made at the
    first change, with its methods (each lookup is a call into the office)."""

    def __init__(self):
        self.cursor = None
        self.within = None  # the _ParagraphEdit whose paragraph holds the cursor
        self.last = None  # the _ParagraphEdit of the paragraph enumerated last

    def at(self, edit, portion):
        """The cursor, collapsed at the start of `portion`, a run of `edit`'s paragraph."""
        if self.cursor is None:
            self.host = edit.par.getText()
            self.cursor = self.host.createTextCursorByRange(portion.getStart())
            self.right, self.left = self.cursor.goRight, self.cursor.goLeft
            self.set, self.insert = self.cursor.setString, self.host.insertString
            self.step = self.cursor.gotoNextParagraph
        else:
            self.cursor.gotoRange(portion.getStart(), False)
        self.within = edit
        return self

    def at_start(self, edit):
        """The cursor at the start of `edit`'s paragraph when it gets there in one step
        (from the paragraph before it, where the cursor is); False otherwise."""
        if self.within is None or self.within is not edit.before:
            return False
        self.step(False)
        self.within = edit
        return True


class _ParagraphEdit:
    """The changes to the runs of one Writer paragraph, made in order through its text's
    _Walker, whose cursor walks from run to run (a cursor made for each run costs Writer more
    than the change itself).  A run's new text goes in strictly inside the run, between two
    of its own characters, so that it takes every attribute of the run, even those that do
    not grow at their ends (a hyperlink); then the old characters around it go.  Where the
    old and new texts share their first and last characters, only what lies between changes,
    in one step.  Positions count characters (code points), as Writer's cursor moves."""

    def __init__(self, par, walker):
        self.par, self.walker = par, walker
        self.before, walker.last = walker.last, self
        # The font of every run, where the paragraph holds runs alone, all in one font: a new
        # font is then given to the whole paragraph at its first change (`font_set`), in one
        # call instead of one per run.
        self.one_font = self.font_set = None
        # Characters from the cursor's point to the start of the next run; None when not
        # known (the cursor is then put at the run's start).
        self.ahead = None
        # Characters from the paragraph's start to the next run's start while only runs
        # came before it; None after anything else.
        self.from_start = 0

    def lost(self):
        self.ahead = self.from_start = None

    def kept(self, portion, text):
        """A run left as it is, its font too."""
        if self.font_set is not None:
            portion.CharFontName = self.one_font  # the paragraph's new font came to it
        else:
            self.one_font = None  # left before any change: fonts go run by run
        self.passed(text)

    def passed(self, text):
        """A run whose text stays as it is."""
        if self.ahead is not None:
            self.ahead += len(text)
        if self.from_start is not None:
            self.from_start += len(text)

    def _at_run(self, portion, offset):
        """The walker, its cursor collapsed `offset` characters into the run."""
        w = self.walker
        if self.ahead is None:
            if self.from_start is not None and w.at_start(self):
                self.ahead = self.from_start
            else:
                w.at(self, portion)
                self.ahead = 0
            self.from_start = None
        if self.ahead + offset:
            w.right(self.ahead + offset, False)
        return w

    def replace(self, portion, old, old_font, text, font):
        # The font first, so that the new text takes it with the rest.
        if font and font != old_font:
            if old_font != self.one_font or self.font_set not in (None, font):
                portion.CharFontName = font
            elif self.font_set is None:
                self.par.CharFontName = self.font_set = font
        if old == text:
            self.passed(old)
            return
        n = len(old)
        k, s = _common_ends(old, text)
        if n < 2:
            # No place inside: the new text goes in behind the old, taking the attributes
            # of its character that grow at their end, and the old goes.
            w = self._at_run(portion, n)
            w.insert(w.cursor, text, False)
            w.left(len(text), False)
            w.left(n, True)
            w.set("")
            self.ahead = len(text)
        elif k and s:
            w = self._at_run(portion, k)
            if n - k - s:
                w.right(n - k - s, True)
            middle = text[k:len(text) - s]
            w.set(middle)
            # The cursor's point is left before the new text, moved back by its length in
            # UTF-16 units: right only where no character takes two.
            self.ahead = len(middle) + s if not middle or max(middle) <= "\uffff" else None
        elif k:
            # The old text's end changes: the new end goes in before the old one's last
            # character, which goes with the rest of the old end.
            k = min(k, n - 1)
            w = self._at_run(portion, k)
            w.insert(w.cursor, text[k:], False)
            w.right(n - k, True)
            w.set("")
            self.ahead = 0
        elif s:
            # Its start changes: the new start goes in after the old one's first character.
            s = min(s, n - 1)
            w = self._at_run(portion, n - s)
            added = text[:len(text) - s]
            w.insert(w.cursor, added, False)
            w.left(len(added), False)
            w.left(n - s, True)
            w.set("")
            self.ahead = len(text)
        else:
            # Both: the new text goes in after the first old character; the rest of the old
            # text goes, then that character.
            w = self._at_run(portion, 1)
            w.insert(w.cursor, text, False)
            w.right(n - 1, True)
            w.set("")
            w.left(len(text), False)
            w.left(1, True)
            w.set("")
            self.ahead = len(text)


def _text_portions(text, out):
    """The text portions of a text, all at once, into `out`."""
    out.extend(_paragraph_runs(text))


class _Seen:
    """Texts visited once: a shared header is one text however it is reached."""

    def __init__(self):
        self.items = []

    def first(self, obj):
        if any(obj == o for o in self.items):
            return False
        self.items.append(obj)
        return True


def _writer_portions(doc, selection_only):
    """The runs of a Writer document, as they are asked for (see _paragraph_runs)."""
    if selection_only:
        ranges = []
        sel = doc.getCurrentController().getSelection()
        if sel is not None and _supports(sel, "com.sun.star.text.TextRanges"):
            for i in range(sel.getCount()):
                r = sel.getByIndex(i)
                if r.getString():
                    ranges.append(r.getText().createTextCursorByRange(r))
        for r in ranges:
            yield from _paragraph_runs(r, True, False)
        return
    seen = _Seen()
    yield from _paragraph_runs(doc.getText(), True)
    frames = doc.getTextFrames()
    for name in frames.getElementNames():
        yield from _paragraph_runs(frames.getByName(name).getText(), True)
    # Footnotes and endnotes, drawing shapes and their text boxes.
    for notes in (doc.getFootnotes(), doc.getEndnotes()):
        for i in range(notes.getCount()):
            yield from _paragraph_runs(notes.getByIndex(i), True)
    page = doc.getDrawPage()
    for i in range(page.getCount()):
        shape = page.getByIndex(i)
        if _supports(shape, "com.sun.star.text.TextFrame"):
            continue  # frames are done above
        if getattr(shape, "TextBox", False):
            # A shape with a text box (Word's text boxes are read so): its text is Writer's,
            # in a frame of its own that the document's frames leave out.
            yield from _paragraph_runs(shape.TextBoxContent.getText(), True)
            continue
        out = []
        _shape_portions(shape, out)
        yield from out

    styles = doc.getStyleFamilies().getByName("PageStyles")
    for name in styles.getElementNames():
        style = styles.getByName(name)
        for on, parts in (("HeaderIsOn", ("HeaderText", "HeaderTextLeft", "HeaderTextFirst")),
                          ("FooterIsOn", ("FooterText", "FooterTextLeft", "FooterTextFirst"))):
            if not getattr(style, on, False):
                continue
            for part in parts:
                try:
                    text = style.getPropertyValue(part)
                except Exception:
                    continue
                if text is not None and seen.first(text):
                    yield from _paragraph_runs(text, True)


def _calc_cells(doc, selection_only, kind="STRING"):
    """The cells holding text (or, with kind "FORMULA", formulas), of every sheet or of the
    selection."""
    flags = uno.getConstantByName("com.sun.star.sheet.CellFlags." + kind)
    if selection_only:
        sel = doc.getCurrentController().getSelection()
        areas = [sel] if sel is not None and hasattr(sel, "queryContentCells") else []
    else:
        sheets = doc.getSheets()
        areas = [sheets.getByIndex(i) for i in range(sheets.getCount())]
    cells = []
    for area in areas:
        cells.extend(_each(area.queryContentCells(flags).getCells()))
    return cells


# Copies of texts (Calc's header and footer contents) to write back after their runs changed.
_written_back = []
# Runs of such copies that are not counted when they stay as they were.
_quiet = set()


def _write_back(step):
    """The copies written back; their old values kept for undo in `step` (Calc records no
    change of a page style's header or footer made through the API)."""
    for owner, prop, value, old in _written_back:
        try:
            owner.setPropertyValue(prop, value)
        except Exception:
            continue  # the copy alone changed: the document is as it was
        step.set(owner, prop, old, value)
    _written_back.clear()
    _quiet.clear()


def _calc_portions(doc, selection_only):
    out = []
    for cell in _calc_cells(doc, selection_only):
        _text_portions(cell, out)
    if selection_only:
        return out
    # Cell comments, and the shapes of each sheet.
    sheets = doc.getSheets()
    for s in range(sheets.getCount()):
        sheet = sheets.getByIndex(s)
        annotations = sheet.getAnnotations()
        notes = [annotations.getByIndex(i).getAnnotationShape()
                 for i in range(annotations.getCount())]
        for note in notes:
            _shape_portions(note, out)
        page = sheet.getDrawPage()
        for i in range(page.getCount()):
            shape = page.getByIndex(i)
            # A comment that is shown is on the draw page too, as its caption: once is enough.
            if _supports(shape, "com.sun.star.drawing.OLE2Shape") or any(
                    shape == note for note in notes):
                continue
            _shape_portions(shape, out)
        # The titles of its charts, whose changes Calc does not record for undo either.
        charts = sheet.getCharts()
        for name in charts.getElementNames():
            start = len(out)
            _chart_title_portions(charts.getByName(name).getEmbeddedObject(), out)
            _in_shapes.update(id(p) for p in out[start:])
    # Page headers and footers: their contents are copies, written back once converted.
    styles = doc.getStyleFamilies().getByName("PageStyles")
    for name in styles.getElementNames():
        style = styles.getByName(name)
        for prop in ("RightPageHeaderContent", "LeftPageHeaderContent",
                     "RightPageFooterContent", "LeftPageFooterContent"):
            try:
                content = style.getPropertyValue(prop)
            except Exception:
                continue
            if content is None:
                continue
            parts = []
            for part in (content.LeftText, content.CenterText, content.RightText):
                _text_portions(part, parts)
            _quiet.update(id(p) for p in parts)  # the page number's "Page " is no run to count
            out.extend(parts)
            _written_back.append((style, prop, content, style.getPropertyValue(prop)))
    return out


class _ChartText:
    """A piece of a chart's title (a formatted string: its text in one font), as a run."""

    def __init__(self, piece):
        self.piece = piece

    def getString(self):
        return self.piece.String

    @property
    def CharFontName(self):
        return self.piece.CharFontName

    def put(self, text, font):
        if font and font != self.piece.CharFontName:
            self.piece.CharFontName = font
        if text != self.piece.String:
            self.piece.String = text


def _chart_title_portions(chart, out):
    """The pieces of a chart's titles: its title, subtitle and the titles of its axes."""
    if chart is None or not hasattr(chart, "getFirstDiagram"):
        return
    titled = [chart]
    diagram = chart.getFirstDiagram()
    if diagram is not None:
        titled.append(diagram)  # the subtitle
        for system in diagram.getCoordinateSystems():
            for dimension in range(system.getDimension()):
                for index in range(system.getMaximumAxisIndexByDimension(dimension) + 1):
                    titled.append(system.getAxisByDimension(dimension, index))
    for owner in titled:
        title = owner.getTitleObject() if hasattr(owner, "getTitleObject") else None
        if title is not None:
            out.extend(_ChartText(piece) for piece in title.getText())


# The runs of drawing shapes' texts, whose changes no application records for undo.
_in_shapes = set()


def _shape_portions(shape, out):
    start = len(out)
    _shape_portions_of(shape, out)
    _in_shapes.update(id(p) for p in out[start:])


def _shape_portions_of(shape, out):
    if _supports(shape, "com.sun.star.drawing.GroupShape"):
        for i in range(shape.getCount()):
            _shape_portions_of(shape.getByIndex(i), out)
    elif getattr(shape, "ShapeType", "") == "com.sun.star.drawing.TableShape":
        # (an Impress table says it is a presentation shape only)
        table = shape.Model
        for r in range(table.getRows().getCount()):
            for c in range(table.getColumns().getCount()):
                _text_portions(table.getCellByPosition(c, r), out)
    elif hasattr(shape, "createEnumeration") and hasattr(shape, "getString"):
        _text_portions(shape, out)


def _draw_portions(doc, selection_only):
    out = []
    if selection_only:
        sel = doc.getCurrentController().getSelection()
        if sel is not None and hasattr(sel, "getCount"):
            for i in range(sel.getCount()):
                _shape_portions(sel.getByIndex(i), out)
        return out
    # The slides with their notes pages, and the master pages.  Placeholders that only show
    # their prompt ("Click to add Text") hold no text of the user's: on master pages none of
    # the placeholders does.
    pages = []
    slides = doc.getDrawPages()
    for p in range(slides.getCount()):
        slide = slides.getByIndex(p)
        pages.append((slide, False))
        if hasattr(slide, "getNotesPage"):
            pages.append((slide.getNotesPage(), False))
    masters = doc.getMasterPages()
    pages.extend((masters.getByIndex(m), True) for m in range(masters.getCount()))
    for page, master in pages:
        for i in range(page.getCount()):
            shape = page.getByIndex(i)
            placeholder = getattr(shape, "IsPresentationObject", False)
            if placeholder and (master or getattr(shape, "IsEmptyPresentationObject", False)):
                continue
            _shape_portions(shape, out)
    return out


def text_portions(doc, selection_only=False):
    """The text runs of a document, or of its selection (_write_back() applies the changes
    made to texts that are copies)."""
    _written_back.clear()
    _quiet.clear()
    _in_shapes.clear()
    _controls.clear()
    _unreachable.clear()
    _edit_of.clear()
    _font_of.clear()
    if _supports(doc, "com.sun.star.text.TextDocument"):
        return _writer_portions(doc, selection_only)
    if _supports(doc, "com.sun.star.sheet.SpreadsheetDocument"):
        return _calc_portions(doc, selection_only)
    if hasattr(doc, "getDrawPages"):
        return _draw_portions(doc, selection_only)
    raise ValueError("not a Writer, Calc, Impress or Draw document")


def _selection(doc):
    try:
        return doc.getCurrentController().getSelection()
    except Exception:
        return None


def _has_selection(doc):
    try:
        sel = doc.getCurrentController().getSelection()
    except Exception:
        return False
    if sel is None:
        return False
    if _supports(sel, "com.sun.star.text.TextRanges"):
        return any(sel.getByIndex(i).getString() for i in range(sel.getCount()))
    if _supports(doc, "com.sun.star.sheet.SpreadsheetDocument"):
        # Calc always has a cell selected: a selection is more than the cursor's cell.
        return not _supports(sel, "com.sun.star.sheet.SheetCell")
    return hasattr(sel, "getCount") and sel.getCount() > 0


def _units(text):
    return len(text.encode("utf-16-le")) // 2


def _put(portion, text, font, old=None, old_font=None, host=None):
    """A run's text and font replaced, its other attributes kept: the new text goes in behind
    the old, taking the attributes of the run's own last character (setting the string would
    delete first and take the neighbour's), then the old text goes.  A new font is given to
    the run first, so that the new text takes it with the rest.  `old`, `old_font` and
    `host` are the run's text, font and text as the caller read them (read here when not
    given): each is one call to the office fewer."""
    if isinstance(portion, _ChartText):
        portion.put(text, font)
        return
    if old is None:
        old = portion.getString()
    if host is None:
        host = portion.getText()
    if not old:
        host.insertString(host.createTextCursorByRange(portion.getStart()), text, False)
        if font:
            new = host.createTextCursorByRange(portion.getStart())
            new.goRight(_units(text), True)
            if getattr(new, "CharFontName", font) != font:
                new.CharFontName = font
        return
    if font and font != (old_font if old_font is not None else portion.CharFontName):
        portion.CharFontName = font
    if old != text:
        host.insertString(portion.getEnd(), text, False)
        gone = host.createTextCursorByRange(portion.getStart())
        gone.goRight(_units(old), True)
        gone.setString("")


class _TextUndo(unohelper.Base, XUndoAction):
    """The undo step of text changes the document does not record itself (Impress and Draw
    record none for text set through the API)."""

    def __init__(self, title, changes):
        self.Title = title
        self.changes = changes

    def undo(self):
        for portion, old_text, old_font, _, _ in reversed(self.changes):
            _put(portion, old_text, old_font)

    def redo(self):
        for portion, _, _, new_text, new_font in self.changes:
            _put(portion, new_text, new_font)


class _SettingsUndo(unohelper.Base, XUndoAction):
    """The undo step of properties set that the application does not record: each (object,
    name, old value, new value)."""

    def __init__(self, title, settings):
        self.Title = title
        self.settings = settings

    def undo(self):
        for obj, name, old, _ in reversed(self.settings):
            obj.setPropertyValue(name, old)

    def redo(self):
        for obj, name, _, new in self.settings:
            obj.setPropertyValue(name, new)


class _OneUndoStep:
    """The text changes made through change() are one step of the document's undo list."""

    def __init__(self, doc, title, undo=True):
        """`undo` false: the changes are not kept for undo at all."""
        self.doc, self.title, self.undo = doc, title, undo
        self.manager = doc.getUndoManager()
        # Writer and Calc record API changes; drawings do not, and get an action of ours.
        self.own = undo and not (_supports(doc, "com.sun.star.text.TextDocument")
                                 or _supports(doc, "com.sun.star.sheet.SpreadsheetDocument"))
        self.changes = []
        self.settings = []

    def set(self, obj, name, old, new):
        """A property the application does not record for undo, set to `new` already."""
        if self.undo:
            self.settings.append((obj, name, old, new))

    def keep(self, portion, text):
        """A run read and left as it is (`text`: its text)."""
        edit = _edit_of.get(id(portion))
        if edit is not None:
            edit.kept(portion, text)

    def change(self, portion, text, font, old_text=None, old_font=None):
        """`old_text` and `old_font`: the run's, where the caller has read them."""
        if old_text is None:
            old_text = portion.getString()
        if old_font is None:
            old_font = getattr(portion, "CharFontName", "")
        edit = _edit_of.get(id(portion))
        if edit is not None:  # Writer records its own text's changes
            edit.replace(portion, old_text, old_font, text, font)
            if old_text != text:
                _keep_in_redline(portion)
            return
        _put(portion, text, font, old_text, old_font)
        # Text in drawing shapes is recorded by no application: Writer's and Calc's shapes
        # get an action of ours too, inside their context.
        if self.own or (self.undo and id(portion) in _in_shapes):
            self.changes.append((portion, old_text, old_font, text, font or old_font))

    def __enter__(self):
        if not self.undo:
            self.manager.lock()
        elif not self.own:
            self.manager.enterUndoContext(self.title)
        self.doc.lockControllers()
        return self

    def __exit__(self, *exc):
        self.doc.unlockControllers()
        if self.changes:
            self.manager.addUndoAction(_TextUndo(self.title, self.changes))
        if self.settings:
            self.manager.addUndoAction(_SettingsUndo(self.title, self.settings))
        if not self.undo:
            self.manager.unlock()
        elif not self.own:
            self.manager.leaveUndoContext()
        return False


def run_charset(font, source, selection_only, all_text):
    """The charset a run is converted from, by its font, or None when it stays as it is: a
    legacy font gives its own charset (in a selection only the source's family is
    converted); a Unicode font gives Unicode text, converted only when the source is Unicode;
    a font that says nothing gives the source, with "all text" only."""
    family = font_family(font) if font else None
    if family == UNICODE_FONT:
        return UTF8 if source in UNICODE_CODES else None
    if family is not None:
        if source in UNICODE_CODES or (selection_only and family != source):
            return None
        return family
    return (UTF8 if source in UNICODE_CODES else source) if all_text else None


_STRING_LITERAL = re.compile(r'"((?:[^"]|"")*)"')


def _converter(font, source, destination, selection_only, all_text, converters, map_fonts):
    """The conversion of text in `font` (run_charset; None when it stays as it is), made
    once.  Text in a font that names no charset is judged (Converter)."""
    charset = run_charset(font, source, selection_only, all_text)
    if charset is None or charset == destination or (
            charset in UNICODE_CODES and destination in UNICODE_CODES):
        return None
    judged = font_family(font) is None if font else True
    if (charset, judged) not in converters:
        converters[charset, judged] = Converter(charset, destination, map_fonts, judged)
    return converters[charset, judged]


def _convert_formula_strings(doc, source, destination, selection_only, all_text, converters,
                             map_fonts):
    """The string literals inside formulas ("=A1&\"...\""), each in the charset of its cell's
    font; returns the number of formulas changed."""
    changed = 0
    for cell in _calc_cells(doc, selection_only, "FORMULA"):
        conv = _converter(cell.CharFontName, source, destination, selection_only, all_text,
                          converters, map_fonts)
        if conv is None:
            continue

        def literal(m):
            inner = m.group(1).replace('""', '"')
            after = conv.text(inner)
            return m.group(0) if after is None else '"' + after.replace('"', '""') + '"'

        before = cell.getFormula()
        after = _STRING_LITERAL.sub(literal, before)
        if after != before:
            cell.setFormula(after)
            changed += 1
    return changed


# Writer's fields whose contents are the user's own text, and the properties holding it.
_TEXT_FIELDS = (
    ("com.sun.star.text.TextField.Input", ("Content", "Hint")),
    ("com.sun.star.text.TextField.DropDown", ("Items", "SelectedItem", "Help")),
    ("com.sun.star.text.TextField.JumpEdit", ("PlaceHolder", "Hint")),
)


def _set_field(field, prop, value):
    if isinstance(value, tuple):  # a list of strings, said as such
        uno.invoke(field, "setPropertyValue", (prop, uno.Any("[]string", value)))
    else:
        field.setPropertyValue(prop, value)


def _convert_fields(doc, source, destination, all_text, converters, map_fonts):
    """The contents of Writer's input, drop-down and placeholder fields, each in the charset
    of the font it shows in, that font mapped too; returns the number of fields changed."""
    changed = 0
    for field in _each(doc.getTextFields()):
        props = next((p for service, p in _TEXT_FIELDS if _supports(field, service)), None)
        if props is None:
            continue
        anchor = field.getAnchor()
        font = anchor.CharFontName
        conv = _converter(font, source, destination, False, all_text, converters, map_fonts)
        if conv is None:
            continue
        before = {p: field.getPropertyValue(p) for p in props}
        after = {}
        for prop, value in before.items():
            if isinstance(value, str):
                new = conv.text(value) if value else value
            else:
                new = tuple(conv.text(v) or v for v in value)
            if new is not None and new != value:
                after[prop] = new
        if "Items" in after and before.get("SelectedItem"):
            # Setting the items clears the choice, and so does undoing it: the choice is
            # cleared first, so that the last undo step gives it back.
            _set_field(field, "SelectedItem", "")
            after.setdefault("SelectedItem", before["SelectedItem"])
        for prop, value in after.items():  # the items before the choice
            _set_field(field, prop, value)
        done = bool(after)
        mapped = conv.font(font) if map_fonts and font else None
        if mapped is not None and mapped != font:
            anchor.CharFontName = mapped
            done = True
        changed += done
    return changed


def _direct_properties(obj, prefix):
    """The properties named `prefix`... set on `obj` itself (not taken from a style)."""
    names = tuple(p.Name for p in obj.getPropertySetInfo().getProperties()
                  if p.Name.startswith(prefix) and not p.Attributes & _READONLY)
    names = tuple(n for n, s in zip(names, obj.getPropertyStates(names)) if s == _DIRECT)
    return dict(zip(names, obj.getPropertyValues(names)))


def _set_properties(obj, props):
    try:
        obj.setPropertyValues(tuple(props), tuple(props.values()))
    except Exception:
        for name, value in props.items():  # each one that can be set
            try:
                obj.setPropertyValue(name, value)
            except Exception:
                pass


# What a comment is besides its text; then its name, and its parent's in the LibreOffice
# versions that thread replies by name, given to the new comment once it is in (given
# before, Writer names it a copy of the old one).
_COMMENT_PROPERTIES = ("Author", "Initials", "DateTimeValue", "Resolved")
_COMMENT_NAMES = ("Name", "ParentName")


def _comment_paragraphs(field, convert_run):
    """A comment's paragraphs converted, each (its own properties, its runs as (text, own
    properties)); None where nothing changes, or where the comment holds more than text."""
    paragraphs, changes = [], False
    for par in _each(field.TextRange):
        runs = []
        for portion in _each(par):
            if portion.TextPortionType != "Text":
                return None  # a field within the comment: it stays as it is
            text, props = portion.getString(), _direct_properties(portion, "Char")
            if text:
                font = props.get("CharFontName") or portion.CharFontName
                _, after, new_font = convert_run(text, font)
                if after is not None and (after != text or new_font != font):
                    text, changes = after, True
                    if new_font:
                        props["CharFontName"] = new_font
            runs.append((text, props))
        paragraphs.append((_direct_properties(par, "Para"), runs))
    return paragraphs if changes else None


# Character properties a comment's text loses nothing by (its fonts and size, its language),
# and those whose value is the plain one.
_PLAIN_CHAR = ("CharFont", "CharHeight", "CharLocale", "CharAutoKerning")
_PLAIN_VALUES = {"CharWeight": lambda v: v <= 100, "CharUnderline": lambda v: v == 0,
                 "CharStrikeout": lambda v: v == 0, "CharColor": lambda v: v == -1,
                 "CharPosture": lambda v: getattr(v, "value", v) == "NONE"}


def _plain(paragraphs):
    """Whether a comment's paragraphs hold nothing besides their text, fonts and sizes."""
    def plain(name, value):
        if name.startswith(_PLAIN_CHAR):
            return True
        check = _PLAIN_VALUES.get(name)
        return check is not None and check(value)
    return all(all(n == "ParaStyleName" or (n == "ParaIsNumberingRestart" and not v)
                   for n, v in par_props.items())
               and all(plain(n, v) for _, props in runs for n, v in props.items())
               for par_props, runs in paragraphs)


def _convert_comments(doc, convert_run, unicode_out):
    """Writer's comments, run by run, each in the charset of its font; returns the number of
    comments changed and of those left.  Writer keeps a comment's text apart and takes no
    change made to it through the API: a changed comment is made anew (author, date,
    initials, each run's attributes and paragraphs) where the old one was, which then goes.
    A comment on a range of text cannot be made anew (the old one's mark of the range stays
    behind, and Word's format then stores a range without its comment): its text is set
    whole where it holds nothing but text and fonts and becomes Unicode, and it is left
    otherwise."""
    changed = left = 0
    for field in list(_each(doc.getTextFields())):
        if not _supports(field, "com.sun.star.text.TextField.Annotation"):
            continue
        paragraphs = _comment_paragraphs(field, convert_run)
        if paragraphs is None:
            continue
        # The text the comment marks, kept across the old comment's going: a cursor made
        # from its ends before (one made from the anchor itself is refused).
        anchor = field.getAnchor()
        host = anchor.getText()
        marked = host.createTextCursorByRange(anchor.getStart())
        marked.gotoRange(anchor.getEnd(), True)
        if anchor.getString():  # a comment at a point is anchored at its own mark
            if unicode_out and _plain(paragraphs):
                field.Content = "\n".join("".join(t for t, _ in runs) for _, runs in paragraphs)
                changed += 1
            else:
                left += 1
            continue
        info = field.getPropertySetInfo()
        own = {p: field.getPropertyValue(p) for p in _COMMENT_PROPERTIES + _COMMENT_NAMES
               if info.hasPropertyByName(p)}
        new = doc.createInstance("com.sun.star.text.TextField.Annotation")
        _set_properties(new, {p: v for p, v in own.items() if p in _COMMENT_PROPERTIES})
        text = new.TextRange
        cursor = text.createTextCursor()
        for i, (par_props, runs) in enumerate(paragraphs):
            if i:
                text.insertControlCharacter(cursor, _PARAGRAPH_BREAK, False)
            par_start = text.createTextCursorByRange(cursor.getEnd())
            for run_text, props in runs:
                start = text.createTextCursorByRange(cursor.getEnd())
                text.insertString(cursor, run_text, False)
                start.gotoRange(cursor.getEnd(), True)
                _set_properties(start, props)
            if par_props:
                par_start.gotoRange(cursor.getEnd(), True)
                _set_properties(par_start, par_props)
        host.removeTextContent(field)
        host.insertTextContent(marked, new, False)
        names = {p: v for p, v in own.items() if p in _COMMENT_NAMES}
        if names:
            _set_properties(new, names)
        changed += 1
    return changed, left


def convert_document(doc, source, destination, map_fonts=True, selection_only=False,
                     all_text=False, undo=True):
    """Converts the text of a document (or of its selection) run by run, each from the
    charset its font says (run_charset); returns the number of runs changed and the number
    left as they were."""
    source, destination = int(source), int(destination)
    map_fonts, selection_only, all_text = bool(map_fonts), bool(selection_only), bool(all_text)
    Converter(source, destination, map_fonts)  # the pair must exist
    converters = {}
    # What a font means for its runs, worked out once: (conversion or None, new font,
    # whether the text is written in capitals).
    plans = {}

    def plan_of(font):
        conv = _converter(font, source, destination, selection_only, all_text, converters,
                          map_fonts)
        if conv is None:
            return None, font, False
        mapped = conv.font(font) if map_fonts and font else None
        new_font = mapped if mapped is not None else font
        return conv, new_font, capitals_font(font) and not capitals_font(new_font)

    def convert_run(before, font):
        """A run's conversion (None for none), new text (None where it is not converted)
        and new font."""
        plan = plans.get(font)
        if plan is None:
            plan = plans[font] = plan_of(font)
        conv, new_font, capitals = plan
        after = conv.text(before) if conv is not None else None
        if after is not None and capitals:
            after = (unicode_case(after, True) if conv.destination in UNICODE_CODES
                     else legacy_case(after, conv.destination, True) or after)
        return conv, after, new_font

    changed = left = 0
    # A conversion is no edit of the user's to track: recording is off while it runs (each
    # converted run would become a deletion and an insertion), and as it was afterwards.
    recording = _recording(doc)
    if recording:
        doc.setPropertyValue("RecordChanges", False)
    try:
        return _convert_runs(doc, source, destination, map_fonts, selection_only, all_text,
                             undo, convert_run, converters)
    finally:
        if recording:
            doc.setPropertyValue("RecordChanges", True)


# Fonts of symbols, and the characters they are given in (Word's w:sym: U+F020 to U+F0FF).
_SYMBOL_FONTS = ("Symbol", "Wingdings", "Wingdings 2", "Wingdings 3", "Webdings")
_SYMBOL = re.compile("[\uf020-\uf0ff]+")
_NOT_SYMBOL = re.compile("[^\uf020-\uf0ff]+")


def _symbols_apart(portion, text, font, convert_run):
    """A run in a symbol font that holds text beside its symbols: LibreOffice reads a Word
    run holding a symbol (w:sym) and text all in the symbol's font, and the text would be
    drawn as symbols.  The symbols stay alone in their font; each stretch of text is given
    the font of the paragraph's run of text before it (where there is none, the paragraph's
    own) and converted as a run in that font is.  Returns whether a stretch was converted."""
    host = portion.getText()
    converted = False
    stretches = [(m.start(), m.group()) for m in _NOT_SYMBOL.finditer(text)]
    for start, old in reversed(stretches):  # from the end: the earlier offsets stay
        cursor = host.createTextCursorByRange(portion.getStart())
        cursor.goRight(start, False)
        cursor.goRight(len(old), True)
        if font:
            cursor.CharFontName = font
        else:
            cursor.setPropertyToDefault("CharFontName")
        own = cursor.CharFontName
        _, after, new_font = convert_run(old, own)
        if after is not None:
            _ON_ITS_OWN.replace(cursor, old, own, after, new_font)
            converted = True
    return converted


def _recording(doc):
    """Whether the document records changes (Writer's and Calc's track changes)."""
    try:
        return bool(doc.getPropertySetInfo().hasPropertyByName("RecordChanges")
                    and doc.getPropertyValue("RecordChanges"))
    except Exception:
        return False


def _convert_runs(doc, source, destination, map_fonts, selection_only, all_text, undo,
                  convert_run, converters):
    changed = left = 0
    text_fonts = {}  # the font of the last run of text in each paragraph, by its edit
    with _OneUndoStep(doc, "Tessaro: Chuyen ma", bool(undo)) as step:
        for portion in text_portions(doc, selection_only):
            before = portion.getString()
            if not before:
                continue
            font = _font_of.get(id(portion))
            if font is None:
                try:
                    font = portion.CharFontName
                except AttributeError:
                    font = ""
            edit = _edit_of.get(id(portion))
            if isinstance(edit, _ParagraphEdit):
                if font in _SYMBOL_FONTS and _SYMBOL.search(before) and _NOT_SYMBOL.search(before):
                    edit.lost()  # the run is changed apart from the paragraph's walker
                    if _symbols_apart(portion, before, text_fonts.get(id(edit)), convert_run):
                        changed += 1
                    else:
                        left += 1  # its text is apart from the symbols, left as it was
                    continue
                text_fonts[id(edit)] = font
            conv, after, new_font = convert_run(before, font)
            if after is None:  # left: not converted, or not in the source charset
                left += conv is not None or id(portion) not in _quiet
                step.keep(portion, before)
                continue
            if after != before or new_font != font:
                step.change(portion, after, new_font, before, font)
                changed += 1
            else:
                step.keep(portion, before)
        _write_back(step)
        if not selection_only and _supports(doc, "com.sun.star.text.TextDocument"):
            changed += _convert_fields(doc, source, destination, all_text, converters,
                                       map_fonts)
            done, kept = _convert_comments(doc, convert_run, destination in UNICODE_CODES)
            changed, left = changed + done, left + kept
            changed += _convert_controls(convert_run)
            left += len(_unreachable)
        if _supports(doc, "com.sun.star.sheet.SpreadsheetDocument"):
            changed += _convert_formula_strings(doc, source, destination, selection_only,
                                                all_text, converters, map_fonts)
        if map_fonts and _supports(doc, "com.sun.star.sheet.SpreadsheetDocument"):
            # A cell's own font, which its runs show where they set none; a formula's, which
            # its result (often the converted text of other cells) is shown in.
            for cell in (_calc_cells(doc, selection_only)
                         + _calc_cells(doc, selection_only, "FORMULA")):
                charset = run_charset(cell.CharFontName, source, selection_only, all_text)
                conv = converters.get((charset, False))  # a font that names its charset
                if conv is None:
                    continue
                mapped = conv.font(cell.CharFontName)
                if mapped is not None and mapped != cell.CharFontName:
                    cell.CharFontName = mapped
    return changed, left


def legacy_sheet_names(doc, source, all_text):
    """The names of a workbook's sheets that read as legacy text (of the source where it
    is named, else of the common legacy charsets).  They are left as they are: formulas and
    links refer to them."""
    if not _supports(doc, "com.sun.star.sheet.SpreadsheetDocument") or source in UNICODE_CODES:
        return []
    codes = (source,) if all_text else tuple({source, TCVN3, VNI_WIN, VISCII})
    lib, names = tslib(), []
    for name in doc.getSheets().getElementNames():
        data = name.encode("utf-8")
        if any(lib.TS_readsAs(data, len(data), code) == 1 for code in codes):
            names.append(name)
    return names


def change_case(doc, upper, selection_only=True):
    """Upper or lower case of the selection (or the whole document), each run in the
    charset its font belongs to; returns the number of runs changed."""
    changed = 0
    title = "Tessaro: Chuyen chu hoa" if upper else "Tessaro: Chuyen chu thuong"
    touched = []
    with _OneUndoStep(doc, title) as step:
        for portion in text_portions(doc, bool(selection_only)):
            before = portion.getString()
            if not before:
                continue
            code = font_charset(getattr(portion, "CharFontName", ""))
            after = unicode_case(before, upper) if code is None else legacy_case(before, code, upper)
            if after is not None and after != before:
                step.change(portion, after, None, before)
                touched.append(portion)
                changed += 1
            else:
                step.keep(portion, before)
        _write_back(step)
    if selection_only and touched and _supports(doc, "com.sun.star.text.TextDocument"):
        # Writer loses a selection whose text is replaced: the changed text is selected again.
        try:
            cursor = touched[0].getText().createTextCursorByRange(touched[0].getStart())
            cursor.gotoRange(touched[-1].getEnd(), True)
            doc.getCurrentController().select(cursor)
        except Exception:
            pass
    return changed


# ---- the macros ----------------------------------------------------------------------------

_choices = {"source": TCVN3, "destination": UTF8, "map_fonts": True}


def _context():
    return XSCRIPTCONTEXT.getComponentContext()  # noqa: F821  (given by the script provider)


def _document():
    return XSCRIPTCONTEXT.getDocument()  # noqa: F821


def _message(text, title="Tessaro"):
    ctx = _context()
    toolkit = ctx.ServiceManager.createInstanceWithContext("com.sun.star.awt.Toolkit", ctx)
    parent = None
    try:
        parent = _document().getCurrentController().getFrame().getContainerWindow()
    except Exception:
        pass
    box_type = uno.Enum("com.sun.star.awt.MessageBoxType", "INFOBOX")
    box = toolkit.createMessageBox(parent, box_type, 1, title, text)
    box.execute()


def _open_url(url):
    ctx = _context()
    shell = ctx.ServiceManager.createInstanceWithContext(
        "com.sun.star.system.SystemShellExecute", ctx)
    shell.execute(url, "", 0)


def _add(model, kind, name, x, y, w, h, **props):
    control = model.createInstance("com.sun.star.awt.UnoControl" + kind + "Model")
    control.PositionX, control.PositionY, control.Width, control.Height = x, y, w, h
    for k, v in props.items():
        setattr(control, k, v)
    model.insertByName(name, control)
    return control


def _choose(title, convert_label):
    """The conversion dialog; the choices, or None when cancelled."""
    ctx = _context()
    smgr = ctx.ServiceManager
    model = smgr.createInstanceWithContext("com.sun.star.awt.UnoControlDialogModel", ctx)
    model.Title, model.Width, model.Height = title, 230, 120
    names = [line.strip() for _, line in charset_names()]
    _add(model, "FixedText", "lblFrom", 8, 8, 100, 10, Label="Tu bang ma (source)")
    _add(model, "ListBox", "lstFrom", 8, 20, 100, 14, Dropdown=True, StringItemList=tuple(names),
         SelectedItems=(_choices["source"] - 1,))
    _add(model, "FixedText", "lblTo", 120, 8, 100, 10, Label="Sang bang ma (destination)")
    _add(model, "ListBox", "lstTo", 120, 20, 100, 14, Dropdown=True, StringItemList=tuple(names),
         SelectedItems=(_choices["destination"] - 1,))
    _add(model, "CheckBox", "chkFonts", 8, 44, 200, 12, Label="Doi font theo bang ma dich",
         State=1 if _choices["map_fonts"] else 0)
    _add(model, "CheckBox", "chkSelection", 8, 60, 200, 12,
         Label="Chi phan da chon (selection only)", State=1 if _has_selection(_document()) else 0)
    _add(model, "CheckBox", "chkAll", 8, 76, 214, 12,
         Label="Ca van ban co font khong ro bang ma (all text)",
         State=1 if _choices.get("all_text") else 0)
    _add(model, "Button", "btnOK", 100, 96, 60, 16, Label=convert_label, PushButtonType=1,
         DefaultButton=True)
    _add(model, "Button", "btnCancel", 164, 96, 58, 16, Label="Thoi", PushButtonType=2)
    dialog = smgr.createInstanceWithContext("com.sun.star.awt.UnoControlDialog", ctx)
    dialog.setModel(model)
    dialog.createPeer(smgr.createInstanceWithContext("com.sun.star.awt.Toolkit", ctx), None)
    ok = dialog.execute() == 1
    result = None
    if ok:
        result = {
            "source": dialog.getControl("lstFrom").getSelectedItemPos() + 1,
            "destination": dialog.getControl("lstTo").getSelectedItemPos() + 1,
            "map_fonts": dialog.getControl("chkFonts").getState() == 1,
            "selection": dialog.getControl("chkSelection").getState() == 1,
            "all_text": dialog.getControl("chkAll").getState() == 1,
        }
        _choices.update({k: result[k] for k in ("source", "destination", "map_fonts",
                                                 "all_text")})
    dialog.dispose()
    return result


def _run_conversion(title, label):
    choice = _choose(title, label)
    if choice is None:
        return
    try:
        changed, left = convert_document(_document(), choice["source"], choice["destination"],
                                         choice["map_fonts"], choice["selection"],
                                         choice["all_text"])
    except Exception as e:
        _message("Khong chuyen ma duoc: %s" % e)
        return
    text = "Da chuyen %d doan van ban." % changed
    if left:
        text += "\n%d doan giu nguyen (font Unicode, font khac bang ma, hoac khong ro)." % left
    names = legacy_sheet_names(_document(), choice["source"], choice["all_text"])
    if names:
        text += ("\nTen trang tinh co ve la ma cu, giu nguyen (cong thuc tham chieu den): " +
                 ", ".join(names))
    _message(text)


def tsConvert(*args):
    """Converts the charset and fonts of the selection or the document."""
    _run_conversion("Chuyen ma/font van ban", "Chuyen ma")


def Tessaro(*args):
    """The panel: the conversion choices, kept for the next conversion."""
    _run_conversion("Tessaro Panel", "Chuyen ma")


def tschangeCaseU(*args):
    """Capitals for the selected text (in Calc, the selected cells)."""
    change_case(_document(), True, True)


def tschangeCaseL(*args):
    change_case(_document(), False, True)


def VNSpell(*args):
    """The spelling dialog, in Vietnamese."""
    ctx = _context()
    lingu = ctx.ServiceManager.createInstanceWithContext(
        "com.sun.star.linguistic2.LinguServiceManager", ctx)
    vi = uno.createUnoStruct("com.sun.star.lang.Locale", "vi", "VN", "")
    if not lingu.getSpellChecker().hasLocale(vi):
        _message("Chua co tu dien tieng Viet cho LibreOffice.\n"
                 "Cai dat: sudo apt-get install hunspell-vi\n"
                 "roi khoi dong lai LibreOffice.")
        return
    doc = _document()
    frame = doc.getCurrentController().getFrame()
    dispatcher = ctx.ServiceManager.createInstanceWithContext(
        "com.sun.star.frame.DispatchHelper", ctx)
    scope = "Current_" if _has_selection(doc) else "Paragraph_"
    arg = uno.createUnoStruct("com.sun.star.beans.PropertyValue")
    arg.Name, arg.Value = "Language", scope + "Vietnamese (Vietnam)"
    dispatcher.executeDispatch(frame, ".uno:LanguageStatus", "", 0, (arg,))
    dispatcher.executeDispatch(frame, ".uno:SpellingAndGrammarDialog", "", 0, ())


def TessaroHelp(*args):
    ctx = _context()
    info = ctx.getValueByName("/singletons/com.sun.star.deployment.PackageInformationProvider")
    _open_url(info.getPackageLocation(EXTENSION_ID) + "/help/tessaro.html")


def tessaroweb(*args):
    _open_url(WEB_ADDRESS)


# ---- for scripts and tests: the same work on a document given ------------------------------


def tsConvertDocument(doc, source, destination, map_fonts=True, selection_only=False,
                      all_text=False, undo=True):
    """`undo` false: nothing is kept for undo (a document converted in batch and closed).
    Returns the runs changed and left, then the legacy sheet names, a line each."""
    changed, left = convert_document(doc, source, destination, map_fonts, selection_only,
                                     all_text, undo)
    names = legacy_sheet_names(doc, int(source), bool(all_text))
    return "\n".join(["%d %d" % (changed, left)] + names)


def tsChangeCaseDocument(doc, upper, selection_only=True):
    return str(change_case(doc, bool(upper), bool(selection_only)))


def tsVersion(*args):
    """The add-in's version: a harmless call that shows its macros load."""
    return ADDIN_VERSION


g_exportedScripts = (tsConvert, Tessaro, tschangeCaseU, tschangeCaseL, VNSpell, TessaroHelp,
                     tessaroweb, tsConvertDocument, tsChangeCaseDocument, tsVersion)
