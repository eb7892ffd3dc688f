#include "picture.h"

#include <cstdint>

#include "failure.h"

namespace localstore {

std::string_view PictureFormat(std::string_view b) {
  if (b.starts_with("\xFF\xD8\xFF")) return "JPEG";
  if (b.starts_with("\x89PNG\r\n\x1A\n")) return "PNG";
  if (b.starts_with("GIF87a") || b.starts_with("GIF89a")) return "GIF";
  // "BM" alone says too little: the header after the file's own has one
  // of the few sizes the format knows.
  if (b.starts_with("BM") && b.size() >= 18) {
    std::uint32_t header = 0;
    for (int i = 3; i >= 0; --i) header = header << 8 | static_cast<unsigned char>(b[14 + std::size_t(i)]);
    switch (header) {
      case 12: case 40: case 52: case 56: case 64: case 108: case 124: return "BMP";
    }
  }
  return {};
}

std::string ReadPictureFile(const Path& path) {
  const std::string shown = PathText(path);
  FileError error;
  File file = File::Open(path, File::Mode::Read, &error);
  std::uint64_t size = 0;
  if (!file.IsOpen() || !file.Size(&size, &error)) ThrowFile(error, "cannot read the picture " + shown);
  if (size > kMaxPictureBytes)
    throw StoreFailure(Code::InvalidParameter, "the picture " + shown + " is " + std::to_string(size) +
                                                   " bytes; a contact's picture can be at most 10 MB");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::size_t read = 0;
  if (!file.ReadAt(0, bytes.data(), bytes.size(), &read, &error)) ThrowFile(error, "cannot read the picture " + shown);
  bytes.resize(read);
  if (PictureFormat(bytes).empty())
    throw StoreFailure(Code::InvalidParameter, shown + " is not a JPEG, PNG, GIF or BMP picture");
  return bytes;
}

}  // namespace localstore
