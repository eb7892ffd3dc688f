// The program's reader adapter over Tessary's VCardStream, created by its
// class identifier: values, the separator, the decoded reading's card, a
// missing file, and the factory failing when the class is not registered.
#include "vcard_reader_com.h"

#include <stdexcept>

#include "com_test_support.h"

namespace tessary_test {
namespace {

using pindrel::VCardField;

class ComReaderTest : public ComTest {};

TEST_F(ComReaderTest, ReadsEveryContactThroughTheAdapter) {
  TempFile file(
      "BEGIN:VCARD\r\nN:Doe;John\r\nNOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0A=\r\nb\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nN:Roe;Jane\r\nBDAY:1980-01-25\r\nEND:VCARD\r\n",
      L"adapter.vcf");
  ASSERT_TRUE(file.written());
  std::unique_ptr<pindrel::VCardReader> reader = pindrel::ComVCardReaderFactory()();
  reader->Open(file.path());
  reader->MoveFirst();
  ASSERT_EQ(reader->ContactCount(), 2);
  EXPECT_EQ(reader->Separator(), L"$$NEWLINE$$");
  EXPECT_EQ(reader->Field(VCardField::Name), L"Doe;John\n");
  EXPECT_EQ(reader->Field(VCardField::Note), L"a=0D=0A=\n$$NEWLINE$$b\n");
  reader->MoveNext();
  EXPECT_EQ(reader->Field(VCardField::BirthDay), L"1980-01-25\n");
  reader->Close();
}

TEST_F(ComReaderTest, ReadsTheDecodedCardThroughTheAdapter) {
  TempFile file(
      "BEGIN:VCARD\r\nVERSION:3.0\r\nitem1.TEL;TYPE=work,voice;TYPE=pref:+1 555 0100\r\n"
      "ADR;TYPE=home:;;1 Main St\\nBack door;Town\r\nEND:VCARD\r\n",
      L"decoded.vcf");
  ASSERT_TRUE(file.written());
  std::unique_ptr<pindrel::VCardReader> reader = pindrel::ComVCardReaderFactory()();
  ASSERT_TRUE(reader->SupportsDecoded());
  reader->OpenDecoded(file.path());
  reader->MoveFirst();
  ASSERT_EQ(reader->ContactCount(), 1);
  pindrel::DecodedCard card;
  reader->CurrentCard(card);
  const pindrel::DecodedCard want = {
      {L"item1", L"TEL", {L"work", L"voice", L"pref"}, L"+1 555 0100", {L"+1 555 0100"}},
      {L"", L"ADR", {L"home"}, L";;1 Main St\nBack door;Town", {L"", L"", L"1 Main St\nBack door", L"Town"}},
  };
  EXPECT_EQ(card, want);
  reader->Close();
}

// The factory keeps the class object it looked up: every reader it makes is
// still a reader of its own, each with its own file and cursor.
TEST_F(ComReaderTest, OneFactoryMakesAFreshReaderEachTime) {
  TempFile first("BEGIN:VCARD\r\nFN:One\r\nEND:VCARD\r\n", L"first.vcf");
  TempFile second("BEGIN:VCARD\r\nFN:Two\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Three\r\nEND:VCARD\r\n", L"second.vcf");
  ASSERT_TRUE(first.written() && second.written());
  const pindrel::VCardReaderFactory factory = pindrel::ComVCardReaderFactory();
  std::unique_ptr<pindrel::VCardReader> a = factory(), b = factory();
  a->OpenDecoded(first.path());
  b->OpenDecoded(second.path());
  a->MoveFirst();
  b->MoveFirst();
  b->MoveNext();
  pindrel::DecodedCard card_a, card_b;
  a->CurrentCard(card_a);
  b->CurrentCard(card_b);
  EXPECT_EQ(a->ContactCount(), 1);
  EXPECT_EQ(b->ContactCount(), 2);
  ASSERT_EQ(card_a.size(), 1u);
  ASSERT_EQ(card_b.size(), 1u);
  EXPECT_EQ(card_a[0].value, L"One");
  EXPECT_EQ(card_b[0].value, L"Three");
}

TEST_F(ComReaderTest, AFileThatCannotBeOpenedThrows) {
  std::unique_ptr<pindrel::VCardReader> reader = pindrel::ComVCardReaderFactory()();
  EXPECT_THROW(reader->Open(L"C:\\no such folder\\gone.vcf"), std::runtime_error);
  EXPECT_THROW(reader->OpenDecoded(L"C:\\no such folder\\gone.vcf"), std::runtime_error);
}

TEST(ComReaderFactory, ThrowsWithoutCom) {
  // No apartment on this thread: the class cannot be created, and the
  // factory says so instead of handing out a reader that does nothing.
  EXPECT_THROW(pindrel::ComVCardReaderFactory()(), std::runtime_error);
}

}  // namespace
}  // namespace tessary_test
