// Real vCard files read by the reader core through the import's adapter,
// imported by the window logic into the fake store: what the mappings must
// make of what the reader really hands out, in the older reading (the
// fallback the import keeps for an older Tessary) and in the decoded one.
#include <gtest/gtest.h>

#include <cwchar>

#include <map>

#include <iterator>

#include <fstream>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "core_vcard_reader.h"
#include "fake_store.h"
#include "fake_ui.h"
#include "forms.h"
#include "frm_vcard_import.h"
#include "test_files.h"

namespace {

using testing_files::TempFile;
namespace window = pindrel::forms::frmvCardImport;

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

using pindrel::CoreReading;

// The import window over the real reader; the walk lists `paths`.
struct Import {
  pindrel::Module1 state;
  fakes::FakeDesktop desktop;
  fakes::FakeProfile profile;
  std::vector<std::wstring> paths;
  pindrel::AppContext app{state, desktop,
                          [this](std::wstring& root, std::vector<std::wstring>& found) {
                            root += L'\\';
                            found.insert(found.end(), paths.begin(), paths.end());
                            return static_cast<int>(paths.size());
                          },
                          profile.Factory(), nullptr};
  pindrel::FrmvCardImport logic{app};
  fakes::FakeForm form{window::Layout(), logic, desktop};

