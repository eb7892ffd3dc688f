#include "internal/file_source.h"

namespace tessary::internal {

FileSource::FileSource(std::FILE* file) : file_(file) {
  // The size sizes the reader's storage once; a file that cannot seek (a
  // pipe) or whose size is too large for long simply gives no hint.
  const long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return;
  const long end = std::ftell(file);
  if (std::fseek(file, here, SEEK_SET) != 0) {
    lost_place_ = true;  // reading from the end would pass for an empty file
    return;
  }
  if (end > here) size_ = std::uint64_t(end - here);
}

std::size_t FileSource::Read(char* into, std::size_t max) {
  const std::size_t n = std::fread(into, 1, max, file_);
  read_ += n;
  return n;
}

}  // namespace tessary::internal
