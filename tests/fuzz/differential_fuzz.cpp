// libFuzzer target: the fast reader and the plain one must agree on every
// field of every listed contact, whatever the bytes, the separator, the
// read sizes, the size the source reports and the window. The modern
// reading of the same bytes must go through them whole, give nothing but
// UTF-8, give the same cards through any window, and give every binary value
// a media type and, when it failed, a named failure.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "decoded_card.h"
#include "differential.h"
#include "internal/charset.h"
#include "memory_source.h"
#include "vcard_stream.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "modern reading: %s\n", what);
  std::abort();
}

void CheckDecodedReading(const std::uint8_t* data, std::size_t size) {
  tessary_test::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size), {7, 1, 300});
  tessary::VCardStream stream;
  if (stream.OpenDecoded(source) != tessary::OpenResult::Read) Fail("the read did not end normally");
  stream.MoveFirst();
  for (std::int32_t i = 0; i < stream.ContactCount(); ++i, stream.MoveNext()) {
    for (const tessary::DecodedProperty& p : stream.CurrentCard().properties) {
      if (p.components.empty()) Fail("a property without components");
      // The program's adapter relies on it, to ask for one text less.
      if (p.components.size() == 1 && p.components[0] != p.value) Fail("a lone component that is not the value");
      bool utf8 = tessary::internal::IsUtf8(p.group) && tessary::internal::IsUtf8(p.name) &&
                  tessary::internal::IsUtf8(p.value);
      for (const std::string& t : p.types) utf8 = utf8 && tessary::internal::IsUtf8(t);
      for (const std::string& c : p.components) utf8 = utf8 && tessary::internal::IsUtf8(c);
      if (!utf8) Fail("text that is not UTF-8");
    }
    for (const tessary::DecodedBinary& b : stream.CurrentCard().binaries) {
      if (b.media_type.empty()) Fail("a binary value without a media type");
      if ((b.failure == tessary::BinaryFailure::None) != tessary::BinaryFailureText(b.failure).empty())
        Fail("a binary value's failure without its text");
      // After a failure only a picture's readable part is kept.
      if (b.failure != tessary::BinaryFailure::None && !b.bytes.empty() && tessary::ImageTypeOf(b.bytes).empty())
        Fail("a failed binary value kept bytes that are no picture");
      bool utf8 = tessary::internal::IsUtf8(b.group) && tessary::internal::IsUtf8(b.name) &&
                  tessary::internal::IsUtf8(b.media_type);
      for (const std::string& t : b.types) utf8 = utf8 && tessary::internal::IsUtf8(t);
      if (!utf8) Fail("binary value's text that is not UTF-8");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string difference = tessary_test::CompareReaders(data, size);
  if (!difference.empty()) {
    std::fprintf(stderr, "readers differ: %s\n", difference.c_str());
    std::abort();
  }
  CheckDecodedReading(data, size);
  difference = tessary_test::CompareDecodedReadings(data, size);
  if (!difference.empty()) {
    std::fprintf(stderr, "modern reading: %s\n", difference.c_str());
    std::abort();
  }
  return 0;
}
