// Open, and Open with a walk through every contact, on generated files of
// 1k, 10k and 100k contacts; the same for the modern reading (OpenDecoded),
// whose walk decodes every card.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "vcard_gen.h"
#include "vcard_stream.h"

namespace {

const std::string& FileFor(long contacts) {
  static std::map<long, std::string> files;
  auto& path = files[contacts];
  if (path.empty()) {
    path = (std::filesystem::temp_directory_path() / ("tessary-bench-" + std::to_string(contacts) + ".vcf")).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    tessary_bench::WriteVCards(f, contacts);
    std::fclose(f);
  }
  return path;
}

// Open, or the modern reading's OpenDecoded.
void BM_Open(benchmark::State& state, bool decoded) {
  const std::string& path = FileFor(state.range(0));
  auto bytes = std::filesystem::file_size(path);
  for (auto _ : state) {
    tessary::VCardStream s;
    if (decoded) s.OpenDecoded(path.c_str());
    else s.Open(path.c_str());
    if (s.ContactCount() != state.range(0)) state.SkipWithError("wrong contact count");
    benchmark::DoNotOptimize(s.ContactCount());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
  state.counters["contacts/s"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK_CAPTURE(BM_Open, keywords, false)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, decoded, true)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Open, then every contact's fields as the importer reads them: a move onto
// each entry, which reads the contact's fields out of its text.
void BM_OpenAndWalk(benchmark::State& state) {
  const std::string& path = FileFor(state.range(0));
  for (auto _ : state) {
    tessary::VCardStream s;
    s.Open(path.c_str());
    std::size_t bytes = 0;
    s.MoveFirst();
    for (std::int32_t i = 0; i < s.ContactCount(); ++i) {
      if (i > 0) s.MoveNext();
      for (std::size_t f = 0; f < tessary::kFieldCount; ++f) bytes += s.Current(tessary::Field(f)).size();
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["contacts/s"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_OpenAndWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// OpenDecoded, then every card decoded as an import reads it.
void BM_OpenDecodedAndWalk(benchmark::State& state) {
  const std::string& path = FileFor(state.range(0));
  for (auto _ : state) {
    tessary::VCardStream s;
    s.OpenDecoded(path.c_str());
    std::size_t properties = 0;
    s.MoveFirst();
    for (std::int32_t i = 0; i < s.ContactCount(); ++i) {
      if (i > 0) s.MoveNext();
      properties += s.CurrentCard().properties.size();
    }
    benchmark::DoNotOptimize(properties);
  }
  state.counters["contacts/s"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_OpenDecodedAndWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
