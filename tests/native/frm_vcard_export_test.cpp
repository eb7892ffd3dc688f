// The export window over the fake store and desktop: what its load shows,
// which files an export writes, the progress labels, the order of the store
// calls, and how failures, a close request and a closed window are met.
#include "frm_vcard_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "card_writer.h"
#include "fake_clock.h"
#include "fake_export_files.h"
#include "fake_store.h"
#include "fake_ui.h"
#include "forms.h"
#include "frm_main.h"
#include "text_helpers.h"

namespace {

using fakes::FakeForm;
using fakes::FakeItem;
using fakes::FakeProfile;
using pindrel::store::StoreError;
using Calls = std::vector<std::string>;
using Texts = std::vector<std::wstring>;

const std::wstring kContactsPath = L"\\\\Personal Folders\\Contacts";
const std::wstring kStoreError = L"Outlook NOT Installed or Configured Properly.";
const std::wstring kDistList = L"IPM.DistList";

std::wstring Exported(int n) { return L"Exported (" + std::to_wstring(n) + L") Contacts to vCard Files."; }
// "(n) Contacts could not be written." and the lines naming them.
std::wstring Failed(int n, const Texts& lines) {
  std::wstring text = L"\r\n(" + std::to_wstring(n) + L") Contacts could not be written.";
  for (const std::wstring& line : lines) text += L"\r\n" + line;
  return text;
}
const std::wstring kStopped = L"\r\nThe export was stopped before the last contact.";
Texts InExport(const Texts& files) {
  Texts paths;
  for (const std::wstring& f : files) paths.push_back(L"C:\\Export\\" + f);
  return paths;
}

// The export window opened by a stand-in main window; once it is open the
// user presses "Export to vCard".
struct ExportWindow {
  pindrel::Module1 state;
  fakes::FakeDesktop desktop;
  FakeProfile profile;
  pindrel::AppContext app{state, desktop, nullptr, profile.Factory(), nullptr};
  pindrel::FrmvCardExport logic{app};
  pindrel::ui::FormLogic main_logic;
  FakeForm main{pindrel::forms::frmMain::Layout(), main_logic, desktop};
  std::function<void()> before_export;  // the user's doings before the press
  bool press_export = true;
  const char* format = nullptr;  // the option chosen before the press; none: as the window opens
  std::size_t calls_at_load_end = 0;

  fakes::FakeClock clock{{}, pindrel::kRunPace};  // every position shows and yields
  fakes::FakeExportFiles files;

  ExportWindow() {
    app.clock = clock.Reader();
    app.export_files = &files;
    state.ExportStoreID = profile.personal().store_id;
    state.ExportFolderID = profile.contacts().entry_id;
    logic.SetChoices(kContactsPath, L"C:\\Export");
  }
  void Contact(const std::wstring& first, const std::wstring& last) {
    profile.AddItem(profile.contacts(), L"IPM.Contact", {{L"FirstName", first}, {L"LastName", last}});
  }
  void DistList() { profile.AddItem(profile.contacts(), kDistList, {{L"FirstName", L"Team"}}); }
  void FourContacts() {
    for (auto [first, last] : {std::pair{L"A", L"One"}, {L"B", L"Two"}, {L"C", L"Three"}, {L"D", L"Four"}})
      Contact(first, last);
  }
  void Run() {
    desktop.on_modal["frmvCardExport"] = [this](FakeForm& f) {
      calls_at_load_end = profile.calls.size();
      if (format) f.Click(format);
      if (before_export) before_export();
      if (press_export) f.Click("CmdExport");
    };
    desktop.ShowModal(pindrel::forms::frmvCardExport::Layout(), logic, main);
  }
  FakeForm& window() { return *desktop.opened.back(); }
  const std::wstring& Label(const char* name) { return window().Peek(name).text; }
  Texts Saved() const {
    Texts paths;
    for (const auto& [path, id] : profile.saved_as) paths.push_back(path);
    return paths;
  }
  // One message, owned by the export window.
  void ExpectMessage(const std::wstring& text, const std::wstring& title) {
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, text);
    EXPECT_EQ(desktop.messages[0].title, title);
    EXPECT_EQ(desktop.messages[0].owner, &window());
  }
  // Nothing of the store is held, and a session that logged on logged off
  // (a log on that failed is the last call).
  void ExpectLetGo() {
    EXPECT_FALSE(state.StoreSession || state.CurrentFolder);
    auto count = [&](const char* call) { return std::count(profile.calls.begin(), profile.calls.end(), call); };
    bool logon_failed = !profile.calls.empty() && profile.calls.back() == "Logon";
    EXPECT_EQ(count("Logoff"), count("Logon") - (logon_failed ? 1 : 0));
  }
};

