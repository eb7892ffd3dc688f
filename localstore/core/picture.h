// A contact's picture as the store keeps it: the bytes of a JPEG, PNG, GIF
// or BMP file of at most 10 MB, kept with the item in its record. The mail
// client keeps it as an attachment named "ContactPicture.jpg", whatever its
// format, and so does the store's face.
#pragma once

#include "base64.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "files.h"

namespace localstore {

inline constexpr std::size_t kMaxPictureBytes = 10 * 1024 * 1024;
inline constexpr std::u16string_view kPictureFileName = u"ContactPicture.jpg";

// "JPEG", "PNG", "GIF" or "BMP", as vCard 2.1's TYPE= names it, by the
// bytes' own signature; empty for anything else.
std::string_view PictureFormat(std::string_view bytes);

// The bytes of a picture file for AddPicture. Throws StoreFailure:
// InvalidParameter when the file is over 10 MB or is not a JPEG, PNG, GIF
// or BMP picture (its bytes are not read then), NotFound or DiskError when
// it cannot be read.
std::string ReadPictureFile(const Path& path);

// `bytes` in base64, without line breaks: the text codec library's.
using textcodec::Base64;

}  // namespace localstore
