// The import window against a fake form, desktop, store and reader: its
// load, the target folder choice, and the import run with its captions,
// yields, failures, the one-run-at-a-time rule and the closing message.
#include "frm_vcard_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "card_test_support.h"
#include "fake_clock.h"
#include "fake_store.h"
#include "fake_ui.h"
#include "forms.h"

namespace {

using fakes::FakeDesktop;
using fakes::FakeForm;
using fakes::FakeProfile;
using pindrel::AppContext;
using pindrel::FrmvCardImport;
using pindrel::Module1;
using pindrel::VCardField;
using pindrel::VCardReader;
using pindrel::store::StoreError;
namespace window = pindrel::forms::frmvCardImport;

const std::wstring kStoreError = L"Outlook NOT Installed or Configured Properly.";
const std::wstring kSep = L"$$NEWLINE$$";

// One scripted file: its contacts (field values by field), and how reading
// it fails.
struct FakeFile {
  std::vector<std::map<VCardField, std::wstring>> contacts;
  std::vector<pindrel::DecodedCard> cards;  // what the decoded reading reads
  std::vector<std::vector<pindrel::DecodedBinary>> binaries;  // the cards' binary values, when given
  bool open_throws = false;            // unreadable; the contacts before the fault stay listed
  int field_throws_at = 0;             // the contact (from 1) whose fields cannot be read
};

std::map<VCardField, std::wstring> Person(const std::wstring& family, const std::wstring& given) {
  return {{VCardField::Name, family + L";" + given + L"\n"}, {VCardField::FullName, given + L" " + family + L"\n"}};
}

class FakeReader : public VCardReader {
 public:
  FakeReader(std::map<std::wstring, FakeFile>& files, std::vector<std::string>& log, bool decoded)
      : files_(files), log_(log), decoded_(decoded) {}
  bool SupportsDecoded() const override { return decoded_; }
  void Open(const std::wstring& path) override { OpenAs("Open ", path); }
  void OpenDecoded(const std::wstring& path) override { OpenAs("OpenDecoded ", path); }
  void CurrentCard(pindrel::DecodedCard& out) override {
    if (file_->field_throws_at == static_cast<int>(at_) + 1) throw std::runtime_error("cannot read a card");
    out = file_->cards.at(at_);
  }
  void CurrentBinaries(std::vector<pindrel::DecodedBinary>& out) override {
    out.clear();
    if (at_ < file_->binaries.size()) out = file_->binaries[at_];
  }
  void MoveFirst() override {
    log_.push_back("MoveFirst");
    at_ = 0;
  }
  std::int32_t ContactCount() override {
    if (!file_) return 0;
    return static_cast<std::int32_t>(decoded_ ? file_->cards.size() : file_->contacts.size());
  }
  std::wstring Field(VCardField f) override {
    if (file_->field_throws_at == static_cast<int>(at_) + 1) throw std::runtime_error("cannot read a field");
    const auto& c = file_->contacts.at(at_);
    auto it = c.find(f);
    return it == c.end() ? std::wstring() : it->second;
  }
  void MoveNext() override {
    log_.push_back("MoveNext");
    ++at_;
  }
  void Close() override { log_.push_back("Close"); }
  std::wstring Separator() override { return kSep; }

 private:
  void OpenAs(const std::string& how, const std::wstring& path) {
    log_.push_back(how + std::string(path.begin(), path.end()));
    auto it = files_.find(path);
    file_ = it == files_.end() ? nullptr : &it->second;
    if (!file_ || file_->open_throws) throw std::runtime_error("cannot read");
  }

  std::map<std::wstring, FakeFile>& files_;
  std::vector<std::string>& log_;
  bool decoded_;
  FakeFile* file_ = nullptr;
  std::size_t at_ = 0;
};

// The import window with everything it talks to replaced. The walk lists
// `tree` in order, whatever root it is given.
struct ImportWindow {
  Module1 state;
  FakeDesktop desktop;
  FakeProfile profile;
  std::vector<std::wstring> tree;
  std::vector<std::wstring> walked;
  std::map<std::wstring, FakeFile> files;
  std::vector<std::string> reader_log;
  int readers = 0;
  bool reader_missing = false;
  bool reader_decodes = false;  // the registered reader offers the decoded reading
  AppContext app{state, desktop,
                 [this](std::wstring& root, std::vector<std::wstring>& found) {
                   if (root.empty() || root.back() != L'\\') root += L'\\';
                   walked.push_back(root);
                   found.insert(found.end(), tree.begin(), tree.end());
                   return static_cast<int>(tree.size());
                 },
                 profile.Factory(),
                 [this]() -> std::unique_ptr<VCardReader> {
                   if (reader_missing) throw std::runtime_error("class not registered");
                   ++readers;
                   return std::make_unique<FakeReader>(files, reader_log, reader_decodes);
                 }};
  FrmvCardImport logic{app};
  FakeForm form{window::Layout(), logic, desktop};

  fakes::FakeClock clock{{}, pindrel::kRunPace};  // every contact and file shows and yields