TEST(FrmvCardExportLoad, ShowsSourceTargetAndCount) {
  ExportWindow w;
  w.Contact(L"Ann", L"Lee");
  w.DistList();
  w.Contact(L"Bo", L"Day");
  w.state.ExportStoreID = L"  " + w.state.ExportStoreID + L" ";  // read without the blanks
  w.state.ExportFolderID = L" " + w.state.ExportFolderID + L"  ";
  w.logic.SetChoices(kContactsPath, L"  D:\\vCards out\\ ");
  w.press_export = false;
  w.Run();
  EXPECT_EQ(w.Label("LblTotalContacts"), L"3");  // the distribution list counts
  EXPECT_EQ(w.Label("LblCurrentPSTName"), L"C:\\profile\\Personal Folders.pst");
  EXPECT_EQ(w.Label("LblSavingPath"), L"D:\\vCards out\\");
  EXPECT_EQ(w.Label("LblCurrent"), L"0/3");
  for (const char* hidden : {"LblCurrent", "sLblProcessing", "imgContactICON"})
    EXPECT_FALSE(w.window().Peek(hidden).visible) << hidden;
  EXPECT_TRUE(w.window().Peek("CmdExport").enabled);
  EXPECT_TRUE(w.desktop.messages.empty());
  EXPECT_EQ(w.profile.calls, (Calls{"Create", "Logon", "Stores", "Stores.GetStoreFromID", "Store.GetFolderFromID",
                                    "Store.PstPath", "Folder.Items", "Items.Count", "Logoff"}));
  w.ExpectLetGo();

  ExportWindow no_pst;  // a store not kept in a file: no path, the export works
  no_pst.Contact(L"Ann", L"Lee");
  no_pst.profile.FailOn("Store.PstPath", static_cast<std::int32_t>(0x80040102));
  no_pst.Run();
  EXPECT_EQ(no_pst.Label("LblCurrentPSTName"), L"");
  EXPECT_EQ(no_pst.Saved(), InExport({L"Ann Lee (1).vcf"}));
}

