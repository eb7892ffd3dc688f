#include "internal/contact_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "internal/ascii.h"
#include "internal/contact_loader.h"
#include "internal/utf8_check.h"

namespace tessary::internal {
namespace {

// Reads of this size go into the window, and are scanned while they are
// still in the processor's second-level cache.
constexpr std::size_t kReadBlock = std::size_t(256) << 10;
// The smallest window a read accepts.
constexpr std::size_t kSmallestWindow = 8;

ReadLimits g_limits;

bool Candidate(char c) {
  const char folded = char(c | 0x20);
  return folded == 'b' || folded == 'e' || c == '\xEF';
}

// Whether a line that starts with `prefix` could still be BEGIN:VCARD or
// END:VCARD once it has ended.
bool MightBeCardDelimiter(std::string_view prefix) {
  if (prefix.starts_with("\xEF\xBB\xBF")) prefix.remove_prefix(3);
  for (std::string_view word : {std::string_view("begin:vcard"), std::string_view("end:vcard")}) {
    const std::size_t n = std::min(word.size(), prefix.size());
    bool same = true;
    for (std::size_t i = 0; i < n && same; ++i) same = AsciiLower(prefix[i]) == word[i];
    if (!same) continue;
    bool blank = true;
    for (char c : prefix.substr(n)) blank = blank && (c == ' ' || c == '\t' || c == '\r');
    if (blank) return true;
  }
  return false;
}

// Whether a line that starts with `prefix` could still open an AGENT's
// card once it has ended. Errs towards yes: such a line is kept whole.
bool MightOpenAgentCard(std::string_view prefix) {
  if (prefix.starts_with("\xEF\xBB\xBF")) prefix.remove_prefix(3);
  const std::size_t colon = prefix.find(':');
  if (colon != std::string_view::npos) return OpensAgentCard(prefix);
  const std::size_t semicolon = prefix.find(';');
  std::string_view name = prefix.substr(0, semicolon);
  const std::size_t dot = name.rfind('.');
  if (semicolon == std::string_view::npos) {
    // Still in the name, which may be a long group before AGENT.
    return std::all_of(name.begin(), name.end(), [](char c) {
      return c == '-' || c == '.' || c == '_' || (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    });
  }
  if (dot != std::string_view::npos) name.remove_prefix(dot + 1);
  return SameIgnoringCase(name, "AGENT");
}

// Reads the source through the window. Offsets of the scan are offsets in
// the window; base_ is the file offset of its first byte.
class Reader {
 public:
  // `cards`: the modern reading's cards rather than the keyword reader's
  // contacts; the separator plays no part then.
  Reader(ByteSource& source, std::string_view separator, ContactStore& store, bool cards)
      : source_(source), separator_(separator), store_(store), cards_(cards), utf8_(cards), loader_(separator, store),
        limits_(g_limits) {}

  ReadOutcome Run() {
    ReadOutcome out;
    try {
      window_ = ByteChunk(first_window_ = std::max(limits_.window, kSmallestWindow));
      while (ReadMore()) {
        // A UTF-8 byte-order mark is not part of the first line; wait for
        // three bytes to know.
        if (!started_ && filled_ < 3) continue;
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
        const std::size_t end = filled_;
        if (line_start_ < end && !line_cut_ && (pending_ || Candidate(data()[line_start_]))) OnLine(end, false);
        line_start_ = end;
        line_cut_ = false;
      }
    } catch (const std::bad_alloc&) {
      // Keep what was listed; the contact being read ends before the line
      // that was being read when memory ran out.
      out.result = OpenResult::OutOfMemory;
    }
    // A contact or card the file stopped in the middle of is listed all the
    // same, with the lines it has whole.
    try {
      if (cards_) {
        ListOpenCard(line_cut_ ? cut_line_at_ : base_ + line_start_);
      } else {
        FeedLoader(line_start_);
        CloseContact();
      }
    } catch (const std::bad_alloc&) {
      out.result = OpenResult::OutOfMemory;
    }
    utf8_.Finish();
    out.utf8 = bom_ || (utf8_.valid() && utf8_.saw_non_ascii());
    return out;
  }

 private:
  char* data() const { return window_.data(); }

  // Reads the next block; false at the end of the file or on a failure.
  bool ReadMore() {
    if (filled_ == window_.size()) MakeRoom();
    char* into = data() + filled_;
    const std::size_t n = source_.Read(into, std::min(window_.size() - filled_, kReadBlock));
    if (n == 0) return false;
    if (!asked_) {
      // A UTF-16 file's text is known to be so only after its first bytes.
      asked_ = true;
      read_again_ = cards_ && source_.CanReadAt();
    }
    utf8_.Add(into, n);
    filled_ += n;
    return true;
  }

  // The window is full: what is still needed moves to its start, in a larger
  // window only when it fills most of it.
  void MakeRoom() {
    if (!cards_) FeedLoader(line_start_);
    if (cards_) PassOverLongLine();
    std::size_t keep = std::min(line_start_, scanned_);
    bool keep_line_start = !line_cut_ && keep == line_start_;
    if (cards_ && !line_cut_) {
      // The line before the one being read, when it opens an AGENT's card:
      // a BEGIN:VCARD next must know.
      const std::size_t before = PreviousLineStart();
      if (before != kNowhere && before < keep && OpensAgentCard(LineAt(before, line_start_ - 1))) {
        keep = before;
        keep_line_start = true;
      }
    }
    if (cards_ && card_open_ && !read_again_ && !card_too_large_) {
      // The card stays whole in the window until it is listed, unless it is
      // too large to be kept.
      if (base_ + filled_ - card_start_ > limits_.largest_card) {
        card_too_large_ = true;
      } else if (card_start_ - base_ < keep) {
        keep = std::size_t(card_start_ - base_);
        keep_line_start = true;
      }
    }
    const std::size_t kept = filled_ - keep;
    std::size_t size = window_.size();
    if (keep < size / 4) size = std::max(size * 2, kept + first_window_);
    else if (size > 2 * first_window_ && kept < first_window_ / 2) size = first_window_;
    if (size != window_.size()) {
      ByteChunk larger(size);
      std::memcpy(larger.data(), data() + keep, kept);
      window_ = std::move(larger);
    } else {
      std::memmove(data(), data() + keep, kept);
    }
    filled_ = kept;
    base_ += keep;
    window_starts_line_ = keep_line_start;
    line_start_ -= keep;
    scanned_ -= keep;
    loaded_ = loaded_ > keep ? loaded_ - keep : 0;
    // These two may lie before what was kept; they only bound searches.
    searched_ = searched_ > keep ? searched_ - keep : 0;
    known_ = known_ > keep ? known_ - keep : 0;
  }

  // In the modern reading, a line longer than the window need not stay in
  // it once it can be neither BEGIN:VCARD nor END:VCARD nor the AGENT line
  // before one: only where it began is kept, should the file fail in it.
  void PassOverLongLine() {
    if (line_cut_) {
      line_start_ = std::max(line_start_, scanned_);
      return;
    }
    if (filled_ - line_start_ < window_.size() / 2) return;
    const std::string_view prefix(data() + line_start_, filled_ - line_start_);
    if ((pending_ && MightBeCardDelimiter(prefix)) || MightOpenAgentCard(prefix)) return;
    pending_ = false;
    line_cut_ = true;
    cut_line_at_ = base_ + line_start_;
    line_start_ = std::max(line_start_, scanned_);
  }

  static constexpr std::size_t kNowhere = ~std::size_t(0);

  // Where the line that ends with the line feed before line_start_ begins,
  // when it lies whole in the window.
  std::size_t PreviousLineStart() const {
    if (line_start_ == 0) return kNowhere;
    std::size_t begin = line_start_ - 1;
    while (begin > 0 && data()[begin - 1] != '\n') --begin;
    if (begin == 0 && !window_starts_line_) return kNowhere;
    return begin;
  }

  std::string_view LineAt(std::size_t begin, std::size_t line_feed) const {
    return WithoutByteOrderMark(MakeLine(data() + begin, data() + line_feed, true)).content;
  }

  void Start() {
    if (started_) return;
    started_ = true;
    // Nothing has moved yet: the file starts at the window's start.
    if (filled_ >= 3 && std::memcmp(data(), "\xEF\xBB\xBF", 3) == 0) {
      bom_ = true;
      line_start_ = scanned_ = searched_ = 3;
    }
  }

  // Looks at everything read so far that can be looked at: every line that
  // begins with B or E (or a byte order mark) and has its line feed, in
  // file order.
  void Scan() {
    const char* base = data();
    const std::size_t end = filled_;
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
        line_cut_ = false;
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
      line_cut_ = false;
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
        line_cut_ = false;
        break;
      }
    }
    known_ = end;
  }

