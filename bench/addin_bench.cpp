// The add-in's conversion over a long Writer document, in a headless LibreOffice with a
// scratch profile: a document of TCVN3 text in ".VnTime" (headings, paragraphs with the
// formatting changing every four words, tables) converted to Unicode by the macro, against
// the floor of any run-by-run work: a macro of the profile's own that sets each run's text to
// itself (in the same undo context, the controllers locked).  Timed round by round.
//   addin_bench [PAGES] [ROUNDS]
// TS_BENCH_DOCUMENT names a document to convert instead (its runs in .VnTime); TS_FLOOR_SCRIPT
// a Python file whose touch(doc) is timed as the floor instead.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "timing.hpp"
#include "ts/db/wide.hpp"
#include "ts/office/addin.hpp"
#include "ts/testing/office.hpp"
#include "ts/testing/scratch.hpp"
#include "tslib.h"

namespace {

namespace fs = std::filesystem;
using namespace ts::office;

// Legacy bytes as XML text, each byte the Windows-1252 character it reads as.
std::string xmlCarried(const std::string& bytes) {
  std::string text;
  ts::db::WideValues(0, 0).bytesToUtf8(bytes, text);
  return ts::testing::xmlText(text);
}

std::string tcvn3(const std::string& utf8Text) {
  TS_Code2Code(41, 15);
  std::string out(8 * utf8Text.size() + 1, '\0');
  out.resize(TS_Convert(utf8Text.c_str(), out.data()));
  return out;
}

// A flat OpenDocument text: per page a heading in ".VnTimeH", four paragraphs in ".VnTime",
// and every fifth page a table of four rows and three columns.
std::string document(int pages) {
  const std::string sentence = xmlCarried(
      tcvn3("Người Việt Nam có truyền thống hiếu học, những trang sách cũ vẫn được giữ gìn cẩn "
            "thận qua nhiều thế hệ trong gia đình. "));
  // Every fourth word starts a run of its own, bold and plain in turn.
  std::string paragraph;
  {
    std::string words;
    for (int i = 0; i < 6; ++i) words += sentence;
    std::size_t start = 0, count = 0;
    bool bold = false;
    for (std::size_t i = 0; i <= words.size(); ++i) {
      if (i < words.size() && words[i] != ' ') continue;
      if (++count % 4 != 0 && i < words.size()) continue;
      const std::string run = words.substr(start, std::min(i + 1, words.size()) - start);
      paragraph += bold ? "<text:span text:style-name=\"B\">" + run + "</text:span>" : run;
      bold = !bold;
      start = i + 1;
    }
  }
  const std::string heading = xmlCarried(tcvn3("chương mục của văn bản cũ"));
  const std::string cell = xmlCarried(tcvn3("ô bảng tiếng Việt"));
  std::string s =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
      "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
      "office:version=\"1.2\" office:mimetype=\"application/vnd.oasis.opendocument.text\">\n"
      "<office:font-face-decls>"
      "<style:font-face style:name=\".VnTime\" svg:font-family=\"'.VnTime'\"/>"
      "<style:font-face style:name=\".VnTimeH\" svg:font-family=\"'.VnTimeH'\"/>"
      "</office:font-face-decls>\n<office:automatic-styles>"
      "<style:style style:name=\"P1\" style:family=\"paragraph\"><style:text-properties "
      "style:font-name=\".VnTime\" fo:font-size=\"12pt\"/></style:style>"
      "<style:style style:name=\"B\" style:family=\"text\"><style:text-properties "
      "fo:font-weight=\"bold\"/></style:style>"
      "<style:style style:name=\"H1\" style:family=\"paragraph\"><style:paragraph-properties "
      "fo:break-before=\"page\"/><style:text-properties style:font-name=\".VnTimeH\" "
      "fo:font-size=\"16pt\"/></style:style>"
      "</office:automatic-styles>\n<office:body><office:text>\n";
  for (int page = 0; page < pages; ++page) {
    s += "<text:h text:style-name=\"H1\" text:outline-level=\"1\">" + heading + " " +
         std::to_string(page + 1) + "</text:h>\n";
    for (int p = 0; p < 4; ++p) s += "<text:p text:style-name=\"P1\">" + paragraph + "</text:p>\n";
    if (page % 5 == 4) {
      s += "<table:table table:name=\"T" + std::to_string(page) +
           "\"><table:table-column table:number-columns-repeated=\"3\"/>";
      for (int r = 0; r < 4; ++r) {
        s += "<table:table-row>";
        for (int c = 0; c < 3; ++c)
          s += "<table:table-cell><text:p text:style-name=\"P1\">" + cell +
               "</text:p></table:table-cell>";
        s += "</table:table-row>";
      }
      s += "</table:table>\n";
    }
  }
  return s + "</office:text></office:body></office:document>\n";
}

// The floor: each text run of the body and its tables set to its own text, as the add-in
// walks them, in one undo context with the controllers locked.
const char kFloorScript[] = R"(
def _each(access):
    e = access.createEnumeration()
    while e.hasMoreElements():
        yield e.nextElement()

def _touch(text):
    n = 0
    for par in _each(text):
        if par.supportsService("com.sun.star.text.TextTable"):
            for name in par.getCellNames():
                n += _touch(par.getCellByName(name))
        else:
            for portion in _each(par):
                if portion.TextPortionType == "Text":
                    portion.setString(portion.getString())
                    n += 1
    return n

def touch(doc):
    undo = doc.getUndoManager()
    undo.enterUndoContext("floor")
    doc.lockControllers()
    try:
        return str(_touch(doc.getText()))
    finally:
        doc.unlockControllers()
        undo.leaveUndoContext()
)";

}  // namespace

