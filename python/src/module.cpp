// The engine for Python: the package `tessaro` builds its codecs and functions on this
// module.  Every converter is an object of its own (the engine's state is a value), so
// codecs in several threads do not meet.  Errors are Python exceptions, never aborts.
#include <Python.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/detect.hpp"
#include "ts/forms.hpp"
#include "ts/letter_case.hpp"
#include "ts/office/packages.hpp"
#include "ts/repair.hpp"
#include "ts/stream.hpp"
#include "ts/text_utils.hpp"
#include "ts/utf.hpp"

namespace py = pybind11;

namespace {

std::string_view viewOf(const py::buffer_info& info) {
  return {static_cast<const char*>(info.ptr), static_cast<std::size_t>(info.size * info.itemsize)};
}

// The bytes of a bytes-like object (bytes, bytearray, memoryview).
struct Bytes {
  explicit Bytes(const py::buffer& b) : info(b.request()) {}
  std::string_view view() const { return viewOf(info); }
  py::buffer_info info;
};

// A str of the UTF-8 the engine writes, made without Python's general decoder: the
// characters of the Basic Multilingual Plane are written as UTF-16 units in one pass and
// Python narrows them to the str's own width.  Anything else (a character beyond U+FFFF, UTF-8
// that is not well-formed) goes to Python's decoder, which replaces what it must.
py::str strOf(std::string_view utf8) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(utf8.data());
  const std::size_t n = utf8.size();
  const auto units = std::make_unique_for_overwrite<Py_UCS2[]>(n);
  Py_UCS2* out = units.get();
  bool plain = true;
  auto follows = [&](std::size_t at) { return at < n && (s[at] & 0xC0) == 0x80; };
  for (std::size_t i = 0; i < n && plain;) {
    if (std::uint64_t eight;
        i + 8 <= n && (std::memcpy(&eight, s + i, 8), (eight & 0x8080808080808080ull) == 0)) {
      for (int k = 0; k < 8; ++k) out[k] = s[i + k];
      out += 8;
      i += 8;
      continue;
    }
    const std::uint8_t b = s[i];
    if (b < 0x80) {
      *out++ = b;
      ++i;
    } else if (b >= 0xC2 && b < 0xE0 && follows(i + 1)) {
      *out++ = static_cast<Py_UCS2>((b & 0x1Fu) << 6 | (s[i + 1] & 0x3Fu));
      i += 2;
    } else if (b >= 0xE0 && b < 0xF0 && follows(i + 1) && follows(i + 2)) {
      const auto cp =
          static_cast<Py_UCS2>((b & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu));
      plain = cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF);  // no overlong form, no surrogate
      *out++ = cp;
      i += 3;
    } else {
      plain = false;
    }
  }
  PyObject* str =
      plain ? PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, units.get(), out - units.get())
            : PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(n), "replace");
  if (str == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(str);
}

py::bytes bytesOf(const ts::ByteBuffer& b) {
  return py::bytes(reinterpret_cast<const char*>(b.data()), b.size());
}

// A pair of forms, converting whole texts or a stream in pieces.
class Converter {
 public:
  Converter(std::uint32_t source, std::uint32_t destination) {
    if (!ts::selectForms(state_, source, destination))
      throw py::value_error("no conversion from form " + std::to_string(source) + " to " +
                            std::to_string(destination));
  }

  void convertWhole(std::string_view text, ts::ByteBuffer& out) {
    py::gil_scoped_release release;
    ts::convert(state_, text, out);
  }
  void feed(std::string_view text, ts::ByteBuffer& out) {
    if (!stream_) stream_ = std::make_unique<ts::StreamConverter>(state_);
    py::gil_scoped_release release;
    stream_->feed(text, out);
  }
  void finish(ts::ByteBuffer& out) {
    if (stream_) stream_->finish(out);
    stream_.reset();
  }
  std::size_t pending() const { return stream_ ? stream_->pending() : 0; }
  void reset() { stream_.reset(); }

 private:
  ts::ConverterState state_;
  std::unique_ptr<ts::StreamConverter> stream_;
};

// Whether a destination form writes the character: a letter with a code there, or (Windows-
// 1258) a character of that code page; the Unicode forms write everything.
class Writable {
 public:
  explicit Writable(std::uint32_t destination) : destination_(destination) {
    const int code = ts::formCharset(destination);
    legacy_ = code < ts::kDecimalEsc;
    if (legacy_ && !ts::selectCharset(static_cast<std::uint32_t>(code), ts::kCatalogueSize, cs_))
      throw py::value_error("no letter table for form " + std::to_string(destination));
  }
  bool operator()(std::uint32_t cp) const {
    if (!legacy_ || cp < 0x80) return true;
    const int n = ts::letterOfCodePoint(cp);
    if (n != 0) return !ts::writeLetter(cs_, n).empty();
    return ts::formIsWindows1258(destination_) && ts::windows1258Byte(cp) >= 0;
  }

 private:
  std::uint32_t destination_;
  bool legacy_ = false;
  ts::CharsetSelection cs_;
};

// The positions (in characters) of the characters of `text` the destination cannot write.
std::vector<std::size_t> unwritable(const std::string& text, std::uint32_t destination) {
  const Writable writable(destination);
  std::vector<std::size_t> at;
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t index = 0;
  for (std::size_t i = 0; i < text.size(); ++index) {
    std::uint32_t cp = s[i];
    int len = 1;
    if (cp >= 0x80) {
      len = ts::wellFormedUtf8(s + i, text.size() - i, cp);
      if (len == 0) len = 1;  // cannot happen for a str's UTF-8
    }
    if (!writable(cp)) at.push_back(index);
    i += static_cast<std::size_t>(len);
  }
  return at;
}

}  // namespace

