#include "contact_source.h"

namespace pindrel {

namespace {

// What both readings share: the reader, its cursor, and the mapping reused
// from contact to contact.
class ReaderSource : public ContactSource {
 public:
  explicit ReaderSource(std::unique_ptr<VCardReader> reader) : reader_(std::move(reader)) {}
  std::int32_t Start() override {
    reader_->MoveFirst();
    return reader_->ContactCount();
  }
  void MoveNext() override { reader_->MoveNext(); }
  void Close() override { reader_->Close(); }

 protected:
  std::unique_ptr<VCardReader> reader_;
  CardMapping mapping_;
};

// The decoded reading: every property of the card, mapped to its home.
class DecodedSource : public ReaderSource {
 public:
  using ReaderSource::ReaderSource;
  void Open(const std::wstring& path) override { reader_->OpenDecoded(path); }
  const CardMapping& Current() override {
    reader_->CurrentCard(card_);
    reader_->CurrentBinaries(binaries_);
    MapCard(card_, binaries_, mapping_);
    return mapping_;
  }

 private:
  DecodedCard card_;
  std::vector<DecodedBinary> binaries_;
};

// An older reader: its fixed fields, raw, mapped as they always were.
class KeywordSource : public ReaderSource {
 public:
  using ReaderSource::ReaderSource;
  void Open(const std::wstring& path) override { reader_->Open(path); }
  std::int32_t Start() override {
    const std::int32_t count = ReaderSource::Start();
    separator_ = reader_->Separator();
    return count;
  }
  const CardMapping& Current() override {
    for (std::size_t f = 0; f < kVCardFieldCount; ++f) fields_[f] = reader_->Field(static_cast<VCardField>(f));
    MapContact(fields_, separator_, mapping_.sets);
    mapping_.noted = 0;
    mapping_.picture.reset();
    return mapping_;
  }

 private:
  std::wstring separator_;
  ContactFields fields_;
};

}  // namespace

std::unique_ptr<ContactSource> MakeContactSource(std::unique_ptr<VCardReader> reader) {
  if (reader->SupportsDecoded()) return std::make_unique<DecodedSource>(std::move(reader));
  return std::make_unique<KeywordSource>(std::move(reader));
}

}  // namespace pindrel
