// The modern reading (OpenDecoded): one table of files, each with the cards
// it must give, property by property.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "decoded_card.h"
#include "internal/contact_reader.h"
#include "memory_source.h"
#include "test_files.h"
#include "vcard_stream.h"

namespace {

using tessary::DecodedProperty;
using tessary::Field;
using tessary::OpenResult;
using tessary::VCardStream;
using tessary_test::MemorySource;
using namespace std::string_literals;

// A property as the table writes it: "group.NAME (type,type): value", and
// " [part|part]" after it when the value has more than one component.
std::string Written(const DecodedProperty& p) {
  std::string out = p.group.empty() ? p.name : p.group + "." + p.name;
  for (std::size_t i = 0; i < p.types.size(); ++i) {
    EXPECT_EQ(p.types[i].find(','), std::string::npos) << "a list split into its types: " << p.types[i];
    out += (i == 0 ? " (" : ",") + p.types[i];
  }
  if (!p.types.empty()) out += ")";
  out += ": " + p.value;
  EXPECT_FALSE(p.components.empty()) << out;
  // The program takes a value of one component as that component.
  if (p.components.size() == 1) {
    EXPECT_EQ(p.components[0], p.value) << out;
  }
  if (p.components.size() > 1) {
    for (std::size_t i = 0; i < p.components.size(); ++i) out += (i == 0 ? " [" : "|") + p.components[i];
    out += "]";
  }
  return out;
}

using Card = std::vector<std::string>;

std::vector<Card> ReadAll(VCardStream& s) {
  std::vector<Card> cards;
  s.MoveFirst();
  while (!s.IsEOF() && cards.size() <= std::size_t(s.ContactCount())) {
    Card card;
    for (const DecodedProperty& p : s.CurrentCard().properties) card.push_back(Written(p));
    cards.push_back(card);
    s.MoveNext();
  }
  return cards;
}

// A file of one card of `version`, CR LF after every line.
std::string OneCard(const char* version, std::initializer_list<std::string> lines) {
  std::string out = std::string("BEGIN:VCARD\r\nVERSION:") + version + "\r\n";
  for (const std::string& l : lines) out += l + "\r\n";
  return out + "END:VCARD\r\n";
}

// `text` in UTF-16 with its byte order mark.
std::string Utf16(std::u16string_view text, bool big_endian) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t u : text) {
    const char high = char(u >> 8), low = char(u & 0xFF);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
  }
  return out;
}

