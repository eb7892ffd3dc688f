#include "internal/contact_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "internal/utf8_check.h"

namespace tessary::internal {
namespace {

// Each read goes straight into the store and is scanned while it is still
// in the processor's cache.
constexpr std::size_t kReadBlock = std::size_t(64) << 10;

class Reader {
 public:
  Reader(ByteSource& source, std::string_view separator, ContactStore& store)
      : source_(source), separator_(separator), store_(store) {}

  ReadOutcome Run() {
    ReadOutcome out;
    try {
      while (ReadMore()) {
        // A UTF-8 byte-order mark is not part of the first line; wait for
        // three bytes to know.
        if (!started_ && store_.filled() < 3) continue;
        Start();
        Scan();
      }
      Start();
      Scan();
      if (source_.Failed()) {
        // A line cut off by the failure is not known to be whole: its value
        // could pass for a shorter one. The contact being read ends before it.
        out.result = OpenResult::ReadError;
      } else {
        // The last line, when the file does not end with a line break.
        if (line_start_ < store_.filled()) OnLine(store_.filled(), false);
        line_start_ = store_.filled();
      }
    } catch (const std::bad_alloc&) {
      // Keep what was listed; the line being looked at when memory ran out
      // ends the contact being read.
      out.result = OpenResult::OutOfMemory;
    }
    store_.EndContacts(line_start_);
    utf8_.Finish();
    out.utf8 = bom_ || (utf8_.valid() && utf8_.saw_non_ascii());
    return out;
  }

 private:
  // Reads the next block; false at the end of the file or on a failure.
  bool ReadMore() {
    if (store_.room() == 0) {
      std::size_t moved = store_.MakeRoom(line_start_, source_.ExpectedRemaining());
      line_start_ -= moved;
      scanned_ -= moved;
    }
    char* into = store_.data() + store_.filled();
    std::size_t n = source_.Read(into, std::min(store_.room(), kReadBlock));
    if (n == 0) return false;
    utf8_.Add(into, n);
    store_.Filled(n);
    return true;
  }

  void Start() {
    if (started_) return;
    started_ = true;
    // Nothing has moved yet: the file starts at the chunk's start.
    if (store_.filled() >= 3 && std::memcmp(store_.data(), "\xEF\xBB\xBF", 3) == 0) {
      bom_ = true;
      line_start_ = scanned_ = 3;
    }
  }

  void Scan() {
    const char* base = store_.data();
    const std::size_t end = store_.filled();
    while (scanned_ < end) {
      const std::size_t size = std::min(end - scanned_, kScanBlock);
      const std::size_t feeds = FindLineFeeds(base + scanned_, size, feeds_);
      for (std::size_t i = 0; i < feeds; ++i) {
        const std::size_t line_feed = scanned_ + feeds_[i];
        // Only a line that begins with B or E can name either.
        const char first = char(base[line_start_] | 0x20);
        if (first == 'b' || first == 'e') OnLine(line_feed, true);
        line_start_ = line_feed + 1;
      }
      scanned_ += size;
    }
  }

  // The line from line_start_ to `end` has been read.
  void OnLine(std::size_t end, bool terminated) {
    const char* base = store_.data();
    switch (DelimiterOf(MakeLine(base + line_start_, base + end, terminated), separator_)) {
      case Delimiter::Begin: store_.BeginContact(line_start_); break;
      case Delimiter::End: store_.ListContact(); break;
      case Delimiter::None: break;
    }
  }

  ByteSource& source_;
  const std::string_view separator_;
  ContactStore& store_;
  Utf8Check utf8_;
  bool started_ = false;
  bool bom_ = false;
  std::size_t line_start_ = 0;  // the first line not yet looked at, in the chunk
  std::size_t scanned_ = 0;     // bytes of the chunk searched for line feeds
  std::uint16_t feeds_[kScanBlock];
};

}  // namespace

Delimiter DelimiterOf(const Line& line, std::string_view separator) {
  // The name is what stands before the first colon, so a line names BEGIN
  // or END when it starts with one of them and a colon right after (folding
  // ASCII letters only, as the keyword table does). Most lines are ruled
  // out by their first byte.
  const std::string_view c = line.content;
  auto folds_to = [&](std::string_view word) {
    if (c.size() <= word.size() || c[word.size()] != ':') return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if (char(c[i] | 0x20) != word[i]) return false;
    return true;
  };
  Delimiter which;
  std::size_t colon;
  if (folds_to("begin")) {
    which = Delimiter::Begin;
    colon = 5;
  } else if (folds_to("end")) {
    which = Delimiter::End;
    colon = 3;
  } else {
    return Delimiter::None;
  }
  // A base-name line named BEGIN or END is not one.
  return SeparatorBeginsBefore(line, colon, separator) ? Delimiter::None : which;
}

ReadOutcome ReadContacts(ByteSource& source, std::string_view separator, ContactStore& store) {
  return Reader(source, separator, store).Run();
}

}  // namespace tessary::internal