  ImportWindow() {
    app.clock = clock.Reader();
    state.ImportSourceFolder = L"C:\\cards";
    form.Open();
    // The runs here import every card as a new contact, as the import did
    // before it asked about contacts already in the folder; the tests of
    // that choice choose for themselves.
    form.Click(window::OptDuplicateAdd);
  }
  void ChooseFolder(const std::wstring& entry_id) {
    profile.pick = [entry_id](auto&) { return std::optional<std::wstring>(entry_id); };
    form.Click(window::CmdvCardImportConfigured);
  }
  void ChooseContacts() { ChooseFolder(profile.contacts().entry_id); }
  void AddFile(const std::wstring& path, FakeFile file = {}) {
    tree.push_back(path);
    files[path] = std::move(file);
  }
  // A file of n people.
  void AddPeople(const std::wstring& path, int n) {
    FakeFile f;
    for (int k = 1; k <= n; ++k) f.contacts.push_back(Person(L"Doe" + std::to_wstring(k), L"Ann"));
    AddFile(path, std::move(f));
  }
  void Import() { form.Click(window::CmdImportvCard); }
  const std::vector<std::shared_ptr<fakes::FakeItem>>& Stored() { return profile.contacts().items; }
  std::wstring LastMessage() const { return desktop.messages.empty() ? L"" : desktop.messages.back().text; }
};

TEST(ImportWindowLoad, EmptiesTheWalkAndShowsTheCount) {
  Module1 state;
  state.FoundFiles = {L"C:\\old\\a.vcf"};
  FakeDesktop desktop;
  FakeProfile profile;
  AppContext app{state, desktop, nullptr, profile.Factory(), nullptr};
  FrmvCardImport logic{app};
  logic.SetFileCount(17);
  FakeForm form{window::Layout(), logic, desktop};
  form.Open();
  EXPECT_TRUE(state.FoundFiles.empty());
  EXPECT_EQ(form.Text(window::LblTotalvCards), L"17");
  EXPECT_EQ(form.Text(window::txtvCardImportDefault), L"");
  EXPECT_FALSE(form.Enabled(window::CmdImportvCard));
  for (auto label : {window::LblvCardFileH, window::LblvCardFile, window::LblSaveOutlookH, window::LblSaveOutlook})
    EXPECT_FALSE(form.Visible(label)) << label;
  EXPECT_EQ(desktop.yields, 1);
}

TEST(ImportTargetChoice, EveryOutcome) {
  const std::wstring refused_calendar = L"You have selected Calendar.\r\nPlease select a Contacts folder.";
  struct Case {
    const char* name;
    bool earlier_choice;  // a contacts folder "Old" was chosen before
    std::function<void(ImportWindow&)> arrange;
    std::wstring text;
    bool import_enabled;
    std::wstring message;  // empty: none
    std::wstring title;
    bool new_ids;          // false: the earlier identifiers (or none) stay
    bool session_kept;
    bool logged_off;
  };
  const std::vector<Case> cases = {
      {"a contacts folder is taken", false,
       [](ImportWindow& w) { w.profile.pick = [&w](auto&) { return w.profile.contacts().entry_id; }; },
       L"\\\\Personal Folders\\Contacts", true, L"", L"", true, true, false},
      {"a calendar is refused", false,
       [](ImportWindow& w) { w.profile.pick = [&w](auto&) { return w.profile.calendar().entry_id; }; },
       L"", false, refused_calendar, L"Select Contacts Folder", false, false, false},
      {"a refusal keeps the earlier target and the enabled button", true,
       [](ImportWindow& w) { w.profile.pick = [&w](auto&) { return w.profile.calendar().entry_id; }; },
       L"", true, refused_calendar, L"Select Contacts Folder", false, false, false},
      {"a class in another case is refused", false,
       [](ImportWindow& w) {
         w.profile.contacts().message_class = L"IPM.contact";
         w.profile.pick = [&w](auto&) { return w.profile.contacts().entry_id; };
       },
       L"", false, L"You have selected Contacts.\r\nPlease select a Contacts folder.", L"Select Contacts Folder",
       false, false, false},
      {"cancelled: silent, logged off", false, [](ImportWindow&) {}, L"", false, L"", L"", false, false, true},
      {"cancelled after an earlier choice: the button stays", true, [](ImportWindow&) {}, L"", true, L"", L"",
       false, false, true},
      {"no store library", false, [](ImportWindow& w) { w.profile.library_missing = true; }, L"", false,
       kStoreError, L"Outlook Error", false, false, false},
      {"log on fails", false, [](ImportWindow& w) { w.profile.FailOn("Logon", pindrel::store::kLogonFailed); },
       L"", false, kStoreError, L"Outlook Error", false, false, false},
      {"the picker fails: logged off", true, [](ImportWindow& w) { w.profile.FailOn("PickFolder", 0x80004005); },
       L"", true, kStoreError, L"Outlook Error", false, false, true},
      {"an identifier that cannot be read: logged off", false,
       [](ImportWindow& w) {
         w.profile.FailOn("Folder.StoreID", 0x80004005);
         w.profile.pick = [&w](auto&) { return w.profile.contacts().entry_id; };
       },
       L"", false, kStoreError, L"Outlook Error", false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImportWindow w;
    std::wstring old_store, old_folder;
    if (c.earlier_choice) {
      auto& old = w.profile.AddFolder(w.profile.personal(), L"Old", L"IPM.Contact");
      w.ChooseFolder(old.entry_id);
      old_store = old.store_id;
      old_folder = old.entry_id;
      w.profile.calls.clear();
      w.profile.pick = nullptr;
    }
    c.arrange(w);
    w.form.Click(window::CmdvCardImportConfigured);
    EXPECT_EQ(w.form.Text(window::txtvCardImportDefault), c.text);
    EXPECT_EQ(w.form.Enabled(window::CmdImportvCard), c.import_enabled);
    if (c.message.empty()) {
      EXPECT_TRUE(w.desktop.messages.empty());
    } else {
      ASSERT_EQ(w.desktop.messages.size(), 1u);
      EXPECT_EQ(w.desktop.messages[0].text, c.message);
      EXPECT_EQ(w.desktop.messages[0].title, c.title);
      EXPECT_EQ(w.desktop.messages[0].owner, &w.form);
    }
    if (c.new_ids) {
      EXPECT_EQ(w.state.ImportStoreID, w.profile.personal().store_id);
      EXPECT_EQ(w.state.ImportFolderID, w.profile.contacts().entry_id);
    } else {
      EXPECT_EQ(w.state.ImportStoreID, old_store);
      EXPECT_EQ(w.state.ImportFolderID, old_folder);
    }
    EXPECT_EQ(w.state.StoreSession != nullptr, c.session_kept);
    EXPECT_EQ(w.state.CurrentFolder != nullptr, c.session_kept);
    EXPECT_EQ(std::count(w.profile.calls.begin(), w.profile.calls.end(), "Logoff"), c.logged_off ? 1 : 0);
  }
}

TEST(ImportTargetChoice, PickerArguments) {
  ImportWindow w;
  std::vector<FakeProfile::PickRequest> requests;
  w.profile.pick = [&](const FakeProfile::PickRequest& r) {
    requests.push_back(r);
    return std::nullopt;
  };
  w.form.Click(window::CmdvCardImportConfigured);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].preselected, w.profile.contacts().entry_id);
  EXPECT_EQ(requests[0].caption, L"Please select a Contacts folder");
  EXPECT_EQ(requests[0].fourth, std::nullopt);
  EXPECT_EQ(requests[0].fifth, 2);
  EXPECT_EQ(w.profile.calls,
            (std::vector<std::string>{"Create", "Logon", "GetDefaultFolder 10", "PickFolder", "Logoff"}));
}

