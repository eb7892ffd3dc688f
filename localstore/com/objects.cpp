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
std::u16string U16(const std::wstring& wide) {
  return std::u16string(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
}

[[noreturn]] void Fail(Code code, const std::string& text) { throw StoreFailure(code, text); }

// The message class of a new item: an item kind (0 mail ... 7 distribution
// list) or a message class given as text.
std::u16string ItemClass(const Call& call, UINT i, const std::u16string& folder_class) {
  const VARIANT* type = call.Raw(i);
  if (!type) return folder_class == kContactClass ? std::u16string(kContactClass) : folder_class;
  if (V_VT(type) == VT_BSTR || V_VT(type) == (VT_BSTR | VT_BYREF)) {
    std::u16string text = U16(call.Text(i));
    if (text.rfind(u"IPM", 0) != 0) Fail(Code::InvalidParameter, "\"" + ToUtf8(text) + "\" is not a message class");
    return text;
  }
  static constexpr std::u16string_view kKinds[] = {u"IPM.Note", u"IPM.Appointment", u"IPM.Contact", u"IPM.Task",
                                                   u"IPM.Activity", u"IPM.StickyNote", u"IPM.Post", u"IPM.DistList"};
  long kind = call.Long(i);
  if (kind < 0 || kind > 7) Fail(Code::InvalidParameter, "item type " + std::to_string(kind) + " does not exist");
  return std::u16string(kKinds[kind]);
}

// The default message class of a new folder: a default folder kind or a
// message class as text; omitted, the parent's.
std::u16string FolderClass(const Call& call, UINT i, const std::u16string& parent_class) {
  const VARIANT* type = call.Raw(i);
  if (!type) return parent_class;
  if (V_VT(type) == VT_BSTR || V_VT(type) == (VT_BSTR | VT_BYREF)) {
    std::u16string text = U16(call.Text(i));
    if (text.rfind(u"IPM", 0) != 0) Fail(Code::InvalidParameter, "\"" + ToUtf8(text) + "\" is not a message class");
    return text;
  }
  switch (call.Long(i)) {
    case 3: case 4: case 5: case 6: case 16: return u"IPM.Note";
    case 9: return u"IPM.Appointment";
    case 10: return std::u16string(kContactClass);
    case 11: return u"IPM.Activity";
    case 12: return u"IPM.StickyNote";
    case 13: return u"IPM.Task";
    default: Fail(Code::InvalidParameter, "folder type " + std::to_string(call.Long(i)) + " does not exist");
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
      {L"Logon", LS_DISPID_LOGON, &S::Logon, nullptr, 0, 6},
      {L"Logoff", LS_DISPID_LOGOFF, &S::Logoff, nullptr, 0, 0},
      {L"LoggedOn", LS_DISPID_LOGGEDON, &S::LoggedOn, nullptr, 0, 0},
      {L"GetDefaultFolder", LS_DISPID_GETDEFAULTFOLDER, &S::GetDefaultFolder, nullptr, 1, 1},
      {L"PickFolder", LS_DISPID_PICKFOLDER, &S::PickFolder, nullptr, 0, 5},
      {L"Stores", LS_DISPID_STORES, &S::Stores, nullptr, 0, 0},
      {L"GetStoreFromID", LS_DISPID_GETSTOREFROMID, &S::GetStoreFromID, nullptr, 1, 2},
      {L"GetFolderFromID", LS_DISPID_GETFOLDERFROMID, &S::GetFolderFromID, nullptr, 1, 3},
      {L"ProfilePath", LS_DISPID_PROFILEPATH, &S::ProfilePath, nullptr, 0, 0},
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
  static const Member<S> kMembers[] = {
      {L"_Item", LS_DISPID_DEFAULT, &S::Item, nullptr, 1, 1},
      {L"_NewEnum", LS_DISPID_NEWENUM, &S::NewEnum, nullptr, 0, 0},
      {L"Count", LS_DISPID_COUNT, &S::Count, nullptr, 0, 0},
      {L"Item", LS_DISPID_ITEM, &S::Item, nullptr, 1, 1},
      {L"GetStoreFromID", LS_DISPID_GETSTOREFROMID, &S::GetStoreFromID, nullptr, 1, 2},
      {L"DefaultStore", LS_DISPID_DEFAULTSTORE, &S::DefaultStore, nullptr, 0, 0},
      {L"AddPSTStore", LS_DISPID_ADDPSTSTORE, &S::AddPSTStore, nullptr, 1, 3},
  };
  return kMembers;
}

void StoresObject::Count(Call& call) { call.ReturnLong(static_cast<long>(profile_->Stores().size())); }

void StoresObject::Item(Call& call) {
  std::vector<StoreInfo> stores = profile_->Stores();
  const VARIANT* index = call.Raw(0);
  if (!index) throw ArgumentFailure{DISP_E_PARAMNOTFOUND, 0};
  if (V_VT(index) == VT_BSTR || V_VT(index) == (VT_BSTR | VT_BYREF)) {
    std::u16string name = U16(call.Text(0));
    for (const StoreInfo& store : stores)
      if (store.name == name) return call.ReturnObject(StoreObject::New(profile_, store));
    Fail(Code::NotFound, "no store is named \"" + ToUtf8(name) + "\"");
  }
  long i = call.Long(0);
  if (i < 1 || static_cast<std::size_t>(i) > stores.size())
    Fail(Code::NotFound, "there is no store at position " + std::to_string(i) + "; the profile has " +
                             std::to_string(stores.size()));
  call.ReturnObject(StoreObject::New(profile_, stores[static_cast<std::size_t>(i) - 1]));
}

void StoresObject::NewEnum(Call& call) {
  auto stores = std::make_shared<const std::vector<StoreInfo>>(profile_->Stores());
  call.ReturnUnknown(NewEnumerator(stores->size(), [profile = profile_, stores](std::size_t i) {
    return StoreObject::New(profile, (*stores)[i]);
  }));
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
      {L"Name", LS_DISPID_DEFAULT, &S::Name, nullptr, 0, 0},
      {L"StoreID", LS_DISPID_STOREID, &S::StoreID, nullptr, 0, 0},
      {L"EntryID", LS_DISPID_ENTRYID, &S::StoreID, nullptr, 0, 0},
      {L"PstPath", LS_DISPID_PSTPATH, &S::PstPath, nullptr, 0, 0},
      {L"IPMRootFolder", LS_DISPID_IPMROOTFOLDER, &S::IPMRootFolder, nullptr, 0, 0},
      {L"RootFolder", LS_DISPID_ROOTFOLDER, &S::IPMRootFolder, nullptr, 0, 0},
      {L"GetFolderFromID", LS_DISPID_GETFOLDERFROMID, &S::GetFolderFromID, nullptr, 1, 2},
      {L"GetDefaultFolder", LS_DISPID_GETDEFAULTFOLDER, &S::GetDefaultFolder, nullptr, 1, 1},
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
  using S = FoldersObject;
  static const Member<S> kMembers[] = {
      {L"_Item", LS_DISPID_DEFAULT, &S::Item, nullptr, 1, 1},
      {L"_NewEnum", LS_DISPID_NEWENUM, &S::NewEnum, nullptr, 0, 0},
      {L"Count", LS_DISPID_COUNT, &S::Count, nullptr, 0, 0},
      {L"Item", LS_DISPID_ITEM, &S::Item, nullptr, 1, 1},
      {L"Add", LS_DISPID_ADD, &S::Add, nullptr, 1, 2},
  };
  return kMembers;
}

void FoldersObject::Count(Call& call) {
  call.ReturnLong(static_cast<long>(profile_->Store(store_id_).Children(folder_id_).size()));
}

void FoldersObject::Item(Call& call) {
  StoreInfo store = profile_->Store(store_id_);
  std::vector<const FolderInfo*> children = store.Children(folder_id_);
  const VARIANT* index = call.Raw(0);
  if (!index) throw ArgumentFailure{DISP_E_PARAMNOTFOUND, 0};
  if (V_VT(index) == VT_BSTR || V_VT(index) == (VT_BSTR | VT_BYREF)) {
    std::u16string name = U16(call.Text(0));
    for (const FolderInfo* child : children)
      if (child->name == name) return call.ReturnObject(NewFolder(profile_, store, *child));
    Fail(Code::NotFound, "no folder is named \"" + ToUtf8(name) + "\"");
  }
  long i = call.Long(0);
  if (i < 1 || static_cast<std::size_t>(i) > children.size())
    Fail(Code::NotFound, "there is no folder at position " + std::to_string(i) + "; the folder has " +
                             std::to_string(children.size()));
  call.ReturnObject(NewFolder(profile_, store, *children[static_cast<std::size_t>(i) - 1]));
}

void FoldersObject::NewEnum(Call& call) {
  auto store = std::make_shared<const StoreInfo>(profile_->Store(store_id_));
  auto children = std::make_shared<const std::vector<const FolderInfo*>>(store->Children(folder_id_));
  call.ReturnUnknown(NewEnumerator(children->size(), [profile = profile_, store, children](std::size_t i) {
    return NewFolder(profile, *store, *(*children)[i]);
  }));
}

void FoldersObject::Add(Call& call) {
  std::u16string name = U16(call.Text(0));
  StoreInfo store = profile_->Store(store_id_);
  const FolderInfo* parent = store.Find(folder_id_);
  if (!parent) Fail(Code::ObjectDeleted, "the parent folder no longer exists");
  std::u16string message_class = FolderClass(call, 1, parent->message_class);
  FolderInfo folder = profile_->AddFolder(store_id_, folder_id_, name, message_class);
  call.ReturnObject(NewFolder(profile_, profile_->Store(store_id_), folder));
}

// ---- folder

std::span<const Member<FolderObject>> FolderObject::Members() {
  using S = FolderObject;
  static const Member<S> kMembers[] = {
      {L"Name", LS_DISPID_DEFAULT, &S::Name, nullptr, 0, 0},
      {L"DefaultMessageClass", LS_DISPID_DEFAULTMESSAGECLASS, &S::DefaultMessageClass, nullptr, 0, 0},
      {L"FolderPath", LS_DISPID_FOLDERPATH, &S::FolderPath, nullptr, 0, 0},
      {L"StoreID", LS_DISPID_STOREID, &S::StoreID, nullptr, 0, 0},
      {L"EntryID", LS_DISPID_ENTRYID, &S::EntryID, nullptr, 0, 0},
      {L"Items", LS_DISPID_ITEMS, &S::Items, nullptr, 0, 0},
      {L"Folders", LS_DISPID_FOLDERS, &S::Folders, nullptr, 0, 0},
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

// ---- items

std::span<const Member<ItemsObject>> ItemsObject::Members() {
  using S = ItemsObject;
  static const Member<S> kMembers[] = {
      {L"_Item", LS_DISPID_DEFAULT, &S::Item, nullptr, 1, 1},
      {L"_NewEnum", LS_DISPID_NEWENUM, &S::NewEnum, nullptr, 0, 0},
      {L"Count", LS_DISPID_COUNT, &S::Count, nullptr, 0, 0},
      {L"Item", LS_DISPID_ITEM, &S::Item, nullptr, 1, 1},
      {L"Add", LS_DISPID_ADD, &S::Add, nullptr, 0, 1},
  };
  return kMembers;
}

void ItemsObject::Count(Call& call) { call.ReturnLong(static_cast<long>(items_->Count())); }

void ItemsObject::Item(Call& call) {
  long position = call.Long(0);
  if (position < 1) Fail(Code::NotFound, "there is no item at position " + std::to_string(position));
  std::string id;
  localstore::Item item = items_->LoadAt(static_cast<std::uint32_t>(position), &id);
  call.ReturnObject(ItemObject::New(items_, folder_id_, std::move(id), std::move(item)));
}

void ItemsObject::NewEnum(Call& call) {
  // The identifiers now: each item is read only when the walk reaches it.
  auto ids = std::make_shared<std::vector<std::string>>();
  for (std::uint32_t position = 1, count = items_->Count(); position <= count; ++position)
    ids->push_back(items_->IdAt(position));
  call.ReturnUnknown(
      NewEnumerator(ids->size(), [items = items_, folder_id = folder_id_, ids](std::size_t i) {
        const std::string& id = (*ids)[i];
        return ItemObject::New(items, folder_id, id, items->Load(id));
      }));
}

void ItemsObject::Add(Call& call) {
  localstore::Item item;
  item.message_class = ItemClass(call, 0, folder_class_);
  call.ReturnObject(ItemObject::New(items_, folder_id_, std::string(), std::move(item)));
}

// ---- item

std::span<const Member<ItemObject>> ItemObject::Members() {
  using S = ItemObject;
  static const auto kMembers = [] {
    std::vector<Member<S>> members = {
        {L"Subject", LS_DISPID_DEFAULT, &S::GetText, &S::PutText, 0, 0},
        {L"MessageClass", LS_DISPID_MESSAGECLASS, &S::MessageClass, nullptr, 0, 0},
        {L"EntryID", LS_DISPID_ENTRYID, &S::EntryID, nullptr, 0, 0},
        {L"Save", LS_DISPID_SAVE, &S::Save, nullptr, 0, 0},
        {L"SaveAs", LS_DISPID_SAVEAS, &S::SaveAs, nullptr, 1, 2},
        {L"Delete", LS_DISPID_DELETE, &S::Delete, nullptr, 0, 0},
        {L"Birthday", LS_DISPID_BIRTHDAY, &S::GetDate, &S::PutDate, 0, 0},
        {L"Anniversary", LS_DISPID_ANNIVERSARY, &S::GetDate, &S::PutDate, 0, 0},
    };
    // Every text property but Subject, which is the default member above.
    static std::vector<std::wstring> names;
    names.reserve(kTextCount);
    for (std::size_t i = 0; i < kTextCount; ++i) {
      if (static_cast<Text>(i) == Text::Subject) continue;
      std::string_view name = TextName(static_cast<Text>(i));
      names.emplace_back(name.begin(), name.end());
      members.push_back({names.back().c_str(), static_cast<DISPID>(LS_DISPID_TEXT + i), &S::GetText, &S::PutText, 0, 0});
    }
    return members;
  }();
  return kMembers;
}

namespace {
Text TextOf(DISPID id) {
  return id == LS_DISPID_DEFAULT ? Text::Subject : static_cast<Text>(id - LS_DISPID_TEXT);
}
}  // namespace

void ItemObject::CheckNotDeleted() const {
  if (deleted_) Fail(Code::ObjectDeleted, "the item has been deleted");
}

void ItemObject::GetText(Call& call) { call.Return(item_.Get(TextOf(call.id()))); }

void ItemObject::PutText(Call& call) {
  // Text comes as text nearly always: read in place, not copied first.
  const VARIANT& value = call.Value();
  Variant text;
  if (V_VT(&value) != VT_BSTR) text = call.ValueAs(VT_BSTR);
  BSTR b = V_VT(&value) == VT_BSTR ? V_BSTR(&value) : V_BSTR(&text.Get());
  item_.Set(TextOf(call.id()), std::u16string_view(reinterpret_cast<const char16_t*>(b ? b : L""),
                                                   b ? SysStringLen(b) : 0));
}

std::optional<double>& ItemObject::DateOf(const Call& call) {
  return call.id() == LS_DISPID_ANNIVERSARY ? item_.anniversary : item_.birthday;
}

void ItemObject::GetDate(Call& call) {
  // No date reads as Empty, which scripts test with IsEmpty.
  if (std::optional<double>& day = DateOf(call)) call.ReturnDate(*day);
}

void ItemObject::PutDate(Call& call) {
  const VARIANT& value = call.Value();
  if (V_VT(&value) == VT_EMPTY || V_VT(&value) == VT_NULL) {
    DateOf(call).reset();
    return;
  }
  // A text is converted with the caller's locale, as the automation
  // runtime converts it; callers that know the date pass a VT_DATE.
  Variant date = call.ValueAs(VT_DATE);
  double day = V_DATE(&date.Get());
  // 1 January 4501 is how the mail world writes "no date".
  if (day >= *FromCivil({4501, 1, 1})) DateOf(call).reset();
  else DateOf(call) = day;
}

void ItemObject::MessageClass(Call& call) { call.Return(item_.message_class); }

void ItemObject::EntryID(Call& call) {
  call.Return(item_id_.empty() ? std::u16string() : FromUtf8(folder_id_ + item_id_));
}

void ItemObject::Save(Call&) {
  CheckNotDeleted();
  if (item_id_.empty()) item_id_ = items_->Add(item_);
  else items_->Update(item_id_, item_);
}

void ItemObject::SaveAs(Call& call) {
  std::wstring path = call.Text(0);
  long type = call.OptionalLong(1).value_or(3);
  if (type != 6)
    Fail(Code::NoSupport, "cannot save as type " + std::to_string(type) + "; the local store saves only vCard (6)");
  if (path.empty()) Fail(Code::InvalidParameter, "no file name to save to");
  std::string card = WriteVCard(item_);
  FileError error;
  File file = File::Open(Path(path), File::Mode::CreateAlways, &error);
  if (!file.IsOpen() || !file.WriteAt(0, card.data(), card.size(), &error))
    Fail(static_cast<Code>(error.system_code ? HRESULT_FROM_WIN32(error.system_code) : E_FAIL),
         "cannot write the vCard file: " + error.message);
}

void ItemObject::Delete(Call&) {
  CheckNotDeleted();
  if (!item_id_.empty()) items_->Remove(item_id_);
  deleted_ = true;
}

}  // namespace localstore::com