TEST(FrmvCardExport, WritesEveryContactUnderItsName) {
  struct Case {
    const char* name;
    std::function<void(ExportWindow&)> arrange;
    Texts files;
  };
  const std::vector<Case> cases = {
      {"an empty folder", [](ExportWindow&) {}, {}},
      {"a distribution list second is passed over",
       [](ExportWindow& w) {
         w.Contact(L"Ann", L"Lee");
         w.DistList();
         w.Contact(L"Bo", L"Day");
         w.Contact(L"Cy", L"Fox");
       },
       {L"Ann Lee (1).vcf", L"Bo Day (3).vcf", L"Cy Fox (4).vcf"}},
      {"removed characters; names of them only give the position",
       [](ExportWindow& w) {
         w.Contact(L"", L"");
         w.Contact(L" :", L"? ");
         w.Contact(L"\r\n", L"*|");
         w.DistList();
         w.Contact(L"Lee:", L"Ann?");
       },
       {L"1.vcf", L"2.vcf", L"3.vcf", L"Lee Ann (5).vcf"}},
      {"a class differing in case is not a distribution list",
       [](ExportWindow& w) { w.profile.AddItem(w.profile.contacts(), L"ipm.distlist", {{L"LastName", L"Odd"}}); },
       {L"Odd (1).vcf"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    c.arrange(w);
    w.Run();
    EXPECT_EQ(w.Saved(), InExport(c.files));
    w.ExpectMessage(Exported(static_cast<int>(c.files.size())), L"Export Finished");
    EXPECT_TRUE(w.window().closed());
    EXPECT_EQ(w.profile.calls.back(), "Logoff");
    w.ExpectLetGo();
  }
}

TEST(FrmvCardExport, StoreCallsInOrder) {
  ExportWindow w;
  w.Contact(L"Ann", L"Lee");
  w.DistList();
  w.Run();
  EXPECT_EQ(Calls(w.profile.calls.begin() + w.calls_at_load_end, w.profile.calls.end()),
            (Calls{// the folder opened again through a new session
                   "Create", "Logon", "Stores", "Stores.GetStoreFromID", "Store.GetFolderFromID", "Folder.Items",
                   "Items.Count",
                   // a contact: class, labels, name, save as vCard
                   "Folder.Items", "Items.Item 1", "Item.MessageClass", "Store.PstPath", "Folder.Items",
                   "Items.Count", "Item.Text FirstName", "Item.Text LastName", "Item.SaveAs 6",
                   // a distribution list: its class only
                   "Folder.Items", "Items.Item 2", "Item.MessageClass", "Logoff"}));
}

TEST(FrmvCardExport, ProgressLabelsOnePositionAtATime) {
  ExportWindow w;
  w.Contact(L"Ann", L"Lee");
  w.DistList();
  for (int i = 3; i <= 120; ++i) w.Contact(L"N", std::to_wstring(i));
  Texts current, total, contact;
  w.desktop.on_yield = [&] {
    FakeForm& f = w.window();
    current.push_back(f.Text("LblCurrent"));
    total.push_back(f.Text("LblTotalContacts"));
    contact.push_back(f.Text("LblCurrentContact"));
    EXPECT_TRUE(f.Visible("sLblProcessing") && f.Visible("LblCurrent") && f.Visible("imgContactICON"));
    EXPECT_FALSE(f.Enabled("CmdExport"));  // one export at a time
    // An item arrives during the export: the labels follow the folder, the
    // export keeps to the count it read at its start.
    if (current.size() == 3) w.Contact(L"Late", L"Comer");
  };
  w.Run();
  ASSERT_EQ(current.size(), 120u);  // one yield per position
  EXPECT_EQ(Texts(current.begin(), current.begin() + 4), (Texts{L"1/120", L"1/120", L"3/120", L"4/121"}));
  EXPECT_EQ(Texts(contact.begin(), contact.begin() + 3), (Texts{L"Ann Lee", L"Ann Lee", L"N 3"}));
  EXPECT_EQ(total[3], L"121");
  EXPECT_EQ(w.desktop.messages.back().text, Exported(119));
}

TEST(FrmvCardExport, PositionsBeyond16Bits) {
  ExportWindow w;
  auto& items = w.profile.contacts().items;
  items.assign(32770, std::make_shared<FakeItem>(FakeItem{L"LIST", kDistList, {}, std::nullopt}));
  for (int position : {1, 32767, 32768, 32770})
    items[position - 1] = std::make_shared<FakeItem>(
        FakeItem{L"ITEM", L"IPM.Contact", {{L"LastName", L"P" + std::to_wstring(position)}}, std::nullopt});
  w.Run();
  EXPECT_EQ(w.Saved(), InExport({L"P1 (1).vcf", L"P32767 (32767).vcf", L"P32768 (32768).vcf", L"P32770 (32770).vcf"}));
  EXPECT_EQ(w.desktop.messages.back().text, Exported(4));
}

TEST(FrmvCardExport, StoreNotReached) {
  struct Case {
    const char* name;
    std::function<void(ExportWindow&)> arrange;
  };
  const std::vector<Case> cases = {
      {"no contacts folder chosen yet",
       [](ExportWindow& w) {
         w.state.ExportStoreID.clear();
         w.state.ExportFolderID.clear();
       }},
      {"identifiers of blanks", [](ExportWindow& w) { w.state.ExportFolderID = L"   "; }},
      {"identifiers left from a choice the main window no longer shows",
       [](ExportWindow& w) { w.logic.SetChoices(L"", L"C:\\Export"); }},
      {"store no longer there", [](ExportWindow& w) { w.state.ExportStoreID = L"STORE-GONE"; }},
      {"folder no longer there", [](ExportWindow& w) { w.state.ExportFolderID = L"FOLDER-GONE"; }},
      {"no store library", [](ExportWindow& w) { w.profile.library_missing = true; }},
      {"log on fails", [](ExportWindow& w) { w.profile.FailOn("Logon", pindrel::store::kLogonFailed); }},
      {"the count cannot be read", [](ExportWindow& w) { w.profile.FailOn("Items.Count", 0x80004005); }},
      {"the folder goes between the load and the press",
       [](ExportWindow& w) {
         w.before_export = [&w] { w.profile.personal().folders.clear(); };
         w.press_export = true;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    w.Contact(L"Ann", L"Lee");
    w.press_export = false;
    c.arrange(w);
    w.Run();
    w.ExpectMessage(kStoreError, L"Outlook Error");
    const FakeForm& f = w.window();
    EXPECT_FALSE(f.Peek("CmdExport").enabled);
    EXPECT_FALSE(f.Peek("sLblProcessing").visible || f.Peek("LblCurrent").visible);
    EXPECT_EQ(f.Peek("LblSavingPath").text, L"C:\\Export");
    EXPECT_TRUE(w.Saved().empty());
    w.ExpectLetGo();
  }
}

TEST(FrmvCardExport, FailuresAreCountedAndReported) {
  const StoreError path_gone(static_cast<std::int32_t>(0x80070003), L"The system cannot find the path specified.");
  const std::wstring test_failure = L"failure made by the test";
  struct Case {
    const char* name;
    std::function<void(ExportWindow&)> arrange;
    Texts files;
    std::wstring message;
  };
  const std::wstring too_long = L"Its file path would be longer than 259 characters.";
  // Each failed contact is named by position and name, with its reason.
  const std::vector<Case> cases = {
      {"the second save fails", [](ExportWindow& w) { w.profile.FailOn("Item.SaveAs 6", 0x80004005, 2); },
       {L"A One (1).vcf", L"C Three (3).vcf", L"D Four (4).vcf"},
       Exported(3) + Failed(1, {L"Position 2, B Two: " + test_failure})},
      {"the directory goes away after the first file",
       [&path_gone](ExportWindow& w) {
         w.profile.before_call = [&w, &path_gone](const std::string& call) {
           if (call == "Item.SaveAs 6" && !w.profile.saved_as.empty()) throw path_gone;
         };
       },
       {L"A One (1).vcf"},
       Exported(1) + Failed(3, {L"Position 2, B Two: " + path_gone.description(),
                                L"Position 3, C Three: " + path_gone.description(),
                                L"Position 4, D Four: " + path_gone.description()})},
      {"a failure without a text gives its code",
       [](ExportWindow& w) {
         w.profile.before_call = [](const std::string& call) {
           if (call == "Items.Item 3") throw StoreError(static_cast<std::int32_t>(0x80070005), L"");
         };
       },
       {L"A One (1).vcf", L"B Two (2).vcf", L"D Four (4).vcf"},
       Exported(3) + Failed(1, {L"Position 3: The contact store reported error 0x80070005"})},
      {"an item that cannot be read: its position alone",
       [](ExportWindow& w) { w.profile.FailOn("Items.Item 2", 0x8004010F); },
       {L"A One (1).vcf", L"C Three (3).vcf", L"D Four (4).vcf"},
       Exported(3) + Failed(1, {L"Position 2: " + test_failure})},
      {"a name that cannot be read", [](ExportWindow& w) { w.profile.FailOn("Item.Text LastName", 0x80004005, 4); },
       {L"A One (1).vcf", L"B Two (2).vcf", L"C Three (3).vcf"},
       Exported(3) + Failed(1, {L"Position 4: " + test_failure})},
      {"a contact without a name", [](ExportWindow& w) {
         w.Contact(L" ", L"");
         w.profile.FailOn("Item.SaveAs 6", 0x80004005, 5);
       },
       {L"A One (1).vcf", L"B Two (2).vcf", L"C Three (3).vcf", L"D Four (4).vcf"},
       Exported(4) + Failed(1, {L"Position 5: " + test_failure})},
      {"a directory too deep for any file",
       [](ExportWindow& w) { w.logic.SetChoices(kContactsPath, L"C:\\" + std::wstring(260, L'x')); }, {},
       Exported(0) + Failed(4, {L"Position 1, A One: " + too_long, L"Position 2, B Two: " + too_long,
                                L"Position 3, C Three: " + too_long, L"Position 4, D Four: " + too_long})},
      {"more than ten: the first ten named, then how many more",
       [](ExportWindow& w) {
         for (int i = 5; i <= 12; ++i) w.Contact(L"N", std::to_wstring(i));
         w.profile.FailOn("Item.SaveAs 6", 0x80004005);
       },
       {},
       Exported(0) + Failed(12, {L"Position 1, A One: " + test_failure, L"Position 2, B Two: " + test_failure,
                                 L"Position 3, C Three: " + test_failure, L"Position 4, D Four: " + test_failure,
                                 L"Position 5, N 5: " + test_failure, L"Position 6, N 6: " + test_failure,
                                 L"Position 7, N 7: " + test_failure, L"Position 8, N 8: " + test_failure,
                                 L"Position 9, N 9: " + test_failure, L"Position 10, N 10: " + test_failure,
                                 L"and 2 more."})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    w.FourContacts();
    c.arrange(w);
    w.Run();
    EXPECT_EQ(w.Saved(), InExport(c.files));
    w.ExpectMessage(c.message, L"Export Finished");
    EXPECT_EQ(w.desktop.yields, static_cast<int>(w.profile.contacts().items.size()));  // every position was visited
    EXPECT_TRUE(w.window().closed());
    w.ExpectLetGo();
  }
}

TEST(FrmvCardExport, CloseDuringTheExport) {
  struct Case {
    const char* name;
    int at_yield;
    bool request;  // the close box; otherwise the window is closed from elsewhere
    std::wstring message;  // empty: none
  };
  const std::vector<Case> cases = {
      {"close box stops after the current contact", 2, true, Exported(2) + kStopped},
      {"close box at the last contact", 4, true, Exported(4)},
      {"window closed elsewhere: nothing more, nobody to tell", 2, false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    w.FourContacts();
    w.desktop.on_yield = [&] {
      if (w.desktop.yields != c.at_yield) return;
      if (!c.request) return w.window().Close();
      w.window().RequestClose();
      EXPECT_FALSE(w.window().closed());  // not before the export has stopped
    };
    w.Run();
    EXPECT_EQ(w.Saved().size(), static_cast<std::size_t>(c.at_yield));
    if (c.message.empty()) {
      EXPECT_TRUE(w.desktop.messages.empty());
    } else {
      w.ExpectMessage(c.message, L"Export Finished");
    }
    EXPECT_EQ(w.desktop.yields, c.at_yield);
    EXPECT_TRUE(w.window().closed());
    w.ExpectLetGo();
  }
}

// The run alone, against a sink that records what it is told: captions at
// most every 50 ms of its clock, the first at once and the last always.
TEST(ExportRun, ReportsAtThePaceOfItsClock) {
  struct Sink : pindrel::RunProgress<pindrel::ExportStatus> {
    Texts shown;
    int yields = 0;
    std::function<void()> on_yield;
    void Show(const pindrel::ExportStatus& s) override {
      shown.push_back(std::to_wstring(s.position) + L"/" + std::to_wstring(s.count) + L" " + s.contact);
    }
    bool DoEvents() override {
      ++yields;
      if (on_yield) on_yield();
      return true;
    }
  };
  struct Case {
    const char* name;
    int ms_per_save;
    bool stop_at_first_yield;
    Texts shown;
    int yields;
    int written;
  };
  const std::vector<Case> cases = {
      {"a still clock: the first contact, then the last", 0, false, {L"1/7 N 1", L"7/7 N 7"}, 1, 7},
      {"25 ms a contact: every second, from 50 ms on", 25, false,
       {L"1/7 N 1", L"3/7 N 3", L"5/7 N 5", L"7/7 N 7"}, 4, 7},
      {"a stop asked at the first yield: one contact, shown as it ended", 0, true, {L"1/7 N 1"}, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    for (int i = 1; i <= 7; ++i) w.Contact(L"N", std::to_wstring(i));
    w.clock.tick = {};
    w.profile.before_call = [&](const std::string& call) {
      if (call == "Item.SaveAs 6") w.clock.now += std::chrono::milliseconds(c.ms_per_save);
    };
    pindrel::ExportRun run(w.app);
    run.SetChoices(kContactsPath, L"C:\\Export");
    Sink sink;
    if (c.stop_at_first_yield) sink.on_yield = [&] { EXPECT_TRUE(run.RequestStop()); };
    pindrel::ExportOutcome outcome;
    EXPECT_EQ(run.Run(sink, outcome), pindrel::ExportRun::Ended::kDone);
    EXPECT_EQ(sink.shown, c.shown);
    EXPECT_EQ(sink.yields, c.yields);
    EXPECT_EQ(outcome.written, c.written);
    EXPECT_EQ(outcome.stopped, c.stop_at_first_yield);
    EXPECT_FALSE(run.running() || run.RequestStop());
  }
}

// The main window hands over its folder and directory, and the window can
// be opened and used again after an export.
TEST(FrmvCardExport, FromTheMainWindow) {
  pindrel::Module1 state;
  fakes::FakeDesktop desktop;
  FakeProfile profile;
  pindrel::AppContext app{state, desktop, nullptr, profile.Factory(), nullptr};
  pindrel::FrmMain logic{app};
  FakeForm main{pindrel::forms::frmMain::Layout(), logic, desktop};
  profile.AddItem(profile.contacts(), L"IPM.Contact", {{L"FirstName", L"Ann"}, {L"LastName", L"Lee"}});
  main.Open();
  profile.pick = [&](auto&) { return profile.contacts().entry_id; };
  main.Click("CmdPSTSelect");
  desktop.on_modal["frmvCardExport"] = [&](FakeForm& f) {
    EXPECT_EQ(f.Text("LblCurrent"), L"0/1");
    f.Click("CmdExport");
  };
  main.Click("CmdProcess");  // into the desktop directory, which ends in a backslash
  desktop.folder_answers.push_back(L"D:\\vCards");
  main.Click("CmdBrowseExport");
  main.Click("CmdProcess");
  ASSERT_EQ(profile.saved_as.size(), 2u);
  EXPECT_EQ(profile.saved_as[0].first, L"C:\\users\\tester\\Desktop\\Ann Lee (1).vcf");
  EXPECT_EQ(profile.saved_as[1].first, L"D:\\vCards\\Ann Lee (1).vcf");

  // A later choice that is cancelled empties the box: no folder is chosen.
  profile.pick = nullptr;
  main.Click("CmdPSTSelect");
  desktop.folder_answers.push_back(L"D:\\vCards");
  main.Click("CmdBrowseExport");
  desktop.on_modal.clear();
  main.Click("CmdProcess");
  EXPECT_EQ(desktop.messages.back().text, kStoreError);
  EXPECT_EQ(profile.saved_as.size(), 2u);
}

}  // namespace

namespace {

// The export to one file: its name, its cards, and that nothing is left
// under the real name unless the file is complete.
TEST(FrmvCardExportOneFile, WritesAllContactsToOneFile) {
  using Files = std::map<std::wstring, std::string>;
  const std::wstring kFile = L"C:\\Export\\Contacts.vcf";
  struct Case {
    const char* name;
    const char* option;
    std::function<void(ExportWindow&)> arrange;
    Files before;  // files in the directory before the export
    std::wstring file;  // the file written; empty for none
    int cards;
    std::wstring message;
  };
  const std::wstring stopped = L"No file was written: the export was stopped before the last contact.";
  const std::vector<Case> cases = {
      {"vCard 3.0, the distribution list passed over", "OptOneFile30", [](ExportWindow& w) { w.DistList(); }, {},
       kFile, 4, L"Exported (4) Contacts to Contacts.vcf."},
      {"vCard 4.0", "OptOneFile40", [](ExportWindow&) {}, {}, kFile, 4, L"Exported (4) Contacts to Contacts.vcf."},
      {"a file of that name is never replaced", "OptOneFile30", [](ExportWindow&) {},
       {{kFile, "old"}, {L"C:\\Export\\Contacts (2).vcf", "old"}}, L"C:\\Export\\Contacts (3).vcf", 4,
       L"Exported (4) Contacts to Contacts (3).vcf."},
      {"the name taken just before the rename", "OptOneFile40",
       [&](ExportWindow& w) { w.files.taken_at_rename = {kFile}; }, {}, L"C:\\Export\\Contacts (2).vcf", 4,
       L"Exported (4) Contacts to Contacts (2).vcf."},
      {"named after the folder, cleaned as a contact's name", "OptOneFile30",
       [](ExportWindow& w) { w.profile.contacts().name = L"Friends: \"A\"/B"; }, {},
       L"C:\\Export\\Friends AB.vcf", 4, L"Exported (4) Contacts to Friends AB.vcf."},
      {"a contact that cannot be read is named, the others written", "OptOneFile30",
       [](ExportWindow& w) { w.profile.FailOn("Item.Text Email1Address", 0x80004005, 2); }, {}, kFile, 3,
       L"Exported (3) Contacts to Contacts.vcf." + Failed(1, {L"Position 2, B Two: failure made by the test"})},
      {"an empty folder: an empty file", "OptOneFile40", [](ExportWindow& w) { w.profile.contacts().items.clear(); },
       {}, kFile, 0, L"Exported (0) Contacts to Contacts.vcf."},
      {"the disk fills up: no file", "OptOneFile30", [](ExportWindow& w) { w.files.disk_space = 150; }, {}, L"", 0,
       L"No file was written: There is not enough space on the disk."},
      {"the directory cannot be written", "OptOneFile40", [](ExportWindow& w) { w.files.refuse_create = true; }, {},
       L"", 0, L"No file was written: Access is denied."},
      {"stopped by the close box: no file", "OptOneFile30",
       [](ExportWindow& w) {
         w.desktop.on_yield = [&w] {
           if (w.desktop.yields == 2) w.window().RequestClose();
         };
       },
       {}, L"", 0, stopped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    w.FourContacts();
    w.files.files = c.before;
    w.format = c.option;
    c.arrange(w);
    std::vector<bool> enabled_during;
    auto on_yield = w.desktop.on_yield;
    w.desktop.on_yield = [&] {
      for (const char* option : {"OptOneFileEach", "OptOneFile30", "OptOneFile40"})
        enabled_during.push_back(w.window().Peek(option).enabled);
      if (on_yield) on_yield();
    };
    w.Run();
    EXPECT_TRUE(w.Saved().empty()) << "the store writes no file of its own";
    w.ExpectMessage(c.message, L"Export Finished");
    EXPECT_TRUE(std::none_of(enabled_during.begin(), enabled_during.end(), [](bool e) { return e; }))
        << "the options are disabled during the run";
    EXPECT_TRUE(w.files.temporary.empty()) << "no temporary file is left";
    Files expected = c.before;
    if (!c.file.empty()) {
      ASSERT_TRUE(w.files.files.count(c.file)) << "no " << pindrel::ui::NarrowUtf8(c.file);
      const std::string& text = w.files.files.at(c.file);
      const std::string version = c.option == std::string("OptOneFile30") ? "VERSION:3.0" : "VERSION:4.0";
      int cards = 0, versions = 0;
      for (std::size_t at = 0; (at = text.find("BEGIN:VCARD\r\n", at)) != std::string::npos; ++at) ++cards;
      for (std::size_t at = 0; (at = text.find(version, at)) != std::string::npos; ++at) ++versions;
      EXPECT_EQ(cards, c.cards);
      EXPECT_EQ(versions, c.cards);
      EXPECT_EQ(text.find("Team"), std::string::npos) << "no distribution list";
      if (c.cards > 0) {
        EXPECT_LT(w.files.largest_write, text.size()) << "written card by card";
      }
      expected[c.file] = text;
    }
    for (const auto& [path, text] : w.files.files)
      if (text == "someone else's") expected[path] = text;  // the file that took the name
    EXPECT_EQ(w.files.files, expected) << "nothing else is written or replaced";
    if (!w.files.refuse_create) {
      EXPECT_EQ(w.files.created_in, L"C:\\Export");
    }
    EXPECT_TRUE(w.window().closed());
    w.ExpectLetGo();
  }

  // As the window opens, the choice is a file per contact, as before.
  ExportWindow each;
  each.press_export = false;
  each.Run();
  EXPECT_TRUE(each.window().Peek("OptOneFileEach").checked);
  EXPECT_FALSE(each.window().Peek("OptOneFile30").checked || each.window().Peek("OptOneFile40").checked);
}

// The card of a contact in the file carries its properties and its UID.
TEST(FrmvCardExportOneFile, CardsCarryTheContactsProperties) {
  ExportWindow w;
  FakeItem& ann = w.profile.AddItem(w.profile.contacts(), L"IPM.Contact",
                                    {{L"FirstName", L"Ann"}, {L"LastName", L"Lee"}, {L"Email1Address", L"a@b.org"},
                                     {L"Spouse", L"Bo"}});
  ann.birthday = pindrel::store::Date{1980, 1, 25};
  ann.anniversary = pindrel::store::Date{2005, 6, 7};
  ann.picture = std::string("\xff\xd8\xff", 3);
  w.format = "OptOneFile40";
  w.Run();
  const std::string& text = w.files.files.at(L"C:\\Export\\Contacts.vcf");
  const std::string uid = "UID:urn:uuid:" + pindrel::card_writer::NameBasedUuid(pindrel::ui::NarrowUtf8(ann.entry_id));
  for (const std::string line : {"N:Lee;Ann;;;", "FN:Ann Lee", "EMAIL;PREF=1:a@b.org",
                                 "RELATED;VALUE=text;TYPE=spouse:Bo", "BDAY:19800125", "ANNIVERSARY:20050607",
                                 "PHOTO:data:image/jpeg;base64,/9j/", uid.c_str()})
    EXPECT_NE(text.find("\r\n" + line + "\r\n"), std::string::npos) << line;
}

}  // namespace
