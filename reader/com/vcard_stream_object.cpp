// VCardStream, the COM face of the reader core: converts strings at the
// interface and otherwise leaves every decision to tessary::VCardStream.
// Its default interface is IVCardStream3: the old members, the modern
// reading's and its binary values'; it answers IVCardStream2 and
// IVCardStream too.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "classes.h"
#include "dispatch_object.h"
#include "tessary.h"
#include "text_codec.h"
#include "vcard_stream.h"

namespace tessary::com {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A new BSTR holding `text` widened from `code_page`. An empty text gives an
// empty (not null) BSTR, as the reader always hands out a string. UTF-8 is
// widened by the codec the three deliverables share, so the reader's text
// reads as the program's and the local store's does; the ANSI code page by
// the system.
HRESULT Widen(const std::string& text, UINT code_page, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  // Most text is ASCII, which is the same in UTF-8 and every ANSI code
  // page: widened byte by byte, it needs no conversion call to measure it
  // and a second to convert it.
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    *out = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (!*out) return E_OUTOFMEMORY;
    std::copy(text.begin(), text.end(), *out);
    return S_OK;
  }
  if (code_page == CP_UTF8) {
    const std::wstring wide = textcodec::Utf8ToWide(text);
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  int size = static_cast<int>(text.size());
  int wide = size ? MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0) : 0;
  if (size && wide == 0) return HRESULT_FROM_WIN32(GetLastError());
  Bstr result;
  *result.Receive() = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
  if (!result.Get()) return E_OUTOFMEMORY;
  if (wide) MultiByteToWideChar(code_page, 0, text.data(), size, result.Get(), wide);
  *out = result.Release();
  return S_OK;
}

// `wide` in `code_page`; characters it cannot hold become its default
// character.
std::string FromWide(std::wstring_view wide, UINT code_page) {
  if (wide.empty()) return {};
  int size = static_cast<int>(wide.size());
  int bytes = WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), size, narrow.data(), bytes, nullptr, nullptr);
  return narrow;
}

// `text` in the ANSI code page.
std::string Narrow(BSTR text) {
  return FromWide(text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view(), CP_ACP);
}

// `text` from one code page to another.
std::string Recode(const std::string& text, UINT from, UINT to) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(from, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return FromWide(wide, to);
}

using tessary::DecodedBinary;
using tessary::DecodedProperty;
using tessary::OpenResult;

using Stream = DispatchObject<IVCardStream3, IVCardStream2, IVCardStream>;

class VCardStreamObject final : public Stream {
 public:
  STDMETHODIMP Open(BSTR vCardFile) override { return OpenWith(vCardFile, false); }
  STDMETHODIMP OpenDecoded(BSTR vCardFile) override { return OpenWith(vCardFile, true); }

  STDMETHODIMP GetContact(int, IDispatch** contact) override {
    if (!contact) return E_POINTER;
    *contact = nullptr;
    return S_OK;
  }

  STDMETHODIMP MoveFirst() override { return Guard([&] { stream_.MoveFirst(); }); }
  STDMETHODIMP MoveNext() override { return Guard([&] { stream_.MoveNext(); }); }
  STDMETHODIMP Close() override {
    stream_.Close();
    return S_OK;
  }

  STDMETHODIMP get_ContactCount(long* value) override {
    if (!value) return E_POINTER;
    *value = stream_.ContactCount();
    return S_OK;
  }
  STDMETHODIMP get_IsEOF(long* value) override {
    if (!value) return E_POINTER;
    *value = stream_.IsEOF() ? 1 : 0;
    return S_OK;
  }

