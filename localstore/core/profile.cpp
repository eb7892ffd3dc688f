#include "profile.h"

#include <algorithm>
#include <cstring>

#include "record.h"
#include "text.h"

namespace localstore {
namespace {

[[noreturn]] void ThrowFile(const FileError& error, const std::string& doing) {
  throw StoreFailure(error.not_found ? Code::NotFound : Code::DiskError, doing + ": " + error.message);
}

// Writes `bytes` to a new file beside `path` and puts it in place with one
// rename, so readers and a crash see the old file or the new one, whole.
void WriteReplacing(const Path& path, const std::string& bytes, IdSource& ids) {
  Path temporary = path;
  temporary += Path(".tmp-" + ids.Hex(4));
  FileError error;
  {
    File file = File::Open(temporary, File::Mode::CreateNew, &error);
    if (!file.IsOpen()) ThrowFile(error, "cannot save");
    if (!file.WriteAt(0, bytes.data(), bytes.size(), &error)) {
      file.Close();
      RemoveFile(temporary, nullptr);
      ThrowFile(error, "cannot save");
    }
  }
  if (!RenameOver(temporary, path, &error)) {
    RemoveFile(temporary, nullptr);
    ThrowFile(error, "cannot save");
  }
}

std::string Utf8(std::u16string_view text) { return ToUtf8(text); }

// An index entry: the item's identifier, its checksum and a marker. Sixteen
// bytes, written with one call, so an entry is either there or not.
constexpr std::size_t kEntrySize = 16;
constexpr std::uint32_t kEntryMarker = 0x31584449;  // "IDX1"

void PutLe(unsigned char* p, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
std::uint64_t GetLe(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= std::uint64_t(p[i]) << (8 * i);
  return v;
}

void EncodeEntry(std::uint64_t id, unsigned char* out) {
  PutLe(out, id, 8);
  PutLe(out + 8, Crc32(out, 8), 4);
  PutLe(out + 12, kEntryMarker, 4);
}

std::optional<std::uint64_t> DecodeEntry(const unsigned char* in) {
  if (GetLe(in + 12, 4) != kEntryMarker || GetLe(in + 8, 4) != Crc32(in, 8)) return std::nullopt;
  return GetLe(in, 8);
}

std::string ItemHex(std::uint64_t id) {
  unsigned char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(id >> (8 * (7 - i)));
  return ToHex(bytes, 8);
}

std::optional<std::uint64_t> ParseItemHex(std::string_view hex) {
  if (hex.size() != 16 || !IsHex(hex)) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : hex) {
    int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    v = (v << 4) | static_cast<std::uint64_t>(digit);
  }
  return v;
}

// Store file tags.
enum : std::uint16_t {
  kTagStoreName = 1,
  kTagRoot = 2,
  kTagFolderId = 10,  // starts a folder
  kTagFolderParent = 11,
  kTagFolderName = 12,
  kTagFolderClass = 13,
  kTagDefaultKind = 20,  // followed by kTagDefaultFolder
  kTagDefaultFolder = 21,
  kTagStoreId = 30,  // profile.dat: one per store
};

}  // namespace

std::string NormaliseId(std::string_view id) {
  std::string out(id);
  for (char& c : out)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// ---- StoreInfo

const FolderInfo* StoreInfo::Find(std::string_view folder_id) const {
  std::string wanted = NormaliseId(folder_id);
  for (const FolderInfo& folder : folders)
    if (folder.id == wanted) return &folder;
  return nullptr;
}

std::vector<const FolderInfo*> StoreInfo::Children(std::string_view folder_id) const {
  std::vector<const FolderInfo*> children;
  for (const FolderInfo& folder : folders)
    if (folder.parent == folder_id) children.push_back(&folder);
  return children;
}

std::u16string StoreInfo::FolderPath(const FolderInfo& folder) const {
  std::vector<const FolderInfo*> chain;
  // Bounded by the number of folders, so a damaged tree cannot loop.
  for (const FolderInfo* at = &folder; at && !at->parent.empty() && chain.size() <= folders.size();
       at = Find(at->parent))
    chain.push_back(at);
  std::u16string path = u"\\\\" + name;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) path += u"\\" + (*it)->name;
  return path;
}

// ---- IdSource

IdSource::IdSource() {
  int local = 0;
  state_ = ProcessSeed() ^ reinterpret_cast<std::uintptr_t>(&local) ^
           (reinterpret_cast<std::uintptr_t>(this) << 20);
}

std::uint64_t IdSource::Next() {
  // splitmix64: every state gives a different output, so one process never
  // repeats itself; processes differ by their seed.
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::string IdSource::Hex(std::size_t bytes) {
  std::string out;
  while (out.size() < bytes * 2) out += ItemHex(Next());
  out.resize(bytes * 2);
  return out;
}

// ---- FolderItems

// Holds a folder's lock for one operation and brings the index up to date.
class FolderItems::Hold {
 public:
  Hold(FolderItems& items, bool exclusive) : items_(items) {
    FileError error;
    if (!items_.lock_.Lock(exclusive, &error)) ThrowFile(error, "cannot lock the folder");
    try {
      items_.Sync();
    } catch (...) {
      items_.lock_.Unlock();
      throw;
    }
  }
  ~Hold() { items_.lock_.Unlock(); }
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;

 private:
  FolderItems& items_;
};

FolderItems::FolderItems(Path directory, std::shared_ptr<IdSource> ids)
    : directory_(std::move(directory)), ids_(std::move(ids)) {
  FileError error;
  if (!MakeDirectories(directory_, &error)) ThrowFile(error, "cannot open the folder");
  lock_ = File::Open(directory_ / "lock", File::Mode::OpenAlways, &error);
  if (!lock_.IsOpen()) ThrowFile(error, "cannot open the folder");
}

// The lock file holds, past its locked first byte, the generation of the
// index: removing an item writes a new index and then the new number, so
// every process notices and opens the new one.
void FolderItems::Sync() {
  unsigned char bytes[8] = {};
  std::size_t read = 0;
  FileError error;
  if (!lock_.ReadAt(8, bytes, 8, &read, &error)) ThrowFile(error, "cannot read the folder");
  std::uint64_t generation = read == 8 ? GetLe(bytes, 8) : 0;
  if (index_.IsOpen() && generation == generation_) return;
  index_ = File::Open(directory_ / ("index." + std::to_string(generation)), File::Mode::OpenAlways, &error);
  if (!index_.IsOpen()) ThrowFile(error, "cannot open the folder's index");
  generation_ = generation;
}

std::uint64_t FolderItems::IndexSize() {
  std::uint64_t size = 0;
  FileError error;
  if (!index_.Size(&size, &error)) ThrowFile(error, "cannot read the folder's index");
  return size;
}

std::uint32_t FolderItems::Count() {
  Hold hold(*this, false);
  // A partial entry at the end (a crash while appending) is not an item.
  return static_cast<std::uint32_t>(IndexSize() / kEntrySize);
}

std::string FolderItems::IdAt(std::uint32_t position) {
  Hold hold(*this, false);
  std::uint64_t count = IndexSize() / kEntrySize;
  if (position < 1 || position > count)
    throw StoreFailure(Code::NotFound, "there is no item at position " + std::to_string(position) +
                                           "; the folder holds " + std::to_string(count));
  unsigned char entry[kEntrySize];
  std::size_t read = 0;
  FileError error;
  if (!index_.ReadAt((position - 1) * std::uint64_t{kEntrySize}, entry, kEntrySize, &read, &error))
    ThrowFile(error, "cannot read the folder's index");
  auto id = read == kEntrySize ? DecodeEntry(entry) : std::nullopt;
  if (!id)
    throw StoreFailure(Code::CorruptData, "the folder's index is damaged at position " +
                                              std::to_string(position));
  return ItemHex(*id);
}

Path FolderItems::ItemPath(std::string_view item_id) const {
  std::string id = NormaliseId(item_id);
  return directory_ / "items" / id.substr(0, 2) / (id + ".item");
}

Item FolderItems::Load(std::string_view item_id) {
  if (!ParseItemHex(item_id)) throw StoreFailure(Code::NotFound, "no item has the identifier " + std::string(item_id));
  std::string bytes;
  FileError error;
  Path path = ItemPath(item_id);
  if (!ReadWholeFile(path, &bytes, &error)) {
    if (error.not_found) throw StoreFailure(Code::NotFound, "the item " + std::string(item_id) + " no longer exists");
    ThrowFile(error, "cannot read the item");
  }
  auto item = DecodeItem(bytes);
  if (!item)
    throw StoreFailure(Code::CorruptData, "the item file \"" + PathText(path) + "\" is damaged");
  return std::move(*item);
}

std::string FolderItems::Add(const Item& item) {
  std::string bytes = EncodeItem(item);
  std::uint64_t id = 0;
  FileError error;
  // The item's file first, whole; only then its index entry. A crash in
  // between leaves a file no index refers to, never an entry without data.
  for (int attempt = 0;; ++attempt) {
    do id = ids_->Next(); while (id == 0);
    Path path = ItemPath(ItemHex(id));
    File file = File::Open(path, File::Mode::CreateNew, &error);
    if (!file.IsOpen() && error.not_found) {
      if (!MakeDirectories(path.parent_path(), &error)) ThrowFile(error, "cannot save the item");
      file = File::Open(path, File::Mode::CreateNew, &error);
    }
    if (!file.IsOpen()) {
      if (error.exists && attempt < 8) continue;  // an identifier taken already: draw again
      ThrowFile(error, "cannot save the item");
    }
    if (!file.WriteAt(0, bytes.data(), bytes.size(), &error)) {
      file.Close();
      RemoveFile(path, nullptr);
      ThrowFile(error, "cannot save the item");
    }
    break;
  }
  unsigned char entry[kEntrySize];
  EncodeEntry(id, entry);
  Hold hold(*this, true);
  // Appending at a whole entry overwrites a partial one a crash left.
  std::uint64_t at = IndexSize() / kEntrySize * kEntrySize;
  if (!index_.WriteAt(at, entry, kEntrySize, &error)) {
    RemoveFile(ItemPath(ItemHex(id)), nullptr);
    ThrowFile(error, "cannot add the item to the folder");
  }
  return ItemHex(id);
}

void FolderItems::Update(std::string_view item_id, const Item& item) {
  Path path = ItemPath(item_id);
  {
    FileError error;
    File existing = File::Open(path, File::Mode::Read, &error);
    if (!existing.IsOpen()) {
      if (error.not_found)
        throw StoreFailure(Code::ObjectDeleted, "the item " + std::string(item_id) + " has been deleted");
      ThrowFile(error, "cannot save the item");
    }
  }
  WriteReplacing(path, EncodeItem(item), *ids_);
}

void FolderItems::Remove(std::string_view item_id) {
  auto wanted = ParseItemHex(item_id);
  if (!wanted) throw StoreFailure(Code::NotFound, "no item has the identifier " + std::string(item_id));
  Hold hold(*this, true);
  std::uint64_t count = IndexSize() / kEntrySize;
  std::string entries(static_cast<std::size_t>(count * kEntrySize), '\0');
  std::size_t read = 0;
  FileError error;
  if (!index_.ReadAt(0, entries.data(), entries.size(), &read, &error))
    ThrowFile(error, "cannot read the folder's index");
  std::string kept;
  kept.reserve(entries.size());
  bool found = false;
  for (std::size_t at = 0; at + kEntrySize <= read; at += kEntrySize) {
    auto id = DecodeEntry(reinterpret_cast<const unsigned char*>(entries.data() + at));
    if (id && *id == *wanted && !found) {
      found = true;
      continue;
    }
    kept.append(entries, at, kEntrySize);
  }
  if (!found) throw StoreFailure(Code::NotFound, "the item " + std::string(item_id) + " is not in this folder");
  // The new index under the next generation's name, then the number that
  // makes it current: a crash before the number keeps the old index whole.
  std::uint64_t next = generation_ + 1;
  Path next_path = directory_ / ("index." + std::to_string(next));
  {
    File file = File::Open(next_path, File::Mode::CreateAlways, &error);
    if (!file.IsOpen() || !file.WriteAt(0, kept.data(), kept.size(), &error))
      ThrowFile(error, "cannot remove the item");
  }
  unsigned char bytes[8];
  PutLe(bytes, next, 8);
  if (!lock_.WriteAt(8, bytes, 8, &error)) ThrowFile(error, "cannot remove the item");
  Path old_path = directory_ / ("index." + std::to_string(generation_));
  index_.Close();
  Sync();
  RemoveFile(old_path, nullptr);  // another process may still hold it open
  RemoveFile(ItemPath(item_id), nullptr);
}

// ---- Profile

class Profile::Hold {
 public:
  Hold(Profile& profile, bool exclusive) : profile_(profile) {
    profile_.OpenLock();
    FileError error;
    if (!profile_.lock_.Lock(exclusive, &error)) ThrowFile(error, "cannot lock the profile");
  }
  ~Hold() { profile_.lock_.Unlock(); }
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;

 private:
  Profile& profile_;
};

Profile::Profile(Path directory) : directory_(std::move(directory)), ids_(std::make_shared<IdSource>()) {}

Path Profile::DirectoryFromEnvironment() {
  Path chosen = EnvironmentPath("LOCALSTORE_PROFILE");
  if (!chosen.empty()) return chosen;
  return DefaultProfileParent() / "Pindrel" / "LocalStore";
}

void Profile::OpenLock() {
  if (lock_.IsOpen()) return;
  FileError error;
  if (!MakeDirectories(directory_, &error))
    throw StoreFailure(Code::LogonFailed, "cannot use the profile folder: " + error.message);
  lock_ = File::Open(directory_ / "profile.lock", File::Mode::OpenAlways, &error);
  if (!lock_.IsOpen()) throw StoreFailure(Code::LogonFailed, "cannot use the profile: " + error.message);
}

Path Profile::StoreFile(std::string_view store_id) const {
  return directory_ / "stores" / NormaliseId(store_id) / "store.dat";
}

std::vector<std::string> Profile::ReadStoreIds() {
  std::string bytes;
  FileError error;
  if (!ReadWholeFile(directory_ / "profile.dat", &bytes, &error)) {
    if (error.not_found) return {};
    ThrowFile(error, "cannot read the profile");
  }
  auto fields = ReadRecord(bytes, kProfileMagic);
  if (!fields) throw StoreFailure(Code::CorruptData, "the profile file \"" + PathText(directory_ / "profile.dat") + "\" is damaged");
  std::vector<std::string> ids;
  for (const RecordField& field : *fields)
    if (field.tag == kTagStoreId) ids.emplace_back(field.bytes);
  return ids;
}

void Profile::WriteStoreIds(const std::vector<std::string>& ids) {
  RecordWriter writer;
  for (const std::string& id : ids) writer.Add(kTagStoreId, std::string_view(id));
  WriteReplacing(directory_ / "profile.dat", writer.Finish(kProfileMagic), *ids_);
}

StoreInfo Profile::ReadStore(std::string_view store_id) {
  std::string bytes;
  FileError error;
  Path path = StoreFile(store_id);
  if (!ReadWholeFile(path, &bytes, &error)) {
    if (error.not_found) throw StoreFailure(Code::NotFound, "no store has the identifier " + std::string(store_id));
    ThrowFile(error, "cannot read the store");
  }
  auto fields = ReadRecord(bytes, kStoreMagic);
  if (!fields) throw StoreFailure(Code::CorruptData, "the store file \"" + PathText(path) + "\" is damaged");
  StoreInfo store;
  store.id = NormaliseId(store_id);
  int kind = 0;
  for (const RecordField& field : *fields) {
    switch (field.tag) {
      case kTagStoreName: store.name = field.Text(); break;
      case kTagRoot: store.root = std::string(field.bytes); break;
      case kTagFolderId: store.folders.push_back({std::string(field.bytes), {}, {}, {}}); break;
      case kTagFolderParent: if (!store.folders.empty()) store.folders.back().parent = std::string(field.bytes); break;
      case kTagFolderName: if (!store.folders.empty()) store.folders.back().name = field.Text(); break;
      case kTagFolderClass: if (!store.folders.empty()) store.folders.back().message_class = field.Text(); break;
      case kTagDefaultKind: kind = static_cast<int>(field.U64()); break;
      case kTagDefaultFolder: store.defaults.emplace_back(kind, std::string(field.bytes)); break;
      default: break;
    }
  }
  return store;
}

void Profile::WriteStore(const StoreInfo& store) {
  RecordWriter writer;
  writer.Add(kTagStoreName, std::u16string_view(store.name));
  writer.Add(kTagRoot, std::string_view(store.root));
  for (const FolderInfo& folder : store.folders) {
    writer.Add(kTagFolderId, std::string_view(folder.id));
    writer.Add(kTagFolderParent, std::string_view(folder.parent));
    writer.Add(kTagFolderName, std::u16string_view(folder.name));
    writer.Add(kTagFolderClass, std::u16string_view(folder.message_class));
  }
  for (const auto& [kind, folder] : store.defaults) {
    writer.AddU64(kTagDefaultKind, static_cast<std::uint64_t>(kind));
    writer.Add(kTagDefaultFolder, std::string_view(folder));
  }
  Path path = StoreFile(store.id);
  FileError error;
  if (!MakeDirectories(path.parent_path(), &error)) ThrowFile(error, "cannot create the store");
  WriteReplacing(path, writer.Finish(kStoreMagic), *ids_);
}

// Call with the profile lock held exclusively.
StoreInfo Profile::CreateStore(std::u16string_view name, bool with_default_folders) {
  StoreInfo store;
  store.id = ids_->Hex(16);
  store.name = name;
  store.root = ids_->Hex(16);
  store.folders.push_back({store.root, {}, store.name, u"IPM.Note"});
  if (with_default_folders) {
    struct Default { int kind; std::u16string_view name, message_class; };
    for (const Default& d : {Default{kFolderContacts, u"Contacts", kContactClass},
                             Default{kFolderInbox, u"Inbox", u"IPM.Note"},
                             Default{kFolderCalendar, u"Calendar", u"IPM.Appointment"}}) {
      FolderInfo folder{ids_->Hex(16), store.root, std::u16string(d.name), std::u16string(d.message_class)};
      store.defaults.emplace_back(d.kind, folder.id);
      store.folders.push_back(std::move(folder));
    }
  }
  // The store's file before the profile lists it: a crash in between
  // leaves an unlisted store, never a listed one without its file.
  WriteStore(store);
  std::vector<std::string> ids = ReadStoreIds();
  ids.push_back(store.id);
  WriteStoreIds(ids);
  return store;
}

void Profile::Logon() {
  Hold hold(*this, true);
  if (ReadStoreIds().empty()) CreateStore(u"Personal Folders", true);
}

std::vector<StoreInfo> Profile::Stores() {
  Hold hold(*this, false);
  std::vector<StoreInfo> stores;
  for (const std::string& id : ReadStoreIds()) stores.push_back(ReadStore(id));
  return stores;
}

StoreInfo Profile::Store(std::string_view store_id) {
  Hold hold(*this, false);
  std::string wanted = NormaliseId(store_id);
  for (const std::string& id : ReadStoreIds())
    if (id == wanted) return ReadStore(id);
  throw StoreFailure(Code::NotFound, "no store has the identifier \"" + std::string(store_id) + "\"");
}

StoreInfo Profile::DefaultStore() {
  Hold hold(*this, false);
  std::vector<std::string> ids = ReadStoreIds();
  if (ids.empty()) throw StoreFailure(Code::NotFound, "the profile has no store");
  return ReadStore(ids.front());
}

StoreInfo Profile::AddStore(std::u16string_view name) {
  Hold hold(*this, true);
  return CreateStore(name, false);
}

FolderInfo Profile::AddFolder(std::string_view store_id, std::string_view parent_id,
                              std::u16string_view name, std::u16string_view message_class) {
  if (name.empty()) throw StoreFailure(Code::InvalidParameter, "a folder needs a name");
  Hold hold(*this, true);
  StoreInfo store = ReadStore(NormaliseId(store_id));
  const FolderInfo* parent = store.Find(parent_id);
  if (!parent) throw StoreFailure(Code::NotFound, "no folder has the identifier \"" + std::string(parent_id) + "\"");
  for (const FolderInfo* sibling : store.Children(parent->id))
    if (sibling->name == name)
      throw StoreFailure(Code::Collision, "a folder named \"" + Utf8(name) + "\" exists already");
  FolderInfo folder{ids_->Hex(16), parent->id, std::u16string(name), std::u16string(message_class)};
  store.folders.push_back(folder);
  WriteStore(store);
  return folder;
}

std::shared_ptr<FolderItems> Profile::Items(std::string_view store_id, std::string_view folder_id) {
  std::string key = NormaliseId(store_id) + "/" + NormaliseId(folder_id);
  auto found = items_.find(key);
  if (found != items_.end()) return found->second;
  auto items = std::make_shared<FolderItems>(
      directory_ / "stores" / NormaliseId(store_id) / NormaliseId(folder_id), ids_);
  items_.emplace(key, items);
  return items;
}

}  // namespace localstore
