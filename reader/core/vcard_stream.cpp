#include "vcard_stream.h"

#include <algorithm>
#include <cstring>

#include "keywords.h"

namespace tessary {

// ---------------------------------------------------------------------------
// RecordStore

namespace {
constexpr std::size_t kChunkBytes = 1 << 20;
constexpr std::size_t kFirstChunkBytes = 1 << 12;
constexpr unsigned char kEndOfRecord = 0xFF;

std::size_t VarintSize(std::size_t v) {
  std::size_t n = 1;
  while (v >= 0x80) { v >>= 7; ++n; }
  return n;
}
}  // namespace

char* RecordStore::Reserve(std::size_t bytes) {
  if (chunks_.empty() || chunk_size_ - chunk_used_ < bytes) {
    // Chunks grow from small (most files are small) to kChunkBytes; a
    // record larger than that gets a chunk of its own size.
    std::size_t grown = std::min(kChunkBytes, kFirstChunkBytes << std::min<std::size_t>(chunks_.size(), 8));
    chunk_size_ = std::max(bytes, grown);
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(chunk_size_));
    chunk_used_ = 0;
  }
  char* p = chunks_.back().get() + chunk_used_;
  chunk_used_ += bytes;
  return p;
}

std::uint32_t RecordStore::Add(const ContactRecord& record) {
  std::size_t bytes = 1;
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    std::size_t len = record.Get(Field(i)).size();
    if (len) bytes += 1 + VarintSize(len) + len;
  }
  char* p = Reserve(bytes);
  records_.push_back(p);
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    const std::string& value = record.Get(Field(i));
    if (value.empty()) continue;
    *p++ = char(i);
    std::size_t len = value.size();
    while (len >= 0x80) { *p++ = char(0x80 | (len & 0x7F)); len >>= 7; }
    *p++ = char(len);
    std::memcpy(p, value.data(), value.size());
    p += value.size();
  }
  *p = char(kEndOfRecord);
  return std::uint32_t(records_.size() - 1);
}

void RecordStore::Load(std::uint32_t handle, ContactRecord& out) const {
  out.Clear();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(records_[handle]);
  while (*p != kEndOfRecord) {
    Field f = Field(*p++);
    std::size_t len = 0;
    for (int shift = 0;; shift += 7) {
      unsigned char b = *p++;
      len |= std::size_t(b & 0x7F) << shift;
      if (!(b & 0x80)) break;
    }
    out.Set(f, std::string_view(reinterpret_cast<const char*>(p), len));
    p += len;
  }
}

void RecordStore::Clear() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  records_.clear();
  records_.shrink_to_fit();
  chunk_used_ = chunk_size_ = 0;
}

// ---------------------------------------------------------------------------
// Reading

VCardStream::VCardStream() = default;

void VCardStream::Open(const char* path) {
  std::FILE* f = (path && *path) ? std::fopen(path, "rb") : nullptr;
  Open(f);
  if (f) std::fclose(f);
}

void VCardStream::Open(std::FILE* file) {
  BeginRead();
  if (file) {
    // The buffer is ours, so CR LF can be folded in place.
    constexpr std::size_t kBlock = 1 << 18;
    auto buffer = std::make_unique_for_overwrite<char[]>(kBlock);
    std::size_t n;
    while ((n = std::fread(buffer.get(), 1, kBlock, file)) > 0)
      FeedMutable(buffer.get(), n);
    read_failed_ = std::ferror(file) != 0;
  }
  EndRead();
}

void VCardStream::BeginRead() {
  store_.Clear();
  list_.clear();
  list_.shrink_to_fit();
  contact_count_ = 0;
  end_flag_ = false;
  has_cursor_ = false;
  cursor_ = 0;
  has_current_ = false;
  current_listed_ = false;
  pending_.clear();
  head_.clear();
  at_file_start_ = true;
  utf8_need_ = 0;
  utf8_valid_ = true;
  utf8_bom_ = false;
  saw_non_ascii_ = false;
  read_failed_ = false;
}