TEST(ImportRun, StepsCaptionsAndYields) {
  ImportWindow w;
  w.ChooseContacts();
  w.AddPeople(L"C:\\cards\\team.vcf", 3);
  w.AddFile(L"C:\\cards\\readme.txt");
  w.AddFile(L"C:\\cards\\a.vcard");
  w.AddPeople(L"C:\\cards\\sub\\ONE.VCF", 1);
  w.AddPeople(L"C:\\cards\\sub\\Two.Vcf", 0);
  w.state.FoundFiles = {L"left by an earlier walk"};
  // What the labels show at every yield of the run.
  std::vector<std::wstring> seen;
  w.desktop.on_yield = [&] {
    seen.push_back(w.form.Text(window::LblvCardFile) + L" | " + w.form.Text(window::LblSaveOutlook));
  };
  w.profile.calls.clear();
  w.Import();

  EXPECT_EQ(w.walked, std::vector<std::wstring>{L"C:\\cards\\"});
  EXPECT_EQ(w.state.ImportSourceFolder, L"C:\\cards\\");
  EXPECT_EQ(w.state.FoundFiles, w.tree);
  // Step 1 yields before anything shows; then one yield per contact and one
  // after each file, the file's caption set after the contact's yield.
  const std::vector<std::wstring> want = {
      L" | ",                                  // step 1
      L" | ", L"C:\\cards\\team.vcf(3) | ", L"C:\\cards\\team.vcf(3) | 1 card",  // its three contacts
      L"C:\\cards\\team.vcf(3) | 2 cards",            // after team.vcf
      L"C:\\cards\\team.vcf(3) | 1/5 files, 3 cards",  // after readme.txt: not opened, still counted
      L"C:\\cards\\team.vcf(3) | 2/5 files, 3 cards",  // after a.vcard
      L"C:\\cards\\team.vcf(3) | 3/5 files, 3 cards",  // ONE.VCF's contact
      L"C:\\cards\\sub\\ONE.VCF(1) | 3/5 files, 3 cards",  // after ONE.VCF
      L"C:\\cards\\sub\\ONE.VCF(1) | 4/5 files, 4 cards",  // after Two.Vcf: no contact
  };
  EXPECT_EQ(seen, want);
  EXPECT_EQ(w.form.Peek(window::LblSaveOutlook).text, L"5/5 files, 4 cards");
  for (auto label : {window::LblvCardFileH, window::LblvCardFile, window::LblSaveOutlookH, window::LblSaveOutlook})
    EXPECT_TRUE(w.form.Peek(label).visible) << label;
  // One reader per ".vcf" file in any case; no other file is opened.
  EXPECT_EQ(w.readers, 3);
  EXPECT_EQ(w.reader_log,
            (std::vector<std::string>{"Open C:\\cards\\team.vcf", "MoveFirst", "MoveNext", "MoveNext", "MoveNext",
                                      "Close", "Open C:\\cards\\sub\\ONE.VCF", "MoveFirst", "MoveNext", "Close",
                                      "Open C:\\cards\\sub\\Two.Vcf", "MoveFirst", "Close"}));
  ASSERT_EQ(w.Stored().size(), 4u);
  EXPECT_EQ(w.Stored()[0]->text.at(L"LastName"), L"Doe1");
  EXPECT_EQ(w.Stored()[2]->text.at(L"FirstName"), L"Ann");
  EXPECT_EQ(w.Stored()[2]->text.at(L"FullName"), L"Ann Doe3");
  // The store phase, then per contact a fresh Items, Add, the sets, Save.
  std::vector<std::string> head(w.profile.calls.begin(), w.profile.calls.begin() + 7);
  EXPECT_EQ(head, (std::vector<std::string>{"Create", "Logon", "Session.GetStoreFromID", "Store.GetFolderFromID",
                                            "Folder.Items", "Items.Add", "Item.SetText FirstName"}));
  EXPECT_EQ(std::count(w.profile.calls.begin(), w.profile.calls.end(), "Folder.Items"), 4);
  EXPECT_EQ(std::count(w.profile.calls.begin(), w.profile.calls.end(), "Item.Save"), 4);
  EXPECT_EQ(std::count(w.profile.calls.begin(), w.profile.calls.end(), "Logoff"), 0);
  EXPECT_NE(w.state.StoreSession, nullptr);

  ASSERT_EQ(w.desktop.messages.size(), 1u);
  EXPECT_EQ(w.desktop.messages[0].text, L"Import Complete !");
  EXPECT_EQ(w.desktop.messages[0].title, L"Completed...");
  EXPECT_TRUE(w.form.closed());
}

