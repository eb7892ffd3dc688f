#include "internal/contact_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "internal/ascii.h"
#include "internal/utf8_check.h"

namespace tessary::internal {
namespace {

// Each read goes straight into the store and is scanned while it is still
// in the processor's second-level cache. Reads land in fresh memory, so
// there is no buffer to keep warm and larger reads cost fewer calls.
constexpr std::size_t kReadBlock = std::size_t(256) << 10;

class Reader {
 public:
  // `cards`: the modern reading's cards rather than the keyword reader's
  // contacts; the separator plays no part then.
  Reader(ByteSource& source, std::string_view separator, ContactStore& store, bool cards)
      : source_(source), separator_(separator), store_(store), cards_(cards), utf8_(cards) {}

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
        const std::size_t end = store_.filled();
        if (line_start_ < end && (pending_ || Candidate(store_.data()[line_start_]))) OnLine(end, false);
        line_start_ = end;
      }
    } catch (const std::bad_alloc&) {
      // Keep what was listed; the contact being read ends before the line
      // that was being read when memory ran out.
      out.result = OpenResult::OutOfMemory;
    }
    // A card the file stopped in the middle of is listed all the same, with
    // the lines it has whole.
    try {
      ListOpenCard();
    } catch (const std::bad_alloc&) {
      out.result = OpenResult::OutOfMemory;
    }
    store_.EndContacts(line_start_);
    utf8_.Finish();
    out.utf8 = bom_ || (utf8_.valid() && utf8_.saw_non_ascii());
    return out;
  }

 private:
  static bool Candidate(char c) {
    const char folded = char(c | 0x20);
    return folded == 'b' || folded == 'e';
  }

  // Reads the next block; false at the end of the file or on a failure.
  bool ReadMore() {
    if (store_.room() == 0) {
      const std::size_t moved = store_.MakeRoom(std::min(line_start_, scanned_), source_.ExpectedRemaining());
      line_start_ -= moved;
      scanned_ -= moved;
      // These two may lie before what was kept; they only bound searches.
      searched_ = searched_ > moved ? searched_ - moved : 0;
      known_ = known_ > moved ? known_ - moved : 0;
    }
    char* into = store_.data() + store_.filled();
    const std::size_t n = source_.Read(into, std::min(store_.room(), kReadBlock));
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
      line_start_ = scanned_ = searched_ = 3;
    }
  }

  // Looks at everything read so far that can be looked at: every line that
  // begins with B or E and has its line feed, in file order.
  void Scan() {
    const char* base = store_.data();
    const std::size_t end = store_.filled();
    if (!first_line_seen_) {
      // The first line follows no line feed.
      if (line_start_ == end) return;
      first_line_seen_ = true;
      pending_ = Candidate(base[line_start_]);
      searched_ = line_start_;
    }
    for (;;) {
      if (pending_) {
        // The candidate line at line_start_ waits for its line feed.
        const void* found = std::memchr(base + searched_, '\n', end - searched_);
        if (!found) {
          searched_ = end;
          return;
        }
        const std::size_t line_feed = std::size_t(static_cast<const char*>(found) - base);
        OnLine(line_feed, true);
        pending_ = false;
        line_start_ = line_feed + 1;
        // The search goes on from that line feed (the next line may be one),
        // or from where it had got to: it found no other candidate there.
        scanned_ = std::max(scanned_, line_feed);
      }
      // Line feeds followed by a candidate, up to the last byte whose
      // successor has arrived.
      if (scanned_ + 1 >= end) break;
      const std::size_t size = std::min(end - 1 - scanned_, kScanBlock);
      const std::size_t found = FindCandidateLineFeeds(base + scanned_, size, feeds_);
      if (found == 0) {
        scanned_ += size;
        continue;
      }
      // Every candidate but the last one found here ends before the next
      // (its line feed is at most the next one's); handle those at once.
      for (std::size_t k = 0; k + 1 < found; ++k) {
        line_start_ = scanned_ + feeds_[k] + 1;
        const auto* line_feed =
            static_cast<const char*>(std::memchr(base + line_start_, '\n', scanned_ + feeds_[k + 1] + 1 - line_start_));
        OnLine(std::size_t(line_feed - base), true);
      }
      line_start_ = scanned_ + feeds_[found - 1] + 1;
      pending_ = true;
      searched_ = line_start_;
      scanned_ += size;
    }
    // No candidate is waiting: the line being read starts after the last
    // line feed. Only the bytes not searched this way before need looking at.
    for (std::size_t i = end; i > std::max(known_, line_start_); --i) {
      if (base[i - 1] == '\n') {
        line_start_ = i;
        break;
      }
    }
    known_ = end;
  }

  // The line from line_start_ to `end` has been read.
  void OnLine(std::size_t end, bool terminated) {
    const char* base = store_.data();
    const Line line = MakeLine(base + line_start_, base + end, terminated);
    if (cards_) {
      OnCardLine(CardDelimiterOf(line.content));
      return;
    }
    switch (DelimiterOf(line, separator_)) {
      case Delimiter::Begin: store_.BeginContact(line_start_); break;
      case Delimiter::End: store_.ListContact(); break;
      case Delimiter::None: break;
    }
  }

  // A card is listed at its END, or when the next BEGIN or the end of the
  // file comes first: every card read is one entry, once.
  void OnCardLine(Delimiter which) {
    if (which == Delimiter::Begin) {
      ListOpenCard();
      store_.BeginContact(line_start_);
      card_open_ = true;
    } else if (which == Delimiter::End) {
      ListOpenCard();
    }
  }

  void ListOpenCard() {
    if (!card_open_) return;
    store_.ListContact();
    card_open_ = false;
  }

  ByteSource& source_;
  const std::string_view separator_;
  ContactStore& store_;
  const bool cards_;
  bool card_open_ = false;  // a card has begun and is not listed yet
  Utf8Check utf8_;  // in the modern reading, folds may split characters
  bool started_ = false;
  bool bom_ = false;
  bool first_line_seen_ = false;
  // Offsets in the store's chunk. Everything before line_start_ has been
  // dealt with; it is where the line being read begins.
  std::size_t line_start_ = 0;
  // Every line feed before scanned_ has been looked at as a line's end.
  std::size_t scanned_ = 0;
  // The line at line_start_ begins with B or E but its line feed has not
  // been found yet; it has been searched for up to searched_.
  bool pending_ = false;
  std::size_t searched_ = 0;
  // Every line feed before known_ has moved line_start_ past it.
  std::size_t known_ = 0;
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

Delimiter CardDelimiterOf(std::string_view line) {
  auto is = [&](std::string_view word) {
    if (line.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if (AsciiLower(line[i]) != word[i]) return false;
    for (char c : line.substr(word.size()))
      if (c != ' ' && c != '\t' && c != '\r') return false;
    return true;
  };
  if (is("begin:vcard")) return Delimiter::Begin;
  if (is("end:vcard")) return Delimiter::End;
  return Delimiter::None;
}

ReadOutcome ReadContacts(ByteSource& source, std::string_view separator, ContactStore& store) {
  return Reader(source, separator, store, false).Run();
}

ReadOutcome ReadCards(ByteSource& source, ContactStore& store) { return Reader(source, {}, store, true).Run(); }

}  // namespace tessary::internal
