#include "internal/file_source.h"

namespace tessary::internal {

FileSource::FileSource(std::FILE* file, bool read_again) : file_(file) {
  if (read_again) again_ = FileHandle::Duplicate(file);
}

std::size_t FileSource::Read(char* into, std::size_t max) { return std::fread(into, 1, max, file_); }

}  // namespace tessary::internal