  explicit Import(std::vector<std::wstring> files, CoreReading reading = CoreReading::KeywordsOnly)
      : paths(std::move(files)) {
    app.open_reader = pindrel::CoreVCardReaderFactory(reading);
    state.ImportSourceFolder = L"cards";
    form.Open();
    profile.pick = [this](auto&) { return profile.contacts().entry_id; };
    form.Click(window::CmdvCardImportConfigured);
    form.Click(window::CmdImportvCard);
  }
  const fakes::FakeItem& Item(std::size_t n) { return *profile.contacts().items.at(n); }
  std::wstring Text(std::size_t n, const wchar_t* property) {
    auto it = Item(n).text.find(property);
    return it == Item(n).text.end() ? L"<unset>" : it->second;
  }
};

const char kThree[] =
    "BEGIN:VCARD\r\n"
    "VERSION:2.1\r\n"
    "N:Doe;John;Q;Dr.;Jr.\r\n"
    "FN:John Doe\r\n"
    "ORG:Acme\r\n"
    "TEL;WORK;VOICE: 555 0100 \r\n"
    "TEL;CELL;VOICE:555 0101\r\n"
    "TEL;CELL;VOICE:555 0102\r\n"
    "ADR;Work:;Room 2;1 Main St;Town\r\n"
    "NOTE;ENCODING=QUOTED-PRINTABLE:first line=0D=0A=\r\n"
    "second li=\r\n"
    "ne\r\n"
    "BDAY:1980-01-25\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "N:Roe;Jane;;0;0\r\n"
    "NOTE:one\r\n"
    "NOTE:two\r\n"
    "BDAY:19900230\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "N:Poe;Ed\r\n"
    "BDAY:19800125\r\n"
    "END:VCARD";

TEST(ImportThroughReaderCore, FieldsComeOutClean) {
  TempFile file(std::string(kThree) + "\r\n");
  Import run({Wide(file.path())});
  ASSERT_EQ(run.profile.contacts().items.size(), 3u);

  EXPECT_EQ(run.Text(0, L"FirstName"), L"John");
  EXPECT_EQ(run.Text(0, L"Suffix"), L"Jr.");
  EXPECT_EQ(run.Text(0, L"FullName"), L"John Doe");
  EXPECT_EQ(run.Text(0, L"CompanyName"), L"Acme");
  EXPECT_EQ(run.Text(0, L"Department"), L"<unset>");
  EXPECT_EQ(run.Text(0, L"BusinessTelephoneNumber"), L"555 0100");
  EXPECT_EQ(run.Text(0, L"MobileTelephoneNumber"), L"555 0101, 555 0102");
  EXPECT_EQ(run.Text(0, L"BusinessAddressCity"), L"Town");
  EXPECT_EQ(run.Text(0, L"BusinessAddressCountry"), L"<unset>");
  EXPECT_EQ(run.Text(0, L"Body"), L"first line\r\nsecond line");
  EXPECT_EQ(run.Item(0).birthday, (pindrel::store::Date{1980, 1, 25}));

  EXPECT_EQ(run.Text(1, L"FirstName"), L"Jane");
  EXPECT_EQ(run.Text(1, L"Title"), L"<unset>");
  EXPECT_EQ(run.Text(1, L"Body"), L"one\r\ntwo");
  EXPECT_EQ(run.Item(1).birthday, std::nullopt);

  EXPECT_EQ(run.Text(2, L"LastName"), L"Poe");
  EXPECT_EQ(run.Item(2).birthday, (pindrel::store::Date{1980, 1, 25}));

  EXPECT_EQ(run.form.Peek(window::LblvCardFile).text, Wide(file.path()) + L"(3)");
  EXPECT_EQ(run.desktop.messages.back().text, L"Import Complete !");
}

TEST(ImportThroughReaderCore, EveryVCardWithOrWithoutAFinalLineBreak) {
  const std::string one = "BEGIN:VCARD\r\nN:Doe;John\r\nEND:VCARD";
  struct Case {
    const char* name;
    std::string contents;
    std::size_t contacts;
  };
  const std::vector<Case> cases = {
      {"three, final line break", std::string(kThree) + "\r\n", 3},
      {"three, none", kThree, 3},
      {"one, final line break", one + "\r\n", 1},
      {"one, none", one, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFile file(c.contents);
    Import run({Wide(file.path())});
    EXPECT_EQ(run.profile.contacts().items.size(), c.contacts);
    EXPECT_EQ(run.form.Peek(window::LblvCardFile).text,
              Wide(file.path()) + L"(" + std::to_wstring(c.contacts) + L")");
    EXPECT_EQ(run.desktop.messages.back().text, L"Import Complete !");
  }
}

TEST(ImportThroughReaderCore, AFileThatCannotBeOpenedIsNamed) {
  TempFile good("BEGIN:VCARD\r\nN:Doe;John\r\nEND:VCARD\r\n");
  TempFile empty("");
  const std::wstring missing = Wide(good.path()) + L".missing.vcf";
  Import run({Wide(good.path()), Wide(empty.path()), missing});
  EXPECT_EQ(run.profile.contacts().items.size(), 1u);
  // An empty file is no failure; a missing one is.
  EXPECT_EQ(run.desktop.messages.back().text,
            L"Import Complete !\r\n1 contact imported.\r\n1 file could not be read:\r\n" + missing +
                L": the vCard file could not be opened");
}

// What the import side of bad input must give: every card read becomes a
// contact, at least with a name, and the run ends normally.
TEST(ImportThroughReaderCore, BadInputLosesNoCard) {
  struct Case {
    const char* name;
    std::string contents;
    std::vector<std::wstring> full_names;
  };
  const std::vector<Case> cases = {
      {"a card with nothing to map", "BEGIN:VCARD\r\nVERSION:3.0\r\nX-FOO:bar\r\nEND:VCARD\r\n", {L"(no name)"}},
      {"the last card without END",
       "BEGIN:VCARD\r\nFN:Ann\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:Lee;Bo\r\nTEL:1\r\n", {L"Ann", L"Bo Lee"}},
      {"a line of a megabyte",
       "BEGIN:VCARD\r\nFN:Cy\r\nNOTE:" + std::string(1 << 20, 'x') + "\r\nEND:VCARD\r\n", {L"Cy"}},
      {"binary junk around a card",
       std::string("\x00\xff\xfe\x01junk\r\n", 10) + "BEGIN:VCARD\r\nFN:Di\r\nEND:VCARD\r\n\x1a\x00", {L"Di"}},
      {"a charset nobody knows", "BEGIN:VCARD\r\nFN;CHARSET=X-NOWHERE:Ed\r\nEND:VCARD\r\n", {L"Ed"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFile file(c.contents);
    Import run({Wide(file.path())}, CoreReading::Decoded);
    ASSERT_EQ(run.profile.contacts().items.size(), c.full_names.size());
    for (std::size_t i = 0; i < c.full_names.size(); ++i) EXPECT_EQ(run.Text(i, L"FullName"), c.full_names[i]);
    EXPECT_TRUE(run.form.closed());
  }
}

// The measure of done for the decoded reading, over the sample cards as
// exporters write them: the telephone numbers, e-mail addresses, postal
// addresses and notes of the cards present in the stored contacts (as a
// property or in the notes), every full name the card's own, and no escape
// or fold left in any stored text.
TEST(ImportThroughReaderCore, SampleCardsArriveWhole) {
  std::vector<std::wstring> files;
  for (const auto& entry : std::filesystem::directory_iterator(PINDREL_MODERN_CARDS_DIR))
    if (entry.path().extension() == ".vcf") files.push_back(entry.path().wstring());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());

  // What the cards hold, as the decoded reading reads them.
  std::vector<pindrel::DecodedCard> cards;
  for (const std::wstring& path : files) {
    auto reader = pindrel::CoreVCardReaderFactory()();
    reader->OpenDecoded(path);
    reader->MoveFirst();
    for (std::int32_t i = 0; i < reader->ContactCount(); ++i, reader->MoveNext())
      reader->CurrentCard(cards.emplace_back());
  }
  Import run(files, CoreReading::Decoded);
  ASSERT_EQ(run.profile.contacts().items.size(), cards.size());

  struct Tally {
    int present = 0, total = 0;
  } phones, emails, addresses, notes, names;
  int leftovers = 0;
  for (std::size_t n = 0; n < cards.size(); ++n) {
    const fakes::FakeItem& item = run.Item(n);
    // A piece of the card is present when some stored text holds it.
    auto stored = [&](std::wstring_view piece) {
      return std::any_of(item.text.begin(), item.text.end(),
                         [&](const auto& p) { return p.second.find(piece) != std::wstring::npos; });
    };
    // Every line of every piece, without the blanks around it.
    auto all_stored = [&](const std::vector<std::wstring>& pieces) {
      for (const std::wstring& piece : pieces)
        for (std::size_t at = 0; at <= piece.size();) {
          std::size_t end = std::min(piece.find(L'\n', at), piece.size());
          std::wstring line = piece.substr(at, end - at);
          line.erase(0, line.find_first_not_of(L" \t\r"));
          line.erase(line.find_last_not_of(L" \t\r") + 1);
          if (!line.empty() && !stored(line)) return false;
          at = end + 1;
        }
      return true;
    };
    bool named = false;
    for (const pindrel::DecodedProperty& p : cards[n]) {
      Tally* tally = p.name == L"TEL" ? &phones : p.name == L"EMAIL" ? &emails : p.name == L"ADR" ? &addresses
                     : p.name == L"NOTE"                              ? &notes
                                                                      : nullptr;
      if (tally && std::any_of(p.components.begin(), p.components.end(),
                               [](const std::wstring& c) { return c.find_first_not_of(L" ") != std::wstring::npos; })) {
        ++tally->total;
        if (all_stored(p.components)) ++tally->present;
        else ADD_FAILURE() << "card " << n << ": " << std::string(p.name.begin(), p.name.end()) << " not stored";
      }
      if (p.name == L"FN" && !named) {
        named = true;
        ++names.total;
        if (run.Text(n, L"FullName") == p.value) ++names.present;
      }
    }
    for (const auto& [property, text] : item.text)
      for (std::wstring_view left : {L"\\n", L"\\,", L"\\;", L"\\:", L"=0D", L"=0A", L"=\r\n", L"\r\n ",
                                     L"$$NEWLINE$$"})
        if (text.find(left) != std::wstring::npos) {
          ++leftovers;
          ADD_FAILURE() << "card " << n << ": an escape or fold left in " << std::string(property.begin(), property.end());
        }
  }
  for (const auto& [what, t] : {std::pair{"telephone numbers", phones}, std::pair{"e-mail addresses", emails},
                                std::pair{"postal addresses", addresses}, std::pair{"notes", notes},
                                std::pair{"full names from FN", names}}) {
    std::printf("%s: %d of %d present\n", what, t.present, t.total);
    EXPECT_GE(t.present * 100, t.total * 99) << what;
  }
  EXPECT_EQ(names.present, names.total);
  std::printf("cards: %zu; escapes or folds left: %d\n", cards.size(), leftovers);
}

// Every sample card with a picture gives its contact that picture, byte for
// byte as the image file it was made from, through the real reader; links
// and logos go to the notes.
TEST(ImportThroughReaderCore, PicturesArriveByteForByte) {
  const std::string dir = std::string(PINDREL_MODERN_CARDS_DIR) + "/../pictures/";
  auto image = [&](const char* name) {
    std::ifstream in(dir + "images/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  Import run({Wide(dir + "phone-2.1-pictures.vcf"), Wide(dir + "addressbook-3.0-pictures.vcf"),
              Wide(dir + "rfc6350-4.0-pictures.vcf")},
             CoreReading::Decoded);
  struct Want {
    const wchar_t* name;
    const char* image;  // none for no picture
    const wchar_t* note;  // a line the notes hold, or none
  };
  const Want wants[] = {
      {L"Ana Silva", "portrait.jpg", nullptr},
      {L"Ben Okafor", "portrait.jpg", nullptr},
      {L"Petra Novak", "badge.bmp", nullptr},
      {L"Carla Lindqvist", "portrait.jpg", L"Logo: image/png, "},
      {L"Denis Moreau", "icon.gif", nullptr},
      {L"Emi Tanaka", nullptr, L"Photo: https://example.com/photos/emi.jpg"},
      {L"Farid Haddad", "portrait.jpg", L"Logo: image/png, "},
      {L"Greta Olsen", "icon.gif", nullptr},
      {L"Hugo Brandt", nullptr, L"Photo: http://example.org/hugo.png"},
  };
  std::map<std::wstring, const fakes::FakeItem*> by_name;
  for (const auto& item : run.profile.contacts().items) by_name[item->text.at(L"FullName")] = item.get();
  for (const Want& w : wants) {
    SCOPED_TRACE(std::string(w.name, w.name + std::wcslen(w.name)));
    ASSERT_TRUE(by_name.count(w.name));
    const fakes::FakeItem& item = *by_name[w.name];
    EXPECT_EQ(item.picture, w.image ? image(w.image) : std::string());
    if (w.image) EXPECT_FALSE(item.picture.empty());
    if (w.note) {
      auto body = item.text.find(L"Body");
      ASSERT_NE(body, item.text.end());
      EXPECT_NE(body->second.find(w.note), std::wstring::npos) << std::string(body->second.begin(), body->second.end());
    }
  }
}

}  // namespace
