#include "internal/binary_value.h"

#include <array>
#include <cstring>

#include "internal/ascii.h"

namespace tessary {
namespace {

constexpr signed char kNotBase64 = -1, kBlank = -2, kPad = -3;

constexpr std::array<signed char, 256> kBase64 = [] {
  std::array<signed char, 256> table{};
  table.fill(kNotBase64);
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
  // The URL-safe alphabet's two, which a few web exporters write.
  table['-'] = 62;
  table['_'] = 63;
  for (unsigned char c : {' ', '\t', '\r', '\n', '\f', '\v'}) table[c] = kBlank;
  table['='] = kPad;
  return table;
}();

std::uint32_t Le32(std::string_view b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + std::size_t(i)]);
  return v;
}

// Whether a picture of `type` has its end: a picture cut short loses it.
// Some cameras put data of their own after the end, so the end is looked
// for, not expected last: a JPEG's end of image after its last scan (the
// scan's data cannot hold that marker; an embedded thumbnail's end comes
// before it), a PNG's IEND chunk, whose checksum is always the same.
bool HasImageEnd(std::string_view type, std::string_view b) {
  if (type == "image/bmp") return b.size() >= Le32(b, 2);
  if (type == "image/jpeg") {
    const std::size_t scan = b.rfind("\xFF\xDA");
    return scan != std::string_view::npos && b.find("\xFF\xD9", scan) != std::string_view::npos;
  }
  if (type == "image/png") return b.rfind(std::string_view("IEND\xAE\x42\x60\x82", 8)) != std::string_view::npos;
  // Zero bytes after a GIF's trailer are padding some writers leave.
  while (!b.empty() && b.back() == '\0') b.remove_suffix(1);
  if (type == "image/gif") return b.ends_with(';');
  return true;
}

// Whether `s` can be a media type ("image/jpeg"): a name, a slash and a
// name, of the characters media type names are made of.
bool IsMediaType(std::string_view s) {
  const std::size_t slash = s.find('/');
  if (slash == 0 || slash == std::string_view::npos || slash + 1 == s.size() || s.size() > 127) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const bool name = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || std::string_view("!#$&^_.+-").find(c) != std::string_view::npos;
    if (!(name || (c == '/' && i == slash))) return false;
  }
  return true;
}

// A type 2.1 and 3.0 write in TYPE= as the media type it names.
std::string_view MediaTypeOfType(std::string_view type) {
  struct Row {
    std::string_view type, media;
  };
  static constexpr Row kRows[] = {
      {"jpeg", "image/jpeg"}, {"jpg", "image/jpeg"}, {"pjpeg", "image/jpeg"}, {"png", "image/png"},
      {"gif", "image/gif"},   {"bmp", "image/bmp"},  {"x-bmp", "image/bmp"},  {"tiff", "image/tiff"},
      {"tif", "image/tiff"},  {"wave", "audio/wav"}, {"pcm", "audio/wav"},    {"x509", "application/pkix-cert"},
      {"pgp", "application/pgp-keys"},
  };
  for (const Row& row : kRows)
    if (row.type == type) return row.media;
  // TYPE=image/jpeg, as some 3.0 writers put it.
  return IsMediaType(type) ? type : std::string_view();
}

}  // namespace

std::string_view BinaryFailureText(BinaryFailure failure) {
  switch (failure) {
    case BinaryFailure::None: return {};
    case BinaryFailure::Empty: return "the value is empty";
    case BinaryFailure::CutShort: return "the value is cut short";
    case BinaryFailure::NotBase64: return "the value holds characters that are not base64";
    case BinaryFailure::DataUriNotBase64: return "the data: URI is not in base64";
  }
  return {};
}

std::string_view ImageTypeOf(std::string_view b) {
  if (b.starts_with("\xFF\xD8\xFF")) return "image/jpeg";
  if (b.starts_with("\x89PNG\r\n\x1A\n")) return "image/png";
  if (b.starts_with("GIF87a") || b.starts_with("GIF89a")) return "image/gif";
  // "BM" alone says too little: the size of the header after the file's
  // own is one of the few the format has.
  if (b.starts_with("BM") && b.size() >= 18) {
    switch (Le32(b, 14)) {
      case 12: case 40: case 52: case 56: case 64: case 108: case 124: return "image/bmp";
    }
  }
  return {};
}

std::string_view FileExtensionOf(std::string_view media_type) {
  if (media_type == "image/jpeg") return ".jpg";
  if (media_type == "image/png") return ".png";
  if (media_type == "image/gif") return ".gif";
  if (media_type == "image/bmp") return ".bmp";
  if (media_type == "image/tiff") return ".tif";
  return ".bin";
}

