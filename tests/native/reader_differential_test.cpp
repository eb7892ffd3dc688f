// The fuzzer's seeds and every input it has ever caught a difference with,
// read by the fast reader and the plain one, each with the vector scans and
// the portable ones.
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
      for (bool portable : {false, true}) {
        // Bit 5 of the first byte picks the scans.
        input[0] = std::uint8_t(portable ? input[0] | 0x20 : input[0] & ~0x20);
        EXPECT_EQ(tessary_test::CompareReaders(input.data(), input.size()), "")
            << entry.path().filename().string() << (portable ? ", portable scans" : ", vector scans");
      }
      ++inputs;
    }
  }
  EXPECT_GE(inputs, 5u) << "the seeds are missing";
}

}  // namespace