  STDMETHODIMP get_Name(BSTR* v) override { return Get(Field::Name, v); }
  STDMETHODIMP get_FullName(BSTR* v) override { return Get(Field::FullName, v); }
  STDMETHODIMP get_Email(BSTR* v) override { return Get(Field::Email, v); }
  STDMETHODIMP put_Email(BSTR) override { return S_OK; }
  STDMETHODIMP get_Org(BSTR* v) override { return Get(Field::Org, v); }
  STDMETHODIMP put_Org(BSTR) override { return S_OK; }
  STDMETHODIMP get_Version(BSTR* v) override { return Get(Field::Version, v); }
  STDMETHODIMP get_Rev(BSTR* v) override { return Get(Field::Rev, v); }
  STDMETHODIMP get_Telephone(BSTR* v) override { return Get(Field::Telephone, v); }
  STDMETHODIMP get_Address(BSTR* v) override { return Get(Field::Address, v); }
  STDMETHODIMP get_Label(BSTR* v) override { return Get(Field::Label, v); }
  STDMETHODIMP get_Title(BSTR* v) override { return Get(Field::Title, v); }
  STDMETHODIMP get_Note(BSTR* v) override { return Get(Field::Note, v); }
  STDMETHODIMP get_URL(BSTR* v) override { return Get(Field::URL, v); }
  STDMETHODIMP get_Role(BSTR* v) override { return Get(Field::Role, v); }
  STDMETHODIMP get_NickName(BSTR* v) override { return Get(Field::NickName, v); }
  STDMETHODIMP get_BirthDay(BSTR* v) override { return Get(Field::BirthDay, v); }
  STDMETHODIMP get_Work_Address(BSTR* v) override { return Get(Field::Work_Address, v); }
  STDMETHODIMP get_HomeAddress(BSTR* v) override { return Get(Field::HomeAddress, v); }
  // There is no field of its own: the other address is the postal one.
  STDMETHODIMP get_OtherAddress(BSTR* v) override { return Get(Field::PostalAddress, v); }
  STDMETHODIMP get_PostalAddress(BSTR* v) override { return Get(Field::PostalAddress, v); }
  STDMETHODIMP get_WorkTelephoneVoice(BSTR* v) override {
    return Get(Field::WorkTelephoneVoice, v);
  }
  STDMETHODIMP get_WorkTelephoneFax(BSTR* v) override { return Get(Field::WorkTelephoneFax, v); }
  STDMETHODIMP get_HomeTelephoneFax(BSTR* v) override { return Get(Field::HomeTelephoneFax, v); }
  STDMETHODIMP get_HomeTelephoneVoice(BSTR* v) override {
    return Get(Field::HomeTelephoneVoice, v);
  }
  STDMETHODIMP get_TelephoneCellVoice(BSTR* v) override {
    return Get(Field::TelephoneCellVoice, v);
  }
  STDMETHODIMP get_TelephonePagerVoice(BSTR* v) override {
    return Get(Field::TelephonePagerVoice, v);
  }
  STDMETHODIMP get_TelephoneCarVoice(BSTR* v) override {
    return Get(Field::TelephoneCarVoice, v);
  }
  STDMETHODIMP get_TelephoneISDN(BSTR* v) override { return Get(Field::TelephoneISDN, v); }
  STDMETHODIMP get_TelephonePref(BSTR* v) override { return Get(Field::TelephonePref, v); }
  STDMETHODIMP get_TelephoneVoice(BSTR* v) override { return Get(Field::TelephoneVoice, v); }
  STDMETHODIMP get_EmailTelex(BSTR* v) override { return Get(Field::EmailTelex, v); }
  STDMETHODIMP get_EmailPrefInternet(BSTR* v) override {
    return Get(Field::EmailPrefInternet, v);
  }
  STDMETHODIMP get_HomeUrl(BSTR* v) override { return Get(Field::HomeUrl, v); }
  STDMETHODIMP get_WorkUrl(BSTR* v) override { return Get(Field::WorkUrl, v); }

  // Delimeter and LineSeparator are one member under two names. The
  // separator is kept in the ANSI code page, so it is widened from there.
  STDMETHODIMP get_Delimeter(BSTR* v) override { return Widen(stream_.Delimeter(), CP_ACP, v); }
  STDMETHODIMP put_Delimeter(BSTR separator) override { return SetSeparator(separator); }
  STDMETHODIMP get_LineSeparator(BSTR* v) override {
    return Widen(stream_.Delimeter(), CP_ACP, v);
  }
  STDMETHODIMP put_LineSeparator(BSTR separator) override { return SetSeparator(separator); }

