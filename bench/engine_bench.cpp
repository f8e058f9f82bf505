// Engine throughput on generated text, one benchmark per conversion path.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "ts/converter.hpp"
#include "ts/forms.hpp"
#include "ts/replace.hpp"

namespace {

// A Vietnamese-like UTF-8 text: ASCII consonants around letters of every kind.
std::string sampleUtf8(std::size_t bytes) {
  static const char* letters[] = {"a", "à", "á", "ả", "ã", "ạ", "ă", "ằ", "â", "ấ", "ậ",
                                  "e", "ê", "ế", "ệ", "i", "ì", "o", "ô", "ố", "ơ", "ờ",
                                  "u", "ư", "ứ", "ữ", "y", "ý", "đ", "Đ", "Ư", "Â"};
  static const char* consonants[] = {"n", "g", "h", "t", "c", "m", "v", "nh", "ng", "tr", " "};
  std::mt19937 rng(1);
  std::string s;
  while (s.size() < bytes) {
    s += consonants[rng() % 11];
    s += letters[rng() % 32];
    if (rng() % 3 == 0) s += letters[rng() % 32];
    if (rng() % 4 == 0) s += ' ';
    if (rng() % 40 == 0) s += '\n';
  }
  return s;
}

void runPair(benchmark::State& state, int from, int to) {
  ts::ConverterState utf;
  ts::selectPair(utf, 41, static_cast<std::uint32_t>(from));
  const std::string input =
      from == 41 ? sampleUtf8(1 << 20) : ts::convert(utf, sampleUtf8(1 << 20));
  ts::ConverterState st;
  ts::selectPair(st, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
  ts::ByteBuffer out;
  for (auto _ : state) {
    out.clear();
    ts::convert(st, input, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

void BM_VisciiToUtf8(benchmark::State& s) { runPair(s, 25, 41); }
void BM_Tcvn3ToVni(benchmark::State& s) { runPair(s, 15, 29); }
void BM_VniToUtf8(benchmark::State& s) { runPair(s, 29, 41); }
void BM_ViqrToTcvn3(benchmark::State& s) { runPair(s, 24, 15); }
void BM_Utf8ToTcvn3(benchmark::State& s) { runPair(s, 41, 15); }
void BM_HtmlRefsToTcvn3(benchmark::State& s) { runPair(s, 42, 15); }
void BM_DecimalToUtf8(benchmark::State& s) { runPair(s, 39, 41); }
// A carried source against its plain form, on the same text: the carried input is the plain
// one's bytes read as Windows-1252 and saved as UTF-8.  Bytes processed count the plain
// bytes, so the two rates compare the same text.
void runCarried(benchmark::State& state, int from, int layers, int to) {
  ts::ConverterState utf;
  ts::selectPair(utf, 41, static_cast<std::uint32_t>(from));
  const std::string plain =
      from == 41 ? sampleUtf8(1 << 20) : ts::convert(utf, sampleUtf8(1 << 20));
  std::string input = plain;
  for (int k = 0; k < layers; ++k) {
    std::string next;
    for (char c : input) {
      const ts::LetterCode u = ts::windows1252Utf8(static_cast<std::uint8_t>(c));
      next.append(u.view());
    }
    input.swap(next);
  }
  ts::ConverterState st;
  ts::selectForms(st, ts::carriedForm(from, layers), static_cast<std::uint32_t>(to));
  ts::ByteBuffer out;
  for (auto _ : state) {
    out.clear();
    ts::convert(st, input, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * plain.size()));
}

void BM_Tcvn3ToUtf8(benchmark::State& s) { runPair(s, 15, 41); }
void BM_Tcvn3CarriedToUtf8(benchmark::State& s) { runCarried(s, 15, 1, 41); }
void BM_VniCarriedToUtf8(benchmark::State& s) { runCarried(s, 29, 1, 41); }
void BM_Utf8TwiceToUtf8(benchmark::State& s) { runCarried(s, 41, 1, 41); }
void BM_Utf8TwiceToTcvn3(benchmark::State& s) { runCarried(s, 41, 1, 15); }
BENCHMARK(BM_Tcvn3ToUtf8);
BENCHMARK(BM_Tcvn3CarriedToUtf8);
BENCHMARK(BM_VniCarriedToUtf8);
BENCHMARK(BM_Utf8TwiceToUtf8);
BENCHMARK(BM_Utf8TwiceToTcvn3);
BENCHMARK(BM_VisciiToUtf8);
BENCHMARK(BM_Tcvn3ToVni);
BENCHMARK(BM_VniToUtf8);
BENCHMARK(BM_ViqrToTcvn3);
BENCHMARK(BM_Utf8ToTcvn3);
BENCHMARK(BM_HtmlRefsToTcvn3);
BENCHMARK(BM_DecimalToUtf8);

// Selecting a new pair builds its tree and tables; going back to a recent pair does not.
void BM_SelectNewPair(benchmark::State& state) {
  for (auto _ : state) {
    ts::ConverterState st;
    benchmark::DoNotOptimize(ts::selectPair(st, 29, 24));
  }
}
BENCHMARK(BM_SelectNewPair);

void BM_SelectRecentPair(benchmark::State& state) {
  ts::ConverterState st;
  int k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ts::selectPair(st, (k++ & 1) ? 29 : 15, 24));
  }
}
BENCHMARK(BM_SelectRecentPair);

void BM_ReplaceAll(benchmark::State& state) {
  const std::string text = sampleUtf8(1 << 20);
  std::string out;
  for (auto _ : state) {
    ts::ReplaceAll(text, "\xC3\xA0", "&#224;", out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReplaceAll);

}  // namespace

BENCHMARK_MAIN();