int main(int argc, char** argv) {
  const int pages = argc > 1 ? std::atoi(argv[1]) : 100;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const fs::path dir = fs::temp_directory_path() / ("ts-addin-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  // TS_BENCH_DOCUMENT: a document of one's own to convert instead of the one made here.
  const char* own = std::getenv("TS_BENCH_DOCUMENT");
  const fs::path file = own != nullptr ? fs::path(own) : dir / "long.fodt";
  if (own == nullptr) ts::testing::writeFile(file, document(pages));
  std::vector<double> times, floors;
  {
    ts::testing::ScratchOffice office(dir, TSLIB_PATH);
    const fs::path scripts = fs::path(office.options().profile) / "user" / "Scripts" / "python";
    fs::create_directories(scripts);
    // TS_FLOOR_SCRIPT: another floor to measure against (a file defining touch(doc)).
    const char* other = std::getenv("TS_FLOOR_SCRIPT");
    if (other != nullptr)
      fs::copy_file(other, scripts / "tessaro_floor.py");
    else
      ts::testing::writeFile(scripts / "tessaro_floor.py", kFloorScript);
    addExtension(office.office(), std::string(ADDIN_DIR) + "/" + kExtensionFile);
    if (!extensionRegistered(office.office())) {
      std::fprintf(stderr, "the add-in did not install\n");
      return 1;
    }
    Office& o = office.office();
    const Object floorScript =
        o.service("com.sun.star.script.provider.MasterScriptProviderFactory")
            .callObject("createScriptProvider", {text("")})
            .callObject("getScript",
                        {text("vnd.sun.star.script:tessaro_floor.py$touch?language=Python&"
                              "location=user")});
    auto load = [&] {
      return o.desktop().callObject(
          "loadComponentFromURL", {text(fileUrl(file.string())), text("_blank"), Any(sal_Int32(0)),
                                   Any(properties({{"Hidden", Any(true)}}))});
    };
    for (int round = 0; round < rounds; ++round) {
      {
        const Object doc = load();
        const css::uno::Sequence<Any> params(&doc.value(), 1);
        const auto start = std::chrono::steady_clock::now();
        const std::string runs =
            utf8(floorScript.call("invoke", {Any(params), Any(css::uno::Sequence<sal_Int16>()),
                                             Any(css::uno::Sequence<Any>())}));
        floors.push_back(ts::bench::seconds(start));
        std::printf("round %d: floor (each run set to itself) over %s runs: %.2f s\n", round + 1,
                    runs.c_str(), floors.back());
        const auto undoStart = std::chrono::steady_clock::now();
        doc.getObject("UndoManager").call("undo");
        std::printf("round %d: one undo of the floor: %.2f s\n", round + 1,
                    ts::bench::seconds(undoStart));
        doc.call("close", {Any(true)});
      }
      const Object doc = load();
      const int shown = doc.getObject("CurrentController").get("PageCount").get<sal_Int32>();
      const auto start = std::chrono::steady_clock::now();
      const std::string result = utf8(ts::testing::runMacro(
          o, "tsConvertDocument",
          {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}));
      const double t = ts::bench::seconds(start);
      times.push_back(t);
      std::printf("round %d: %d pages, runs converted/left %s: %.2f s\n", round + 1, shown,
                  result.c_str(), t);
      const auto undoStart = std::chrono::steady_clock::now();
      doc.getObject("UndoManager").call("undo");
      std::printf("round %d: one undo of it: %.2f s\n", round + 1, ts::bench::seconds(undoStart));
      doc.call("close", {Any(true)});
    }
  }
  fs::remove_all(dir);
  std::sort(times.begin(), times.end());
  std::sort(floors.begin(), floors.end());
  const double t = times[times.size() / 2], f = floors[floors.size() / 2];
  std::printf("median %.2f s, floor %.2f s: %.2fx the floor (goal: within 1.3x)\n", t, f, t / f);
  return 0;
}
