// A second handle on an open file, for reading it again at any offset after
// the first read (the modern reading's cards, when the cursor reaches them).
// The caller may close its own file meanwhile. Each platform has its own
// (file_handle_posix.cpp, file_handle_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace tessary::internal {

class FileHandle {
 public:
  // A handle on `file` whose offset 0 is where `file` stands now; null when
  // it is no regular file (a pipe, a console) or cannot be had.
  static std::unique_ptr<FileHandle> Duplicate(std::FILE* file);
  ~FileHandle();
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  // Exactly `size` bytes from `offset`; false when they cannot all be read.
  bool ReadAt(std::uint64_t offset, char* into, std::size_t size);

 private:
  FileHandle(std::intptr_t handle, std::uint64_t base) : handle_(handle), base_(base) {}
  std::intptr_t handle_;
  std::uint64_t base_;
};

}  // namespace tessary::internal