TEST(ImportRun, NoFilesStillCompletes) {
  ImportWindow w;
  w.ChooseContacts();
  w.Import();
  EXPECT_EQ(w.readers, 0);
  EXPECT_TRUE(w.Stored().empty());
  EXPECT_EQ(w.LastMessage(), L"Import Complete !");
  EXPECT_TRUE(w.form.closed());
}

// Change: every listed contact is read, the caption shows the true count.
TEST(ImportRun, EveryContactOfAFileIsImported) {
  for (int n : {1, 2, 3}) {
    SCOPED_TRACE(n);
    ImportWindow w;
    w.ChooseContacts();
    w.AddPeople(L"C:\\cards\\f.vcf", n);
    w.Import();
    EXPECT_EQ(w.Stored().size(), static_cast<std::size_t>(n));
    EXPECT_EQ(w.form.Peek(window::LblvCardFile).text, L"C:\\cards\\f.vcf(" + std::to_wstring(n) + L")");
  }
}

struct StoreFailure {
  const char* name;
  std::function<void(ImportWindow&)> arrange;
};

TEST(ImportRun, StorePhaseFailureKeepsTheWindowOpen) {
  const std::vector<StoreFailure> cases = {
      {"no store library", [](ImportWindow& w) { w.profile.library_missing = true; }},
      {"log on fails", [](ImportWindow& w) { w.profile.FailOn("Logon", pindrel::store::kLogonFailed); }},
      {"unknown store", [](ImportWindow& w) { w.state.ImportStoreID = L"gone"; }},
      {"unknown folder", [](ImportWindow& w) { w.state.ImportFolderID = L"gone"; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImportWindow w;
    w.ChooseContacts();
    w.AddPeople(L"C:\\cards\\f.vcf", 2);
    c.arrange(w);
    w.Import();
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].text, kStoreError);
    EXPECT_EQ(w.desktop.messages[0].title, L"Outlook Error");
    EXPECT_FALSE(w.form.closed());
    EXPECT_EQ(w.readers, 0);
    EXPECT_EQ(w.state.FoundFiles, w.tree);
    EXPECT_TRUE(w.form.Visible(window::LblSaveOutlook));
    // The buttons are back, so the user can choose again and retry.
    EXPECT_TRUE(w.form.Enabled(window::CmdImportvCard));
    EXPECT_TRUE(w.form.Enabled(window::CmdvCardImportConfigured));
  }
}

