#include "vcard_stream.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

#include "byte_source.h"
#include "internal/card_decoder.h"
#include "internal/contact_reader.h"
#include "internal/contact_store.h"
#include "internal/file_source.h"
#include "internal/text_source.h"

namespace tessary {
namespace {

// How much of the file the cursor reads at once in the modern reading.
constexpr std::uint64_t kReadAhead = std::uint64_t(1) << 20;

}  // namespace

struct VCardStream::State {
  // The separator as set, for the next Open.
  std::string separator = "$$NEWLINE$$";
  std::string separator_utf8 = "$$NEWLINE$$";

  // What the last Open read (null for an empty list), and the separators
  // it read with.
  std::unique_ptr<internal::ContactStore> store;
  // Where the modern reading reads its cards again: the file source the
  // stream made (owned_source), through the text source over it.
  std::unique_ptr<ByteSource> owned_source;
  std::unique_ptr<internal::TextSource> cards_from;
  std::string card_text;  // the card's bytes read again, and the next ones'
  std::uint64_t text_at = 0;  // the file offset of card_text's first byte
  std::string read_separator;       // classifies the lines of the list
  std::string read_separator_utf8;  // joins its fields if the file is UTF-8
  bool utf8 = false;
  bool decoded = false;  // read by OpenDecoded: entries are cards
  std::int32_t count = 0;

  // The cursor and the current values.
  bool end_flag = false;
  bool has_cursor = false;
  std::size_t cursor = 0;
  // The current values are records[current]; a move fills the other one
  // first, so one that runs out of memory changes nothing.
  ContactRecord records[2];
  int current = 0;
  bool current_utf8 = false;
  // After a move in the modern reading, cards[current] is the card the
  // current values came from.
  DecodedCard cards[2];
  CardError card_errors[2] = {CardError::None, CardError::None};
  bool card_current = false;
  // The modern reading fills the current values from cards[current] (joined
  // by fields_join) only when one is first asked for: a client of the card
  // itself never asks, and filling all 32 for every card is most of a move.
  bool fields_pending = false;
  std::string fields_join;
  internal::DecodeScratch scratch;

  // What every Open does first: an empty list, a count of 0, no cursor.
  // The keyword reader keeps the current values; the modern reading starts
  // without any (they came from another file, perhaps in another encoding).
  // The separator stays.
  void Forget(bool decoded_next) {
    DropList();
    count = 0;
    end_flag = false;
    has_cursor = false;
    cursor = 0;
    utf8 = false;
    decoded = false;
    if (decoded_next) {
      fields_pending = false;
      records[current].Clear();
      cards[current].properties.clear();
      ReleaseBinaries(cards[current]);
      cards[current].version.clear();
      card_errors[current] = CardError::None;
      current_utf8 = true;
    } else {
      card_current = false;
    }
  }

  // A card's binary values (pictures of tens of kilobytes each) are held
  // only while it is the current card: a walk over thousands of them keeps
  // one at a time.
  static void ReleaseBinaries(DecodedCard& card) { std::vector<DecodedBinary>().swap(card.binaries); }

  // The list and what its cards are read from; the text source reads from
  // the file source, so it goes first.
  void DropList() {
    store.reset();
    cards_from.reset();
    owned_source.reset();
    std::string().swap(card_text);
    text_at = 0;
  }

  std::size_t Entries() const { return store ? store->Entries() : 0; }
  CardError LoadCard(const internal::CardSpan& span, DecodedCard& out);

  const ContactRecord& Fields() {
    if (fields_pending) {
      // Filled again from the start if memory runs out part-way.
      internal::FieldsOfCard(cards[current], fields_join, records[current]);
      fields_pending = false;
    }
    return records[current];
  }

  void Load(std::size_t index) {
    const int next = 1 - current;
    if (decoded) {
      const CardError error = LoadCard(store->Card(index), cards[next]);
      card_errors[next] = error;
      fields_join.assign(read_separator_utf8);
    } else {
      store->Fields(index, utf8 ? read_separator_utf8 : read_separator, records[next]);
    }
    fields_pending = decoded;
    if (decoded) ReleaseBinaries(cards[current]);
    current = next;
    current_utf8 = decoded || utf8;
    card_current = decoded;
    cursor = index;
    has_cursor = true;
  }
};

// Decodes the card at `span` into `out`: from the bytes kept, or read again.
CardError VCardStream::State::LoadCard(const internal::CardSpan& span, DecodedCard& out) {
  out.properties.clear();
  out.version.clear();
  if (span.too_large) return CardError::TooLarge;
  std::string_view text;
  if (span.kept) {
    text = std::string_view(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(span.at)), span.size);
  } else if (span.at >= text_at && span.at + span.size <= text_at + card_text.size()) {
    // Read with a card before it.
    text = std::string_view(card_text).substr(std::size_t(span.at - text_at), span.size);
  } else {
    // The cursor mostly moves on to the next card: the cards after this one
    // are read with it, up to a megabyte, so that small cards do not cost a
    // read each. A large card's text is not kept for the next, smaller ones.
    const std::uint64_t ahead = std::min<std::uint64_t>(std::max<std::uint64_t>(span.size, kReadAhead),
                                                        store->CardsEnd() - span.at);
    if (card_text.capacity() > 4 * kReadAhead && ahead < card_text.capacity() / 4) std::string().swap(card_text);
    card_text.clear();
    text_at = span.at;
    card_text.resize(std::size_t(ahead));
    bool read = cards_from && cards_from->ReadAt(span.at, card_text.data(), card_text.size());
    if (!read && ahead > span.size) {
      // The file changed since: this card alone may still be there.
      card_text.resize(span.size);
      read = cards_from && cards_from->ReadAt(span.at, card_text.data(), span.size);
    }
    if (!read) {
      card_text.clear();
      return CardError::ReadFailed;
    }
    text = std::string_view(card_text).substr(0, span.size);
  }
  // Decoded values are UTF-8, whatever the file was in.
  internal::DecodeCard(text, utf8 ? internal::FileText::Utf8 : internal::FileText::Ansi, out, scratch);
  return CardError::None;
}

