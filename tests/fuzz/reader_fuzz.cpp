// Arbitrary bytes, an arbitrary separator and arbitrary read sizes must never
// crash the reader, and the walk must agree with the count.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "memory_source.h"
#include "vcard_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // First byte: separator length (0-7) and read size; then the separator.
  std::size_t sep_len = data[0] & 7;
  std::size_t step = 1 + (data[0] >> 3) * 37;
  ++data;
  --size;
  if (sep_len > size) sep_len = size;
  tessary::VCardStream s;
  if (data[0] != 0xFF || sep_len) s.SetDelimeter(std::string(reinterpret_cast<const char*>(data), sep_len));
  data += sep_len;
  size -= sep_len;

  tessary_test::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size), {step});
  s.Open(source);

  if (s.ContactCount() < 0) std::abort();
  std::size_t walked = 0;
  for (s.MoveFirst(); !s.IsEOF(); s.MoveNext()) {
    for (std::size_t f = 0; f < tessary::kFieldCount; ++f) (void)s.Current(tessary::Field(f)).size();
    if (++walked > std::size_t(s.ContactCount())) std::abort();
  }
  if (walked != std::size_t(s.ContactCount())) std::abort();
  s.Close();
  return 0;
}
