// An in-memory contact store for the window logic's tests: a profile of
// stores, folders and items that the fake session serves, a log of every
// call, a hook that can make any call fail, and a scripted folder picker.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store.h"

namespace fakes {

using pindrel::store::Date;

struct FakeItem {
  std::wstring entry_id;
  std::wstring message_class;
  std::map<std::wstring, std::wstring, std::less<>> text;
  std::optional<Date> birthday;
  std::optional<Date> anniversary = std::nullopt;  // defaulted: initialisers ending at birthday fit
  // The contact's picture (its ContactPicture.jpg; none when empty): the
  // bytes of the picture file AddPicture read, and that file's path.
  std::string picture = {};
  std::wstring picture_file = {};
};

struct FakeFolder {
  std::wstring entry_id;
  std::wstring store_id;
  std::wstring name;
  std::wstring message_class;
  std::wstring path;
  std::vector<std::shared_ptr<FakeItem>> items;  // by position, from 1
};

struct FakeStore {
  std::wstring store_id;
  std::wstring name;
  std::wstring pst_path;
  std::vector<std::shared_ptr<FakeFolder>> folders;
};

class FakeProfile {
 public:
  // A profile with one store, "Personal Folders", holding Contacts (the
  // default contacts folder), Inbox and Calendar.
  FakeProfile();

  FakeStore& AddStore(const std::wstring& name, const std::wstring& pst_path);
  FakeFolder& AddFolder(FakeStore& store, const std::wstring& name, const std::wstring& message_class);
  FakeItem& AddItem(FakeFolder& folder, const std::wstring& message_class,
                    std::map<std::wstring, std::wstring, std::less<>> text = {});
  FakeFolder* FindFolder(std::wstring_view entry_id);

  FakeStore& personal() { return *stores.front(); }
  FakeFolder& contacts() { return *default_contacts; }
  FakeFolder& inbox() { return *FindFolderNamed(L"Inbox"); }
  FakeFolder& calendar() { return *FindFolderNamed(L"Calendar"); }
  FakeFolder* FindFolderNamed(std::wstring_view name);

  // A new session over this profile, as the program's factory gives one.
  pindrel::store::SessionFactory Factory();

  // Makes the named call fail with `code` (every time, or only the n-th
  // time counting from 1).
  void FailOn(std::string call, std::int32_t code, int nth = 0);

  struct PickRequest {
    std::wstring preselected;  // entry identifier
    std::wstring caption;
    std::optional<std::int16_t> fourth;
    std::int32_t fifth;
  };

  std::vector<std::shared_ptr<FakeStore>> stores;
  std::shared_ptr<FakeFolder> default_contacts;
  // No store library: creating a session fails as an unregistered ProgID.
  bool library_missing = false;
  // Runs before every call, named like "Logon", "Items.Add",
  // "Item.SetText FirstName"; may throw StoreError or change the profile.
  std::function<void(const std::string& call)> before_call;
  // The user's answer in the picker: the entry identifier of the folder
  // chosen, or none to cancel. Unset: cancel.
  std::function<std::optional<std::wstring>(const PickRequest&)> pick;
  // Each SaveAs: the path and the item's identifier. With `save_as_writes`
  // the fake also writes a small file there (empty when false).
  std::vector<std::pair<std::wstring, std::wstring>> saved_as;
  // Every call in order, and the number of sessions created.
  std::vector<std::string> calls;
  int sessions = 0;
  int next_id = 1;

  // Calls `before_call` and the failures of FailOn; logs the call.
  void Call(const std::string& call);

 private:
  std::map<std::string, std::pair<std::int32_t, int>> failures_;
  std::map<std::string, int> counts_;
};

}  // namespace fakes