void VCardStream::Feed(const char* data, std::size_t size) {
  char block[4096];
  while (size) {
    std::size_t n = std::min(size, sizeof block);
    std::memcpy(block, data, n);
    FeedMutable(block, n);
    data += n;
    size -= n;
  }
}

void VCardStream::FeedMutable(char* data, std::size_t size) {
  if (at_file_start_) {
    // Hold the first three bytes until we know whether they are a UTF-8
    // byte-order mark; a mark would otherwise spoil the first BEGIN line.
    std::size_t take = std::min(size, 3 - head_.size());
    head_.append(data, take);
    data += take;
    size -= take;
    if (head_.size() < 3) return;
    at_file_start_ = false;
    if (head_ == "\xEF\xBB\xBF") {
      utf8_bom_ = true;
    } else {
      std::string head = std::move(head_);
      FeedMutable(head.data(), head.size());
    }
    head_.clear();
  }
  if (!size) return;
  if (utf8_valid_) CheckUtf8(reinterpret_cast<const unsigned char*>(data), size);

  char* end = data + size;
  char* start = data;
  while (start < end) {
    char* nl = static_cast<char*>(std::memchr(start, '\n', std::size_t(end - start)));
    if (!nl) {
      pending_.append(start, std::size_t(end - start));
      return;
    }
    if (!pending_.empty()) {
      pending_.append(start, std::size_t(nl - start) + 1);
      std::size_t n = pending_.size();
      if (n >= 2 && pending_[n - 2] == '\r') pending_.erase(n - 2, 1);
      ProcessLine(pending_);
      pending_.clear();
    } else if (nl > start && nl[-1] == '\r') {
      // Text-mode reading: a CR LF pair arrives as one line feed.
      nl[-1] = '\n';
      ProcessLine(std::string_view(start, std::size_t(nl - start)));
    } else {
      ProcessLine(std::string_view(start, std::size_t(nl - start) + 1));
    }
    start = nl + 1;
  }
}

void VCardStream::EndRead() {
  if (at_file_start_) {
    at_file_start_ = false;
    std::string head = std::move(head_);
    head_.clear();
    if (!head.empty()) FeedMutable(head.data(), head.size());
  }
  // The last line, when the file does not end with a line break; read once.
  if (!pending_.empty()) {
    ProcessLine(pending_);
    pending_.clear();
  }
  if (utf8_need_) utf8_valid_ = false;
  FinishCurrent();
  has_current_ = false;
  pending_.shrink_to_fit();
}

void VCardStream::CheckUtf8(const unsigned char* p, std::size_t n) {
  const unsigned char* end = p + n;
  while (p < end) {
    if (utf8_need_ == 0) {
      // Fast path over plain ASCII, eight bytes at a time.
      while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if (w & 0x8080808080808080ull) break;
        p += 8;
      }
      if (p == end) return;
      unsigned char c = *p++;
      if (c < 0x80) continue;
      saw_non_ascii_ = true;
      if (c >= 0xC2 && c <= 0xDF) utf8_need_ = 1;
      else if (c >= 0xE0 && c <= 0xEF) utf8_need_ = 2;
      else if (c >= 0xF0 && c <= 0xF4) utf8_need_ = 3;
      else { utf8_valid_ = false; return; }
      utf8_lead_ = c;
      continue;
    }
    unsigned char c = *p++;
    unsigned lo = 0x80, hi = 0xBF;
    if (utf8_lead_) {
      // Only the byte after the lead has narrower bounds: no overlong
      // forms, no surrogates, nothing above U+10FFFF.
      if (utf8_lead_ == 0xE0) lo = 0xA0;
      else if (utf8_lead_ == 0xED) hi = 0x9F;
      else if (utf8_lead_ == 0xF0) lo = 0x90;
      else if (utf8_lead_ == 0xF4) hi = 0x8F;
      utf8_lead_ = 0;
    }
    if (c < lo || c > hi) { utf8_valid_ = false; return; }
    --utf8_need_;
  }
}