  // The modern reading's card under the cursor, property by property.
  STDMETHODIMP get_PropertyCount(long* value) override {
    if (!value) return E_POINTER;
    *value = 0;
    if (FAILED(CardFault())) return CardFault();
    *value = static_cast<long>(stream_.CurrentCard().properties.size());
    return S_OK;
  }
  STDMETHODIMP get_PropertyName(long index, BSTR* v) override {
    return GetText(index, v, [](const DecodedProperty& p) { return &p.name; });
  }
  STDMETHODIMP get_PropertyGroup(long index, BSTR* v) override {
    return GetText(index, v, [](const DecodedProperty& p) { return &p.group; });
  }
  STDMETHODIMP get_PropertyTypes(long index, BSTR* v) override {
    return GetText(index, v, [this](const DecodedProperty& p) { return JoinedTypes(p.types); });
  }
  STDMETHODIMP get_PropertyValue(long index, BSTR* v) override {
    return GetText(index, v, [](const DecodedProperty& p) { return &p.value; });
  }
  STDMETHODIMP get_PropertyComponentCount(long index, long* value) override {
    if (!value) return E_POINTER;
    *value = 0;
    if (FAILED(CardFault())) return CardFault();
    const DecodedProperty* p = PropertyAt(index);
    if (!p) return E_INVALIDARG;
    *value = static_cast<long>(p->components.size());
    return S_OK;
  }
  STDMETHODIMP get_PropertyComponent(long index, long component, BSTR* v) override {
    return GetText(index, v, [component](const DecodedProperty& p) -> const std::string* {
      if (component < 1 || static_cast<unsigned long>(component) > p.components.size()) return nullptr;
      return &p.components[static_cast<std::size_t>(component - 1)];
    });
  }