// Change: failures are counted, and named with their reasons; what can be
// kept is kept.
TEST(ImportRun, FailuresAreCountedAndReported) {
  const std::wstring test_failure = L"failure made by the test";
  struct Case {
    const char* name;
    std::function<void(ImportWindow&)> arrange;
    std::size_t stored;
    std::wstring message;
    std::function<void(ImportWindow&)> check = nullptr;
  };
  std::wstring twelve_unread = L"Import Complete !\r\n0 contacts imported.\r\n12 files could not be read:";
  for (int k = 1; k <= 10; ++k) twelve_unread += L"\r\nC:\\cards\\" + std::to_wstring(k) + L".vcf: cannot read";
  twelve_unread += L"\r\nand 2 more.";
  std::wstring twelve_unsaved = L"Import Complete !\r\n0 contacts imported.\r\n12 contacts could not be saved.";
  for (int k = 1; k <= 10; ++k)
    twelve_unsaved += L"\r\nC:\\cards\\a.vcf, contact " + std::to_wstring(k) + L": " + test_failure;
  twelve_unsaved += L"\r\nand 2 more.";
  const std::vector<Case> cases = {
      {"no reader can be created",
       [](ImportWindow& w) {
         w.AddPeople(L"C:\\cards\\a.vcf", 2);
         w.reader_missing = true;
       },
       0,
       L"Import Complete !\r\n0 contacts imported.\r\n1 file could not be read:\r\n"
       L"C:\\cards\\a.vcf: class not registered\r\n"
       L"The vCard reader (Tessary) could not be started; it may not be registered."},
      {"a file read only up to a fault: what came before is kept, the file named",
       [](ImportWindow& w) {
         w.AddPeople(L"C:\\cards\\a.vcf", 1);
         w.AddPeople(L"C:\\cards\\b.vcf", 2);
         w.files[L"C:\\cards\\b.vcf"].open_throws = true;
       },
       3, L"Import Complete !\r\n3 contacts imported.\r\n1 file could not be read:\r\nC:\\cards\\b.vcf: cannot read"},
      {"a missing file",
       [](ImportWindow& w) {
         w.AddPeople(L"C:\\cards\\a.vcf", 2);
         w.tree.push_back(L"C:\\cards\\gone.vcf");
       },
       2, L"Import Complete !\r\n2 contacts imported.\r\n1 file could not be read:\r\nC:\\cards\\gone.vcf: cannot read"},
      {"an item that cannot be made",
       [](ImportWindow& w) {
         w.AddPeople(L"C:\\cards\\a.vcf", 3);
         w.profile.FailOn("Items.Add", 0x80004005, 2);
       },
       2,
       L"Import Complete !\r\n2 contacts imported.\r\n1 contact could not be saved.\r\n"
       L"C:\\cards\\a.vcf, contact 2: " + test_failure},
      {"saves that fail, in two files",
       [](ImportWindow& w) {
         w.AddPeople(L"C:\\cards\\a.vcf", 2);
         w.AddPeople(L"C:\\cards\\b.vcf", 1);
         w.profile.FailOn("Item.Save", 0x80004005);
       },
       0,
       L"Import Complete !\r\n0 contacts imported.\r\n3 contacts could not be saved.\r\n"
       L"C:\\cards\\a.vcf, contact 1: " + test_failure + L"\r\nC:\\cards\\a.vcf, contact 2: " + test_failure +
           L"\r\nC:\\cards\\b.vcf, contact 1: " + test_failure},
      {"a contact whose fields cannot be read",
       [](ImportWindow& w) {
         w.AddPeople(L"C:\\cards\\a.vcf", 3);
         w.files[L"C:\\cards\\a.vcf"].field_throws_at = 2;
       },
       2,
       L"Import Complete !\r\n2 contacts imported.\r\n1 contact could not be saved.\r\n"
       L"C:\\cards\\a.vcf, contact 2: cannot read a field"},
      {"a refused property leaves the rest set and is no failure",
       [](ImportWindow& w) {
         w.AddPeople(L"C:\\cards\\a.vcf", 1);
         w.profile.FailOn("Item.SetText FirstName", 0x80004005);
       },
       1, L"Import Complete !",
       [](ImportWindow& w) {
         EXPECT_EQ(w.Stored()[0]->text.count(L"FirstName"), 0u);
         EXPECT_EQ(w.Stored()[0]->text.at(L"LastName"), L"Doe1");
         EXPECT_EQ(w.Stored()[0]->text.at(L"FullName"), L"Ann Doe1");
       }},
      {"many unreadable files: the first ten are named",
       [](ImportWindow& w) {
         for (int k = 1; k <= 12; ++k) w.tree.push_back(L"C:\\cards\\" + std::to_wstring(k) + L".vcf");
       },
       0, twelve_unread},
      {"many contacts not saved: the first ten are named",
       [](ImportWindow& w) {
         w.AddPeople(L"C:\\cards\\a.vcf", 12);
         w.profile.FailOn("Item.Save", 0x80004005);
       },
       0, twelve_unsaved},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImportWindow w;
    w.ChooseContacts();
    c.arrange(w);
    w.Import();
    EXPECT_EQ(w.Stored().size(), c.stored);
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].text, c.message);
    EXPECT_EQ(w.desktop.messages[0].title, L"Completed...");
    EXPECT_TRUE(w.form.closed());
    if (c.check) c.check(w);
  }
}

// Change: the run refuses, and touches nothing, without a source folder
// (an empty one would be walked as the drive's root) or without the target
// the window shows: after a cancelled or refused choice the box is empty
// while the earlier identifiers and the enabled button stay.
TEST(ImportRun, RefusesWithoutASourceOrAShownTarget) {
  const std::wstring no_target =
      L"No contacts folder has been chosen to import into.\r\nPlease select a Contacts folder.";
  struct Case {
    const char* name;
    std::function<void(ImportWindow&)> arrange;
    std::wstring message;
    std::wstring title;
  };
  const std::vector<Case> cases = {
      {"no source folder", [](ImportWindow& w) { w.state.ImportSourceFolder.clear(); },
       std::wstring(pindrel::kNoSourceFolderText), L"vCard File(s) Info"},
      {"the second choice cancelled", [](ImportWindow& w) { w.form.Click(window::CmdvCardImportConfigured); },
       no_target, L"Select Contacts Folder"},
      {"the second choice refused", [](ImportWindow& w) { w.ChooseFolder(w.profile.calendar().entry_id); },
       no_target, L"Select Contacts Folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImportWindow w;
    w.ChooseContacts();
    w.AddPeople(L"C:\\cards\\a.vcf", 1);
    w.profile.pick = nullptr;
    c.arrange(w);
    w.desktop.messages.clear();
    w.profile.calls.clear();
    w.Import();
    EXPECT_TRUE(w.walked.empty());
    EXPECT_TRUE(w.profile.calls.empty());
    EXPECT_TRUE(w.Stored().empty());
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].text, c.message);
    EXPECT_EQ(w.desktop.messages[0].title, c.title);
    EXPECT_FALSE(w.form.closed());
    EXPECT_TRUE(w.form.Enabled(window::CmdImportvCard));
  }
}

