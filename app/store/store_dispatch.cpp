#include "store_dispatch.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "com_util.h"

namespace pindrel::store {

namespace {

using comsupport::Bstr;
using comsupport::ComPtr;
using comsupport::Variant;

// Methods go out as method-or-get, as automation clients send them, so a
// member the library made a property with arguments still answers.
constexpr WORD kMethod = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;

[[noreturn]] void Fail(HRESULT hr, std::wstring description = {}) {
  throw StoreError(static_cast<std::int32_t>(hr), std::move(description));
}

// ---- Arguments, each in the exact type the library's members declare.

Variant TextArg(std::wstring_view text) {
  Bstr bstr(text);
  if (!bstr.Get()) Fail(E_OUTOFMEMORY);
  Variant arg;
  arg.SetBstr(std::move(bstr));
  return arg;
}

Variant Int16Arg(std::int16_t value) {
  Variant arg;
  V_VT(arg.Pointer()) = VT_I2;
  V_I2(arg.Pointer()) = value;
  return arg;
}

Variant Int32Arg(std::int32_t value) {
  Variant arg;
  V_VT(arg.Pointer()) = VT_I4;
  V_I4(arg.Pointer()) = value;
  return arg;
}

// An optional argument left out, as every automation client marks one.
Variant OmittedArg() {
  Variant arg;
  V_VT(arg.Pointer()) = VT_ERROR;
  V_ERROR(arg.Pointer()) = DISP_E_PARAMNOTFOUND;
  return arg;
}

Variant ObjectArg(IDispatch* object) {
  Variant arg;
  object->AddRef();
  V_VT(arg.Pointer()) = VT_DISPATCH;
  V_DISPATCH(arg.Pointer()) = object;
  return arg;
}

// Checked here rather than left to the conversion, which may roll
// 30 February over into March: a wrong birthday stored quietly is worse than
// a contact refused with a reason.
Variant DateArg(const Date& date) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(date.year);
  time.wMonth = static_cast<WORD>(date.month);
  time.wDay = static_cast<WORD>(date.day);
  DATE value = 0;
  if (!IsCalendarDate(date) || !SystemTimeToVariantTime(&time, &value)) Fail(E_INVALIDARG);
  Variant arg;
  V_VT(arg.Pointer()) = VT_DATE;
  V_DATE(arg.Pointer()) = value;
  return arg;
}

// ---- Results.

std::wstring ToText(Variant value) {
  VARTYPE type = V_VT(&value.Get());
  if (type == VT_EMPTY || type == VT_NULL) return {};
  if (type != VT_BSTR) {
    HRESULT hr = VariantChangeType(value.Pointer(), value.Pointer(), 0, VT_BSTR);
    if (FAILED(hr)) Fail(hr);
  }
  BSTR text = V_BSTR(&value.Get());
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

std::int32_t ToInt32(Variant value) {
  HRESULT hr = VariantChangeType(value.Pointer(), value.Pointer(), 0, VT_I4);
  if (FAILED(hr)) Fail(hr);
  return V_I4(&value.Get());
}

// Null for "no object": VT_EMPTY or a null VT_DISPATCH.
ComPtr<IDispatch> ToObject(Variant value) {
  const VARIANT& v = value.Get();
  if (V_VT(&v) == VT_EMPTY) return nullptr;
  if (V_VT(&v) == VT_DISPATCH) return ComPtr<IDispatch>(V_DISPATCH(&v));
  if (V_VT(&v) == VT_UNKNOWN && V_UNKNOWN(&v)) {
    ComPtr<IDispatch> object;
    HRESULT hr = V_UNKNOWN(&v)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(hr)) Fail(hr);
    return object;
  }
  Fail(DISP_E_TYPEMISMATCH);
}

ComPtr<IDispatch> ToRequiredObject(Variant value) {
  ComPtr<IDispatch> object = ToObject(std::move(value));
  if (!object) Fail(E_POINTER);
  return object;
}

// Dates only: text would be read in the user's regional format.
std::optional<Date> ToDate(Variant value) {
  VARTYPE type = V_VT(&value.Get());
  if (type == VT_EMPTY || type == VT_NULL) return std::nullopt;
  if (type != VT_DATE) Fail(DISP_E_TYPEMISMATCH);
  SYSTEMTIME time{};
  if (!VariantTimeToSystemTime(V_DATE(&value.Get()), &time)) Fail(DISP_E_OVERFLOW);
  // The library marks "no date" with 1 January 4501.
  if (time.wYear >= 4501) return std::nullopt;
  return Date{time.wYear, time.wMonth, time.wDay};
}

// ---- Names to DISPIDs.

// The DISPIDs of one type of object, by member name. The import calls the
// same dozens of members for every contact, on new objects each time, so
// each name costs one GetIDsOfNames per type, not per object or per call.
using NameTable = std::map<std::wstring, DISPID, std::less<>>;

// Guards every NameTable and the map of them. Never held across a call into
// the library, which may call back in.
std::mutex& NameTableMutex() {
  static std::mutex mutex;
  return mutex;
}

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};

