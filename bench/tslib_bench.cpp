// libtslib's exports as an outside caller uses them.
#include <benchmark/benchmark.h>

#include <vector>

#include "tslib.h"

namespace {

// Short TCVN3 words, compared in turn with the default charset TCVN3.
void BM_StrcmpShortWords(benchmark::State& state) {
  const std::vector<const char*> words = {
      "ma",    "m\xB5", "m\xB6",   "m\xB7", "m\xB8",     "m\xB9",       "an",       "anh",
      "\xA8n", "\xA9n", "Vi\xD6t", "Nam",   "\xAE\xB9i", "ng\xAD\xEAi", "ti\xD5ng", "\xAEi"};
  TS_defaultCode(15);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TS_strcmp(words[i % words.size()], words[(i + 5) % words.size()]));
    ++i;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_StrcmpShortWords);

// The same with a conversion between the comparisons, which selects another pair each time.
void BM_StrcmpAfterConvert(benchmark::State& state) {
  TS_defaultCode(15);
  char out[64];
  for (auto _ : state) {
    TS_Code2Code(15, 41);
    TS_Convert("Vi\xD6t", out);
    benchmark::DoNotOptimize(TS_strcmp("m\xB5", "m\xB8"));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_StrcmpAfterConvert);

void BM_ConvertShortText(benchmark::State& state) {
  TS_Code2Code(15, 41);
  char out[256];
  for (auto _ : state)
    benchmark::DoNotOptimize(TS_Convert("Vi\xD6t Nam \xAE\xB9i ph\xB8t tri\xD3n", out));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ConvertShortText);

}  // namespace

BENCHMARK_MAIN();