void VCardStream::ProcessLine(std::string_view line) {
  const char* p = line.data();
  const char* colon_at = static_cast<const char*>(std::memchr(p, ':', line.size()));
  if (!colon_at) {
    ProcessNormalLine(line, std::string_view::npos);
    return;
  }
  std::size_t colon = std::size_t(colon_at - p);
  // A base-name line has the separator beginning before its first colon.
  // Names are short, so a plain scan of them is the cheapest search.
  const std::size_t sep_len = separator_.size();
  if (sep_len == 0) {
    if (colon > 0) {
      ProcessBaseNameLine(line, 0);
      return;
    }
  } else {
    const char first = separator_[0];
    for (std::size_t i = 0; i < colon; ++i) {
      if (p[i] == first && line.size() - i >= sep_len && std::memcmp(p + i, separator_.data(), sep_len) == 0) {
        ProcessBaseNameLine(line, i);
        return;
      }
    }
  }
  ProcessNormalLine(line, colon);
}

void VCardStream::ProcessNormalLine(std::string_view line, std::size_t colon) {
  bool has_colon = colon != std::string_view::npos;
  std::string_view name = has_colon ? line.substr(0, colon) : std::string_view();
  std::string_view value = has_colon ? line.substr(colon + 1) : line;
  bool continuation = name.empty();
  if (!continuation) {
    previous_name_.assign(name);
    previous_keyword_ = FindKeyword(name);
  }
  const Keyword* k = previous_keyword_;
  if (!k) return;
  switch (k->action) {
    case Action::Begin:
      // Only a line that names BEGIN starts a contact; a blank line after
      // it must not start another.
      if (!continuation) StartContact();
      return;
    case Action::End:
      if (!continuation) ListContact();
      return;
    case Action::Replace:
      if (has_current_) building_.Set(k->field, value);
      return;
    case Action::Append:
      if (has_current_) building_.Append(k->field, value, separator_);
      return;
  }
}

void VCardStream::ProcessBaseNameLine(std::string_view line, std::size_t sep_pos) {
  std::string_view name = line.substr(0, sep_pos);
  if (name.empty()) {
    name = previous_name_;
  } else {
    previous_name_.assign(name);
    previous_keyword_ = FindKeyword(name);
  }
  // The value starts one character after the separator's first character,
  // whatever the separator's length.
  std::string_view value = line.substr(std::min(line.size(), sep_pos + 1));
  if (!has_current_) return;
  if (auto field = FindBaseNameKeyword(name)) building_.Append(*field, value, separator_);
}

void VCardStream::StartContact() {
  FinishCurrent();  // a listed contact is kept; an unlisted one is dropped
  building_.Clear();
  has_current_ = true;
  current_listed_ = false;
}

void VCardStream::ListContact() {
  if (!has_current_) return;
  if (!current_listed_) {
    current_listed_ = true;
    current_first_entry_ = list_.size();
  }
  // The record stays open until the next BEGIN; its handle is filled in then.
  list_.push_back(0);
  ++contact_count_;
}

void VCardStream::FinishCurrent() {
  if (!has_current_ || !current_listed_) return;
  std::uint32_t handle = store_.Add(building_);
  std::fill(list_.begin() + std::ptrdiff_t(current_first_entry_), list_.end(), handle);
  current_listed_ = false;
}

// ---------------------------------------------------------------------------
// Cursor

void VCardStream::LoadEntry(std::size_t index) {
  cursor_ = index;
  has_cursor_ = true;
  store_.Load(list_[index], current_);
}

void VCardStream::MoveFirst() {
  if (list_.empty()) {
    end_flag_ = true;
    has_cursor_ = false;
    return;
  }
  // Clearing the end flag lets a client walk the list a second time.
  end_flag_ = false;
  LoadEntry(0);
}

void VCardStream::MoveNext() {
  if (!has_cursor_) {
    end_flag_ = true;
    return;
  }
  if (cursor_ + 1 < list_.size()) {
    end_flag_ = false;
    LoadEntry(cursor_ + 1);
  } else {
    has_cursor_ = false;
    end_flag_ = true;
  }
}

void VCardStream::Close() {
  store_.Clear();
  list_.clear();
  list_.shrink_to_fit();
  has_cursor_ = false;
}

}  // namespace tessary
