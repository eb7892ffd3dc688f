// What the file layer builds on its platform's File, the same everywhere.
#include "files.h"

#include <cstdint>
#include <string>

namespace localstore {

bool ReadWholeFile(const Path& path, std::string* bytes, FileError* error) {
  File file = File::Open(path, File::Mode::Read, error);
  if (!file.IsOpen()) return false;
  std::uint64_t size = 0;
  if (!file.Size(&size, error)) return false;
  bytes->resize(static_cast<std::size_t>(size));
  std::size_t read = 0;
  if (!file.ReadAt(0, bytes->data(), bytes->size(), &read, error)) return false;
  bytes->resize(read);
  return true;
}

}  // namespace localstore
