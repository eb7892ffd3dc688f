#include "picture_file.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace pindrel {

std::wstring_view PictureFile::ExtensionOf(std::wstring_view media_type) {
  if (media_type == L"image/jpeg") return L".jpg";
  if (media_type == L"image/png") return L".png";
  if (media_type == L"image/gif") return L".gif";
  if (media_type == L"image/bmp") return L".bmp";
  return L".bin";
}

PictureFile::PictureFile(std::wstring_view media_type, std::string_view bytes) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) throw std::runtime_error("there is no temporary folder to put it in");
  // A name of this process and this moment, and a counter for pictures of
  // the same moment; an existing file is never written over.
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate =
        folder / (L"pindrel-picture-" + std::to_wstring(stamp) + L"-" + std::to_wstring(counter++) +
                  std::wstring(ExtensionOf(media_type)));
    if (std::filesystem::exists(candidate, error)) continue;
    std::ofstream out(candidate, std::ios::binary);
    if (!out) break;
    path_ = std::move(candidate);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out) return;
    std::filesystem::remove(path_, error);
    throw std::runtime_error("it could not be written to the temporary folder");
  }
  throw std::runtime_error("no file could be made for it in the temporary folder");
}

PictureFile::~PictureFile() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

}  // namespace pindrel