// The decoded reading when the reader offers it; values that went into the
// notes of the contacts stored are counted in the closing message.
TEST(ImportRun, DecodedReadingAndValuesInNotes) {
  using pindrel::testing::Card;
  const pindrel::DecodedCard plain = Card({L"FN:Ann Lee", L"EMAIL:a@x"});
  const pindrel::DecodedCard one_over = Card({L"FN:Bo", L"URL:a", L"URL:b"});
  const pindrel::DecodedCard two_over = Card({L"FN:Cy", L"BDAY:--0101", L"X-ANNIVERSARY:--0202"});
  struct Case {
    const char* name;
    std::vector<pindrel::DecodedCard> cards;
    std::function<void(ImportWindow&)> arrange;
    std::size_t stored;
    std::wstring message;
    std::wstring last_stored;  // its full name
  };
  const std::vector<Case> cases = {
      {"nothing went into the notes", {plain, plain}, nullptr, 2, L"Import Complete !", L"Ann Lee"},
      {"one value", {plain, one_over}, nullptr, 2,
       L"Import Complete !\r\n2 contacts imported.\r\n1 value with no field of its own was added to the notes of "
       L"its contact.", L"Bo"},
      {"three values of two contacts", {one_over, two_over}, nullptr, 2,
       L"Import Complete !\r\n2 contacts imported.\r\n3 values with no field of their own were added to the notes "
       L"of their contacts.", L"Cy"},
      {"a contact not saved counts none",
       {two_over, one_over},
       [](ImportWindow& w) { w.profile.FailOn("Item.Save", 0x80004005, 1); },
       1,
       L"Import Complete !\r\n1 contact imported.\r\n1 value with no field of its own was added to the notes of "
       L"its contact.\r\n1 contact could not be saved.\r\nC:\\cards\\a.vcf, contact 1: failure made by the test",
       L"Bo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImportWindow w;
    w.ChooseContacts();
    w.reader_decodes = true;
    FakeFile file;
    file.cards = c.cards;
    w.AddFile(L"C:\\cards\\a.vcf", std::move(file));
    if (c.arrange) c.arrange(w);
    w.Import();
    ASSERT_EQ(w.Stored().size(), c.stored);
    EXPECT_EQ(w.reader_log.front(), "OpenDecoded C:\\cards\\a.vcf");
    EXPECT_EQ(w.LastMessage(), c.message);
    EXPECT_EQ(w.Stored().back()->text.at(L"FullName"), c.last_stored);
  }
}

// Change: one run at a time; a close request ends the run after the
// contact being stored.
TEST(ImportRun, OneRunAtATime) {
  ImportWindow w;
  w.ChooseContacts();
  w.AddPeople(L"C:\\cards\\a.vcf", 2);
  int checked = 0;
  w.desktop.on_yield = [&] {
    EXPECT_FALSE(w.form.Enabled(window::CmdImportvCard));
    EXPECT_FALSE(w.form.Enabled(window::CmdvCardImportConfigured));
    // A click the window system had queued before the buttons went grey.
    w.logic.Click(w.form, window::CmdImportvCard);
    w.logic.Click(w.form, window::CmdvCardImportConfigured);
    ++checked;
  };
  w.Import();
  EXPECT_GT(checked, 0);
  EXPECT_EQ(w.walked.size(), 1u);
  EXPECT_EQ(w.profile.sessions, 2);  // the choice's and the run's, no third
  EXPECT_EQ(w.Stored().size(), 2u);
  EXPECT_EQ(w.desktop.messages.size(), 1u);
}

TEST(ImportRun, CloseRequestStopsAfterTheCurrentContact) {
  struct Case {
    const char* name;
    int close_at_yield;  // the n-th yield of the run (1: step 1)
    std::size_t stored;
    std::wstring message;
  };
  const std::vector<Case> cases = {
      {"before the first contact", 1, 0,
       L"Import Complete !\r\nThe import was stopped before all files were read.\r\n0 contacts imported."},
      {"at the second contact of three", 3, 2,
       L"Import Complete !\r\nThe import was stopped before all files were read.\r\n2 contacts imported."},
      {"after the first file", 5, 3,
       L"Import Complete !\r\nThe import was stopped before all files were read.\r\n3 contacts imported."},
      {"after the last file: nothing was left", 7, 4, L"Import Complete !"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImportWindow w;
    w.ChooseContacts();
    w.AddPeople(L"C:\\cards\\a.vcf", 3);
    w.AddPeople(L"C:\\cards\\b.vcf", 1);
    int yields = 0;
    w.desktop.on_yield = [&] {
      if (++yields == c.close_at_yield) w.form.RequestClose();
    };
    w.Import();
    EXPECT_EQ(w.Stored().size(), c.stored);
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].text, c.message);
    EXPECT_EQ(w.desktop.messages[0].title, L"Completed...");
    EXPECT_TRUE(w.form.closed());
  }
}

TEST(ImportRun, CloseRequestDuringAStoreFailureStillCloses) {
  ImportWindow w;
  w.ChooseContacts();
  w.profile.FailOn("Logon", pindrel::store::kLogonFailed);
  w.desktop.on_yield = [&] { w.form.RequestClose(); };
  w.Import();
  EXPECT_EQ(w.LastMessage(), kStoreError);
  EXPECT_TRUE(w.form.closed());
}

TEST(ImportRun, AWindowClosedUnderTheRunEndsItQuietly) {
  ImportWindow w;
  w.ChooseContacts();
  w.AddPeople(L"C:\\cards\\a.vcf", 3);
  int yields = 0;
  // The program ending closes every window without asking.
  w.desktop.on_yield = [&] {
    if (++yields == 3) w.form.Close();
  };
  w.Import();
  EXPECT_EQ(w.Stored().size(), 1u);
  EXPECT_TRUE(w.desktop.messages.empty());
  // The reader is still closed; nothing else happens.
  EXPECT_EQ(w.reader_log, (std::vector<std::string>{"Open C:\\cards\\a.vcf", "MoveFirst", "MoveNext", "Close"}));
}

}  // namespace

