// Temporary files for tests: written on construction, removed on destruction.
#pragma once

#include <string>
#include <string_view>

namespace testing_files {

class TempFile {
 public:
  explicit TempFile(std::string_view contents, std::string_view suffix = ".vcf");
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace testing_files