// The table shared by every object whose type information names the same
// type; an object that does not tell its type gets a table of its own.
std::shared_ptr<NameTable> NameTableFor(IDispatch* object) {
  GUID type = GUID_NULL;
  UINT count = 0;
  ComPtr<ITypeInfo> info;
  if (SUCCEEDED(object->GetTypeInfoCount(&count)) && count > 0 &&
      SUCCEEDED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.GetAddressOf())) && info) {
    TYPEATTR* attributes = nullptr;
    if (SUCCEEDED(info->GetTypeAttr(&attributes)) && attributes) {
      type = attributes->guid;
      info->ReleaseTypeAttr(attributes);
    }
  }
  // A bare IDispatch says nothing about which members lie behind it.
  if (IsEqualGUID(type, GUID_NULL) || IsEqualGUID(type, IID_IDispatch)) return std::make_shared<NameTable>();

  static std::map<GUID, std::shared_ptr<NameTable>, GuidLess> tables;
  std::lock_guard lock(NameTableMutex());
  std::shared_ptr<NameTable>& table = tables[type];
  if (!table) table = std::make_shared<NameTable>();
  return table;
}

// ---- The one way every member is called.

// The EXCEPINFO of a call; owns whatever strings the server put in it.
class ExceptionInfo {
 public:
  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    for (BSTR text : {info_.bstrSource, info_.bstrDescription, info_.bstrHelpFile}) {
      Bstr owner;
      owner.Reset(text);
    }
  }
  EXCEPINFO* Pointer() { return &info_; }

  [[noreturn]] void Throw() {
    // A server may leave the filling in until someone asks.
    if (info_.pfnDeferredFillIn) {
      auto fill_in = std::exchange(info_.pfnDeferredFillIn, nullptr);
      fill_in(&info_);
    }
    HRESULT code = info_.scode;
    // A 16-bit code maps into the range automation reserves for it.
    if (code == S_OK && info_.wCode != 0)
      code = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + std::min<unsigned>(info_.wCode, 0xFDFF));
    if (code == S_OK) code = DISP_E_EXCEPTION;
    BSTR text = info_.bstrDescription;
    Fail(code, text ? std::wstring(text, SysStringLen(text)) : std::wstring());
  }

 private:
  EXCEPINFO info_{};
};

// One object of the library.
class Object {
 public:
  explicit Object(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}
  IDispatch* Get() const { return dispatch_.Get(); }

  // Calls `member` with `args` in the member's own order.
  template <class... Args>
  Variant Call(std::wstring_view member, WORD flags, Args... args) {
    // DISPPARAMS lists the arguments last first; it borrows them from `args`.
    VARIANT reversed[sizeof...(Args) + 1];
    UINT next = sizeof...(Args);
    ((reversed[--next] = args.Get()), ...);
    return Invoke(member, flags, reversed, sizeof...(Args));
  }

 private:
  Variant Invoke(std::wstring_view member, WORD flags, VARIANT* reversed_args, UINT count) {
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed_args, nullptr, count, 0};
    if (flags == kPut) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    Variant result;
    ExceptionInfo exception;
    UINT bad_argument = 0;
    HRESULT hr = dispatch_->Invoke(IdOf(member), IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                   flags == kPut ? nullptr : result.Receive(), exception.Pointer(), &bad_argument);
    if (hr == DISP_E_EXCEPTION) exception.Throw();
    if (FAILED(hr)) Fail(hr);
    return result;
  }

  DISPID IdOf(std::wstring_view member) {
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = Lookup(member, id);
    if (FAILED(hr)) Fail(hr);
    return id;
  }

 public:
  // Whether the object's type has the member at all (asked once per type).
  bool Has(std::wstring_view member) {
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = Lookup(member, id);
    if (hr == DISP_E_UNKNOWNNAME) return false;
    if (FAILED(hr)) Fail(hr);
    return true;
  }

 private:
  // A name the type does not know is remembered too (as DISPID_UNKNOWN):
  // a type's members do not change while it runs.
  HRESULT Lookup(std::wstring_view member, DISPID& id) {
    if (!names_) names_ = NameTableFor(dispatch_.Get());
    {
      std::lock_guard lock(NameTableMutex());
      auto found = names_->find(member);
      if (found != names_->end()) {
        id = found->second;
        return id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
      }
    }
    std::wstring name(member);
    LPOLESTR names[] = {name.data()};
    id = DISPID_UNKNOWN;
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (hr == DISP_E_UNKNOWNNAME) id = DISPID_UNKNOWN;
    else if (FAILED(hr)) return hr;
    std::lock_guard lock(NameTableMutex());
    names_->emplace(std::move(name), id);
    return hr;
  }

  ComPtr<IDispatch> dispatch_;
  std::shared_ptr<NameTable> names_;
};

