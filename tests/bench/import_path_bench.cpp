// The import's own work per contact, natively and without the store or the
// window: a generated file of N contacts (100,000 unless given) is read in
// the decoded reading through the portable reader adapter and every card is
// mapped, as the import does. Prints microseconds per contact for the
// reading (Open and the moves), the card handed out, and the mapping; best
// of three runs. For `perf record` on the import's path without Wine.
//
//   build/bench/bin/import_path_bench [N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "card_mapping.h"
#include "core_vcard_reader.h"
#include "vcard_gen.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micro(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const long n = argc > 1 ? std::atol(argv[1]) : 100000;
  const auto path = std::filesystem::temp_directory_path() / ("pindrel-import-path-" + std::to_string(n) + ".vcf");
  if (!std::filesystem::exists(path)) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return 1;
    tessary_bench::WriteVCards(out, n);
    std::fclose(out);
  }
  double best[3] = {1e300, 1e300, 1e300};
  for (int run = 0; run < 3; ++run) {
    auto reader = pindrel::CoreVCardReaderFactory(pindrel::CoreReading::Decoded)();
    pindrel::DecodedCard card;
    pindrel::CardMapping mapping;
    Clock::duration read{}, card_out{}, map{};
    auto start = Clock::now();
    reader->OpenDecoded(path.wstring());
    reader->MoveFirst();
    read += Clock::now() - start;
    const long count = reader->ContactCount();
    for (long i = 0; i < count; ++i) {
      auto a = Clock::now();
      reader->CurrentCard(card);
      auto b = Clock::now();
      pindrel::MapCard(card, mapping);
      auto c = Clock::now();
      reader->MoveNext();
      read += Clock::now() - c;
      card_out += b - a;
      map += c - b;
    }
    reader->Close();
    const double per[3] = {Micro(read) / count, Micro(card_out) / count, Micro(map) / count};
    for (int k = 0; k < 3; ++k) best[k] = std::min(best[k], per[k]);
  }
  std::printf("%ld contacts, us/contact (best of 3): reading %.2f, card handed out %.2f, mapping %.2f\n", n, best[0],
              best[1], best[2]);
  return 0;
}