namespace {

// The catalogue: the forms and the charsets by name and code.
void bindCatalogue(py::module_& m) {
  m.def("form_by_name", [](const std::string& name) { return ts::charsetFormByName(name); },
        "The form a name means (0: none).");
  m.def("form_name", [](std::uint32_t f) { return ts::formName(f); });
  m.def("form_short_name", [](std::uint32_t f) { return ts::formShortName(f); });
  m.def("has_letter_table", [](int code) { return ts::hasLetterTable(code); });
  m.def("catalogue", [] {
    std::vector<std::tuple<int, std::string, std::string, bool>> all;
    for (int c = 1; c <= ts::kCatalogueSize; ++c)
      all.emplace_back(c, std::string(ts::charsetName(c)), std::string(ts::charsetShortNames(c)),
                       ts::hasLetterTable(c));
    return all;
  });
}

// The converter of one form to another, whole or piece by piece.
void bindConverter(py::module_& m) {
  py::class_<Converter>(m, "Converter")
      .def(py::init<std::uint32_t, std::uint32_t>())
      .def("convert",
           [](Converter& c, const py::buffer& data) {
             const Bytes in(data);
             ts::ByteBuffer out;
             c.convertWhole(in.view(), out);
             return bytesOf(out);
           })
      .def("decode",
           [](Converter& c, const py::buffer& data) {
             const Bytes in(data);
             ts::ByteBuffer out;
             c.convertWhole(in.view(), out);
             return strOf(out.view());
           })
      .def("encode",
           [](Converter& c, const std::string& text) {
             ts::ByteBuffer out;
             c.convertWhole(text, out);
             return bytesOf(out);
           })
      .def("feed",
           [](Converter& c, const py::buffer& data) {
             const Bytes in(data);
             ts::ByteBuffer out;
             c.feed(in.view(), out);
             return bytesOf(out);
           })
      .def("finish",
           [](Converter& c) {
             ts::ByteBuffer out;
             c.finish(out);
             return bytesOf(out);
           })
      .def_property_readonly("pending", &Converter::pending)
      .def("reset", &Converter::reset);
}

// What is judged or repaired: unwritable characters, detection, repair, office documents.
void bindJudgements(py::module_& m) {
  m.def("unwritable", &unwritable,
        "Positions of the characters of a text the destination form cannot write.");

  m.def(
      "detect",
      [](const py::buffer& data, std::size_t limit) {
        const Bytes in(data);
        std::string_view text = in.view();
        if (text.size() > limit) text = text.substr(0, limit);
        ts::Detection d;
        {
          py::gil_scoped_release release;
          d = ts::detectCharset(text);
        }
        std::vector<std::pair<std::vector<int>, double>> out;
        for (const ts::CharsetGuess& g : d.guesses) out.emplace_back(g.codes, g.confidence);
        return std::make_pair(d.noVietnameseLetters, out);
      },
      py::arg("data"), py::arg("limit"));

  m.def("convert_package",
        [](const std::string& from, const std::string& to, const std::string& name, int source,
           int destination, bool force) {
          ts::office::PackageOutcome o;
          {
            py::gil_scoped_release unlocked;
            o = ts::office::convertPackage(from, to, name, source, destination, force);
          }
          return py::make_tuple(static_cast<int>(o.kind), o.why, o.runs, o.left, o.parts);
        });
  m.def("fix", [](const std::string& text) {
    ts::TextRepairer repairer;
    std::string out;
    {
      py::gil_scoped_release release;
      repairer.repair(text, out);
    }
    std::vector<std::pair<std::uint32_t, std::uint64_t>> counts(repairer.repaired().begin(),
                                                                 repairer.repaired().end());
    return std::make_pair(strOf(out), counts);
  });
}

// Letter case and sorting within a charset.
void bindLetters(py::module_& m) {
  m.def("change_case", [](const py::buffer& data, int charset, bool upper) {
    if (!ts::hasLetterTable(ts::readableSource(charset)))
      throw py::value_error("charset " + std::to_string(charset) + " has no letter table");
    const Bytes in(data);
    ts::LetterCaseStream stream(charset, upper);
    ts::ByteBuffer out;
    stream.feed(in.view(), out);
    stream.finish(out);
    return bytesOf(out);
  });

  m.def("sort_key", [](const py::buffer& data, int charset, std::uint32_t mode) {
    const auto code = static_cast<ts::CharsetCode>(charset);
    if (charset < 1 || charset > ts::kCatalogueSize || !ts::sortable(code))
      throw py::value_error("charset " + std::to_string(charset) + " gives no sort keys");
    const Bytes in(data);
    ts::ConverterState conv;
    return py::bytes(ts::sortKey(conv, code, mode, in.view()));
  });
  m.attr("SORT_DICTIONARY") = ts::kSortModeDictionary;
  m.attr("SORT_TELEX") = ts::kSortModeTelex;
  m.attr("SORT_NAMES") = ts::kSortModeNames;
}

}  // namespace

PYBIND11_MODULE(_engine, m) {
  m.doc() = "The Tessaro conversion engine (used by the tessaro package).";
  bindCatalogue(m);
  bindConverter(m);
  bindJudgements(m);
  bindLetters(m);
}
