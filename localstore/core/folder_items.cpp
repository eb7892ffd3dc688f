#include "folder_items.h"

#include <algorithm>

#include "failure.h"
#include "folder_records.h"
#include "profile.h"
#include "record.h"
#include "text.h"

namespace localstore {

using namespace folder_records;

// Holds the exclusive lock for a change, taking it (and reading what others
// wrote meanwhile) unless this object still holds it from its last change.
class FolderItems::Writing {
 public:
  explicit Writing(FolderItems& items) : items_(items), guard_(items.mutex_) {
    if (items_.held_) return;
    if (Clock::now() < items_.polite_until_) std::this_thread::sleep_until(items_.polite_until_);
    FileError error;
    if (!items_.lock_.Lock(true, &error)) ThrowFile(error, "cannot lock the folder");
    items_.held_ = true;
    items_.taken_at_ = items_.last_write_ = Clock::now();
    if (!items_.releaser_.joinable()) items_.releaser_ = std::thread([&items] { items.ReleaseWhenIdle(); });
    items_.wake_.notify_all();
    items_.CatchUp(true);
  }
  ~Writing() { items_.last_write_ = Clock::now(); }
  Writing(const Writing&) = delete;
  Writing& operator=(const Writing&) = delete;

 private:
  FolderItems& items_;
  std::unique_lock<std::mutex> guard_;
};

FolderItems::FolderItems(Path directory, std::shared_ptr<IdSource> ids)
    : directory_(std::move(directory)), ids_(std::move(ids)) {
  FileError error;
  if (!MakeDirectories(directory_, &error)) ThrowFile(error, "cannot open the folder");
  lock_ = File::Open(directory_ / "lock", File::Mode::OpenAlways, &error);
  if (!lock_.IsOpen()) ThrowFile(error, "cannot open the folder");
  if (!lock_.Lock(true, &error)) ThrowFile(error, "cannot lock the folder");
  try {
    Open();
  } catch (...) {
    lock_.Unlock();
    throw;
  }
  lock_.Unlock();
}

FolderItems::~FolderItems() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (releaser_.joinable()) releaser_.join();
  if (wrote_) data_.Flush(true, nullptr);
  if (held_) Release();
}

Path FolderItems::DataPathOf(std::uint64_t generation) const {
  return directory_ / ("data." + std::to_string(generation));
}

Path FolderItems::DataPath() const { return DataPathOf(generation_); }

std::uint64_t FolderItems::ReadGeneration() {
  unsigned char bytes[8] = {};
  std::size_t read = 0;
  FileError error;
  if (!lock_.ReadAt(8, bytes, 8, &read, &error)) ThrowFile(error, "cannot read the folder");
  return read == 8 ? GetLe(bytes, 8) : 0;
}

// On the disk before the file it replaces is removed, or a power cut could
// leave a number naming a file that is gone.
void FolderItems::WriteGeneration(std::uint64_t generation) {
  unsigned char bytes[8];
  PutLe(bytes, generation, 8);
  FileError error;
  if (!lock_.WriteAt(8, bytes, 8, &error) || !lock_.Flush(true, &error))
    ThrowFile(error, "cannot switch the folder's data file");
}

// Call with the lock held exclusively.
void FolderItems::Open() {
  std::uint64_t generation = ReadGeneration();
  FileError error;
  if (!File::Open(DataPathOf(generation), File::Mode::Read, &error).IsOpen()) {
    if (!error.not_found) ThrowFile(error, "cannot open the folder's items");
    Path index = directory_ / ("index." + std::to_string(generation));
    if (File::Open(index, File::Mode::Read, nullptr).IsOpen()) {
      Convert(generation);
      ++generation;
    } else if (!File::Open(DataPathOf(generation), File::Mode::OpenAlways, &error).IsOpen()) {
      ThrowFile(error, "cannot create the folder's items");
    }
  }
  Switch(generation, true);
  // Left behind when a compaction was cut short after its switch.
  if (generation_ > 0) RemoveFile(DataPathOf(generation_ - 1), nullptr);
}

