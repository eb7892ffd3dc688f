// A ByteSource over an open stdio file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "byte_source.h"

namespace tessary::internal {

class FileSource final : public ByteSource {
 public:
  // `file` stays open and owned by the caller.
  explicit FileSource(std::FILE* file);
  std::size_t Read(char* into, std::size_t max) override;
  bool Failed() const override { return lost_place_ || std::ferror(file_) != 0; }
  std::uint64_t ExpectedRemaining() const override { return size_ > read_ ? size_ - read_ : 0; }

 private:
  std::FILE* file_;
  std::uint64_t size_ = 0;  // bytes from where the file stood to its end; 0 if unknown
  std::uint64_t read_ = 0;
  bool lost_place_ = false;  // could not return to where the file stood
};

}  // namespace tessary::internal
