// A ByteSource over an open stdio file; with a second handle on it, one
// that reads its bytes again at any offset.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "byte_source.h"
#include "internal/file_handle.h"

namespace tessary::internal {

class FileSource final : public ByteSource {
 public:
  // `file` stays owned by the caller, who may close it once the reads are
  // done: ReadAt (`read_again`, and `file` a regular file) uses a handle
  // of its own.
  FileSource(std::FILE* file, bool read_again);
  std::size_t Read(char* into, std::size_t max) override;
  bool Failed() const override { return std::ferror(file_) != 0; }
  bool CanReadAt() const override { return again_ != nullptr; }
  bool ReadAt(std::uint64_t offset, char* into, std::size_t size) override {
    return again_ && again_->ReadAt(offset, into, size);
  }

 private:
  std::FILE* file_;
  std::unique_ptr<FileHandle> again_;
};

}  // namespace tessary::internal
