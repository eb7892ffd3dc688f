#include "objects.h"

#include <new>

#include "picker.h"
#include "text.h"
#include "vcard_writer.h"

namespace localstore::com {
namespace {

std::string Narrow(const std::wstring& wide) {
  return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

// The default message class of a folder of each default folder kind.
std::u16string_view FolderKindClass(long kind) {
  switch (kind) {
    case 3: case 4: case 5: case 6: case 16: return u"IPM.Note";
    case 9: return u"IPM.Appointment";
    case 10: return kContactClass;
    case 11: return u"IPM.Activity";
    case 12: return u"IPM.StickyNote";
    case 13: return u"IPM.Task";
    default: return {};
  }
}

const FolderInfo& DefaultFolder(const StoreInfo& store, long kind) {
  for (const auto& [k, id] : store.defaults)
    if (k == kind)
      if (const FolderInfo* folder = store.Find(id)) return *folder;
  Fail(Code::NotFound, "the store \"" + ToUtf8(store.name) + "\" has no default folder of type " + std::to_string(kind));
}

void CheckFlags(const Call& call, UINT i) {
  // Accepted for the callers' sake; the local store has no flags to obey.
  (void)call.OptionalLong(i);
}

}  // namespace

[[noreturn]] void Fail(Code code, const std::string& text) { throw StoreFailure(code, text); }

std::u16string U16(const std::wstring& wide) {
  return std::u16string(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
}

std::u16string ClassArgument(const Call& call, UINT i, const std::u16string& fallback,
                             std::u16string_view (*kind)(long), const char* what) {
  const VARIANT* type = call.Raw(i);
  if (!type) return fallback;
  if (V_VT(type) == VT_BSTR || V_VT(type) == (VT_BSTR | VT_BYREF)) {
    std::u16string text = U16(call.Text(i));
    if (text.rfind(u"IPM", 0) != 0) Fail(Code::InvalidParameter, "\"" + ToUtf8(text) + "\" is not a message class");
    return text;
  }
  long number = call.Long(i);
  std::u16string_view message_class = kind(number);
  if (message_class.empty()) Fail(Code::InvalidParameter, std::string(what) + " " + std::to_string(number) + " does not exist");
  return std::u16string(message_class);
}

void CheckPosition(long position, std::size_t size, const char* what, const char* holder) {
  if (position < 1 || static_cast<std::size_t>(position) > size)
    Fail(Code::NotFound, std::string("there is no ") + what + " at position " + std::to_string(position) + "; " +
                             holder + " " + std::to_string(size));
}

HRESULT CreateSession(IUnknown* outer, REFIID iid, void** object) {
  if (outer) return CLASS_E_NOAGGREGATION;
  try {
    return SessionObject::New()->QueryInterface(iid, object);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;  // nothing may cross the module's boundary
  }
}

ComPtr<IDispatch> NewFolder(const std::shared_ptr<Profile>& profile, const StoreInfo& store,
                            const FolderInfo& folder) {
  return FolderObject::New(profile, store, folder);
}

// ---- session

std::span<const Member<SessionObject>> SessionObject::Members() {
  using S = SessionObject;
  static const Member<S> kMembers[] = {
      Method(LS_DISPID_LOGON, &S::Logon, 0, 6),
      Method(LS_DISPID_LOGOFF, &S::Logoff),
      Getter(LS_DISPID_LOGGEDON, &S::LoggedOn),
      Method(LS_DISPID_GETDEFAULTFOLDER, &S::GetDefaultFolder, 1, 1),
      Method(LS_DISPID_PICKFOLDER, &S::PickFolder, 0, 5),
      Getter(LS_DISPID_STORES, &S::Stores),
      Method(LS_DISPID_GETSTOREFROMID, &S::GetStoreFromID, 1, 2),
      Method(LS_DISPID_GETFOLDERFROMID, &S::GetFolderFromID, 1, 3),
      Getter(LS_DISPID_PROFILEPATH, &S::ProfilePath),
  };
  return kMembers;
}

const std::shared_ptr<Profile>& SessionObject::LoggedOnProfile() {
  if (!profile_) Fail(Code::NotInitialized, "the session is not logged on; call Logon first");
  return profile_;
}

void SessionObject::Logon(Call& call) {
  // The profile name, password and the rest are accepted and checked for
  // type, but there is one profile: the one the environment names.
  (void)call.OptionalText(0);
  (void)call.OptionalText(1);
  for (UINT i = 2; i < 6; ++i) (void)call.OptionalLong(i);
  auto profile = std::make_shared<localstore::Profile>(localstore::Profile::DirectoryFromEnvironment());
  try {
    profile->Logon();
  } catch (const StoreFailure& failure) {
    Fail(Code::LogonFailed, std::string("cannot log on to the local profile: ") + failure.what());
  }
  profile_ = std::move(profile);
}

// Saves reach the system as they return; Logoff and the session's end put
// them on the disk too.
void SessionObject::Logoff(Call&) {
  std::shared_ptr<Profile> profile = std::move(profile_);
  if (profile) profile->Flush();
}

SessionObject::~SessionObject() {
  try {
    if (profile_) profile_->Flush();
  } catch (const StoreFailure&) {
    // Nobody is left to tell; the bytes are in the system's hands.
  }
}

void SessionObject::LoggedOn(Call& call) { call.ReturnBool(profile_ != nullptr); }

void SessionObject::ProfilePath(Call& call) {
  std::u16string path = FromUtf8(PathText(LoggedOnProfile()->directory()));
  call.Return(path);
}

void SessionObject::GetDefaultFolder(Call& call) {
  long kind = call.Long(0);
  const auto& profile = LoggedOnProfile();
  StoreInfo store = profile->DefaultStore();
  call.ReturnObject(NewFolder(profile, store, DefaultFolder(store, kind)));
}

void SessionObject::PickFolder(Call& call) {
  const auto& profile = LoggedOnProfile();
  std::optional<FolderChoice> start;
  // Nothing (a null object) is as good as omitted; anything else must be
  // one of our folders.
  if (IUnknown* unknown = call.Object(0)) {
    FolderObject* object = FolderObject::From(unknown);
    if (!object) throw ArgumentFailure{DISP_E_TYPEMISMATCH, 0};
    start = FolderChoice{object->store_id(), object->folder().id};
  }
  std::wstring caption = call.OptionalText(1).value_or(L"Select Folder");
  // The third argument is reserved; the fourth and fifth are numbers whose
  // meaning the local store does not need.
  (void)call.Raw(2);
  (void)call.OptionalLong(3);
  (void)call.OptionalLong(4);
  std::optional<FolderChoice> chosen = ShowFolderPicker(GetActiveWindow(), *profile, caption, start);
  if (!chosen) {
    call.ReturnObject(nullptr);
    return;
  }
  StoreInfo store = profile->Store(chosen->store_id);
  const FolderInfo* folder = store.Find(chosen->folder_id);
  if (!folder) Fail(Code::NotFound, "the chosen folder no longer exists");
  call.ReturnObject(NewFolder(profile, store, *folder));
}

void SessionObject::Stores(Call& call) { call.ReturnObject(StoresObject::New(LoggedOnProfile())); }

void SessionObject::GetStoreFromID(Call& call) {
  std::string id = Narrow(call.Text(0));
  CheckFlags(call, 1);
  const auto& profile = LoggedOnProfile();
  call.ReturnObject(StoreObject::New(profile, profile->Store(id)));
}

void SessionObject::GetFolderFromID(Call& call) {
  std::string id = Narrow(call.Text(0));
  std::optional<std::wstring> store_id = call.OptionalText(1);
  CheckFlags(call, 2);
  const auto& profile = LoggedOnProfile();
  std::vector<StoreInfo> stores;
  if (store_id && !store_id->empty()) stores.push_back(profile->Store(Narrow(*store_id)));
  else stores = profile->Stores();
  for (const StoreInfo& store : stores)
    if (const FolderInfo* folder = store.Find(id)) return call.ReturnObject(NewFolder(profile, store, *folder));
  Fail(Code::NotFound, "no folder has the identifier \"" + id + "\"");
}

// ---- stores

std::span<const Member<StoresObject>> StoresObject::Members() {
  using S = StoresObject;
  static const auto kMembers = MembersWith({
      Method(LS_DISPID_GETSTOREFROMID, &S::GetStoreFromID, 1, 2),
      Getter(LS_DISPID_DEFAULTSTORE, &S::DefaultStore),
      Method(LS_DISPID_ADDPSTSTORE, &S::AddPSTStore, 1, 3),
  });
  return kMembers;
}

std::size_t StoresObject::Size() { return profile_->Stores().size(); }

ComPtr<IDispatch> StoresObject::At(long position) {
  std::vector<StoreInfo> stores = profile_->Stores();
  CheckPosition(position, stores.size(), "store", "the profile has");
  return StoreObject::New(profile_, stores[static_cast<std::size_t>(position) - 1]);
}

ComPtr<IDispatch> StoresObject::Named(std::u16string_view name) {
  for (const StoreInfo& store : profile_->Stores())
    if (store.name == name) return StoreObject::New(profile_, store);
  Fail(Code::NotFound, "no store is named \"" + ToUtf8(name) + "\"");
}

Walk StoresObject::Snapshot() {
  auto stores = std::make_shared<const std::vector<StoreInfo>>(profile_->Stores());
  return {stores->size(), [profile = profile_, stores](std::size_t i) { return StoreObject::New(profile, (*stores)[i]); }};
}

void StoresObject::GetStoreFromID(Call& call) {
  std::string id = Narrow(call.Text(0));
  CheckFlags(call, 1);
  call.ReturnObject(StoreObject::New(profile_, profile_->Store(id)));
}

void StoresObject::DefaultStore(Call& call) { call.ReturnObject(StoreObject::New(profile_, profile_->DefaultStore())); }

void StoresObject::AddPSTStore(Call& call) {
  // A store's file always lives inside the profile, named by its
  // identifier; the path a caller gives only lends the store a name when
  // no display name is given.
  std::wstring path = call.Text(0);
  (void)call.OptionalLong(1);
  std::optional<std::wstring> display = call.OptionalText(2);
  std::wstring name = display && !display->empty() ? *display : Path(path).stem().wstring();
  if (name.empty()) Fail(Code::InvalidParameter, "a new store needs a name");
  call.ReturnObject(StoreObject::New(profile_, profile_->AddStore(U16(name))));
}

// ---- store

std::span<const Member<StoreObject>> StoreObject::Members() {
  using S = StoreObject;
  static const Member<S> kMembers[] = {
      Getter(LS_DISPID_DEFAULT, &S::Name),
      Getter(LS_DISPID_STOREID, &S::StoreID),
      Getter(LS_DISPID_ENTRYID, &S::StoreID),
      Getter(LS_DISPID_PSTPATH, &S::PstPath),
      Getter(LS_DISPID_IPMROOTFOLDER, &S::IPMRootFolder),
      Getter(LS_DISPID_ROOTFOLDER, &S::IPMRootFolder),
      Method(LS_DISPID_GETFOLDERFROMID, &S::GetFolderFromID, 1, 2),
      Method(LS_DISPID_GETDEFAULTFOLDER, &S::GetDefaultFolder, 1, 1),
  };
  return kMembers;
}

void StoreObject::Name(Call& call) { call.Return(store_.name); }
void StoreObject::StoreID(Call& call) { call.Return(FromUtf8(store_.id)); }
void StoreObject::PstPath(Call& call) { call.Return(FromUtf8(PathText(profile_->StoreFile(store_.id)))); }

void StoreObject::IPMRootFolder(Call& call) {
  StoreInfo store = profile_->Store(store_.id);
  const FolderInfo* root = store.Find(store.root);
  if (!root) Fail(Code::CorruptData, "the store \"" + ToUtf8(store.name) + "\" has no root folder");
  call.ReturnObject(NewFolder(profile_, store, *root));
}

void StoreObject::GetFolderFromID(Call& call) {
  std::string id = Narrow(call.Text(0));
  CheckFlags(call, 1);
  // Read again: another session may have added the folder meanwhile.
  StoreInfo store = profile_->Store(store_.id);
  const FolderInfo* folder = store.Find(id);
  if (!folder) Fail(Code::NotFound, "no folder of the store \"" + ToUtf8(store.name) + "\" has the identifier \"" + id + "\"");
  call.ReturnObject(NewFolder(profile_, store, *folder));
}

void StoreObject::GetDefaultFolder(Call& call) {
  long kind = call.Long(0);
  StoreInfo store = profile_->Store(store_.id);
  call.ReturnObject(NewFolder(profile_, store, DefaultFolder(store, kind)));
}

// ---- folders

std::span<const Member<FoldersObject>> FoldersObject::Members() {
  static const auto kMembers = MembersWith({Method(LS_DISPID_ADD, &FoldersObject::Add, 1, 2)});
  return kMembers;
}

std::size_t FoldersObject::Size() { return profile_->Store(store_id_).Children(folder_id_).size(); }

ComPtr<IDispatch> FoldersObject::At(long position) {
  StoreInfo store = profile_->Store(store_id_);
  std::vector<const FolderInfo*> children = store.Children(folder_id_);
  CheckPosition(position, children.size(), "folder", "the folder has");
  return NewFolder(profile_, store, *children[static_cast<std::size_t>(position) - 1]);
}

ComPtr<IDispatch> FoldersObject::Named(std::u16string_view name) {
  StoreInfo store = profile_->Store(store_id_);
  for (const FolderInfo* child : store.Children(folder_id_))
    if (child->name == name) return NewFolder(profile_, store, *child);
  Fail(Code::NotFound, "no folder is named \"" + ToUtf8(name) + "\"");
}

Walk FoldersObject::Snapshot() {
  auto store = std::make_shared<const StoreInfo>(profile_->Store(store_id_));
  auto children = std::make_shared<const std::vector<const FolderInfo*>>(store->Children(folder_id_));
  return {children->size(), [profile = profile_, store, children](std::size_t i) {
            return NewFolder(profile, *store, *(*children)[i]);
          }};
}

void FoldersObject::Add(Call& call) {
  std::u16string name = U16(call.Text(0));
  StoreInfo store = profile_->Store(store_id_);
  const FolderInfo* parent = store.Find(folder_id_);
  if (!parent) Fail(Code::ObjectDeleted, "the parent folder no longer exists");
  std::u16string message_class = ClassArgument(call, 1, parent->message_class, FolderKindClass, "folder type");
  FolderInfo folder = profile_->AddFolder(store_id_, folder_id_, name, message_class);
  call.ReturnObject(NewFolder(profile_, profile_->Store(store_id_), folder));
}

// ---- folder

std::span<const Member<FolderObject>> FolderObject::Members() {
  using S = FolderObject;
  static const Member<S> kMembers[] = {
      Getter(LS_DISPID_DEFAULT, &S::Name),
      Getter(LS_DISPID_DEFAULTMESSAGECLASS, &S::DefaultMessageClass),
      Getter(LS_DISPID_FOLDERPATH, &S::FolderPath),
      Getter(LS_DISPID_STOREID, &S::StoreID),
      Getter(LS_DISPID_ENTRYID, &S::EntryID),
      Getter(LS_DISPID_ITEMS, &S::Items),
      Getter(LS_DISPID_FOLDERS, &S::Folders),
  };
  return kMembers;
}

void FolderObject::Name(Call& call) { call.Return(folder_.name); }
void FolderObject::DefaultMessageClass(Call& call) { call.Return(folder_.message_class); }
void FolderObject::FolderPath(Call& call) { call.Return(path_); }
void FolderObject::StoreID(Call& call) { call.Return(FromUtf8(store_id_)); }
void FolderObject::EntryID(Call& call) { call.Return(FromUtf8(folder_.id)); }

void FolderObject::Items(Call& call) {
  // The folder's item files stay open in the profile, so fetching the
  // collection for every contact costs nothing more than the object.
  call.ReturnObject(ItemsObject::New(profile_->Items(store_id_, folder_.id), folder_.id, folder_.message_class));
}

void FolderObject::Folders(Call& call) {
  call.ReturnObject(FoldersObject::New(profile_, store_id_, folder_.id));
}

}  // namespace localstore::com
