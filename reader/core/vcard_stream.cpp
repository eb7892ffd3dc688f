#include "vcard_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "keywords.h"

namespace tessary {

// ---------------------------------------------------------------------------
// RecordStore

namespace {
constexpr std::size_t kChunkBytes = 1 << 20;
constexpr std::size_t kFirstChunkBytes = 1 << 12;
constexpr unsigned char kEndOfRecord = 0xFF;
constexpr unsigned char kReplaceBit = 0x40;
constexpr std::size_t kMaxVarint = (sizeof(std::size_t) * 8 + 6) / 7;
}  // namespace

void RecordStore::Grow(std::size_t bytes) {
  // Chunks grow from small (most files are small) to kChunkBytes. The
  // contact being read moves along, so each contact stays in one piece.
  std::size_t record = used_ - record_start_;
  std::size_t grown = std::min(kChunkBytes, kFirstChunkBytes << std::min<std::size_t>(chunks_.size(), 8));
  std::size_t size = std::max(record + bytes, grown);
  auto chunk = std::make_unique_for_overwrite<char[]>(size);
  if (record) std::memcpy(chunk.get(), base_ + record_start_, record);
  // A chunk that held nothing but the moved contact is not needed any more.
  if (base_ && record_start_ == 0) chunks_.pop_back();
  base_ = chunk.get();
  chunks_.push_back(std::move(chunk));
  size_ = size;
  used_ = record;
  record_start_ = 0;
}

void RecordStore::Begin() {
  Finish();
  Reserve(0);
  reading_ = true;
  listed_ = false;
}

void RecordStore::Add(Field field, bool replace, std::string_view value) {
  Reserve(1 + kMaxVarint + value.size());
  char* p = base_ + used_;
  *p++ = char(static_cast<unsigned char>(field) | (replace ? kReplaceBit : 0));
  std::size_t len = value.size();
  while (len >= 0x80) {
    *p++ = char(0x80 | (len & 0x7F));
    len >>= 7;
  }
  *p++ = char(len);
  if (!value.empty()) std::memcpy(p, value.data(), value.size());
  used_ = std::size_t(p + value.size() - base_);
}

std::uint32_t RecordStore::List() {
  if (!listed_) {
    listed_ = true;
    handle_ = std::uint32_t(records_.size());
    records_.push_back(nullptr);
  }
  return handle_;
}

void RecordStore::Finish() {
  if (!reading_) return;
  reading_ = false;
  if (listed_) {
    base_[used_++] = char(kEndOfRecord);  // Reserve always leaves room for it
    records_[handle_] = base_ + record_start_;
  } else {
    used_ = record_start_;  // never listed: its space is reused
  }
  record_start_ = used_;  // nothing is being read now
}

void RecordStore::Load(std::uint32_t handle, ContactRecord& out, std::string_view separator) const {
  out.Clear();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(records_[handle]);
  while (*p != kEndOfRecord) {
    unsigned char tag = *p++;
    std::size_t len = 0;
    for (int shift = 0;; shift += 7) {
      unsigned char b = *p++;
      len |= std::size_t(b & 0x7F) << shift;
      if (!(b & 0x80)) break;
    }
    std::string_view value(reinterpret_cast<const char*>(p), len);
    Field field = Field(tag & ~kReplaceBit);
    if (tag & kReplaceBit) out.Set(field, value);
    else out.Append(field, value, separator);
    p += len;
  }
}

void RecordStore::Clear() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  records_.clear();
  records_.shrink_to_fit();
  base_ = nullptr;
  size_ = used_ = record_start_ = 0;
  reading_ = listed_ = false;
}

// ---------------------------------------------------------------------------
// Reading

void VCardStream::Open(const char* path) {
  std::FILE* f = (path && *path) ? std::fopen(path, "rb") : nullptr;
  Open(f);
  if (f) std::fclose(f);
}

void VCardStream::Open(std::FILE* file) {
  BeginRead();
  if (file) {
    // The buffer is ours, so CR LF can be folded in place. It is small
    // enough to stay in the processor's cache from the read to the scan:
    // 64 KiB reads the 100k-contact file about a fifth faster than 256 KiB.
    constexpr std::size_t kBlock = 1 << 16;
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
  read_separator_ = separator_;
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
  store_.Finish();
  pending_.shrink_to_fit();
}

void VCardStream::CheckUtf8(const unsigned char* p, std::size_t n) {
  const unsigned char* end = p + n;
  while (p < end) {
    if (utf8_need_ == 0) {
      // Fast path over plain ASCII, eight bytes at a time, stopping right
      // at the first byte that is not.
      while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        std::uint64_t high = w & 0x8080808080808080ull;
        if (high) {
          if constexpr (std::endian::native == std::endian::little) p += std::countr_zero(high) / 8;
          break;
        }
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
  const std::size_t sep_len = separator_.size();
  if (sep_len == 0) {
    if (colon > 0) {
      ProcessBaseNameLine(line, 0);
      return;
    }
  } else {
    const char first = separator_[0];
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, first, std::size_t(colon_at - q))));
         ++q) {
      if (std::size_t(p + line.size() - q) >= sep_len && std::memcmp(q, separator_.data(), sep_len) == 0) {
        ProcessBaseNameLine(line, std::size_t(q - p));
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
  if (!continuation) previous_keyword_ = FindKeyword(name);
  const Keyword* k = previous_keyword_;
  if (!k) return;
  switch (k->action) {
    case Action::Begin:
      // Only a line that names BEGIN starts a contact; a blank line after
      // it must not start another.
      if (!continuation) store_.Begin();
      return;
    case Action::End:
      if (!continuation) ListContact();
      return;
    case Action::Replace:
      if (store_.reading()) store_.Add(k->field, true, value);
      return;
    case Action::Append:
      if (store_.reading()) store_.Add(k->field, false, value);
      return;
  }
}

void VCardStream::ProcessBaseNameLine(std::string_view line, std::size_t sep_pos) {
  std::string_view name = line.substr(0, sep_pos);
  if (!name.empty()) previous_keyword_ = FindKeyword(name);
  // The value starts one character after the separator's first character,
  // whatever the separator's length.
  std::string_view value = line.substr(std::min(line.size(), sep_pos + 1));
  const Keyword* k = previous_keyword_;
  if (store_.reading() && k && k->base_name) store_.Add(k->field, false, value);
}

void VCardStream::ListContact() {
  if (!store_.reading()) return;
  // The contact stays open until the next BEGIN: lines after END still
  // change it, and every entry naming it shows the final state.
  list_.push_back(store_.List());
  ++contact_count_;
}

// ---------------------------------------------------------------------------
// Cursor

void VCardStream::LoadEntry(std::size_t index) {
  cursor_ = index;
  has_cursor_ = true;
  store_.Load(list_[index], current_, read_separator_);
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
