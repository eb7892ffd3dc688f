#include "internal/text_source.h"

#include <algorithm>
#include <iterator>
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
    if (marks_.empty() || marks_.back().text != text_made_) marks_.push_back({text_made_, file_used_});
    const std::size_t before = raw_.size();
    ReadUpTo(file_, raw_, before + kBlock);
    file_read_ += raw_.size() - before;
    file_ended_ = raw_.size() < before + kBlock;
    const std::size_t used = AppendUtf16AsUtf8(raw_, mode_ == Mode::Utf16Be, file_ended_, ready_);
    raw_.erase(0, used);
    file_used_ += used;
    text_made_ += ready_.size();
  }
  return !ready_.empty();
}

bool TextSource::ReadAt(std::uint64_t offset, char* into, std::size_t size) {
  if (mode_ == Mode::Bytes) return file_.ReadAt(offset, into, size);
  if (!Utf16() || marks_.empty() || offset < marks_.front().text) return false;
  // The last place noted at or before the offset: the conversion from there
  // gives the same text as the read did, whatever blocks it goes in.
  const auto mark = std::prev(std::upper_bound(marks_.begin(), marks_.end(), offset,
                                               [](std::uint64_t at, const Mark& m) { return at < m.text; }));
  std::uint64_t text = mark->text, file = mark->file;
  std::string raw, out;
  while (text + out.size() < offset + size) {
    if (file >= file_read_) return false;
    const auto block = std::size_t(std::min<std::uint64_t>(kBlock, file_read_ - file));
    const std::size_t kept = raw.size();
    raw.resize(kept + block);
    if (!file_.ReadAt(file, raw.data() + kept, block)) return false;
    file += block;
    const std::size_t used = AppendUtf16AsUtf8(raw, mode_ == Mode::Utf16Be, file == file_read_, out);
    raw.erase(0, used);
    // Text before the offset is not needed.
    const std::uint64_t skip = std::min<std::uint64_t>(out.size(), offset > text ? offset - text : 0);
    out.erase(0, std::size_t(skip));
    text += skip;
  }
  std::memcpy(into, out.data() + (offset - text), size);
  return true;
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
