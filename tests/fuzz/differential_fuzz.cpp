// libFuzzer target: the fast reader and the plain one must agree on every
// field of every listed contact, whatever the bytes, the separator, the
// read sizes and the size the source reports.
#include <cstdio>
#include <cstdlib>

#include "differential.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string difference = tessary_test::CompareReaders(data, size);
  if (!difference.empty()) {
    std::fprintf(stderr, "readers differ: %s\n", difference.c_str());
    std::abort();
  }
  return 0;
}
