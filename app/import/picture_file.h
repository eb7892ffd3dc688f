// A card's picture as a file for the store to read: the store library
// takes a contact's picture only from a file. The file lives in the user's
// temporary folder while the contact is stored, and is gone afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pindrel {

class PictureFile {
 public:
  // Writes `bytes` to a new file whose extension suits `media_type`
  // (".jpg" for image/jpeg, ...). Throws std::runtime_error when it cannot.
  PictureFile(std::wstring_view media_type, std::string_view bytes);
  ~PictureFile();
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;

  std::wstring path() const { return path_.wstring(); }

  // The file name extension of a media type; ".bin" for one that is no
  // picture the store knows.
  static std::wstring_view ExtensionOf(std::wstring_view media_type);

 private:
  std::filesystem::path path_;
};

}  // namespace pindrel