struct DecodeCase {
  const char* name;
  std::string file;
  std::vector<Card> cards;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class DecodeCases : public ::testing::TestWithParam<DecodeCase> {};

// Sets the read's limits for a scope.
class Limits {
 public:
  Limits(std::size_t window, std::uint64_t largest_card) { tessary::internal::SetReadLimits({window, largest_card}); }
  ~Limits() { tessary::internal::SetReadLimits({}); }
};

TEST_P(DecodeCases, GivesEveryCardAsDecoded) {
  const DecodeCase& c = GetParam();
  // Whole, and in reads of 1 and 3 bytes with no size hint: folds, CR LF
  // pairs, UTF-16 units and marks all straddle reads. Through the usual
  // window and a tiny one, which cards, folds and characters straddle too;
  // cards read again from the source, or kept as from a pipe.
  for (std::size_t window : {std::size_t(0), std::size_t(24)}) {
    for (bool read_at : {true, false}) {
      for (std::vector<std::size_t> reads : {std::vector<std::size_t>{}, std::vector<std::size_t>{1, 3}}) {
        SCOPED_TRACE(testing::Message() << "reads " << reads.size() << ", window " << window << ", again " << read_at);
        std::optional<Limits> limits;
        if (window) limits.emplace(window, tessary::kLargestCardBytes);
        MemorySource source(c.file, reads, reads.empty() ? MemorySource::Hint::Exact : MemorySource::Hint::Unknown);
        source.set_read_at(read_at);
        VCardStream s;
        EXPECT_EQ(s.OpenDecoded(source), OpenResult::Read);
        EXPECT_EQ(s.ContactCount(), std::int32_t(c.cards.size()));
        EXPECT_EQ(ReadAll(s), c.cards);
      }
    }
  }
}

const std::string kMegabyte(std::size_t(1) << 20, 'x');

// A megabyte of junk folded into 75-byte lines, with no colon anywhere.
std::string FoldedJunk() {
  std::string out;
  for (std::size_t at = 0; at < kMegabyte.size(); at += 74) out += (at ? "\r\n " : "") + kMegabyte.substr(at, 74);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Modern, DecodeCases,
    ::testing::Values(
        // Folding: 3.0 and 4.0 drop the one blank (space or tab) that marks
        // a fold, 2.1 keeps it; the card's VERSION decides, wherever it is.
        DecodeCase{"Fold30DropsTheBlank", OneCard("3.0", {"NOTE:one two", "  three", "\tfour"}),
                   {{"NOTE: one two threefour"}}},
        DecodeCase{"Fold21KeepsTheBlank", OneCard("2.1", {"NOTE:one", " two"}), {{"NOTE: one two"}}},
        DecodeCase{"VersionAfterTheFold", "BEGIN:VCARD\r\nNOTE:a\r\n b\r\nVERSION:2.1\r\nEND:VCARD\r\n",
                   {{"NOTE: a b"}}},
        DecodeCase{"FoldInsideTheName", OneCard("3.0", {"TE", " L;TYPE=wo", " rk:1"}), {{"TEL (work): 1"}}},
        // A UTF-8 character split by a fold comes back whole, in 2.1 too;
        // the file still counts as UTF-8.
        DecodeCase{"Utf8SplitByAFold", OneCard("3.0", {"FN:J\xC3", " \xBCrgen", "NOTE:\xE2\x82", " \xAC 5"}),
                   {{"FN: J\xC3\xBCrgen", "NOTE: \xE2\x82\xAC 5"}}},
        DecodeCase{"Utf8SplitByAFoldIn21", OneCard("2.1", {"FN:J\xC3", " \xBCrgen Roe"}), {{"FN: J\xC3\xBCrgen Roe"}}},
        // Groups, names in any case; parameters in every form.
        DecodeCase{"Groups", OneCard("3.0", {"item1.TEL:1", "item1.X-ABLabel:_$!<Mobile>!$_", "Item2.email:a@b"}),
                   {{"item1.TEL: 1", "item1.X-ABLABEL: _$!<Mobile>!$_", "Item2.EMAIL: a@b"}}},
        DecodeCase{"BareTypesAnyOrderAndCase",
                   OneCard("2.1", {"TEL;WORK;VOICE:1", "tel;voice;work:2", "tel;cell:3", "EMAIL;INTERNET;HOME:a@b"}),
                   {{"TEL (work,voice): 1", "TEL (voice,work): 2", "TEL (cell): 3", "EMAIL (internet,home): a@b"}}},
        DecodeCase{"TypeListsRepeatsAndQuotes",
                   OneCard("4.0", {"TEL;TYPE=WORK,VOICE:1", "TEL;TYPE=work;TYPE=voice:2", "TEL;TYPE=\"voice,cell\":3",
                                   "TEL;TYPE=HOME;HOME;type=home:4"}),
                   {{"TEL (work,voice): 1", "TEL (work,voice): 2", "TEL (voice,cell): 3", "TEL (home): 4"}}},
        DecodeCase{"PreferredInEveryForm",
                   OneCard("4.0", {"TEL;PREF;CELL:1", "TEL;TYPE=pref:2", "EMAIL;PREF=2:two@x", "EMAIL;PREF=1:one@x",
                                   "EMAIL:none@x"}),
                   {{"TEL (pref,cell): 1", "TEL (pref): 2", "EMAIL: two@x", "EMAIL (pref): one@x", "EMAIL: none@x"}}},
        DecodeCase{"TelUris",
                   OneCard("4.0", {"TEL;VALUE=uri;TYPE=\"voice,cell\";PREF=1:tel:+1-555-555-0100",
                                   "TEL;VALUE=uri:tel:+1-555-0101;ext=12", "TEL:TEL:+1-555-0102;phone-context=x;ext=3",
                                   "URL:tel:not-a-phone"}),
                   {{"TEL (voice,cell,pref): +1-555-555-0100", "TEL: +1-555-0101 ext. 12", "TEL: +1-555-0102 ext. 3",
                     "URL: tel:not-a-phone"}}},
        DecodeCase{"UnclosedQuoteStillEndsTheName", OneCard("3.0", {"NOTE;X-Q=\"a:b"}), {{"NOTE: b"}}},
        DecodeCase{"QuotedParameterHoldsAColon",
                   OneCard("4.0", {"ADR;LABEL=\"Main St: rear\";TYPE=home:;;1 Main St;Town"}),
                   {{"ADR (home): ;;1 Main St;Town [||1 Main St|Town]"}}},
        // Quoted-printable on any property: soft breaks join before anything
        // is split or decoded, also inside an encoded character.
        DecodeCase{"QuotedPrintableSoftBreaks",
                   OneCard("2.1", {"NOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0A=", "b=3D=", " c",
                                   "ADR;HOME;QUOTED-PRINTABLE:;;Main St 1=", ";Town;;123=", "45;Land",
                                   "FN;CHARSET=UTF-8;QUOTED-PRINTABLE:J=C3=", "=BCrgen"}),
                   {{"NOTE: a\nb= c", "ADR (home): ;;Main St 1;Town;;12345;Land [||Main St 1|Town||12345|Land]",
                     "FN: J\xC3\xBCrgen"}}},
        DecodeCase{"QuotedPrintableBrokenEscapesStay",
                   OneCard("2.1", {"NOTE;ENCODING=QUOTED-PRINTABLE:50=% =ZZ =4"}), {{"NOTE: 50=% =ZZ =4"}}},
        DecodeCase{"StraySoftBreakBeforeEnd", OneCard("2.1", {"NOTE;ENCODING=QUOTED-PRINTABLE:end="}),
                   {{"NOTE: end="}}},
        // CHARSET on any property; one the system cannot convert reads that
        // value in the ANSI code page, and only that value.
        DecodeCase{"Charsets",
                   OneCard("2.1", {"N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Jos=E9;Ana",
                                   "FN;CHARSET=windows-1252;ENCODING=QUOTED-PRINTABLE:=80 5",
                                   "NOTE;CHARSET=X-NO-SUCH;ENCODING=QUOTED-PRINTABLE:M=FCller",
                                   "TITLE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=FCller",
                                   "ROLE;ENCODING=QUOTED-PRINTABLE:M=C3=BCller"}),
                   {{"N: Jos\xC3\xA9;Ana [Jos\xC3\xA9|Ana]", "FN: \xE2\x82\xAC 5", "NOTE: M\xC3\xBCller",
                     "TITLE: M\xC3\xBCller", "ROLE: M\xC3\xBCller"}}},
        // Binary values are skipped whole, continuation lines included: 3.0
        // folds, 2.1 lines up to a blank line or the next property, 4.0 data:
        // URIs.
        DecodeCase{"Base64Skipped",
                   OneCard("3.0", {"PHOTO;ENCODING=b;TYPE=JPEG:QUJD", " REVG", "FN:A",
                                   "PHOTO:data:image/png;base64,QUJD", " REVG", "LOGO:http://x/logo.png"}),
                   {{"FN: A", "LOGO: http://x/logo.png"}}},
        DecodeCase{"Base64In21",
                   OneCard("2.1", {"PHOTO;ENCODING=BASE64;TYPE=GIF:R0lG", "ODlh", "", "FN:A", "KEY;BASE64:QUJD",
                                   "REVG", "TEL:1"}),
                   {{"FN: A", "TEL: 1"}}},
        // Escapes, and structured values split only at unescaped ';'.
        DecodeCase{"Escapes", OneCard("3.0", {"NOTE:a\\nb\\Nc\\,d\\;e\\\\f\\:g\\\"h\\xi\\"}),
                   {{"NOTE: a\nb\nc,d;e\\f:g\"h\\xi\\"}}},
        DecodeCase{"StructuredSplitsAtUnescapedSemicolons",
                   OneCard("3.0", {"N:Roe\\;Doe;Jane;;Dr.;", "ORG:A\\, B;Sales", "ADR:;;1 Main St\\nFloor 2;Town"}),
                   {{"N: Roe;Doe;Jane;;Dr.; [Roe;Doe|Jane||Dr.|]", "ORG: A, B;Sales [A, B|Sales]",
                     "ADR: ;;1 Main St\nFloor 2;Town [||1 Main St\nFloor 2|Town]"}}},
        // What a file is in: decided per file.
        DecodeCase{"Utf16LittleEndian", Utf16(u"BEGIN:VCARD\r\nFN:\u00E9\r\n B\r\nEND:VCARD\r\n", false),
                   {{"FN: \xC3\xA9" "B"}}},
        DecodeCase{"Utf16BigEndian", Utf16(u"BEGIN:VCARD\r\nFN:\u4E2D\r\nEND:VCARD\r\n", true),
                   {{"FN: \xE4\xB8\xAD"}}},
        // A pair of surrogates is one character; one alone is replaced.
        DecodeCase{"Utf16Surrogates", Utf16(u"BEGIN:VCARD\nFN:\U0001F600\nNOTE:\xD800!\nEND:VCARD", false),
                   {{"FN: \xF0\x9F\x98\x80", "NOTE: \xEF\xBF\xBD!"}}},
        DecodeCase{"Utf8WithMark", "\xEF\xBB\xBF" + OneCard("3.0", {"FN:\xC3\xA9"}), {{"FN: \xC3\xA9"}}},
        DecodeCase{"AnsiFile", OneCard("2.1", {"FN:J\xFCrgen", "NOTE:\x80 5"}), {{"FN: J\xC3\xBCrgen", "NOTE: \xE2\x82\xAC 5"}}},
        // Lines that are no property are ignored; unknown properties stay.
        DecodeCase{"LinesWithoutAColonOrName",
                   OneCard("3.0", {"FN:Jane", "# a comment", "no colon here", ":no name", "\x01\xFF:junk", "NOTE:x"}),
                   {{"FN: Jane", "NOTE: x"}}},
        DecodeCase{"UnknownPropertiesKept", OneCard("3.0", {"X-SKYPE;X-SERVICE=a:jane.roe", "GENDER:F", "NOTE:"}),
                   {{"X-SKYPE: jane.roe", "GENDER: F", "NOTE: "}}},
        DecodeCase{"CarriageReturnsBeforeTheLineFeed", "BEGIN:VCARD\r\r\nFN:A\r\r\nNOTE:b\rc\r\nEND:VCARD\r\r\n",
                   {{"FN: A", "NOTE: b\rc"}}},
        // Cards: every card read is one entry, whatever its end.
        DecodeCase{"CardWithoutEndThenAnother",
                   "BEGIN:VCARD\nFN:A\nBEGIN:VCARD\nFN:B\nEND:VCARD\nBEGIN:VCARD\nFN:C\n",
                   {{"FN: A"}, {"FN: B"}, {"FN: C"}}},
        DecodeCase{"EndInAnyCaseAndJunkBetweenCards",
                   "begin:vcard\nFN:A\nend:VCard \n\x00\x01\xFFgarbage\nFN:lost\nBEGIN:VCARD\nEND:VCARD\nEND:VCARD\n"s,
                   {{"FN: A"}, {}}},
        // Files joined with `cat`: the mark that began the second one starts
        // a line.
        DecodeCase{"ByteOrderMarkInTheMiddle",
                   "\xEF\xBB\xBF" + OneCard("3.0", {"FN:A"}) + "\xEF\xBB\xBF" + OneCard("3.0", {"FN:B"}) +
                       "\xEF\xBB\xBF" "BEGIN:VCARD\n\xEF\xBB\xBF" "FN:C\nEND:VCARD",
                   {{"FN: A"}, {"FN: B"}, {"FN: C"}}},
        // A 2.1 AGENT's card is the AGENT's value, as it stands; the outer
        // card goes on after its END:VCARD. Nested again, and with text
        // after AGENT, it is nothing of the kind.
        DecodeCase{"AgentHoldsACard",
                   OneCard("2.1", {"N:Roe;Jane", "AGENT:", "BEGIN:VCARD", "VERSION:2.1", "N:Friday;Fred", "END:VCARD",
                                   "TEL:1"}) +
                       OneCard("2.1", {"FN:Next"}),
                   {{"N: Roe;Jane [Roe|Jane]", "AGENT: BEGIN:VCARD\nVERSION:2.1\nN:Friday;Fred\nEND:VCARD", "TEL: 1"},
                    {"FN: Next"}}},
        DecodeCase{"AgentInAnAgentsCard",
                   "BEGIN:VCARD\nitem1.agent;x-a=1: \nbegin:vcard\nAGENT:\nBEGIN:VCARD\nFN:C\nEND:VCARD\n"
                   "END:VCARD\nVERSION:2.1\nFN:A\nEND:VCARD\n",
                   {{"item1.AGENT: begin:vcard\nAGENT:\nBEGIN:VCARD\nFN:C\nEND:VCARD\nEND:VCARD", "FN: A"}}},
        DecodeCase{"AgentAsText", OneCard("3.0", {"AGENT:Fred", "BEGIN:VCARD", "FN:B"}), {{"AGENT: Fred"}, {"FN: B"}}},
        DecodeCase{"AgentsCardWithoutEnd", OneCard("2.1", {"AGENT:", "BEGIN:VCARD", "FN:B"}),
                   {{"AGENT: BEGIN:VCARD\nFN:B\nEND:VCARD"}}},
        DecodeCase{"AMegabyteLine", OneCard("3.0", {"NOTE:" + kMegabyte, "FN:A"}), {{"NOTE: " + kMegabyte, "FN: A"}}},
        DecodeCase{"AMegabyteOfFoldedJunk", OneCard("3.0", {FoldedJunk(), "FN:A"}), {{"FN: A"}}},
        DecodeCase{"NoCards", "FN:A\nEND:VCARD\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The keyword reader's fields after OpenDecoded: the decoded values of the
// properties they stand for, never those of an earlier file.
TEST(DecodedReading, FieldsHoldDecodedValuesOfTheirProperties) {
  VCardStream s;
  const std::string old_file = "BEGIN:VCARD\nFN:Old\nTEL;HOME:9\nEND:VCARD\n";
  MemorySource old_source(old_file);
  s.Open(old_source);
  s.MoveFirst();
  EXPECT_EQ(s.Current(Field::FullName), "Old\n");
  EXPECT_TRUE(s.CurrentCard().properties.empty()) << "no card after Open";

  const std::string file = OneCard("3.0", {"FN:Jane\\, Roe", "N:Roe;Jane", "TEL;TYPE=work,voice:1", "TEL;TYPE=work,fax:2",
                                           "TEL;TYPE=cell:3", "TEL;TYPE=home:4", "NOTE:a", "NOTE:b"});
  MemorySource source(file);
  ASSERT_EQ(s.OpenDecoded(source), OpenResult::Read);
  EXPECT_EQ(s.Current(Field::FullName), "") << "nothing of the earlier file";
  s.MoveFirst();
  ASSERT_EQ(s.CurrentCard().properties.size(), 8u);
  EXPECT_EQ(s.CurrentCard().version, "3.0");
  EXPECT_TRUE(s.CurrentIsUtf8());
  const std::pair<Field, std::string> expected[] = {
      {Field::FullName, "Jane, Roe"},
      {Field::Name, "Roe;Jane"},
      {Field::Version, "3.0"},
      {Field::Telephone, "1$$NEWLINE$$2$$NEWLINE$$3$$NEWLINE$$4"},
      {Field::WorkTelephoneVoice, "1"},
      {Field::WorkTelephoneFax, "2"},
      {Field::TelephoneCellVoice, "3"},
      {Field::HomeTelephoneVoice, "4"},
      {Field::HomeTelephoneFax, ""},
      {Field::TelephoneVoice, "1"},
      {Field::Note, "a$$NEWLINE$$b"},
      {Field::Email, ""},
  };
  for (const auto& [field, value] : expected) EXPECT_EQ(s.Current(field), value) << tessary::FieldName(field);

  // Back to the keyword reader: no card shows any more, and fields the card
  // was moved onto again but not asked for are still its own, joined as
  // when it was read.
  s.MoveFirst();
  MemorySource again(old_file);
  s.SetDelimeter("|");
  s.Open(again);
  EXPECT_TRUE(s.CurrentCard().properties.empty());
  EXPECT_EQ(s.Current(Field::Note), "a$$NEWLINE$$b");
}

// A card the file stops in the middle of is listed with the lines it has
// whole, and the caller is told.
TEST(DecodedReading, ReadErrorListsTheCardSoFar) {
  class Failing : public MemorySource {
   public:
    using MemorySource::MemorySource;
    bool Failed() const override { return position() > 0; }
  };
  const std::string text = "BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nFN:B\nNOTE:cut of";
  Failing source(text);
  VCardStream s;
  EXPECT_EQ(s.OpenDecoded(source), OpenResult::ReadError);
  EXPECT_EQ(ReadAll(s), (std::vector<Card>{{"FN: A"}, {"FN: B"}}));
}

// A card larger than the limit is listed and passed over: the cursor says
// so for it, and the cards after it are read; the same when the cards are
// kept, as from a pipe, and whatever the window.
TEST(DecodedReading, CardTooLargeIsPassedOver) {
  const std::string small = OneCard("3.0", {"FN:A"});
  const std::string large = OneCard("3.0", {"FN:Large", "NOTE:" + std::string(300, 'n')});
  const std::string text = small + large + small + OneCard("3.0", {"NOTE:" + std::string(2000, 'x')}) + small;
  for (std::size_t window : {std::size_t(16), std::size_t(1000), std::size_t(1) << 20}) {
    for (bool read_at : {true, false}) {
      SCOPED_TRACE(testing::Message() << "window " << window << ", again " << read_at);
      Limits limits(window, 200);
      MemorySource source(text, {7});
      source.set_read_at(read_at);
      VCardStream s;
      ASSERT_EQ(s.OpenDecoded(source), OpenResult::Read);
      ASSERT_EQ(s.ContactCount(), 5);
      std::vector<tessary::CardError> errors;
      std::vector<Card> cards;
      s.MoveFirst();
      for (; !s.IsEOF(); s.MoveNext()) {
        errors.push_back(s.CurrentCardError());
        cards.emplace_back();
        for (const DecodedProperty& p : s.CurrentCard().properties) cards.back().push_back(Written(p));
      }
      using E = tessary::CardError;
      EXPECT_EQ(errors, (std::vector<E>{E::None, E::TooLarge, E::None, E::TooLarge, E::None}));
      EXPECT_EQ(cards, (std::vector<Card>{{"FN: A"}, {}, {"FN: A"}, {}, {"FN: A"}}));
      EXPECT_EQ(s.Current(Field::FullName), "A");
    }
  }
}

// A UTF-16 file larger than the conversion's blocks and than what the cursor
// reads at once, its cards read again from the file (converted again from
// the nearest block) or kept: the same cards, characters beyond the basic
// plane straddling the blocks too.
TEST(DecodedReading, Utf16CardsReadAgainAcrossBlocks) {
  std::u16string text;
  for (int i = 0; i < 3000; ++i)
    text += u"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\U0001F600 " + std::u16string(std::size_t(i % 7), u'\u00E9') +
            u"\r\nNOTE:" + std::u16string(std::size_t(350 + i % 50), u'n') + u"\r\nEND:VCARD\r\n";
  for (bool big_endian : {false, true}) {
    const std::string file = Utf16(text, big_endian);
    std::vector<std::vector<Card>> readings;
    for (bool read_at : {false, true}) {
      MemorySource source(file, {4099});
      source.set_read_at(read_at);
      VCardStream s;
      ASSERT_EQ(s.OpenDecoded(source), OpenResult::Read);
      ASSERT_EQ(s.ContactCount(), 3000);
      readings.push_back(ReadAll(s));
    }
    EXPECT_EQ(readings[0], readings[1]);
    std::string name = "FN: \xF0\x9F\x98\x80 ";
    for (int k = 0; k < 2999 % 7; ++k) name += "\xC3\xA9";
    EXPECT_EQ(readings[1][2999].at(0), name);
  }
}

// A file's cards are read again from the stream's own handle: the caller
// may close its file, a pipe's cards are kept, and a file cut short after
// the read names the cards it lost.
TEST(DecodedReading, CardsAreReadAgainFromTheFile) {
  const std::string text = OneCard("3.0", {"FN:A"}) + OneCard("3.0", {"FN:B"});
  testing_files::TempFile file(text);
  auto names = [](VCardStream& s) {
    std::vector<std::string> out;
    s.MoveFirst();
    for (; !s.IsEOF(); s.MoveNext())
      out.push_back(s.CurrentCardError() == tessary::CardError::None ? s.Current(Field::FullName) : "(lost)");
    return out;
  };
  const std::vector<std::string> both = {"A", "B"};
  {
    VCardStream s;
    std::FILE* f = std::fopen(file.path().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(s.OpenDecoded(f), OpenResult::Read);
    std::fclose(f);
    EXPECT_EQ(names(s), both);
  }
#ifndef _WIN32
  {
    VCardStream s;
    std::FILE* pipe = popen(("cat '" + file.path() + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    ASSERT_EQ(s.OpenDecoded(pipe), OpenResult::Read);
    pclose(pipe);
    EXPECT_EQ(names(s), both);
  }
#endif
  {
    VCardStream s;
    ASSERT_EQ(s.OpenDecoded(file.path().c_str()), OpenResult::Read);
    std::filesystem::resize_file(file.path(), text.size() / 2 + 4);
    EXPECT_EQ(names(s), (std::vector<std::string>{"A", "(lost)"}));
    s.MoveFirst();
    s.MoveNext();
    EXPECT_EQ(s.CurrentCardError(), tessary::CardError::ReadFailed);
  }
}

// The sample files, as exporters write them: every card is read, every one
// with a name has it, and no fold, escape or encoding is left in any value.
TEST(DecodedReading, SampleFilesLeaveNothingUndecoded) {
  int files = 0, cards = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TESSARY_DATA_DIR "/modern")) {
    if (entry.path().extension() != ".vcf") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++files;
    VCardStream s;
    ASSERT_EQ(s.OpenDecoded(entry.path().string().c_str()), OpenResult::Read);
    s.MoveFirst();
    for (std::int32_t i = 0; i < s.ContactCount(); ++i, s.MoveNext()) {
      ++cards;
      bool named = false;
      for (const DecodedProperty& p : s.CurrentCard().properties) {
        named = named || (p.name == "FN" && !p.value.empty());
        for (const char* left : {"\\n", "\\,", "\\;", "=0D", "=C3", "\r"})
          EXPECT_EQ(p.value.find(left), std::string::npos) << Written(p);
      }
      const bool number_only = s.CurrentCard().properties.size() == 1;
      EXPECT_TRUE(named || number_only) << "card " << i + 1;
    }
  }
  EXPECT_EQ(files, 7);
  EXPECT_EQ(cards, 12);
}

}  // namespace
