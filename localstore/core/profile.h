// A profile on disk: its stores, their folders and the items of each folder.
//
//   PROFILE/profile.lock               lock guarding profile.dat and every store.dat
//   PROFILE/profile.dat                the stores, default store first
//   PROFILE/stores/SID/store.dat       a store: name, folder tree, default folders
//   PROFILE/stores/SID/FID/lock        lock of one folder's items; holds the data file's generation
//   PROFILE/stores/SID/FID/data.GEN    the folder's items, one append-only file (folder_items.h)
//
// Every name on disk is made of identifiers (hexadecimal) and fixed words,
// never of what a user typed, so no folder or contact name can reach outside
// the profile or clash with the file system's rules.
//
// Durability: metadata is written to a new file, flushed to the disk and put
// in place with one rename; an item is saved with one append, which the
// system holds as soon as the save returns, and data files are flushed to
// the disk at Logoff and when the session ends. A process killed at any
// instant therefore leaves every item whose save returned readable, and a
// power cut leaves a profile that opens. Files carry checksums, so a damaged
// one is reported, never read as data. Processes sharing a profile take the
// locks above (shared to read metadata, exclusive to change it or to append).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "failure.h"
#include "files.h"
#include "identifiers.h"
#include "folder_items.h"
#include "item.h"

namespace localstore {

// Default folder kinds the profile knows.
inline constexpr int kFolderInbox = 6;
inline constexpr int kFolderCalendar = 9;
inline constexpr int kFolderContacts = 10;

struct FolderInfo {
  std::string id;      // 32 hexadecimal digits
  std::string parent;  // empty for the store's root folder
  std::u16string name;
  std::u16string message_class;
};

struct StoreInfo {
  std::string id;  // 32 hexadecimal digits
  std::u16string name;
  std::string root;  // the root folder's identifier
  std::vector<FolderInfo> folders;              // root first, then in creation order
  std::vector<std::pair<int, std::string>> defaults;  // folder kind, folder identifier

  const FolderInfo* Find(std::string_view folder_id) const;  // either case of hex digits
  std::vector<const FolderInfo*> Children(std::string_view folder_id) const;
  // "\\Store\Folder\Subfolder"; the root folder is "\\Store".
  std::u16string FolderPath(const FolderInfo& folder) const;
};

class Profile {
 public:
  explicit Profile(Path directory);
  // LOCALSTORE_PROFILE when set, otherwise a folder under the user's local
  // application data.
  static Path DirectoryFromEnvironment();
  const Path& directory() const { return directory_; }

  // Creates the profile's folder, and the store "Personal Folders" with
  // Contacts, Inbox and Calendar when the profile has no store yet.
  void Logon();

  std::vector<StoreInfo> Stores();  // default store first
  StoreInfo Store(std::string_view store_id);
  StoreInfo DefaultStore();
  StoreInfo AddStore(std::u16string_view name);
  FolderInfo AddFolder(std::string_view store_id, std::string_view parent_id,
                       std::u16string_view name, std::u16string_view message_class);
  // The store's file (its metadata), as its path is reported.
  Path StoreFile(std::string_view store_id) const;

  // The items of a folder, shared by everything that uses the folder in
  // this session.
  std::shared_ptr<FolderItems> Items(std::string_view store_id, std::string_view folder_id);
  // Puts every folder's items written in this session on the disk.
  void Flush();

 private:
  class Hold;
  std::vector<std::string> ReadStoreIds();
  StoreInfo ReadStore(std::string_view store_id);
  void WriteStoreIds(const std::vector<std::string>& ids);
  void WriteStore(const StoreInfo& store);
  StoreInfo CreateStore(std::u16string_view name, bool with_default_folders);
  void OpenLock();

  Path directory_;
  std::shared_ptr<IdSource> ids_;
  File lock_;
  std::map<std::string, std::shared_ptr<FolderItems>, std::less<>> items_;
};


}  // namespace localstore
