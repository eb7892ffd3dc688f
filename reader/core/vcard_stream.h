// The vCard reader: reads a whole file into an ordered list of contacts and
// walks it with a cursor. Portable; the COM object is a thin face over it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "contact_record.h"

namespace tessary {

struct Keyword;

// The contacts of one Open, packed. Each contact is a log of the pieces its
// lines gave, in file order: (field and action, length, bytes). Loading a
// contact replays its log, so every value byte is copied once while reading
// and no contact costs 32 separate strings (a hundred thousand contacts held
// that way would take more memory than the file itself). Each log is
// contiguous in a chunked arena.
class RecordStore {
 public:
  // Closes the contact being read (keeping it if it was listed, dropping it
  // otherwise) and starts a new, empty one.
  void Begin();
  // Adds a piece to the contact being read. Only valid after Begin.
  void Add(Field field, bool replace, std::string_view value);
  // The handle of the contact being read, which from now on is kept.
  std::uint32_t List();
  // Closes the contact being read, as Begin does.
  void Finish();
  bool reading() const { return reading_; }

  // Replays a contact into `out`: Replace pieces set a field, the others
  // are joined to it with `separator`.
  void Load(std::uint32_t handle, ContactRecord& out, std::string_view separator) const;
  void Clear();

 private:
  // Makes room for `bytes` more, plus the contact's end marker.
  void Reserve(std::size_t bytes) {
    if (!base_ || size_ - used_ <= bytes) Grow(bytes + 1);
  }
  void Grow(std::size_t bytes);
  std::vector<std::unique_ptr<char[]>> chunks_;
  char* base_ = nullptr;        // the last chunk
  std::size_t size_ = 0;        // its size
  std::size_t used_ = 0;        // bytes of it in use
  std::size_t record_start_ = 0;  // where the contact being read begins in it
  bool reading_ = false;
  bool listed_ = false;
  std::uint32_t handle_ = 0;
  std::vector<const char*> records_;  // by handle; set when a contact closes
};

class VCardStream {
 public:
  // Reads the file at `path` (a narrow path for the C runtime). A file that
  // cannot be opened leaves an empty list and a count of 0.
  void Open(const char* path);
  // Reads from an open stdio file (opened in binary mode; the reader turns
  // CR LF into LF itself). A null file gives an empty list.
  void Open(std::FILE* file);

  // Incremental form of Open, for callers that have the bytes already:
  // BeginRead, any number of Feed calls, EndRead.
  void BeginRead();
  void Feed(const char* data, std::size_t size);
  // The same, for a buffer the reader may change in place (saves a copy).
  void FeedMutable(char* data, std::size_t size);
  void EndRead();

  void MoveFirst();
  void MoveNext();
  void Close();

  std::int32_t ContactCount() const { return contact_count_; }
  bool IsEOF() const { return end_flag_; }
  const std::string& Current(Field f) const { return current_.Get(f); }

  const std::string& Delimeter() const { return separator_; }
  void SetDelimeter(std::string_view separator) { separator_.assign(separator); }

  // The separator that joins appended values when moving through the list
  // of the last Open: the bytes of Delimeter at that Open. A caller that
  // hands values out in another encoding than the separator's gives the
  // same separator in that encoding here, so joined values stay one text.
  const std::string& JoinSeparator() const { return read_separator_; }
  void SetJoinSeparator(std::string_view separator) { read_separator_.assign(separator); }

  // Whether the last Open found the file to be UTF-8: it began with a UTF-8
  // byte-order mark, or all of its bytes are valid UTF-8 and at least one is
  // not ASCII. Otherwise its text is in the ANSI code page.
  bool IsUtf8() const { return utf8_bom_ || (utf8_valid_ && saw_non_ascii_); }

  // Whether the last Open met a read error after the file was opened: the
  // list then holds only what came before it, and callers must say so.
  bool ReadFailed() const { return read_failed_; }

  // Entries in the list (the count, unless the list was closed).
  std::size_t ListSize() const { return list_.size(); }

 private:
  void ProcessLine(std::string_view line);
  void ProcessNormalLine(std::string_view line, std::size_t colon);
  void ProcessBaseNameLine(std::string_view line, std::size_t sep_pos);
  void ListContact();
  void CheckUtf8(const unsigned char* p, std::size_t n);
  void LoadEntry(std::size_t index);

  // Reading state, valid between BeginRead and EndRead.
  std::string pending_;      // a line not yet ended by a line feed
  bool at_file_start_ = true;
  std::string head_;         // first bytes, held until the BOM test
  int utf8_need_ = 0;        // continuation bytes still expected
  unsigned utf8_lead_ = 0;   // lead byte of the sequence being checked
  bool utf8_valid_ = true;
  bool utf8_bom_ = false;
  bool saw_non_ascii_ = false;
  bool read_failed_ = false;

  // Results and cursor.
  RecordStore store_;
  std::vector<std::uint32_t> list_;  // record handles, in file order
  std::int32_t contact_count_ = 0;
  bool end_flag_ = false;
  bool has_cursor_ = false;
  std::size_t cursor_ = 0;
  ContactRecord current_;
  std::string separator_ = "$$NEWLINE$$";
  std::string read_separator_;  // the separator of the last Open, for loading
  // The keyword that the last non-empty property name met while reading
  // names, or null: a line without a name continues that property. Keeping
  // the keyword rather than the name spares a look-up per continuation line;
  // the name itself is never needed again, since the base-name keywords
  // are ordinary keywords too.
  const Keyword* previous_keyword_ = nullptr;
};

}  // namespace tessary