namespace internal {

void BinaryDecoder::Start(Form form, std::string& out) {
  out_ = &out;
  out.clear();
  header_.clear();
  declared_.clear();
  pending_.clear();
  quad_ = 0;
  in_quad_ = 0;
  any_ = padded_ = false;
  failure_ = BinaryFailure::None;
  state_ = form == Form::Base64 ? State::Base64 : State::Header;
}

void BinaryDecoder::Fail(BinaryFailure failure) {
  if (failure_ == BinaryFailure::None) failure_ = failure;
  state_ = State::Stopped;
}

void BinaryDecoder::Feed(std::string_view piece) {
  if (state_ == State::Header) {
    const std::size_t comma = piece.find(',');
    header_.append(piece.substr(0, comma));
    // A URI's header is short; one that runs on is no header.
    if (header_.size() > 1024) return Fail(BinaryFailure::DataUriNotBase64);
    if (comma == std::string_view::npos) return;
    piece.remove_prefix(comma + 1);
    EndHeader();
  }
  if (state_ == State::Base64) FeedBase64(piece);
  else if (state_ == State::Percent) FeedPercent(piece);
}

// "data:image/jpeg;base64": the media type, and the form of what follows.
// A backslash some exporters put before the comma or the semicolons is no
// part of it.
void BinaryDecoder::EndHeader() {
  std::string header;
  for (char c : header_)
    if (c != '\\' && c != ' ' && c != '\t') header += AsciiLower(c);
  if (header.starts_with("data:")) header.erase(0, 5);
  const bool base64 = header.ends_with(";base64");
  declared_ = header.substr(0, header.find(';'));
  state_ = base64 ? State::Base64 : State::Percent;
  if (!base64) failure_ = BinaryFailure::DataUriNotBase64;
}

void BinaryDecoder::FeedBase64(std::string_view piece) {
  std::string& out = *out_;
  std::size_t at = out.size();
  out.resize(at + piece.size() / 4 * 3 + 3);
  char* w = out.data() + at;
  for (char c : piece) {
    const signed char v = kBase64[static_cast<unsigned char>(c)];
    if (v >= 0) {
      // Base64 after the padding is not the same value going on.
      if (padded_) {
        Fail(BinaryFailure::NotBase64);
        break;
      }
      any_ = true;
      quad_ = quad_ << 6 | std::uint32_t(v);
      if (++in_quad_ == 4) {
        *w++ = char(quad_ >> 16);
        *w++ = char(quad_ >> 8);
        *w++ = char(quad_);
        quad_ = 0;
        in_quad_ = 0;
      }
    } else if (v == kPad) {
      any_ = true;
      if (!padded_) {
        padded_ = true;
        if (in_quad_ == 1) failure_ = BinaryFailure::CutShort;
        if (in_quad_ >= 2) *w++ = char(quad_ >> (in_quad_ == 2 ? 4 : 10));
        if (in_quad_ == 3) *w++ = char(quad_ >> 2);
        in_quad_ = 0;
      }
    } else if (v == kNotBase64) {
      Fail(BinaryFailure::NotBase64);
      break;
    }
  }
  out.resize(std::size_t(w - out.data()));
}

void BinaryDecoder::FeedPercent(std::string_view piece) {
  if (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t') && any_) piece.remove_prefix(1);
  auto hex = [](char c) {
    c = AsciiLower(c);
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  any_ = true;
  std::string& out = *out_;
  pending_.append(piece);
  std::size_t i = 0;
  for (; i < pending_.size(); ++i) {
    if (pending_[i] != '%') {
      out += pending_[i];
      continue;
    }
    if (i + 2 >= pending_.size()) break;  // the escape goes on in the next piece
    const int high = hex(pending_[i + 1]), low = hex(pending_[i + 2]);
    if (high < 0 || low < 0) {
      out += '%';
      continue;
    }
    out += char(high * 16 + low);
    i += 2;
  }
  pending_.erase(0, i);
}

BinaryFailure BinaryDecoder::Finish() {
  if (state_ == State::Header) failure_ = BinaryFailure::DataUriNotBase64;
  if (state_ == State::Percent) out_->append(pending_);
  if (state_ == State::Base64 && !padded_) {
    // Unpadded base64 is whole when its last group has two or three
    // characters; one alone is a value cut short.
    if (in_quad_ == 1) failure_ = BinaryFailure::CutShort;
    if (in_quad_ >= 2) *out_ += char(quad_ >> (in_quad_ == 2 ? 4 : 10));
    if (in_quad_ == 3) *out_ += char(quad_ >> 2);
  }
  if (!any_ && failure_ == BinaryFailure::None) failure_ = BinaryFailure::Empty;
  state_ = State::Stopped;
  return failure_;
}

bool IsBase64Line(std::string_view line) {
  if (line.empty()) return false;
  for (char c : line)
    if (kBase64[static_cast<unsigned char>(c)] == kNotBase64) return false;
  return true;
}

void SettleBinary(std::string_view declared, BinaryFailure failure, DecodedBinary& binary) {
  const std::string_view image = ImageTypeOf(binary.bytes);
  // A percent-encoded picture is unusual but whole.
  if (failure == BinaryFailure::DataUriNotBase64 && !image.empty()) failure = BinaryFailure::None;
  if (failure == BinaryFailure::None && !image.empty() && !HasImageEnd(image, binary.bytes))
    failure = BinaryFailure::CutShort;
  binary.failure = failure;
  if (failure != BinaryFailure::None && image.empty()) {
    // Nothing of use: the memory goes too.
    std::string().swap(binary.bytes);
  }
  if (!image.empty()) {
    binary.media_type.assign(image);
    return;
  }
  if (IsMediaType(declared)) {
    binary.media_type.assign(declared);
    return;
  }
  for (const std::string& type : binary.types) {
    const std::string_view media = MediaTypeOfType(type);
    if (!media.empty()) {
      binary.media_type.assign(media);
      return;
    }
  }
  binary.media_type = "application/octet-stream";
}

}  // namespace internal
}  // namespace tessary
