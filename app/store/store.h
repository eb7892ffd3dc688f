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

// Contact properties by their names in the store library. Text unless noted.
namespace property {
inline constexpr std::wstring_view FirstName = L"FirstName";
inline constexpr std::wstring_view MiddleName = L"MiddleName";
inline constexpr std::wstring_view LastName = L"LastName";
inline constexpr std::wstring_view Title = L"Title";
inline constexpr std::wstring_view Suffix = L"Suffix";
inline constexpr std::wstring_view FullName = L"FullName";
inline constexpr std::wstring_view NickName = L"NickName";
inline constexpr std::wstring_view JobTitle = L"JobTitle";
inline constexpr std::wstring_view CompanyName = L"CompanyName";
inline constexpr std::wstring_view Department = L"Department";
inline constexpr std::wstring_view BusinessTelephoneNumber = L"BusinessTelephoneNumber";
inline constexpr std::wstring_view BusinessFaxNumber = L"BusinessFaxNumber";
inline constexpr std::wstring_view HomeTelephoneNumber = L"HomeTelephoneNumber";
inline constexpr std::wstring_view HomeFaxNumber = L"HomeFaxNumber";
inline constexpr std::wstring_view MobileTelephoneNumber = L"MobileTelephoneNumber";
inline constexpr std::wstring_view PagerNumber = L"PagerNumber";
inline constexpr std::wstring_view BusinessAddressStreet = L"BusinessAddressStreet";
inline constexpr std::wstring_view BusinessAddressCity = L"BusinessAddressCity";
inline constexpr std::wstring_view BusinessAddressState = L"BusinessAddressState";
inline constexpr std::wstring_view BusinessAddressPostalCode = L"BusinessAddressPostalCode";
inline constexpr std::wstring_view BusinessAddressCountry = L"BusinessAddressCountry";
inline constexpr std::wstring_view OfficeLocation = L"OfficeLocation";
inline constexpr std::wstring_view HomeAddressStreet = L"HomeAddressStreet";
inline constexpr std::wstring_view HomeAddressCity = L"HomeAddressCity";
inline constexpr std::wstring_view HomeAddressState = L"HomeAddressState";
inline constexpr std::wstring_view HomeAddressPostalCode = L"HomeAddressPostalCode";
inline constexpr std::wstring_view HomeAddressCountry = L"HomeAddressCountry";
inline constexpr std::wstring_view Email1Address = L"Email1Address";
inline constexpr std::wstring_view WebPage = L"WebPage";
inline constexpr std::wstring_view Profession = L"Profession";
inline constexpr std::wstring_view Body = L"Body";
inline constexpr std::wstring_view FileAs = L"FileAs";
inline constexpr std::wstring_view Birthday = L"Birthday";  // a date
// The contact's further properties, where a vCard's values have a home
// beyond the ones above.
inline constexpr std::wstring_view Business2TelephoneNumber = L"Business2TelephoneNumber";
inline constexpr std::wstring_view Home2TelephoneNumber = L"Home2TelephoneNumber";
inline constexpr std::wstring_view OtherTelephoneNumber = L"OtherTelephoneNumber";
inline constexpr std::wstring_view PrimaryTelephoneNumber = L"PrimaryTelephoneNumber";
inline constexpr std::wstring_view CarTelephoneNumber = L"CarTelephoneNumber";
inline constexpr std::wstring_view ISDNNumber = L"ISDNNumber";
inline constexpr std::wstring_view AssistantTelephoneNumber = L"AssistantTelephoneNumber";
inline constexpr std::wstring_view CallbackTelephoneNumber = L"CallbackTelephoneNumber";
inline constexpr std::wstring_view CompanyMainTelephoneNumber = L"CompanyMainTelephoneNumber";
inline constexpr std::wstring_view RadioTelephoneNumber = L"RadioTelephoneNumber";
inline constexpr std::wstring_view TelexNumber = L"TelexNumber";
inline constexpr std::wstring_view TTYTDDTelephoneNumber = L"TTYTDDTelephoneNumber";
inline constexpr std::wstring_view OtherFaxNumber = L"OtherFaxNumber";
inline constexpr std::wstring_view Email2Address = L"Email2Address";
inline constexpr std::wstring_view Email3Address = L"Email3Address";
inline constexpr std::wstring_view OtherAddressStreet = L"OtherAddressStreet";
inline constexpr std::wstring_view OtherAddressCity = L"OtherAddressCity";
inline constexpr std::wstring_view OtherAddressState = L"OtherAddressState";
inline constexpr std::wstring_view OtherAddressPostalCode = L"OtherAddressPostalCode";
inline constexpr std::wstring_view OtherAddressCountry = L"OtherAddressCountry";
inline constexpr std::wstring_view BusinessAddressPostOfficeBox = L"BusinessAddressPostOfficeBox";
inline constexpr std::wstring_view HomeAddressPostOfficeBox = L"HomeAddressPostOfficeBox";
inline constexpr std::wstring_view OtherAddressPostOfficeBox = L"OtherAddressPostOfficeBox";
inline constexpr std::wstring_view BusinessHomePage = L"BusinessHomePage";
inline constexpr std::wstring_view PersonalHomePage = L"PersonalHomePage";
inline constexpr std::wstring_view Categories = L"Categories";  // items separated by ", "
inline constexpr std::wstring_view Anniversary = L"Anniversary";  // a date, like Birthday
inline constexpr std::wstring_view Spouse = L"Spouse";
inline constexpr std::wstring_view Children = L"Children";
inline constexpr std::wstring_view ManagerName = L"ManagerName";
inline constexpr std::wstring_view AssistantName = L"AssistantName";
inline constexpr std::wstring_view IMAddress = L"IMAddress";
inline constexpr std::wstring_view Initials = L"Initials";
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
  // Stores the item in its folder.
  virtual void Save() = 0;
  // Writes the item to a file of the given type (kSaveAsVCard).
  virtual void SaveAs(const std::wstring& path, std::int16_t type) = 0;
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
