#include "profile.h"

#include <algorithm>

#include "record.h"
#include "text.h"

namespace localstore {
namespace {

// Writes `bytes` to a new file beside `path` and puts it in place with one
// rename, so readers and a crash see the old file or the new one, whole.
void WriteReplacing(const Path& path, const std::string& bytes, IdSource& ids) {
  Path temporary = path;
  temporary += Path(".tmp-" + ids.Hex(4));
  FileError error;
  {
    File file = File::Open(temporary, File::Mode::CreateNew, &error);
    if (!file.IsOpen()) ThrowFile(error, "cannot save");
    // On the disk before the rename: a power cut must not leave the new
    // name over a file whose bytes never arrived.
    if (!file.WriteAt(0, bytes.data(), bytes.size(), &error) || !file.Flush(true, &error)) {
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

void Profile::Flush() {
  for (auto& [key, items] : items_) items->Flush();
}

}  // namespace localstore
