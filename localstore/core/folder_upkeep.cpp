// A folder's upkeep: older folders converted to the data file, the data
// file compacted when it is mostly dead records, and the writer's lock let
// go of when the writer pauses.
#include <filesystem>

#include "failure.h"
#include "folder_items.h"
#include "folder_records.h"
#include "record.h"

namespace localstore {

using namespace folder_records;

// A folder from before the data file: an index of 16-byte entries (the
// identifier, its CRC-32 and a marker) and one file per item. Its items are copied, in order, into the next generation's
// data file, which the lock file then names; the old files go last.
void FolderItems::Convert(std::uint64_t generation) {
  Path index_path = directory_ / ("index." + std::to_string(generation));
  constexpr std::uint32_t kEntryMarker = 0x31584449;  // "IDX1"
  std::string index, records, bytes;
  FileError error;
  if (!ReadWholeFile(index_path, &index, &error)) ThrowFile(error, "cannot read the folder's old index");
  for (std::size_t at = 0; at + 16 <= index.size(); at += 16) {
    const auto* entry = reinterpret_cast<const unsigned char*>(index.data() + at);
    std::uint64_t id = GetLe(entry, 8);
    std::string hex = ItemHex(id);
    if (GetLe(entry + 12, 4) != kEntryMarker || GetLe(entry + 8, 4) != Crc32(entry, 8) ||
        !ReadWholeFile(directory_ / "items" / hex.substr(0, 2) / (hex + ".item"), &bytes, nullptr)) {
      ++skipped_;
      continue;
    }
    records += Framed({kPut, id, static_cast<std::uint32_t>(bytes.size())}, bytes);
  }
  File out = File::Open(DataPathOf(generation + 1), File::Mode::CreateAlways, &error);
  if (!out.IsOpen() || !out.WriteAt(0, records.data(), records.size(), &error) || !out.Flush(true, &error))
    ThrowFile(error, "cannot convert the folder's items");
  WriteGeneration(generation + 1);
  RemoveFile(index_path, nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(directory_ / "items", ignored);
}

// The change that called this has been made whatever happens here: a
// compaction that cannot finish leaves the old file current and is tried
// again on a later change.
void FolderItems::CompactIfWasteful() {
  if (valid_end_ < kCompactFrom || (valid_end_ - live_bytes_) * 2 <= valid_end_) return;
  std::uint64_t next = generation_ + 1;
  Path next_path = DataPathOf(next);
  ItemIndex moved;
  std::uint64_t end = 0;
  {
    FileError error;
    File out = File::Open(next_path, File::Mode::CreateAlways, &error);
    std::string chunk;
    bool ok = out.IsOpen();
    for (std::size_t i = 0, count = index_.Count(); ok && i < count; ++i) {
      const ItemIndex::Entry& entry = index_.At(i);
      std::size_t at = chunk.size(), read = 0;
      chunk.resize(at + entry.size);
      ok = data_.ReadAt(entry.offset, chunk.data() + at, entry.size, &read, &error) && read == entry.size;
      moved.Put(entry.id, end + at, entry.size);
      if (ok && (chunk.size() >= kChunk || i + 1 == count)) {
        ok = out.WriteAt(end, chunk.data(), chunk.size(), &error);
        end += chunk.size();
        chunk.clear();
      }
    }
    if (!ok || !out.Flush(true, &error)) {
      out.Close();
      RemoveFile(next_path, nullptr);
      return;
    }
    // From here on the new file is the folder's: readers follow this record.
    unsigned char mark[kHeaderSize];
    EncodeHeader({kMoved, next, 0}, mark);
    if (!data_.WriteAt(valid_end_, mark, kHeaderSize, &error)) {
      out.Close();
      RemoveFile(next_path, nullptr);
      return;
    }
    data_ = std::move(out);
  }
  Path old_path = DataPathOf(generation_);
  try {
    WriteGeneration(next);
    RemoveFile(old_path, nullptr);  // others may still read it until they follow the mark
  } catch (const StoreFailure&) {
    // Openers reach the new file through the mark; the next open removes the old.
  }
  generation_ = next;
  index_ = std::move(moved);
  valid_end_ = file_size_ = live_bytes_ = end;
  torn_at_ = ~std::uint64_t{0};
}

void FolderItems::ReleaseWhenIdle() {
  std::unique_lock<std::mutex> guard(mutex_);
  while (!stopping_) {
    if (!held_) {
      wake_.wait(guard);
      continue;
    }
    Clock::time_point now = Clock::now(), idle = last_write_ + kIdle, limit = taken_at_ + kLongest;
    if (now < idle && now < limit) {
      wake_.wait_until(guard, std::min(idle, limit));
      continue;
    }
    // Still saving, but another writer may be waiting: it gets a turn.
    if (now < idle) polite_until_ = now + kPolite;
    Release();
  }
}

void FolderItems::Release() {
  lock_.Unlock();
  held_ = false;
}

}  // namespace localstore