// Opens a generation's data file and reads it whole.
void FolderItems::Switch(std::uint64_t generation, bool locked) {
  for (int attempt = 0;; ++attempt) {
    FileError error;
    File file = File::Open(DataPathOf(generation), File::Mode::Write, &error);
    if (file.IsOpen()) {
      data_ = std::move(file);
      break;
    }
    // A later compaction removed it meanwhile (on Windows a file still open
    // elsewhere refuses opening until it is gone): the lock file names the
    // current one.
    if (attempt == 20) ThrowFile(error, "cannot open the folder's items");
    generation = ReadGeneration();
  }
  generation_ = generation;
  index_.Clear();
  valid_end_ = file_size_ = live_bytes_ = 0;
  torn_at_ = ~std::uint64_t{0};
  CatchUp(locked);
}

// Reads what was appended since the last look: one size query when nothing
// was.
void FolderItems::CatchUp(bool locked) {
  FileError error;
  if (!data_.Size(&file_size_, &error)) ThrowFile(error, "cannot read the folder's items");
  if (file_size_ == valid_end_) return;
  if (file_size_ < valid_end_) return Switch(generation_, locked);  // cut short from outside
  if (auto next = Scan(file_size_, locked)) Switch(*next, locked);
}

// Reads records from the end of the last whole one up to `to`; the next
// generation when it meets a "moved" record. Without the lock, an unfinished
// record at the end may still be being written, so it is left for later;
// with the lock it is torn, and counted once.
std::optional<std::uint64_t> FolderItems::Scan(std::uint64_t to, bool locked) {
  std::string buffer;
  std::uint64_t base = 0;
  FileError error;
  auto view = [&](std::uint64_t at, std::size_t size) -> const unsigned char* {
    if (to < at || to - at < size) return nullptr;
    if (at < base || at + size > base + buffer.size()) {
      buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(std::max(size, kChunk), to - at)));
      std::size_t read = 0;
      if (!data_.ReadAt(at, buffer.data(), buffer.size(), &read, &error))
        ThrowFile(error, "cannot read the folder's items");
      // Shorter than it was a moment ago: a writer cut off a torn tail.
      if (read < buffer.size()) to = at + read;
      buffer.resize(read);
      base = at;
      if (read < size) return nullptr;
    }
    return reinterpret_cast<const unsigned char*>(buffer.data() + (at - base));
  };
  std::uint64_t at = valid_end_;
  while (const unsigned char* bytes = view(at, kHeaderSize)) {
    if (auto header = DecodeHeader(bytes)) {
      if (header->length > to - at - kHeaderSize) break;
      if (header->kind == kMoved) return header->id;
      auto size = static_cast<std::uint32_t>(kHeaderSize + header->length);
      Apply(header->kind, header->id, at, size);
      at = valid_end_ = at + size;
      continue;
    }
    // A damaged header: the file goes on at the next whole one, if any.
    std::uint64_t next = at + 1;
    for (; (bytes = view(next, kHeaderSize)) != nullptr; ++next)
      if (DecodeHeader(bytes)) break;
    if (!bytes) break;
    ++skipped_;
    at = valid_end_ = next;
  }
  if (locked && at < to && torn_at_ != at) {
    ++skipped_;
    torn_at_ = at;
  }
  return std::nullopt;
}

void FolderItems::Apply(int kind, std::uint64_t id, std::uint64_t offset, std::uint32_t size) {
  if (const ItemIndex::Entry* known = index_.Find(id)) live_bytes_ -= known->size;
  if (kind == kPut) {
    live_bytes_ += size;
    index_.Put(id, offset, size);
  } else {
    index_.Remove(id);
  }
}

