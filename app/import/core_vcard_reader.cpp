#include "core_vcard_reader.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "text_helpers.h"
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

std::wstring FromLatin1(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  for (char c : s) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
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
  void Open(const std::wstring& path) override { Check(stream_.Open(ui::NarrowUtf8(path).c_str())); }
  bool SupportsDecoded() const override { return reading_ == CoreReading::Decoded; }
  void OpenDecoded(const std::wstring& path) override { Check(stream_.OpenDecoded(ui::NarrowUtf8(path).c_str())); }
  // The decoded reading's text is UTF-8 whatever the file was.
  void CurrentCard(DecodedCard& out) override {
    const std::vector<tessary::DecodedProperty>& card = stream_.CurrentCard().properties;
    out.resize(card.size());
    for (std::size_t i = 0; i < card.size(); ++i) {
      const tessary::DecodedProperty& from = card[i];
      DecodedProperty& to = out[i];
      to.group = ui::WidenUtf8(from.group);
      to.name = ui::WidenUtf8(from.name);
      to.types.clear();
      for (const std::string& type : from.types) to.types.push_back(ui::WidenUtf8(type));
      to.value = ui::WidenUtf8(from.value);
      to.components.clear();
      for (const std::string& component : from.components) to.components.push_back(ui::WidenUtf8(component));
    }
  }
  void CurrentBinaries(std::vector<DecodedBinary>& out) override {
    out.clear();
    for (const tessary::DecodedBinary& from : stream_.CurrentCard().binaries) {
      DecodedBinary& to = out.emplace_back();
      to.name = ui::WidenUtf8(from.name);
      for (const std::string& type : from.types) to.types.push_back(ui::WidenUtf8(type));
      to.media_type = ui::WidenUtf8(from.media_type);
      to.bytes = from.bytes;
      to.failure = ui::WidenUtf8(tessary::BinaryFailureText(from.failure));
    }
  }
  void MoveFirst() override { stream_.MoveFirst(); }
  std::int32_t ContactCount() override { return stream_.ContactCount(); }
  std::wstring Field(VCardField field) override { return Widen(stream_.Current(CoreField(field))); }
  void MoveNext() override { stream_.MoveNext(); }
  void Close() override { stream_.Close(); }
  std::wstring Separator() override { return Widen(stream_.Delimeter()); }

 private:
  std::wstring Widen(const std::string& s) const { return stream_.CurrentIsUtf8() ? ui::WidenUtf8(s) : FromLatin1(s); }
  CoreReading reading_;
  tessary::VCardStream stream_;
};

}  // namespace

VCardReaderFactory CoreVCardReaderFactory(CoreReading reading) {
  return [reading]() -> std::unique_ptr<VCardReader> { return std::make_unique<CoreVCardReader>(reading); };
}

}  // namespace pindrel
