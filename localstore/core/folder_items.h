// The items of one folder: one append-only data file of framed records,
// read once when the folder is opened and kept as an index in memory.
//
//   FOLDER/lock       byte 0: the folder's lock; bytes 8..15: the data file's generation
//   FOLDER/data.GEN   the records, oldest first
//
// A record is a 24-byte header (marker "REC1", kind, item identifier,
// payload length, CRC-32 of the header) and its payload: a put carries the
// item in its file form (EncodeItem, which has a checksum of its own), a
// delete nothing. A re-save appends a new put for the same item, which keeps
// its position; a delete appends a mark.
//
// Writers append under the folder's exclusive lock after reading what others
// appended; a writer keeps the lock while it goes on saving and lets go of
// it when it pauses (20 ms) or has held it for 50 ms, so a run of saves costs
// one lock, not one each, and another writer never waits long. Readers take
// no lock: they read the file's new tail, and stop before a record another
// process is still writing. A torn record at the end (a process killed while
// appending) is skipped, counted, and cut off by the next writer; a damaged
// header inside the file is skipped to the next whole record; a damaged
// payload is reported when that item is loaded.
//
// When dead records (superseded puts, deleted items and their marks) pass
// half the file, the live ones are copied to data.GEN+1, which is flushed to
// the disk; then a "moved" record at the end of the old file sends every
// reader to the new one, the lock file gets the new generation and the old
// file is removed. A crash at any point leaves either the old file, whole,
// as the current one, or the new one, flushed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "files.h"
#include "identifiers.h"
#include "item.h"
#include "item_index.h"

namespace localstore {

class FolderItems {
 public:
  // Opens (and creates or converts) the folder's data file.
  FolderItems(Path directory, std::shared_ptr<IdSource> ids);
  // Flushes what this object wrote to the disk, as Flush does.
  ~FolderItems();
  FolderItems(const FolderItems&) = delete;
  FolderItems& operator=(const FolderItems&) = delete;

  std::uint32_t Count();
  // The identifier of the item at a position (1 = the oldest item).
  std::string IdAt(std::uint32_t position);
  Item Load(std::string_view item_id);
  // The item at a position and its identifier, as IdAt and Load would give.
  Item LoadAt(std::uint32_t position, std::string* item_id);
  // Stores a new item and returns its identifier (16 hexadecimal digits).
  std::string Add(const Item& item);
  void Update(std::string_view item_id, const Item& item);
  void Remove(std::string_view item_id);
  // Puts everything written on the disk (not only in the system's hands)
  // and lets other writers in at once.
  void Flush();

  // The data file in use, and how many damaged or torn stretches of it
  // this object has skipped.
  Path DataPath() const;
  std::uint32_t Skipped() const { return skipped_; }

 private:
  using Clock = std::chrono::steady_clock;
  class Writing;

  Path DataPathOf(std::uint64_t generation) const;
  std::uint64_t ReadGeneration();
  void WriteGeneration(std::uint64_t generation);
  void Open();
  void Convert(std::uint64_t generation);
  void Switch(std::uint64_t generation, bool locked);
  // Reads what other openers appended since the last look.
  void CatchUp(bool locked);
  // For a read: this object's guard, held, and the index up to date.
  std::unique_lock<std::mutex> Reading();
  std::optional<std::uint64_t> Scan(std::uint64_t to, bool locked);
  const ItemIndex::Entry& EntryAt(std::uint32_t position);
  Item Read(const ItemIndex::Entry& entry);
  void Apply(int kind, std::uint64_t id, std::uint64_t offset, std::uint32_t size);
  void Append(int kind, std::uint64_t id, std::string_view payload);
  void CompactIfWasteful();
  void ReleaseWhenIdle();
  void Release();

  Path directory_;
  std::shared_ptr<IdSource> ids_;
  File lock_;
  File data_;
  std::uint64_t generation_ = 0;
  ItemIndex index_;
  std::uint64_t valid_end_ = 0;   // the end of the last whole record read
  std::uint64_t file_size_ = 0;   // the data file's size when last looked at
  std::uint64_t live_bytes_ = 0;  // the records of live items
  std::uint64_t torn_at_ = ~std::uint64_t{0};  // where a counted torn tail starts
  std::uint32_t skipped_ = 0;
  bool wrote_ = false;

  // The writer's lock, held across a run of saves; a thread of its own lets
  // go of it. mutex_ guards everything above against that thread.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread releaser_;
  bool held_ = false;
  bool stopping_ = false;
  Clock::time_point taken_at_, last_write_, polite_until_;
};

}  // namespace localstore
