// The vCard reader: reads a whole file into an ordered list of contacts and
// walks it with a cursor. Portable; the COM object is a thin face over it,
// and a program can use it directly the same way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "contact_record.h"

namespace tessary {

class ByteSource;

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

  // The cursor. Moves copy the contact's fields into the current values;
  // when memory runs out they throw std::bad_alloc and change nothing.
  void MoveFirst();
  void MoveNext();
  // Empties the list; the count, the end flag and the current values stay.
  void Close();

  std::int32_t ContactCount() const;
  bool IsEOF() const;

  // The current values: the fields of the contact the cursor last loaded.
  const std::string& Current(Field f) const;
  // Whether the current values are UTF-8 text; otherwise they are in the
  // ANSI code page. They keep the encoding of the file they came from, also
  // after a later Open of another file.
  bool CurrentIsUtf8() const;
  // Whether the last Open found its file to be UTF-8: the file began with a
  // UTF-8 byte-order mark, or all of its bytes are valid UTF-8 and at least
  // one is not ASCII.
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
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tessary