namespace {

// The run alone, against a sink that records what it is told: with a clock
// that stands still it yields before the walk and at the first contact,
// shows that contact's file, and at the end the last file and the count.
TEST(ImportRun, ReportsAtThePaceOfItsClock) {
  struct Sink : pindrel::ImportProgress {
    std::vector<std::wstring> log;
    void Begin() override { log.push_back(L"begin"); }
    void Show(const pindrel::ImportStatus& s) override { log.push_back(s.file + L" | " + s.files_done); }
    bool DoEvents() override {
      log.push_back(L"yield");
      return true;
    }
  };
  ImportWindow w;
  w.ChooseContacts();
  w.AddPeople(L"C:\\cards\\a.vcf", 5);
  w.AddFile(L"C:\\cards\\b.txt");
  w.AddPeople(L"C:\\cards\\c.vcf", 2);
  w.clock.tick = {};
  pindrel::ImportRun run(w.app);
  Sink sink;
  EXPECT_EQ(run.Run(sink, true), pindrel::ImportRun::Ended::kDone);
  EXPECT_EQ(sink.log, (std::vector<std::wstring>{L"yield", L"begin", L"yield", L"C:\\cards\\a.vcf(5) | ",
                                                 L"C:\\cards\\c.vcf(2) | 3/3"}));
  EXPECT_EQ(run.tally().imported, 7);
  EXPECT_EQ(w.Stored().size(), 7u);
}

}  // namespace

namespace {

using pindrel::DuplicateChoice;
using pindrel::testing::Card;

// Importing again into a folder that has the contacts, by the window's
// three choices. The folder holds Ann (by e-mail) and Bo (by telephone);
// the file has Ann with a new title and a note, Bo, Cy twice and a card of
// no one.
struct Reimport : ImportWindow {
  Reimport() {
    reader_decodes = true;
    ChooseContacts();
    auto& items = profile.contacts().items;
    items.push_back(std::make_shared<fakes::FakeItem>(fakes::FakeItem{
        L"E1", L"IPM.Contact",
        {{L"FullName", L"Ann Lee"}, {L"Email1Address", L"ann@example.org"}, {L"JobTitle", L"Clerk"},
         {L"Body", L"Met in May."}, {L"Categories", L"Family"}}, std::nullopt}));
    items.push_back(std::make_shared<fakes::FakeItem>(fakes::FakeItem{L"E2", L"IPM.DistList", {{L"Subject", L"Team"}}, {}}));
    items.push_back(std::make_shared<fakes::FakeItem>(fakes::FakeItem{
        L"E3", L"IPM.Contact", {{L"FullName", L"Bo Kim"}, {L"HomeTelephoneNumber", L"+44 20 7946 0018"}}, {}}));
    FakeFile f;
    f.cards = {Card({L"FN:ANN  lee", L"EMAIL:Ann@Example.org", L"TITLE:Manager", L"NOTE:Likes tea", L"CATEGORIES:VIP"}),
               Card({L"FN:Bo Kim", L"TEL:020 7946 0018"}), Card({L"FN:Cy Park", L"EMAIL:cy@example.org"}),
               Card({L"FN:Cy Park", L"EMAIL:cy@example.org", L"TEL:555"}), Card({L"EMAIL:nobody@example.org"})};
    AddFile(L"C:\\cards\\all.vcf", f);
  }
  const fakes::FakeItem& At(std::size_t position) { return *Stored().at(position - 1); }
};

TEST(Reimport, EachChoice) {
  struct Case {
    std::string_view option;
    std::size_t items;  // in the folder afterwards, the list among them
    std::wstring ann_title, ann_notes, ann_categories;
    std::wstring closing;
  };
  const std::wstring done = L"Import Complete !";
  const Case cases[] = {
      {window::OptDuplicateSkip, 5, L"Clerk", L"Met in May.", L"Family",
       done + L"\r\n2 contacts added, 0 updated, 3 skipped because they were already in the folder."},
      {window::OptDuplicateUpdate, 5, L"Manager", L"Met in May.\r\n\r\nLikes tea", L"Family, VIP",
       done + L"\r\n2 contacts added, 3 updated, 0 skipped because they were already in the folder."},
      {window::OptDuplicateAdd, 8, L"Clerk", L"Met in May.", L"Family", done},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option));
    Reimport w;
    w.form.Click(c.option);
    w.Import();
    EXPECT_EQ(w.Stored().size(), c.items);
    EXPECT_EQ(w.At(1).text.at(L"JobTitle"), c.ann_title);
    EXPECT_EQ(w.At(1).text.at(L"Body"), c.ann_notes);
    EXPECT_EQ(w.At(1).text.at(L"Categories"), c.ann_categories);
    // The card of no one is always added; the second Cy meets the first.
    EXPECT_EQ(w.LastMessage(), c.closing);
  }
}

TEST(Reimport, AStoppedRunStartedAgainLeavesEachCardOnce) {
  // The run alone: stopped once the first new contact is stored.
  struct Sink : pindrel::ImportProgress {
    std::function<void()> on_yield;
    void Begin() override {}
    void Show(const pindrel::ImportStatus&) override {}
    bool DoEvents() override {
      on_yield();
      return true;
    }
  };
  Reimport w;
  pindrel::ImportRun run(w.app);
  Sink sink;
  sink.on_yield = [&] {
    if (w.Stored().size() == 4) run.RequestStop();
  };
  EXPECT_EQ(run.Run(sink, true, DuplicateChoice::kSkip), pindrel::ImportRun::Ended::kDone);
  EXPECT_TRUE(run.tally().stopped);
  ASSERT_EQ(w.Stored().size(), 4u);
  sink.on_yield = [] {};
  EXPECT_EQ(run.Run(sink, true, DuplicateChoice::kSkip), pindrel::ImportRun::Ended::kDone);
  std::map<std::wstring, int> people;
  for (const auto& item : w.Stored())
    if (item->message_class == L"IPM.Contact") ++people[item->text.at(L"FullName")];
  EXPECT_EQ(people, (std::map<std::wstring, int>{{L"(no name)", 1}, {L"Ann Lee", 1}, {L"Bo Kim", 1}, {L"Cy Park", 1}}));
}