// Call while Writing. The record goes where the last whole one ends,
// overwriting a torn one a killed writer left; one write, so the system
// holds it whole as soon as this returns.
void FolderItems::Append(int kind, std::uint64_t id, std::string_view payload) {
  FileError error;
  if (file_size_ > valid_end_ && !data_.Truncate(valid_end_, &error)) ThrowFile(error, "cannot save the item");
  file_size_ = valid_end_;
  std::string record = Framed({kind, id, static_cast<std::uint32_t>(payload.size())}, payload);
  if (!data_.WriteAt(valid_end_, record.data(), record.size(), &error)) {
    file_size_ = valid_end_ + record.size();  // cut off by the next append
    ThrowFile(error, "cannot save the item");
  }
  wrote_ = true;
  Apply(kind, id, valid_end_, static_cast<std::uint32_t>(record.size()));
  valid_end_ = file_size_ = valid_end_ + record.size();
  CompactIfWasteful();
}

void FolderItems::Flush() {
  std::lock_guard<std::mutex> guard(mutex_);
  FileError error;
  if (wrote_ && !data_.Flush(true, &error)) ThrowFile(error, "cannot flush the folder's items");
  if (held_) Release();
}

std::unique_lock<std::mutex> FolderItems::Reading() {
  std::unique_lock<std::mutex> guard(mutex_);
  CatchUp(false);
  return guard;
}

std::uint32_t FolderItems::Count() {
  auto reading = Reading();
  return static_cast<std::uint32_t>(index_.Count());
}

std::string FolderItems::IdAt(std::uint32_t position) {
  auto reading = Reading();
  return ItemHex(EntryAt(position).id);
}

Item FolderItems::LoadAt(std::uint32_t position, std::string* item_id) {
  auto reading = Reading();
  const ItemIndex::Entry& entry = EntryAt(position);
  *item_id = ItemHex(entry.id);
  return Read(entry);
}

Item FolderItems::Load(std::string_view item_id) {
  auto id = ParseItemHex(item_id);
  if (!id) throw StoreFailure(Code::NotFound, "no item has the identifier " + std::string(item_id));
  auto reading = Reading();
  const ItemIndex::Entry* found = index_.Find(*id);
  if (!found) throw StoreFailure(Code::NotFound, "the item " + std::string(item_id) + " no longer exists");
  return Read(*found);
}

const ItemIndex::Entry& FolderItems::EntryAt(std::uint32_t position) {
  if (position < 1 || position > index_.Count())
    throw StoreFailure(Code::NotFound, "there is no item at position " + std::to_string(position) +
                                           "; the folder holds " + std::to_string(index_.Count()));
  return index_.At(position - 1);
}

Item FolderItems::Read(const ItemIndex::Entry& entry) {
  std::string payload(entry.size - kHeaderSize, '\0');
  std::size_t read = 0;
  FileError error;
  if (!data_.ReadAt(entry.offset + kHeaderSize, payload.data(), payload.size(), &read, &error))
    ThrowFile(error, "cannot read the item");
  auto item = read == payload.size() ? DecodeItem(payload) : std::nullopt;
  if (!item)
    throw StoreFailure(Code::CorruptData, "the item " + ItemHex(entry.id) + " is damaged in the file \"" +
                                              PathText(DataPath()) + "\"");
  return std::move(*item);
}

std::string FolderItems::Add(const Item& item) {
  std::string payload = EncodeItem(item);
  Writing writing(*this);
  std::uint64_t id = 0;
  do id = ids_->Next(); while (id == 0 || index_.Find(id));
  Append(kPut, id, payload);
  return ItemHex(id);
}

void FolderItems::Update(std::string_view item_id, const Item& item) {
  std::string payload = EncodeItem(item);
  auto id = ParseItemHex(item_id);
  Writing writing(*this);
  // Another process may have deleted it: a re-save does not bring it back.
  if (!id || !index_.Find(*id))
    throw StoreFailure(Code::ObjectDeleted, "the item " + std::string(item_id) + " has been deleted");
  Append(kPut, *id, payload);
}

void FolderItems::Remove(std::string_view item_id) {
  auto id = ParseItemHex(item_id);
  if (!id) throw StoreFailure(Code::NotFound, "no item has the identifier " + std::string(item_id));
  Writing writing(*this);
  if (!index_.Find(*id))
    throw StoreFailure(Code::NotFound, "the item " + std::string(item_id) + " is not in this folder");
  Append(kDelete, *id, {});
}

}  // namespace localstore
