#include "vcard_reader_com.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "com_util.h"
#include "tessary.h"

namespace pindrel {

namespace {

using comsupport::Bstr;
using comsupport::ComPtr;

std::runtime_error Failure(const char* what, HRESULT hr) {
  char text[96];
  std::snprintf(text, sizeof text, "%s (error 0x%08lX)", what, static_cast<unsigned long>(hr));
  return std::runtime_error(text);
}

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw Failure(what, hr);
}

using Getter = HRESULT (STDMETHODCALLTYPE IVCardStream::*)(BSTR*);

Getter GetterOf(VCardField field) {
  switch (field) {
    case VCardField::Name: return &IVCardStream::get_Name;
    case VCardField::FullName: return &IVCardStream::get_FullName;
    case VCardField::NickName: return &IVCardStream::get_NickName;
    case VCardField::Title: return &IVCardStream::get_Title;
    case VCardField::Org: return &IVCardStream::get_Org;
    case VCardField::WorkTelephoneVoice: return &IVCardStream::get_WorkTelephoneVoice;
    case VCardField::WorkTelephoneFax: return &IVCardStream::get_WorkTelephoneFax;
    case VCardField::HomeTelephoneVoice: return &IVCardStream::get_HomeTelephoneVoice;
    case VCardField::HomeTelephoneFax: return &IVCardStream::get_HomeTelephoneFax;
    case VCardField::TelephoneCellVoice: return &IVCardStream::get_TelephoneCellVoice;
    case VCardField::TelephonePagerVoice: return &IVCardStream::get_TelephonePagerVoice;
    case VCardField::Work_Address: return &IVCardStream::get_Work_Address;
    case VCardField::HomeAddress: return &IVCardStream::get_HomeAddress;
    case VCardField::EmailPrefInternet: return &IVCardStream::get_EmailPrefInternet;
    case VCardField::WorkUrl: return &IVCardStream::get_WorkUrl;
    case VCardField::Role: return &IVCardStream::get_Role;
    case VCardField::Note: return &IVCardStream::get_Note;
    case VCardField::BirthDay: return &IVCardStream::get_BirthDay;
  }
  throw std::invalid_argument("unknown vCard field");
}

// Adds the types of the list the reader hands out, joined by "," (no type
// holds one), to `types`.
void AddJoinedTypes(std::wstring_view joined, std::vector<std::wstring>& types) {
  for (std::size_t at = 0; at <= joined.size();) {
    std::size_t comma = joined.find(L',', at);
    if (comma == std::wstring_view::npos) comma = joined.size();
    if (comma > at) types.emplace_back(joined.substr(at, comma - at));
    at = comma + 1;
  }
}

class ComVCardReader final : public VCardReader {
 public:
  explicit ComVCardReader(ComPtr<IVCardStream> stream) : stream_(std::move(stream)) {
    // A reader registered before the decoded reading existed answers only
    // IVCardStream; the import then reads as it always did.
    if (FAILED(stream_.As(&decoded_))) decoded_.Reset();
    // One before binary values answers no IVCardStream3: its cards have
    // none.
    if (FAILED(stream_.As(&binaries_))) binaries_.Reset();
  }
  ~ComVCardReader() override = default;  // releases the object

