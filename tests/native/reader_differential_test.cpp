// The fuzzer's seeds and every input it has ever caught a difference with,
// read by the fast reader and the plain one, with each kind of scan.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "differential.h"

namespace {

TEST(ReaderDifferential, SeedsAndRegressionInputsAgree) {
  std::size_t inputs = 0;
  for (const char* dir : {"corpus", "regressions"}) {
    const std::filesystem::path path = std::filesystem::path(TESSARY_FUZZ_DIR) / dir;
    if (!std::filesystem::exists(path)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      std::ifstream file(entry.path(), std::ios::binary);
      std::vector<std::uint8_t> input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      if (input.empty()) continue;
      // Bits 5 and 7 of the first byte pick the scans.
      for (std::uint8_t scans : {0x00, 0x20, 0x80}) {
        input[0] = std::uint8_t((input[0] & ~0xA0) | scans);
        EXPECT_EQ(tessary_test::CompareReaders(input.data(), input.size()), "")
            << entry.path().filename().string() << ", scans " << int(scans);
        EXPECT_EQ(tessary_test::CompareDecodedReadings(input.data(), input.size()), "")
            << entry.path().filename().string();
      }
      ++inputs;
    }
  }
  EXPECT_GE(inputs, 5u) << "the seeds are missing";
}

}  // namespace