VCardStream::VCardStream() : state_(std::make_unique<State>()) {}
VCardStream::~VCardStream() = default;

OpenResult VCardStream::Open(const char* path) { return OpenPath(path, false); }
OpenResult VCardStream::Open(std::FILE* file) { return OpenFile(file, false); }
OpenResult VCardStream::Open(ByteSource& source) { return Read(source, false); }
OpenResult VCardStream::OpenDecoded(const char* path) { return OpenPath(path, true); }
OpenResult VCardStream::OpenDecoded(std::FILE* file) { return OpenFile(file, true); }
OpenResult VCardStream::OpenDecoded(ByteSource& source) { return Read(source, true); }

OpenResult VCardStream::OpenPath(const char* path, bool decoded) {
  std::FILE* file = (path && *path) ? std::fopen(path, "rb") : nullptr;
  OpenResult result = OpenFile(file, decoded);
  if (file) std::fclose(file);
  return result;
}

OpenResult VCardStream::OpenFile(std::FILE* file, bool decoded) {
  if (!file) {
    state_->Forget(decoded);
    return OpenResult::NotOpened;
  }
  std::unique_ptr<internal::FileSource> source;
  try {
    source = std::make_unique<internal::FileSource>(file, decoded);
  } catch (const std::bad_alloc&) {
    state_->Forget(decoded);
    return OpenResult::OutOfMemory;
  }
  ByteSource& bytes = *source;
  return Read(bytes, decoded, std::move(source));
}

OpenResult VCardStream::Read(ByteSource& source, bool decoded, std::unique_ptr<ByteSource> owned) {
  State& s = *state_;
  // Whatever happens below, the list is emptied first and the count always
  // matches it.
  s.Forget(decoded);
  // The list is built apart and takes the stream's place only when read, so
  // a source that calls back into the stream finds an empty list, not a
  // half-read one. The separators are copied for the same reason.
  std::unique_ptr<internal::ContactStore> store;
  std::unique_ptr<internal::TextSource> text;
  std::string separator, separator_utf8;
  try {
    separator = s.separator;
    separator_utf8 = s.separator_utf8;
    store = std::make_unique<internal::ContactStore>();
    if (decoded) text = std::make_unique<internal::TextSource>(source);
  } catch (const std::bad_alloc&) {
    return OpenResult::OutOfMemory;
  }
  internal::ReadOutcome outcome;
  if (decoded) {
    // A UTF-16 file reaches the store as UTF-8.
    outcome = internal::ReadCards(*text, *store);
    outcome.utf8 = outcome.utf8 || text->Utf16();
    // Cards not kept are read again from where the read found them.
    if (text->CanReadAt()) {
      s.owned_source = std::move(owned);
      s.cards_from = std::move(text);
    }
  } else {
    outcome = internal::ReadContacts(source, separator, *store);
  }
  s.store = std::move(store);
  s.count = std::int32_t(s.store->Entries());
  s.utf8 = outcome.utf8;
  s.decoded = decoded;
  s.read_separator.swap(separator);
  s.read_separator_utf8.swap(separator_utf8);
  return outcome.result;
}

void VCardStream::MoveFirst() {
  State& s = *state_;
  if (s.Entries() == 0) {
    s.end_flag = true;
    s.has_cursor = false;
    return;
  }
  s.Load(0);
  // Clearing the end flag lets a client walk the list a second time.
  s.end_flag = false;
}

void VCardStream::MoveNext() {
  State& s = *state_;
  if (!s.has_cursor) {
    s.end_flag = true;
    return;
  }
  if (s.cursor + 1 < s.Entries()) {
    s.Load(s.cursor + 1);
    s.end_flag = false;
  } else {
    s.has_cursor = false;
    s.end_flag = true;
  }
}

void VCardStream::Close() {
  state_->DropList();
  state_->has_cursor = false;
}

std::int32_t VCardStream::ContactCount() const { return state_->count; }
bool VCardStream::IsEOF() const { return state_->end_flag; }
const std::string& VCardStream::Current(Field f) const { return state_->Fields().Get(f); }

const DecodedCard& VCardStream::CurrentCard() const {
  static const DecodedCard kNoCard;
  return state_->card_current ? state_->cards[state_->current] : kNoCard;
}
CardError VCardStream::CurrentCardError() const {
  return state_->card_current ? state_->card_errors[state_->current] : CardError::None;
}
bool VCardStream::CurrentIsUtf8() const { return state_->current_utf8; }
bool VCardStream::IsUtf8() const { return state_->utf8; }
const std::string& VCardStream::Delimeter() const { return state_->separator; }

void VCardStream::SetDelimeter(std::string_view text, std::optional<std::string_view> in_utf8) {
  // Both copies first, so running out of memory changes nothing.
  std::string separator(text);
  std::string separator_utf8(in_utf8.value_or(text));
  state_->separator.swap(separator);
  state_->separator_utf8.swap(separator_utf8);
}

}  // namespace tessary