  void Open(const std::wstring& path) override {
    Bstr file = Path(path);
    Opened(path, stream_->Open(file.Get()));
  }
  bool SupportsDecoded() const override { return decoded_ != nullptr; }
  void OpenDecoded(const std::wstring& path) override {
    if (!decoded_) throw std::logic_error("no decoded reading");
    Bstr file = Path(path);
    Opened(path, decoded_->OpenDecoded(file.Get()));
  }
  void CurrentCard(DecodedCard& out) override {
    if (!decoded_) throw std::logic_error("no decoded reading");
    long count = 0;
    Check(decoded_->get_PropertyCount(&count), "the card could not be read");
    out.resize(static_cast<std::size_t>(count < 0 ? 0 : count));
    // Each text goes into the string the card before left in its place.
    for (long i = 1; i <= count; ++i) {
      DecodedProperty& p = out[static_cast<std::size_t>(i - 1)];
      Text(&IVCardStream2::get_PropertyName, i, p.name);
      Text(&IVCardStream2::get_PropertyGroup, i, p.group);
      Text(&IVCardStream2::get_PropertyValue, i, p.value);
      p.types.clear();
      AddJoinedTypes(Text(&IVCardStream2::get_PropertyTypes, i).View(), p.types);
      long components = 0;
      Check(decoded_->get_PropertyComponentCount(i, &components), "the card could not be read");
      p.components.resize(static_cast<std::size_t>(components < 1 ? 1 : components));
      // A value of one component is that component: the split finds no
      // semicolon to split at and decodes the one part as the whole.
      if (components <= 1) {
        p.components[0].assign(p.value);
        continue;
      }
      for (long c = 1; c <= components; ++c) {
        Bstr component;
        Check(decoded_->get_PropertyComponent(i, c, component.Receive()), "the card could not be read");
        p.components[static_cast<std::size_t>(c - 1)].assign(component.View());
      }
    }
  }
  void CurrentBinaries(std::vector<DecodedBinary>& out) override {
    out.clear();
    if (!binaries_) return;
    long count = 0;
    Check(binaries_->get_BinaryCount(&count), "the card's pictures could not be read");
    for (long i = 1; i <= count; ++i) {
      DecodedBinary& b = out.emplace_back();
      b.name.assign(Binary(&IVCardStream3::get_BinaryName, i).View());
      AddJoinedTypes(Binary(&IVCardStream3::get_BinaryTypes, i).View(), b.types);
      b.media_type.assign(Binary(&IVCardStream3::get_BinaryMediaType, i).View());
      b.failure.assign(Binary(&IVCardStream3::get_BinaryFailure, i).View());
      comsupport::Variant data;
      Check(binaries_->get_BinaryData(i, data.Receive()), "the card's pictures could not be read");
      const VARIANT& v = data.Get();
      if (V_VT(&v) != (VT_ARRAY | VT_UI1) || !V_ARRAY(&v)) continue;
      void* bytes = nullptr;
      if (FAILED(SafeArrayAccessData(V_ARRAY(&v), &bytes))) continue;
      b.bytes.assign(static_cast<const char*>(bytes), V_ARRAY(&v)->rgsabound[0].cElements);
      SafeArrayUnaccessData(V_ARRAY(&v));
    }
  }
  void MoveFirst() override { Check(stream_->MoveFirst(), "MoveFirst failed"); }
  std::int32_t ContactCount() override {
    long count = 0;
    Check(stream_->get_ContactCount(&count), "ContactCount failed");
    return static_cast<std::int32_t>(count);
  }
  std::wstring Field(VCardField field) override {
    Bstr value;
    Check((stream_.Get()->*GetterOf(field))(value.Receive()), "a vCard field could not be read");
    return std::wstring(value.View());
  }
  void MoveNext() override { Check(stream_->MoveNext(), "MoveNext failed"); }
  void Close() override { Check(stream_->Close(), "Close failed"); }
  std::wstring Separator() override {
    Bstr value;
    Check(stream_->get_Delimeter(value.Receive()), "Delimeter failed");
    return std::wstring(value.View());
  }

 private:
  static Bstr Path(const std::wstring& path) {
    Bstr file(path);
    if (!file.Get()) throw std::bad_alloc();
    return file;
  }

  // After either Open: a failed read (STG_E_READFAULT) keeps the contacts
  // before the fault listed; the caller imports them and names the file.
  void Opened(const std::wstring& path, HRESULT hr) {
    Check(hr, "the vCard file could not be read");
    // The reader reads a file it cannot open as one without contacts; the
    // import must tell that file apart from an empty one.
    if (ContactCount() == 0) {
      HANDLE probe = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (probe == INVALID_HANDLE_VALUE) throw Failure("the vCard file could not be opened", HRESULT_FROM_WIN32(GetLastError()));
      CloseHandle(probe);
    }
  }

  using PropertyText = HRESULT (STDMETHODCALLTYPE IVCardStream2::*)(long, BSTR*);
  Bstr Text(PropertyText getter, long index) {
    Bstr text;
    Check((decoded_.Get()->*getter)(index, text.Receive()), "the card could not be read");
    return text;
  }
  void Text(PropertyText getter, long index, std::wstring& into) { into.assign(Text(getter, index).View()); }

  using BinaryText = HRESULT (STDMETHODCALLTYPE IVCardStream3::*)(long, BSTR*);
  Bstr Binary(BinaryText getter, long index) {
    Bstr text;
    Check((binaries_.Get()->*getter)(index, text.Receive()), "the card's pictures could not be read");
    return text;
  }

  ComPtr<IVCardStream> stream_;
  ComPtr<IVCardStream2> decoded_;  // null for an older reader
  ComPtr<IVCardStream3> binaries_;  // null for a reader without binary values
};

}  // namespace

VCardReaderFactory ComVCardReaderFactory() {
  // The class object is looked up once, on the first file, and kept: a
  // lookup (CoCreateInstance reads the registry each time) costs far more
  // than reading a one-contact file, and an import opens one reader per
  // file. A class object that fails to create is let go, so the next file
  // looks it up afresh.
  auto class_object = std::make_shared<ComPtr<IClassFactory>>();
  return [class_object]() -> std::unique_ptr<VCardReader> {
    ComPtr<IVCardStream> stream;
    if (!*class_object)
      Check(CoGetClassObject(CLSID_VCardStream, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(class_object->GetAddressOf())),
            "the vCard reader (Tessary.VCardStream) could not be created");
    const HRESULT hr = (*class_object)->CreateInstance(nullptr, IID_IVCardStream,
                                                       reinterpret_cast<void**>(stream.GetAddressOf()));
    if (FAILED(hr)) class_object->Reset();
    Check(hr, "the vCard reader (Tessary.VCardStream) could not be created");
    return std::make_unique<ComVCardReader>(std::move(stream));
  };
}

}  // namespace pindrel
