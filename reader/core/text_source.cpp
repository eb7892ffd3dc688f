#include "internal/text_source.h"

#include <algorithm>
#include <cstring>

#include "internal/charset.h"

namespace tessary::internal {
namespace {

constexpr std::size_t kBlock = std::size_t(64) << 10;

// Reads until `want` bytes are in `out` or the source has no more.
void ReadUpTo(ByteSource& source, std::string& out, std::size_t want) {
  while (out.size() < want) {
    const std::size_t at = out.size();
    out.resize(want);
    const std::size_t n = source.Read(out.data() + at, want - at);
    out.resize(at + n);
    if (n == 0) return;
  }
}

}  // namespace

bool TextSource::Convert() {
  ready_.clear();
  handed_ = 0;
  while (ready_.empty() && !file_ended_) {
    const std::size_t before = raw_.size();
    ReadUpTo(file_, raw_, before + kBlock);
    file_ended_ = raw_.size() < before + kBlock;
    const std::size_t used = AppendUtf16AsUtf8(raw_, mode_ == Mode::Utf16Be, file_ended_, ready_);
    raw_.erase(0, used);
  }
  return !ready_.empty();
}

std::size_t TextSource::Read(char* into, std::size_t max) {
  if (mode_ == Mode::Unknown) {
    // The first two bytes tell; when they are not a UTF-16 mark they are the
    // first bytes handed out.
    ReadUpTo(file_, ready_, 2);
    const auto* b = reinterpret_cast<const unsigned char*>(ready_.data());
    mode_ = Mode::Bytes;
    if (ready_.size() == 2 && b[0] == 0xFF && b[1] == 0xFE) mode_ = Mode::Utf16Le;
    if (ready_.size() == 2 && b[0] == 0xFE && b[1] == 0xFF) mode_ = Mode::Utf16Be;
    if (Utf16()) ready_.clear();
  }
  if (handed_ == ready_.size()) {
    if (mode_ == Mode::Bytes) {
      ready_.clear();
      handed_ = 0;
      return file_.Read(into, max);
    }
    if (!Convert()) return 0;
  }
  const std::size_t n = std::min(max, ready_.size() - handed_);
  std::memcpy(into, ready_.data() + handed_, n);
  handed_ += n;
  return n;
}

}  // namespace tessary::internal
