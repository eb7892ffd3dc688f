// The vCard reader: reads a whole file into an ordered list of contacts and
// walks it with a cursor. Portable; the COM object is a thin face over it,
// and a program can use it directly the same way. A file is read once,
// through a window of a few megabytes, whatever its size: the keyword
// reader keeps each contact's fields, the modern reading where each card
// lies, and it reads the card again when the cursor reaches it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "contact_record.h"
#include "decoded_card.h"

namespace tessary {

class ByteSource;

// A card of the modern reading larger than this (one giant value) is passed
// over: it stays in the list, and the cursor gives CardError::TooLarge for
// it. A 50 MB picture takes some 70 MB of text, and such a card is read.
inline constexpr std::uint64_t kLargestCardBytes = std::uint64_t(128) << 20;

// Why the card under the cursor was not decoded.
enum class CardError {
  None,
  TooLarge,    // over kLargestCardBytes
  ReadFailed,  // its bytes could not be read again (the file changed or failed)
};

// How an Open ended. Every outcome leaves a consistent stream: the count is
// the number of entries in the list.
enum class OpenResult {
  Read,         // the whole file was read
  NotOpened,    // no such file, no access, or an empty path: no contacts
  ReadError,    // reading failed part-way: the contacts before it are listed
  OutOfMemory,  // memory ran out part-way: the contacts before it are listed
};

class VCardStream {
 public:
  VCardStream();
  ~VCardStream();
  VCardStream(const VCardStream&) = delete;
  VCardStream& operator=(const VCardStream&) = delete;

  // Reads the file at `path` (a narrow path for the C runtime).
  OpenResult Open(const char* path);
  // Reads an open stdio file from where it stands. Open it in binary mode:
  // the reader turns CR LF into LF itself and reads past a Ctrl-Z byte. A
  // null file counts as one that could not be opened.
  OpenResult Open(std::FILE* file);
  // Reads everything `source` hands out.
  OpenResult Open(ByteSource& source);

  // The modern reading, beside the keyword reader above: lists every card
  // of the file once (one that lacks its END:VCARD too), and decodes each
  // when the cursor moves onto it (decoded_card.h says how). The file may be
  // UTF-16 with a byte order mark, UTF-8 with or without one, or in the ANSI
  // code page; nothing in it aborts the read. The same overloads as Open,
  // the same outcomes; the cursor, ContactCount, IsEOF and Close work as
  // they do after Open. Values of an earlier file are forgotten, so nothing
  // stale shows before the first move. The stream reads each card again
  // when the cursor reaches it: from a handle of its own on a file (the
  // caller may close its FILE), from `source` when it can (ReadAt; it must
  // then outlive the list, until the next Open or Close). A file that cannot
  // be read again (a pipe) has its cards kept in memory.
  OpenResult OpenDecoded(const char* path);
  OpenResult OpenDecoded(std::FILE* file);
  OpenResult OpenDecoded(ByteSource& source);
  // After OpenDecoded, the card the cursor last loaded; otherwise an empty
  // card. Its binary values (pictures) live only until the next move: the
  // stream holds one card's at a time.
  const DecodedCard& CurrentCard() const;
  // After OpenDecoded, why the card the cursor last loaded could not be
  // decoded (its CurrentCard is then empty); None otherwise.
  CardError CurrentCardError() const;

  // The cursor. Moves copy the contact's fields into the current values;
  // when memory runs out they throw std::bad_alloc and change nothing.
  void MoveFirst();
  void MoveNext();
  // Empties the list; the count, the end flag and the current values stay.
  void Close();

  std::int32_t ContactCount() const;
  bool IsEOF() const;

  // The current values: the fields of the contact the cursor last loaded.
  // After OpenDecoded each field holds the decoded values of the properties
  // it stands for, joined by the separator, without the line feed the
  // keyword reader leaves at their end: Telephone every TEL, Note every
  // NOTE, WorkTelephoneFax every TEL with the types work and fax, Name and
  // FullName the first N and FN, and so on. Those are filled from the card
  // when one is first asked for after a move, which throws std::bad_alloc
  // when memory runs out (asking again tries again).
  const std::string& Current(Field f) const;
  // Whether the current values are UTF-8 text; otherwise they are in the
  // ANSI code page. They keep the encoding of the file they came from, also
  // after a later Open of another file.
  bool CurrentIsUtf8() const;
  // Whether the last Open found its file to be UTF-8: the file began with a
  // UTF-8 byte-order mark, or all of its bytes are valid UTF-8 and at least
  // one is not ASCII. After OpenDecoded, a UTF-16 file counts as UTF-8.
  bool IsUtf8() const;

  // The separator joins the pieces of a field and marks base-name lines.
  // It takes effect at the next Open; values already read keep theirs.
  // `text` is in the ANSI code page: lines are classified by it, and it
  // joins the values of a file that is not UTF-8. `in_utf8` is the same
  // separator in UTF-8, which joins the values of a UTF-8 file; without it
  // the bytes of `text` join those too.
  const std::string& Delimeter() const;
  void SetDelimeter(std::string_view text, std::optional<std::string_view> in_utf8 = std::nullopt);

 private:
  OpenResult OpenPath(const char* path, bool decoded);
  OpenResult OpenFile(std::FILE* file, bool decoded);
  // `owned`, when there is one, is `source`, kept for the cards' reads.
  OpenResult Read(ByteSource& source, bool decoded, std::unique_ptr<ByteSource> owned = nullptr);

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tessary