// ---- Files the library writes for us.

// A file of our own in the temporary directory, made empty at once (so its
// name is ours) and removed again with this object.
class TemporaryFile {
 public:
  TemporaryFile() {
    wchar_t directory[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, directory);
    if (length == 0 || length > MAX_PATH) Fail(HRESULT_FROM_WIN32(GetLastError()));
    wchar_t path[MAX_PATH];
    if (GetTempFileNameW(directory, L"pdp", 0, path) == 0) Fail(HRESULT_FROM_WIN32(GetLastError()));
    path_ = path;
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() { DeleteFileW(path_.c_str()); }
  const std::wstring& path() const { return path_; }

  std::string Read() const {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail(HRESULT_FROM_WIN32(GetLastError()));
    std::string bytes;
    char buffer[64 * 1024];
    DWORD got = 0;
    BOOL ok;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0) bytes.append(buffer, got);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!ok) Fail(HRESULT_FROM_WIN32(error));
    return bytes;
  }

 private:
  std::wstring path_;
};

bool SameNameNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
             CSTR_EQUAL;
}

// ---- The store interfaces.

class DispatchItem final : public Item {
 public:
  explicit DispatchItem(ComPtr<IDispatch> object) : object_(std::move(object)) {}
  std::wstring MessageClass() override { return ToText(object_.Call(L"MessageClass", kGet)); }
  std::wstring EntryID() override { return ToText(object_.Call(L"EntryID", kGet)); }
  std::wstring Text(std::wstring_view property) override { return ToText(object_.Call(property, kGet)); }
  void SetText(std::wstring_view property, const std::wstring& value) override {
    object_.Call(property, kPut, TextArg(value));
  }
  std::optional<Date> GetDate(std::wstring_view property) override { return ToDate(object_.Call(property, kGet)); }
  void SetDate(std::wstring_view property, const Date& value) override {
    object_.Call(property, kPut, DateArg(value));
  }
  void AddPicture(const std::wstring& path) override { object_.Call(L"AddPicture", kMethod, TextArg(path)); }
  void Save() override { object_.Call(L"Save", kMethod); }
  void SaveAs(const std::wstring& path, std::int16_t type) override {
    object_.Call(L"SaveAs", kMethod, TextArg(path), Int16Arg(type));
  }
  // The library hands out an attachment's bytes only as a file it writes.
  std::optional<std::string> Picture() override {
    // A library without attachments keeps no pictures: no picture.
    if (!object_.Has(L"Attachments")) return std::nullopt;
    Variant attachments_value;
    try {
      attachments_value = object_.Call(L"Attachments", kGet);
    } catch (const StoreError& e) {
      if (e.code() == DISP_E_MEMBERNOTFOUND) return std::nullopt;
      throw;
    }
    Object attachments(ToRequiredObject(std::move(attachments_value)));
    const std::int32_t count = ToInt32(attachments.Call(L"Count", kGet));
    for (std::int32_t i = 1; i <= count; ++i) {
      Object attachment(ToRequiredObject(attachments.Call(L"Item", kMethod, Int32Arg(i))));
      if (!SameNameNoCase(ToText(attachment.Call(L"FileName", kGet)), kContactPictureName)) continue;
      TemporaryFile file;
      attachment.Call(L"SaveAsFile", kMethod, TextArg(file.path()));
      return file.Read();
    }
    return std::nullopt;
  }

 private:
  Object object_;
};

class DispatchItems final : public Items {
 public:
  explicit DispatchItems(ComPtr<IDispatch> object) : object_(std::move(object)) {}
  std::int32_t Count() override { return ToInt32(object_.Call(L"Count", kGet)); }
  // 16-bit as the library's callers pass it, wider only where it must be.
  std::unique_ptr<Item> GetItem(std::int32_t position) override {
    bool fits = position >= INT16_MIN && position <= INT16_MAX;
    Variant index = fits ? Int16Arg(static_cast<std::int16_t>(position)) : Int32Arg(position);
    return std::make_unique<DispatchItem>(ToRequiredObject(object_.Call(L"Item", kMethod, std::move(index))));
  }
  std::unique_ptr<Item> Add() override {
    return std::make_unique<DispatchItem>(ToRequiredObject(object_.Call(L"Add", kMethod, OmittedArg())));
  }