TEST(Reimport, ReadingTheFolderShowsOnTheLabelAndDisablesTheChoice) {
  Reimport w;
  w.form.Click(window::OptDuplicateSkip);
  std::vector<std::wstring> seen;
  bool disabled = true;
  w.desktop.on_yield = [&] {
    seen.push_back(w.form.Text(window::LblvCardFile));
    for (auto option : {window::OptDuplicateSkip, window::OptDuplicateUpdate, window::OptDuplicateAdd})
      disabled = disabled && !w.form.Enabled(option);
  };
  w.Import();
  EXPECT_NE(std::find(seen.begin(), seen.end(), L"Reading the contacts already in the folder: 0 of 3"), seen.end())
      << testing::PrintToString(seen);
  EXPECT_TRUE(disabled);
  EXPECT_TRUE(w.form.Enabled(window::OptDuplicateSkip) || !w.form.IsOpen());
  EXPECT_EQ(pindrel::ReadingFolderText(12000, 40000), L"Reading the contacts already in the folder: 12,000 of 40,000");
}

}  // namespace

namespace {

// A card's photo becomes the contact's picture through a file in the
// temporary folder, which is gone afterwards; a picture the store refuses,
// or one that could not be read, loses nothing else and is named.
TEST(ImportPictures, ThePictureOfEachCard) {
  const pindrel::DecodedBinary jpeg{L"PHOTO", {L"jpeg"}, L"image/jpeg", std::string("\xFF\xD8\xFF\xE0 jpeg", 9), L""};
  const pindrel::DecodedBinary png{L"PHOTO", {L"pref"}, L"image/png", std::string("\x89PNG png", 8), L""};
  const pindrel::DecodedBinary cut{L"PHOTO", {}, L"image/jpeg", "", L"the value is cut short"};
  struct Case {
    const char* what;
    std::vector<pindrel::DecodedBinary> binaries;
    bool refused;
    std::string picture;  // what the store has
    std::wstring closing;
  };
  const std::wstring done = L"Import Complete !";
  const Case cases[] = {
      {"one photo", {jpeg}, false, jpeg.bytes, done},
      {"the preferred of two; the other in the notes", {jpeg, png}, false, png.bytes,
       done + L"\r\n1 contact imported.\r\n1 value with no field of its own was added to the notes of its contact."},
      {"refused by the store", {jpeg}, true, "",
       done + L"\r\n1 contact imported.\r\n1 contact was saved without the picture of its vCard:\r\n"
              L"Ann Lee: its picture could not be added: failure made by the test"},
      {"none of it could be read", {cut}, false, "",
       done + L"\r\n1 contact imported.\r\n1 contact was saved without the picture of its vCard:\r\n"
              L"Ann Lee: its picture could not be added: the value is cut short"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImportWindow w;
    w.reader_decodes = true;
    w.ChooseContacts();
    FakeFile f;
    f.cards = {Card({L"FN:Ann Lee"})};
    f.binaries = {c.binaries};
    w.AddFile(L"C:\\cards\\ann.vcf", f);
    if (c.refused) w.profile.FailOn("Item.AddPicture", static_cast<std::int32_t>(0x80070057));
    w.Import();
    ASSERT_EQ(w.Stored().size(), 1u);
    EXPECT_EQ(w.Stored()[0]->picture, c.picture);
    if (!w.Stored()[0]->picture_file.empty()) {
      EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(w.Stored()[0]->picture_file)));
      EXPECT_TRUE(w.Stored()[0]->picture_file.ends_with(c.picture == png.bytes ? L".png" : L".jpg"));
    }
    EXPECT_EQ(w.LastMessage(), c.closing);
  }
}

TEST(CardMapping, BinaryValuesAndLinks) {
  struct Case {
    const char* what;
    pindrel::DecodedCard card;
    std::vector<pindrel::DecodedBinary> binaries;
    std::wstring notes;
    std::wstring picture_type;
  };
  const pindrel::DecodedBinary logo{L"LOGO", {}, L"image/png", std::string(12345, 'x'), L""};
  const pindrel::DecodedBinary photo{L"PHOTO", {}, L"image/gif", "GIF89a", L""};
  const Case cases[] = {
      {"a photo as a link is not fetched", Card({L"PHOTO;VALUE=uri:https://example.org/a.jpg"}), {},
       L"Photo: https://example.org/a.jpg", L""},
      {"a logo is named with its size", Card({}), {photo, logo}, L"Logo: image/png, 12,345 bytes not imported",
       L"image/gif"},
  };
  for (const Case& c : cases) {
    std::vector<pindrel::DecodedBinary> binaries = c.binaries;
    pindrel::CardMapping mapping;
    pindrel::MapCard(c.card, binaries, mapping);
    std::wstring notes;
    for (const auto& set : mapping.sets)
      if (set.property == L"Body") notes = set.text;
    EXPECT_EQ(notes, c.notes) << c.what;
    EXPECT_EQ(mapping.picture ? mapping.picture->media_type : L"", c.picture_type) << c.what;
  }
}

}  // namespace
