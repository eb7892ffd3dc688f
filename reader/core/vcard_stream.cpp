#include "vcard_stream.h"

#include <new>
#include <utility>

#include "byte_source.h"
#include "internal/card_decoder.h"
#include "internal/contact_loader.h"
#include "internal/contact_reader.h"
#include "internal/contact_store.h"
#include "internal/file_source.h"
#include "internal/text_source.h"

namespace tessary {

struct VCardStream::State {
  // The separator as set, for the next Open.
  std::string separator = "$$NEWLINE$$";
  std::string separator_utf8 = "$$NEWLINE$$";

  // What the last Open read (null for an empty list), and the separators
  // it read with.
  std::unique_ptr<internal::ContactStore> store;
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
    store.reset();
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
      current_utf8 = true;
    } else {
      card_current = false;
    }
  }

  // A card's binary values (pictures of tens of kilobytes each) are held
  // only while it is the current card: a walk over thousands of them keeps
  // one at a time.
  static void ReleaseBinaries(DecodedCard& card) { std::vector<DecodedBinary>().swap(card.binaries); }

  std::size_t Entries() const { return store ? store->Entries() : 0; }

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
      // Decoded values are UTF-8, whatever the file was in.
      internal::DecodeCard(store->Entry(index), utf8 ? internal::FileText::Utf8 : internal::FileText::Ansi,
                           cards[next], scratch);
      fields_join.assign(read_separator_utf8);
    } else {
      internal::LoadContact(store->Entry(index), read_separator, utf8 ? read_separator_utf8 : read_separator,
                            records[next]);
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
  internal::FileSource source(file);
  return Read(source, decoded);
}

OpenResult VCardStream::Read(ByteSource& source, bool decoded) {
  State& s = *state_;
  // Whatever happens below, the list is emptied first and the count always
  // matches it.
  s.Forget(decoded);
  // The list is built apart and takes the stream's place only when read, so
  // a source that calls back into the stream finds an empty list, not a
  // half-read one. The separators are copied for the same reason.
  std::unique_ptr<internal::ContactStore> store;
  std::string separator, separator_utf8;
  try {
    separator = s.separator;
    separator_utf8 = s.separator_utf8;
    store = std::make_unique<internal::ContactStore>();
  } catch (const std::bad_alloc&) {
    return OpenResult::OutOfMemory;
  }
  internal::ReadOutcome outcome;
  if (decoded) {
    // A UTF-16 file reaches the store as UTF-8.
    internal::TextSource text(source);
    outcome = internal::ReadCards(text, *store);
    outcome.utf8 = outcome.utf8 || text.Utf16();
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
  state_->store.reset();
  state_->has_cursor = false;
}

std::int32_t VCardStream::ContactCount() const { return state_->count; }
bool VCardStream::IsEOF() const { return state_->end_flag; }
const std::string& VCardStream::Current(Field f) const { return state_->Fields().Get(f); }

const DecodedCard& VCardStream::CurrentCard() const {
  static const DecodedCard kNoCard;
  return state_->card_current ? state_->cards[state_->current] : kNoCard;
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
