// Real vCard files read by the reader core through the import's adapter,
// imported by the window logic into the fake store: what the mapping must
// make of what the reader really hands out.
#include <gtest/gtest.h>

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
                          profile.Factory(), pindrel::CoreVCardReaderFactory()};
  pindrel::FrmvCardImport logic{app};
  fakes::FakeForm form{window::Layout(), logic, desktop};

  explicit Import(std::vector<std::wstring> files) : paths(std::move(files)) {
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

}  // namespace