  // The line from line_start_ to `end` has been read.
  void OnLine(std::size_t end, bool terminated) {
    const Line line = WithoutByteOrderMark(MakeLine(data() + line_start_, data() + end, terminated));
    if (cards_) {
      OnCardLine(CardDelimiterOf(line.content), base_ + end + (terminated ? 1 : 0));
      return;
    }
    switch (DelimiterOf(line, separator_)) {
      case Delimiter::Begin:
        // The contact before ends here: its lines go to the loader first.
        FeedLoader(line_start_);
        CloseContact();
        loader_.Start();
        contact_open_ = true;
        loaded_ = line_start_;
        break;
      case Delimiter::End:
        if (!contact_open_ || store_.Full()) break;
        if (record_ == ContactStore::kNoRecord) record_ = store_.Reserve();
        store_.List(record_);
        break;
      case Delimiter::None: break;
    }
  }

  // The lines of the open contact before `upto` (a line's start) go to the
  // loader.
  void FeedLoader(std::size_t upto) {
    if (contact_open_ && upto > loaded_) loader_.Add(std::string_view(data() + loaded_, upto - loaded_));
    loaded_ = upto;
  }

  // The open contact ends: kept if it was listed, forgotten otherwise.
  void CloseContact() {
    if (contact_open_) store_.EndContact(record_);
    contact_open_ = false;
    record_ = ContactStore::kNoRecord;
  }

