#include "test_files.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace testing_files {

TempFile::TempFile(std::string_view contents, std::string_view suffix) {
  static std::atomic<int> counter{0};
  // Suites run side by side, each its own process: a number drawn once per
  // process keeps their files apart.
  static const unsigned process = std::random_device{}();
  auto dir = std::filesystem::temp_directory_path();
  path_ = (dir / ("tessary-test-" + std::to_string(process) + "-" + std::to_string(counter++) + "-" +
                  std::to_string(reinterpret_cast<std::uintptr_t>(this)) + std::string(suffix)))
              .string();
  std::ofstream out(path_, std::ios::binary);
  out.write(contents.data(), std::streamsize(contents.size()));
  if (!out) throw std::runtime_error("cannot write " + path_);
}

TempFile::~TempFile() { std::remove(path_.c_str()); }

}  // namespace testing_files
