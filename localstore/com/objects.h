// LocalStore's automation objects: session, stores, store, folders, folder,
// items and item, over the portable profile code.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <span>
#include <string>

#include "collection.h"
#include "dispatch.h"
#include "dispids.h"
#include "localstore.h"
#include "profile.h"

namespace localstore::com {

// Creates the session, the one class clients create (by CLSID or ProgID).
HRESULT CreateSession(IUnknown* outer, REFIID iid, void** object);

class FolderObject;

class SessionObject final : public Automation<SessionObject> {
 public:
  inline static const IID& kInterface = DIID_ILocalSession;
  static std::span<const Member<SessionObject>> Members();
  ~SessionObject() override;

  void Logon(Call& call);
  void Logoff(Call& call);
  void LoggedOn(Call& call);
  void GetDefaultFolder(Call& call);
  void PickFolder(Call& call);
  void Stores(Call& call);
  void GetStoreFromID(Call& call);
  void GetFolderFromID(Call& call);
  void ProfilePath(Call& call);

 private:
  const std::shared_ptr<localstore::Profile>& LoggedOnProfile();
  std::shared_ptr<localstore::Profile> profile_;
};

class StoresObject final : public Collection<StoresObject> {
 public:
  inline static const IID& kInterface = DIID_ILocalStores;
  static constexpr bool kNamed = true;
  static std::span<const Member<StoresObject>> Members();
  explicit StoresObject(std::shared_ptr<localstore::Profile> profile) : profile_(std::move(profile)) {}

  std::size_t Size();
  ComPtr<IDispatch> At(long position);
  ComPtr<IDispatch> Named(std::u16string_view name);
  Walk Snapshot();
  void GetStoreFromID(Call& call);
  void DefaultStore(Call& call);
  void AddPSTStore(Call& call);

 private:
  std::shared_ptr<localstore::Profile> profile_;
};

class StoreObject final : public Automation<StoreObject> {
 public:
  inline static const IID& kInterface = DIID_ILocalStore;
  static std::span<const Member<StoreObject>> Members();
  StoreObject(std::shared_ptr<localstore::Profile> profile, StoreInfo store)
      : profile_(std::move(profile)), store_(std::move(store)) {}

  void Name(Call& call);
  void StoreID(Call& call);
  void PstPath(Call& call);
  void IPMRootFolder(Call& call);
  void GetFolderFromID(Call& call);
  void GetDefaultFolder(Call& call);

 private:
  std::shared_ptr<localstore::Profile> profile_;
  StoreInfo store_;
};

class FoldersObject final : public Collection<FoldersObject> {
 public:
  inline static const IID& kInterface = DIID_ILocalFolders;
  static constexpr bool kNamed = true;
  static std::span<const Member<FoldersObject>> Members();
  FoldersObject(std::shared_ptr<localstore::Profile> profile, std::string store_id, std::string folder_id)
      : profile_(std::move(profile)), store_id_(std::move(store_id)), folder_id_(std::move(folder_id)) {}

  std::size_t Size();
  ComPtr<IDispatch> At(long position);
  ComPtr<IDispatch> Named(std::u16string_view name);
  Walk Snapshot();
  void Add(Call& call);

 private:
  std::shared_ptr<localstore::Profile> profile_;
  std::string store_id_, folder_id_;
};

class FolderObject final : public Automation<FolderObject> {
 public:
  inline static const IID& kInterface = DIID_ILocalFolder;
  static std::span<const Member<FolderObject>> Members();
  FolderObject(std::shared_ptr<localstore::Profile> profile, const StoreInfo& store, FolderInfo folder)
      : profile_(std::move(profile)), store_id_(store.id), path_(store.FolderPath(folder)),
        folder_(std::move(folder)) {}

  void Name(Call& call);
  void DefaultMessageClass(Call& call);
  void FolderPath(Call& call);
  void StoreID(Call& call);
  void EntryID(Call& call);
  void Items(Call& call);
  void Folders(Call& call);

  const std::string& store_id() const { return store_id_; }
  const FolderInfo& folder() const { return folder_; }

 private:
  std::shared_ptr<localstore::Profile> profile_;
  std::string store_id_;
  std::u16string path_;
  FolderInfo folder_;
};

class ItemsObject final : public Collection<ItemsObject> {
 public:
  inline static const IID& kInterface = DIID_ILocalItems;
  static constexpr bool kNamed = false;  // items are found by position only
  static std::span<const Member<ItemsObject>> Members();
  ItemsObject(std::shared_ptr<FolderItems> items, std::string folder_id, std::u16string folder_class)
      : items_(std::move(items)), folder_id_(std::move(folder_id)), folder_class_(std::move(folder_class)) {}

  std::size_t Size();
  ComPtr<IDispatch> At(long position);
  Walk Snapshot();
  void Add(Call& call);

 private:
  std::shared_ptr<FolderItems> items_;
  std::string folder_id_;
  std::u16string folder_class_;
};

class ItemObject final : public Automation<ItemObject> {
 public:
  inline static const IID& kInterface = DIID_ILocalItem;
  static std::span<const Member<ItemObject>> Members();
  ItemObject(std::shared_ptr<FolderItems> items, std::string folder_id, std::string item_id,
             localstore::Item item)
      : items_(std::move(items)), folder_id_(std::move(folder_id)), item_id_(std::move(item_id)),
        item_(std::move(item)) {}

  void GetText(Call& call);
  void PutText(Call& call);
  // Birthday and Anniversary, by the member called.
  void GetDate(Call& call);
  void PutDate(Call& call);
  void MessageClass(Call& call);
  void EntryID(Call& call);
  void Save(Call& call);
  void SaveAs(Call& call);
  void Delete(Call& call);
  // The picture (picture_objects.cpp).
  void AddPicture(Call& call);
  void HasPicture(Call& call);
  void RemovePicture(Call& call);
  void Attachments(Call& call);

 private:
  void CheckNotDeleted() const;
  std::optional<double>& DateOf(const Call& call);
  std::shared_ptr<FolderItems> items_;
  std::string folder_id_;
  std::string item_id_;  // empty until the first save
  localstore::Item item_;
  bool deleted_ = false;
};

// A folder object for a folder of a store.
ComPtr<IDispatch> NewFolder(const std::shared_ptr<Profile>& profile, const StoreInfo& store,
                            const FolderInfo& folder);

// Shared by the objects' files (objects.cpp).
[[noreturn]] void Fail(Code code, const std::string& text);
std::u16string U16(const std::wstring& wide);
// A message class argument: omitted, `fallback`; text, a message class
// (starting with "IPM"); a number, the class `kind` gives for it, where an
// empty one means the number names no kind of `what` ("item type 9 does not
// exist").
std::u16string ClassArgument(const Call& call, UINT i, const std::u16string& fallback,
                             std::u16string_view (*kind)(long), const char* what);

}  // namespace localstore::com