 private:
  Object object_;
};

class DispatchFolder final : public Folder {
 public:
  explicit DispatchFolder(ComPtr<IDispatch> object) : object_(std::move(object)) {}
  IDispatch* Dispatch() const { return object_.Get(); }
  std::wstring DefaultMessageClass() override { return ToText(object_.Call(L"DefaultMessageClass", kGet)); }
  std::wstring Name() override { return ToText(object_.Call(L"Name", kGet)); }
  std::wstring FolderPath() override { return ToText(object_.Call(L"FolderPath", kGet)); }
  std::wstring StoreID() override { return ToText(object_.Call(L"StoreID", kGet)); }
  std::wstring EntryID() override { return ToText(object_.Call(L"EntryID", kGet)); }
  std::unique_ptr<Items> GetItems() override {
    return std::make_unique<DispatchItems>(ToRequiredObject(object_.Call(L"Items", kGet)));
  }

 private:
  Object object_;
};

class DispatchStore final : public Store {
 public:
  explicit DispatchStore(ComPtr<IDispatch> object) : object_(std::move(object)) {}
  std::wstring PstPath() override { return ToText(object_.Call(L"PstPath", kGet)); }
  std::unique_ptr<Folder> GetFolderFromID(const std::wstring& entry_id) override {
    return std::make_unique<DispatchFolder>(
        ToRequiredObject(object_.Call(L"GetFolderFromID", kMethod, TextArg(entry_id))));
  }

 private:
  Object object_;
};

std::unique_ptr<Store> StoreFromID(Object& owner, const std::wstring& store_id) {
  return std::make_unique<DispatchStore>(
      ToRequiredObject(owner.Call(L"GetStoreFromID", kMethod, TextArg(store_id), OmittedArg())));
}

class DispatchStores final : public Stores {
 public:
  explicit DispatchStores(ComPtr<IDispatch> object) : object_(std::move(object)) {}
  std::unique_ptr<Store> GetStoreFromID(const std::wstring& store_id) override {
    return StoreFromID(object_, store_id);
  }

 private:
  Object object_;
};

class DispatchSession final : public Session {
 public:
  explicit DispatchSession(ComPtr<IDispatch> object) : object_(std::move(object)) {}
  void Logon() override { object_.Call(L"Logon", kMethod); }
  void Logoff() override { object_.Call(L"Logoff", kMethod); }
  std::unique_ptr<Folder> GetDefaultFolder(std::int32_t kind) override {
    return std::make_unique<DispatchFolder>(
        ToRequiredObject(object_.Call(L"GetDefaultFolder", kMethod, Int32Arg(kind))));
  }
  std::unique_ptr<Folder> PickFolder(const Folder& preselected, const std::wstring& caption,
                                     std::optional<std::int16_t> fourth, std::int32_t fifth) override {
    // The library can start only at one of its own folders.
    auto* start = dynamic_cast<const DispatchFolder*>(&preselected);
    if (!start) Fail(E_INVALIDARG);
    ComPtr<IDispatch> chosen =
        ToObject(object_.Call(L"PickFolder", kMethod, ObjectArg(start->Dispatch()), TextArg(caption), OmittedArg(),
                              fourth ? Int16Arg(*fourth) : OmittedArg(), Int32Arg(fifth)));
    if (!chosen) return nullptr;  // cancelled
    return std::make_unique<DispatchFolder>(std::move(chosen));
  }
  std::unique_ptr<Stores> GetStores() override {
    return std::make_unique<DispatchStores>(ToRequiredObject(object_.Call(L"Stores", kGet)));
  }
  std::unique_ptr<Store> GetStoreFromID(const std::wstring& store_id) override {
    return StoreFromID(object_, store_id);
  }

 private:
  Object object_;
};

}  // namespace

std::unique_ptr<Session> CreateDispatchSession(std::wstring_view prog_id) {
  std::wstring name(prog_id);
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(hr)) Fail(hr);
  ComPtr<IDispatch> session;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                        reinterpret_cast<void**>(session.GetAddressOf()));
  if (FAILED(hr)) Fail(hr);
  return std::make_unique<DispatchSession>(std::move(session));
}

SessionFactory DispatchSessionFactory() {
  return [] { return CreateDispatchSession(kSessionProgID); };
}

std::unique_ptr<Session> WrapSession(IDispatch* session) {
  if (!session) Fail(E_POINTER);
  return std::make_unique<DispatchSession>(ComPtr<IDispatch>(session));
}

}  // namespace pindrel::store