  // The binary values of the card under the cursor, by their own index.
  STDMETHODIMP get_BinaryCount(long* value) override {
    if (!value) return E_POINTER;
    *value = static_cast<long>(stream_.CurrentCard().binaries.size());
    return S_OK;
  }
  STDMETHODIMP get_BinaryName(long index, BSTR* v) override {
    return GetBinaryText(index, v, [](const DecodedBinary& b) { return b.name; });
  }
  STDMETHODIMP get_BinaryGroup(long index, BSTR* v) override {
    return GetBinaryText(index, v, [](const DecodedBinary& b) { return b.group; });
  }
  STDMETHODIMP get_BinaryTypes(long index, BSTR* v) override {
    return GetBinaryText(index, v, [this](const DecodedBinary& b) { return *JoinedTypes(b.types); });
  }
  STDMETHODIMP get_BinaryMediaType(long index, BSTR* v) override {
    return GetBinaryText(index, v, [](const DecodedBinary& b) { return b.media_type; });
  }
  STDMETHODIMP get_BinaryFailure(long index, BSTR* v) override {
    return GetBinaryText(index, v, [](const DecodedBinary& b) { return std::string(BinaryFailureText(b.failure)); });
  }
  STDMETHODIMP get_BinarySize(long index, long* value) override {
    if (!value) return E_POINTER;
    *value = 0;
    const DecodedBinary* b = BinaryAt(index);
    if (!b) return E_INVALIDARG;
    *value = static_cast<long>(b->bytes.size());
    return S_OK;
  }
  STDMETHODIMP get_BinaryData(long index, VARIANT* value) override {
    if (!value) return E_POINTER;
    VariantInit(value);
    const DecodedBinary* b = BinaryAt(index);
    if (!b) return E_INVALIDARG;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(b->bytes.size()));
    if (!array) return E_OUTOFMEMORY;
    if (!b->bytes.empty()) {
      void* data = nullptr;
      const HRESULT hr = SafeArrayAccessData(array, &data);
      if (FAILED(hr)) {
        SafeArrayDestroy(array);
        return hr;
      }
      std::memcpy(data, b->bytes.data(), b->bytes.size());
      SafeArrayUnaccessData(array);
    }
    V_VT(value) = VT_ARRAY | VT_UI1;
    V_ARRAY(value) = array;
    return S_OK;
  }

 private:
  const std::string* JoinedTypes(const std::vector<std::string>& types) {
    joined_types_.clear();
    for (const std::string& type : types) {
      if (!joined_types_.empty()) joined_types_ += ',';
      joined_types_ += type;
    }
    return &joined_types_;
  }

  const DecodedBinary* BinaryAt(long index) const { return At(stream_.CurrentCard().binaries, index); }

  // A text of the binary value at `index`, UTF-8 like the rest.
  template <class Text>
  HRESULT GetBinaryText(long index, BSTR* value, Text text) {
    return GetTextOf(BinaryAt(index), value, [&](const DecodedBinary& b) {
      std::string t = text(b);
      return std::optional<std::string>(std::move(t));
    });
  }

  // Open and OpenDecoded alike.
  HRESULT OpenWith(BSTR vCardFile, bool decoded) {
    // The wide path reaches the file system as it is, so names outside the
    // ANSI code page open too. The core expects binary mode and folds CR LF
    // itself. A file that cannot be opened reads as no contacts.
    FilePtr file;
    if (vCardFile && *vCardFile) file.reset(_wfopen(vCardFile, L"rb"));
    switch (decoded ? stream_.OpenDecoded(file.get()) : stream_.Open(file.get())) {
      case OpenResult::Read:
      case OpenResult::NotOpened:
        return S_OK;
      // A read that failed part-way must not pass for a shorter file: the
      // contacts before the failure stay readable, but the caller is told.
      case OpenResult::ReadError:
        return STG_E_READFAULT;
      case OpenResult::OutOfMemory:
        return E_OUTOFMEMORY;
    }
    return E_UNEXPECTED;
  }

  // After OpenDecoded, a card the cursor is on but that was not decoded:
  // one too large to be a contact, or one whose bytes could not be read
  // again. Every member reading the card says so, so that a client can
  // name the card and go on to the next.
  HRESULT CardFault() const {
    switch (stream_.CurrentCardError()) {
      case tessary::CardError::None: return S_OK;
      case tessary::CardError::TooLarge: return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
      case tessary::CardError::ReadFailed: return STG_E_READFAULT;
    }
    return E_UNEXPECTED;
  }

  // The item at a 1-based index of one of the current card's lists, or
  // null.
  template <class T>
  static const T* At(const std::vector<T>& list, long index) {
    if (index < 1 || static_cast<unsigned long>(index) > list.size()) return nullptr;
    return &list[static_cast<std::size_t>(index - 1)];
  }
  const DecodedProperty* PropertyAt(long index) const { return At(stream_.CurrentCard().properties, index); }

  // A text of `item` (a property or a binary value of the current card, or
  // null for an index out of range), which is UTF-8 like all the modern
  // reading's text; `text` gives nothing for a part out of range.
  template <class Item, class Text>
  HRESULT GetTextOf(const Item* item, BSTR* value, Text text) {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (FAILED(CardFault())) return CardFault();
    if (!item) return E_INVALIDARG;
    return Guarded([&]() -> HRESULT {
      const auto utf8 = text(*item);
      return utf8 ? Widen(*utf8, CP_UTF8, value) : E_INVALIDARG;
    });
  }
  template <class Text>
  HRESULT GetText(long index, BSTR* value, Text text) {
    return GetTextOf(PropertyAt(index), value, text);
  }

  // Field values are the file's bytes: UTF-8 when the file they came from
  // was UTF-8, the ANSI code page otherwise. After the modern reading, the
  // first one asked for fills them all, which may run out of memory.
  HRESULT Get(Field field, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (FAILED(CardFault())) return CardFault();
    return Guarded([&] {
      return Widen(stream_.Current(field), stream_.CurrentIsUtf8() ? CP_UTF8 : CP_ACP, value);
    });
  }

  // What `call` returns, or E_OUTOFMEMORY when it runs out of memory.
  template <class Call>
  static HRESULT Guarded(Call call) {
    HRESULT result = S_OK;
    const HRESULT guarded = Guard([&] { result = call(); });
    return FAILED(guarded) ? guarded : result;
  }

  // The separator is kept in the ANSI code page, as the ANSI code page kept
  // it. The values of a UTF-8 file are widened as UTF-8, so they are joined
  // with the same text in UTF-8: joined as it is, a separator outside ASCII
  // would read back as replacement characters.
  HRESULT SetSeparator(BSTR separator) {
    return Guard([&] {
      std::string ansi = Narrow(separator);
      std::string utf8 = Recode(ansi, CP_ACP, CP_UTF8);
      stream_.SetDelimeter(ansi, utf8);
    });
  }

  // Moves copy strings; running out of memory is reported, not thrown
  // across the interface.
  template <class Action>
  static HRESULT Guard(Action action) {
    try {
      action();
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  tessary::VCardStream stream_;
  std::string joined_types_;  // PropertyTypes' text, its storage kept
};

}  // namespace

HRESULT CreateVCardStream(IUnknown* outer, REFIID iid, void** object) {
  return Stream::Create<VCardStreamObject>(outer, iid, object);
}

}  // namespace tessary::com
