// Base64 (RFC 4648, with padding) for the pictures the program and the
// local store write into vCards; the reader decodes base64 as its lines
// arrive, in its own streaming decoder.
#pragma once

#include <string>
#include <string_view>

namespace textcodec {

// `bytes` in base64, without line breaks, appended to `out`.
void AppendBase64(std::string_view bytes, std::string& out);
inline std::string Base64(std::string_view bytes) {
  std::string out;
  AppendBase64(bytes, out);
  return out;
}

}  // namespace textcodec