  // A card is listed at its END, or when the next BEGIN or the end of the
  // file comes first: every card read is one entry, once. `line_end` is the
  // file offset after the line. An AGENT's card is part of the card it is
  // in.
  void OnCardLine(Delimiter which, std::uint64_t line_end) {
    if (which == Delimiter::Begin) {
      if (card_open_) {
        const std::size_t before = PreviousLineStart();
        if (before != kNowhere && OpensAgentCard(LineAt(before, line_start_ - 1))) {
          ++nested_;
          return;
        }
      }
      ListOpenCard(base_ + line_start_);
      card_open_ = true;
      card_start_ = base_ + line_start_;
      card_too_large_ = false;
      nested_ = 0;
    } else if (which == Delimiter::End && card_open_) {
      if (nested_ > 0) {
        --nested_;
        return;
      }
      ListOpenCard(line_end);
    }
  }

  void ListOpenCard(std::uint64_t end) {
    if (!card_open_) return;
    card_open_ = false;
    if (store_.Full()) return;
    const std::uint64_t size = end - card_start_;
    const bool too_large = card_too_large_ || size > limits_.largest_card;
    const char* bytes = read_again_ || too_large ? nullptr : data() + std::size_t(card_start_ - base_);
    store_.AddCard(card_start_, size, too_large, bytes);
  }

  ByteSource& source_;
  const std::string_view separator_;
  ContactStore& store_;
  const bool cards_;
  Utf8Check utf8_;  // in the modern reading, folds may split characters
  ContactLoader loader_;
  const ReadLimits limits_;

  ByteChunk window_;
  std::size_t first_window_ = 0;
  std::size_t filled_ = 0;
  std::uint64_t base_ = 0;
  // Whether the window's first byte starts a line.
  bool window_starts_line_ = true;
  bool asked_ = false;
  bool read_again_ = false;  // the source reads cards again: none is kept

  bool started_ = false;
  bool bom_ = false;
  bool first_line_seen_ = false;
  // Offsets in the window. Everything before line_start_ has been dealt
  // with; it is where the line being read begins, or (line_cut_) a place in
  // a long line passed over, which began at cut_line_at_ in the file.
  std::size_t line_start_ = 0;
  bool line_cut_ = false;
  std::uint64_t cut_line_at_ = 0;
  // Every line feed before scanned_ has been looked at as a line's end.
  std::size_t scanned_ = 0;
  // The line at line_start_ begins with B or E but its line feed has not
  // been found yet; it has been searched for up to searched_.
  bool pending_ = false;
  std::size_t searched_ = 0;
  // Every line feed before known_ has moved line_start_ past it.
  std::size_t known_ = 0;
  std::uint16_t feeds_[kScanBlock];

  // The keyword reader: the open contact, its lines fed to the loader up to
  // loaded_, and its record once listed.
  bool contact_open_ = false;
  std::size_t loaded_ = 0;
  std::uint32_t record_ = ContactStore::kNoRecord;

  // The modern reading: the open card, where it began, how many AGENT cards
  // deep the read is in it, and whether it outgrew the window's keeping.
  bool card_open_ = false;
  std::uint64_t card_start_ = 0;
  int nested_ = 0;
  bool card_too_large_ = false;
};

}  // namespace

const ReadLimits& CurrentReadLimits() { return g_limits; }
void SetReadLimits(const ReadLimits& limits) { g_limits = limits; }

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

bool OpensAgentCard(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  std::string_view name = line.substr(0, std::min(line.find(';'), colon));
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name.remove_prefix(dot + 1);
  if (!SameIgnoringCase(name, "AGENT")) return false;
  for (char c : line.substr(colon + 1))
    if (c != ' ' && c != '\t' && c != '\r') return false;
  return true;
}

ReadOutcome ReadContacts(ByteSource& source, std::string_view separator, ContactStore& store) {
  return Reader(source, separator, store, false).Run();
}

ReadOutcome ReadCards(ByteSource& source, ContactStore& store) { return Reader(source, {}, store, true).Run(); }

}  // namespace tessary::internal
