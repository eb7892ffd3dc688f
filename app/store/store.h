// The contact store as the program's windows see it: a session on the
// user's mail profile, its stores, folders and items. The program reaches the
// real store library late-bound (store_dispatch.h); tests give the windows an
// in-memory store. Every member may fail with StoreError.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace pindrel::store {

// A failure reported by the store library: its code (an HRESULT) and the
// text it gave, which may be empty.
class StoreError : public std::runtime_error {
 public:
  StoreError(std::int32_t code, std::wstring description);
  std::int32_t code() const { return code_; }
  const std::wstring& description() const { return description_; }
  // For a list of what failed: the store's own text where it gave one,
  // else its code.
  std::wstring reason() const;

 private:
  std::int32_t code_;
  std::wstring description_;
};

// Codes callers tell apart.
inline constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x8004010F);        // unknown identifier
inline constexpr std::int32_t kLogonFailed = static_cast<std::int32_t>(0x80040111);
inline constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x800401F3);  // no such ProgID

// Default folder kinds, item kinds and save-as types of the store library.
inline constexpr std::int32_t kContactsFolderKind = 10;
inline constexpr std::int16_t kSaveAsVCard = 6;

// Message classes that mark contacts folders and distribution lists. The
// store's texts are compared exactly, case included.
inline constexpr std::wstring_view kContactClass = L"IPM.Contact";
inline constexpr std::wstring_view kDistListClass = L"IPM.DistList";

// The attachment a contact's picture is kept in, as the mail client keeps
// it (a JPEG); compared without regard to case, as Windows file names are.
inline constexpr std::wstring_view kContactPictureName = L"ContactPicture.jpg";

// A calendar date, as the store keeps a contact's birthday and anniversary.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
  friend bool operator==(const Date&, const Date&) = default;
};
// Whether the date is a day of the Gregorian calendar the store can keep
// (the years 100 to 9999, as VT_DATE spans them).
bool IsCalendarDate(const Date& date);

// Contact properties by their names in the store library, one per row of
// the contact schema (contact_properties.h). Text unless the schema says
// date (Birthday, Anniversary).
namespace property {
#define CONTACT_TEXT(member, ...) inline constexpr std::wstring_view member = L"" #member;
#define CONTACT_DATE CONTACT_TEXT
#define ITEM_DEFAULT_TEXT(member, tag)
#include "contact_properties.h"
#undef CONTACT_TEXT
#undef CONTACT_DATE
#undef ITEM_DEFAULT_TEXT
}  // namespace property

class Item {
 public:
  virtual ~Item() = default;
  virtual std::wstring MessageClass() = 0;
  virtual std::wstring EntryID() = 0;
  virtual std::wstring Text(std::wstring_view property) = 0;
  virtual void SetText(std::wstring_view property, const std::wstring& value) = 0;
  // No value when the item has no date there.
  virtual std::optional<Date> GetDate(std::wstring_view property) = 0;
  // Passed as a date, never as text: text would be read in the user's
  // regional format, so 02/03/1980 would mean two different days.
  virtual void SetDate(std::wstring_view property, const Date& value) = 0;
  // Gives the contact the picture in the file at `path` (JPEG, PNG, GIF or
  // BMP), replacing one it has. The store reads the file at once.
  virtual void AddPicture(const std::wstring& path) = 0;
  // Stores the item in its folder.
  virtual void Save() = 0;
  // Writes the item to a file of the given type (kSaveAsVCard).
  virtual void SaveAs(const std::wstring& path, std::int16_t type) = 0;
  // The contact's picture: the bytes of its attachment kContactPictureName.
  // None when it has none, and when the store library keeps no attachments
  // at all (it does not know the member).
  virtual std::optional<std::string> Picture() = 0;
};

// A folder's items, by 1-based position in the folder.
class Items {
 public:
  virtual ~Items() = default;
  virtual std::int32_t Count() = 0;
  virtual std::unique_ptr<Item> GetItem(std::int32_t position) = 0;
  // A new, unsaved item of the folder's kind.
  virtual std::unique_ptr<Item> Add() = 0;
};

class Folder {
 public:
  virtual ~Folder() = default;
  virtual std::wstring DefaultMessageClass() = 0;
  virtual std::wstring Name() = 0;
  // The folder's place in the profile, such as \\Personal Folders\Contacts.
  virtual std::wstring FolderPath() = 0;
  virtual std::wstring StoreID() = 0;
  virtual std::wstring EntryID() = 0;
  // Fetched anew at every call, as the store library hands it out.
  virtual std::unique_ptr<Items> GetItems() = 0;
};

class Store {
 public:
  virtual ~Store() = default;
  // The file behind the store; only stores kept in a file have one.
  virtual std::wstring PstPath() = 0;
  virtual std::unique_ptr<Folder> GetFolderFromID(const std::wstring& entry_id) = 0;
};

class Stores {
 public:
  virtual ~Stores() = default;
  virtual std::unique_ptr<Store> GetStoreFromID(const std::wstring& store_id) = 0;
};

class Session {
 public:
  virtual ~Session() = default;
  // Logs on to the user's profile, every optional argument omitted.
  virtual void Logon() = 0;
  virtual void Logoff() = 0;
  virtual std::unique_ptr<Folder> GetDefaultFolder(std::int32_t kind) = 0;
  // The store library's folder picker: starts at `preselected`, shows
  // `caption`; the third argument is always omitted, the fourth when empty.
  // Null when the user cancels.
  virtual std::unique_ptr<Folder> PickFolder(const Folder& preselected, const std::wstring& caption,
                                             std::optional<std::int16_t> fourth, std::int32_t fifth) = 0;
  virtual std::unique_ptr<Stores> GetStores() = 0;
  virtual std::unique_ptr<Store> GetStoreFromID(const std::wstring& store_id) = 0;
};

// Creates a new session of the store library; throws StoreError when the
// library is missing.
using SessionFactory = std::function<std::unique_ptr<Session>()>;

}  // namespace pindrel::store
