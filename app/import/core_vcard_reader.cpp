#include "core_vcard_reader.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "vcard_stream.h"

namespace pindrel {

namespace {

tessary::Field CoreField(VCardField field) {
  using F = tessary::Field;
  switch (field) {
    case VCardField::Name: return F::Name;
    case VCardField::FullName: return F::FullName;
    case VCardField::NickName: return F::NickName;
    case VCardField::Title: return F::Title;
    case VCardField::Org: return F::Org;
    case VCardField::WorkTelephoneVoice: return F::WorkTelephoneVoice;
    case VCardField::WorkTelephoneFax: return F::WorkTelephoneFax;
    case VCardField::HomeTelephoneVoice: return F::HomeTelephoneVoice;
    case VCardField::HomeTelephoneFax: return F::HomeTelephoneFax;
    case VCardField::TelephoneCellVoice: return F::TelephoneCellVoice;
    case VCardField::TelephonePagerVoice: return F::TelephonePagerVoice;
    case VCardField::Work_Address: return F::Work_Address;
    case VCardField::HomeAddress: return F::HomeAddress;
    case VCardField::EmailPrefInternet: return F::EmailPrefInternet;
    case VCardField::WorkUrl: return F::WorkUrl;
    case VCardField::Role: return F::Role;
    case VCardField::Note: return F::Note;
    case VCardField::BirthDay: return F::BirthDay;
  }
  throw std::invalid_argument("unknown vCard field");
}

// UTF-8 to wide text; a byte that does not start a valid sequence stands
// for itself.
std::wstring FromUtf8(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t code = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
    bool valid = c < 0x80 || extra > 0;
    for (int k = 1; valid && k <= extra; ++k) {
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) valid = false;
      else code = (code << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    if (!valid) {
      out.push_back(static_cast<wchar_t>(c));
      ++i;
      continue;
    }
    if constexpr (sizeof(wchar_t) == 2) {
      if (code >= 0x10000) {
        code -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        i += static_cast<std::size_t>(extra) + 1;
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(code));
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::wstring FromLatin1(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  for (char c : s) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

// The path as the C runtime here takes it: UTF-8.
std::string ToUtf8(const std::wstring& w) {
  std::string out;
  for (wchar_t wc : w) {
    auto c = static_cast<char32_t>(wc);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// The import must tell a file it cannot open from an empty one.
void Check(tessary::OpenResult result) {
  switch (result) {
    case tessary::OpenResult::Read:
      return;
    case tessary::OpenResult::NotOpened:
      throw std::runtime_error("the vCard file could not be opened");
    case tessary::OpenResult::ReadError:
    case tessary::OpenResult::OutOfMemory:
      throw std::runtime_error("the vCard file could not be read to its end");
  }
}

class CoreVCardReader final : public VCardReader {
 public:
  explicit CoreVCardReader(CoreReading reading) : reading_(reading) {}
  void Open(const std::wstring& path) override { Check(stream_.Open(ToUtf8(path).c_str())); }
  bool SupportsDecoded() const override { return reading_ == CoreReading::Decoded; }
  void OpenDecoded(const std::wstring& path) override { Check(stream_.OpenDecoded(ToUtf8(path).c_str())); }
  // The decoded reading's text is UTF-8 whatever the file was.
  void CurrentCard(DecodedCard& out) override {
    const std::vector<tessary::DecodedProperty>& card = stream_.CurrentCard().properties;
    out.resize(card.size());
    for (std::size_t i = 0; i < card.size(); ++i) {
      const tessary::DecodedProperty& from = card[i];
      DecodedProperty& to = out[i];
      to.group = FromUtf8(from.group);
      to.name = FromUtf8(from.name);
      to.types.clear();
      for (const std::string& type : from.types) to.types.push_back(FromUtf8(type));
      to.value = FromUtf8(from.value);
      to.components.clear();
      for (const std::string& component : from.components) to.components.push_back(FromUtf8(component));
    }
  }
  void MoveFirst() override { stream_.MoveFirst(); }
  std::int32_t ContactCount() override { return stream_.ContactCount(); }
  std::wstring Field(VCardField field) override { return Widen(stream_.Current(CoreField(field))); }
  void MoveNext() override { stream_.MoveNext(); }
  void Close() override { stream_.Close(); }
  std::wstring Separator() override { return Widen(stream_.Delimeter()); }

 private:
  std::wstring Widen(const std::string& s) const { return stream_.CurrentIsUtf8() ? FromUtf8(s) : FromLatin1(s); }
  CoreReading reading_;
  tessary::VCardStream stream_;
};

}  // namespace

VCardReaderFactory CoreVCardReaderFactory(CoreReading reading) {
  return [reading]() -> std::unique_ptr<VCardReader> { return std::make_unique<CoreVCardReader>(reading); };
}

}  // namespace pindrel
