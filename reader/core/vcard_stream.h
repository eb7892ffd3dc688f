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

// Listed contacts, packed: each record is one block of (field, length,
// bytes) entries in a chunked arena. A hundred thousand contacts as 32
// separate strings each would cost more than the file itself.
class RecordStore {
 public:
  // Packs a record and returns its handle.
  std::uint32_t Add(const ContactRecord& record);
  // Unpacks a record into `out`, replacing every field.
  void Load(std::uint32_t handle, ContactRecord& out) const;
  void Clear();
  std::size_t size() const { return records_.size(); }

 private:
  char* Reserve(std::size_t bytes);
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t chunk_used_ = 0;
  std::size_t chunk_size_ = 0;
  std::vector<const char*> records_;
};

class VCardStream {
 public:
  VCardStream();

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
  void StartContact();
  void ListContact();
  void FinishCurrent();
  void CheckUtf8(const unsigned char* p, std::size_t n);
  void LoadEntry(std::size_t index);

  // Reading state, valid between BeginRead and EndRead.
  std::string pending_;      // a line not yet ended by a line feed
  bool at_file_start_ = true;
  bool has_current_ = false;
  bool current_listed_ = false;
  std::uint32_t current_handle_ = 0;
  ContactRecord building_;
  std::size_t current_first_entry_ = 0;  // its entries are the list's tail
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
  std::string previous_name_;
  // The keyword previous_name_ names (or null): continuation lines are
  // common, and this saves looking the same name up again.
  const Keyword* previous_keyword_ = nullptr;
};

}  // namespace tessary
