// The modern reading's view of a file: its bytes as they are, or, for a file
// that starts with a UTF-16 byte order mark, its text as UTF-8 without the
// mark. Everything after it (finding the cards, decoding them) then deals
// with bytes that are UTF-8 or in one 8-bit code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_source.h"

namespace tessary::internal {

class TextSource final : public ByteSource {
 public:
  explicit TextSource(ByteSource& file) : file_(file) {}
  std::size_t Read(char* into, std::size_t max) override;
  bool Failed() const override { return file_.Failed(); }
  // A hint only: the file's bytes still to come; UTF-16 text takes between
  // half and one and a half times as many in UTF-8.
  std::uint64_t ExpectedRemaining() const override { return file_.ExpectedRemaining() + (ready_.size() - handed_); }
  // The text can be read again at its offsets when the file can: its own
  // bytes as they are, UTF-16 text converted again from the nearest place
  // the read noted before the offset (one every block of the file).
  bool CanReadAt() const override { return mode_ != Mode::Unknown && file_.CanReadAt(); }
  bool ReadAt(std::uint64_t offset, char* into, std::size_t size) override;
  // Whether the file is UTF-16 (known after the first Read).
  bool Utf16() const { return mode_ == Mode::Utf16Le || mode_ == Mode::Utf16Be; }

 private:
  enum class Mode { Unknown, Bytes, Utf16Le, Utf16Be };
  // Fills ready_ with more converted text; false when the file has no more.
  bool Convert();

  ByteSource& file_;
  Mode mode_ = Mode::Unknown;
  std::string raw_;    // UTF-16 bytes read but not yet converted
  std::string ready_;  // bytes to hand out, from handed_ on
  std::size_t handed_ = 0;
  bool file_ended_ = false;
  // UTF-16: where each conversion began, in the text and in the file; the
  // file's bytes converted so far and read so far.
  struct Mark {
    std::uint64_t text, file;
  };
  std::vector<Mark> marks_;
  std::uint64_t text_made_ = 0;
  std::uint64_t file_used_ = 2;  // after the byte order mark
  std::uint64_t file_read_ = 2;
};

}  // namespace tessary::internal
