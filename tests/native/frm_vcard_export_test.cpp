// The export window over the fake store and desktop: what its load shows,
// which files an export writes and under which names, the progress labels,
// the order of the store calls, and how failures, a close request and a
// closed window are met.
#include "frm_vcard_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "fake_store.h"
#include "fake_ui.h"
#include "forms.h"
#include "frm_main.h"

namespace {

using fakes::FakeForm;
using fakes::FakeItem;
using fakes::FakeProfile;
using pindrel::store::StoreError;
using Calls = std::vector<std::string>;

const std::wstring kContactsPath = L"\\\\Personal Folders\\Contacts";
const std::wstring kStoreError = L"Outlook NOT Installed or Configured Properly.";
const std::wstring kDistList = L"IPM.DistList";

std::wstring Exported(int n) { return L"Exported (" + std::to_wstring(n) + L") Contacts to vCard Files."; }

// The export window opened by a stand-in main window, the user pressing
// "Export to vCard" once it is open.
struct ExportWindow {
  pindrel::Module1 state;
  fakes::FakeDesktop desktop;
  FakeProfile profile;
  pindrel::AppContext app{state, desktop, nullptr, profile.Factory(), nullptr};
  pindrel::FrmvCardExport logic{app};
  pindrel::ui::FormLogic main_logic;
  FakeForm main{pindrel::forms::frmMain::Layout(), main_logic, desktop};
  // What the user does in the open window before pressing the button.
  std::function<void(FakeForm&)> before_export;
  bool press_export = true;
  std::size_t calls_at_load_end = 0;

  ExportWindow() {
    state.ExportStoreID = profile.personal().store_id;
    state.ExportFolderID = profile.contacts().entry_id;
    logic.SetChoices(kContactsPath, L"C:\\Export");
  }
  FakeItem& Contact(const std::wstring& first, const std::wstring& last) {
    return profile.AddItem(profile.contacts(), L"IPM.Contact",
                           {{L"FirstName", first}, {L"LastName", last}});
  }
  FakeItem& DistList() { return profile.AddItem(profile.contacts(), kDistList, {{L"FirstName", L"Team"}}); }
  void Run() {
    desktop.on_modal["frmvCardExport"] = [this](FakeForm& f) {
      calls_at_load_end = profile.calls.size();
      if (before_export) before_export(f);
      if (press_export) f.Click("CmdExport");
    };
    desktop.ShowModal(pindrel::forms::frmvCardExport::Layout(), logic, main);
  }
  FakeForm& window() { return *desktop.opened.back(); }
  std::vector<std::wstring> Saved() const {
    std::vector<std::wstring> paths;
    for (const auto& [path, id] : profile.saved_as) paths.push_back(path);
    return paths;
  }
  Calls ExportCalls() const { return Calls(profile.calls.begin() + calls_at_load_end, profile.calls.end()); }
  bool SessionLeft() const { return state.StoreSession != nullptr || state.CurrentFolder != nullptr; }
};

TEST(FrmvCardExportLoad, ShowsSourceTargetAndCount) {
  ExportWindow w;
  w.Contact(L"Ann", L"Lee");
  w.DistList();
  w.Contact(L"Bo", L"Day");
  w.Contact(L"Cy", L"Fox");
  w.state.ExportStoreID = L"  " + w.state.ExportStoreID + L" ";  // read without the spaces
  w.state.ExportFolderID = L" " + w.state.ExportFolderID + L"  ";
  w.logic.SetChoices(kContactsPath, L"  D:\\vCards out\\ ");
  w.press_export = false;
  w.Run();
  const FakeForm& f = w.window();
  EXPECT_EQ(f.Peek("LblTotalContacts").text, L"4");  // the distribution list counts
  EXPECT_EQ(f.Peek("LblCurrentPSTName").text, L"C:\\profile\\Personal Folders.pst");
  EXPECT_EQ(f.Peek("LblSavingPath").text, L"D:\\vCards out\\");
  EXPECT_EQ(f.Peek("LblCurrent").text, L"0/4");
  EXPECT_FALSE(f.Peek("LblCurrent").visible);
  EXPECT_FALSE(f.Peek("sLblProcessing").visible);
  EXPECT_FALSE(f.Peek("imgContactICON").visible);
  EXPECT_TRUE(f.Peek("CmdExport").enabled);
  EXPECT_TRUE(w.desktop.messages.empty());
  // Logged off before the window shows.
  EXPECT_EQ(Calls(w.profile.calls.begin(), w.profile.calls.begin() + w.calls_at_load_end),
            (Calls{"Create", "Logon", "Stores", "Stores.GetStoreFromID", "Store.GetFolderFromID", "Store.PstPath",
                   "Folder.Items", "Items.Count", "Logoff"}));
  EXPECT_FALSE(w.SessionLeft());
}

TEST(FrmvCardExport, WritesEveryContactUnderItsName) {
  struct Case {
    const char* name;
    std::function<void(ExportWindow&)> arrange;
    std::vector<std::wstring> files;  // in C:\Export
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
      {"two contacts of one name get two files",
       [](ExportWindow& w) {
         w.Contact(L"Ann", L"Lee");
         w.Contact(L"Ann", L"Lee");
       },
       {L"Ann Lee (1).vcf", L"Ann Lee (2).vcf"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    c.arrange(w);
    w.Run();
    std::vector<std::wstring> want;
    for (const std::wstring& f : c.files) want.push_back(L"C:\\Export\\" + f);
    EXPECT_EQ(w.Saved(), want);
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].text, Exported(static_cast<int>(c.files.size())));
    EXPECT_EQ(w.desktop.messages[0].title, L"Export Finished");
    EXPECT_EQ(w.desktop.messages[0].owner, &w.window());
    EXPECT_TRUE(w.window().closed());
    EXPECT_FALSE(w.SessionLeft());
    EXPECT_EQ(w.profile.calls.back(), "Logoff");
    EXPECT_EQ(std::count(w.profile.calls.begin(), w.profile.calls.end(), "Item.SaveAs 6"),
              static_cast<std::ptrdiff_t>(c.files.size()));
  }
}

TEST(FrmvCardExport, StoreCallsInOrder) {
  ExportWindow w;
  w.Contact(L"Ann", L"Lee");
  w.DistList();
  w.Run();
  EXPECT_EQ(w.ExportCalls(),
            (Calls{// the folder opened again through a new session
                   "Create", "Logon", "Stores", "Stores.GetStoreFromID", "Store.GetFolderFromID", "Folder.Items",
                   "Items.Count",
                   // a contact: class, labels, name, save
                   "Folder.Items", "Items.Item 1", "Item.MessageClass", "Store.PstPath", "Folder.Items",
                   "Items.Count", "Item.Text FirstName", "Item.Text LastName", "Item.SaveAs 6",
                   // a distribution list: its class only
                   "Folder.Items", "Items.Item 2", "Item.MessageClass",
                   // the message, then the log off
                   "Logoff"}));
  EXPECT_EQ(w.profile.sessions, 2);
}

TEST(FrmvCardExport, ProgressLabelsOnePositionAtATime) {
  ExportWindow w;
  w.Contact(L"Ann", L"Lee");
  w.DistList();
  for (int i = 3; i <= 120; ++i) w.Contact(L"N", std::to_wstring(i));
  struct Seen {
    std::wstring current, total, contact;
    bool labels_shown, export_enabled;
  };
  std::vector<Seen> seen;
  w.desktop.on_yield = [&] {
    FakeForm& f = w.window();
    seen.push_back({f.Text("LblCurrent"), f.Text("LblTotalContacts"), f.Text("LblCurrentContact"),
                    f.Visible("sLblProcessing") && f.Visible("LblCurrent") && f.Visible("imgContactICON"),
                    f.Enabled("CmdExport")});
    // One more item arrives during the export: the labels follow it, the
    // export keeps to the count it read at its start.
    if (seen.size() == 3) w.Contact(L"Late", L"Comer");
  };
  w.Run();
  ASSERT_EQ(seen.size(), 120u);  // one yield per position
  EXPECT_EQ(seen[0].current, L"1/120");
  EXPECT_EQ(seen[0].contact, L"Ann Lee");
  EXPECT_EQ(seen[1].current, L"1/120");  // a distribution list leaves the labels
  EXPECT_EQ(seen[2].current, L"3/120");
  EXPECT_EQ(seen[2].contact, L"N 3");
  EXPECT_EQ(seen[3].current, L"4/121");
  EXPECT_EQ(seen[3].total, L"121");
  for (const Seen& s : seen) {
    EXPECT_TRUE(s.labels_shown);
    EXPECT_FALSE(s.export_enabled);  // one export at a time
  }
  EXPECT_EQ(w.desktop.messages.back().text, Exported(119));
}

TEST(FrmvCardExport, PositionsBeyond16Bits) {
  ExportWindow w;
  auto list = std::make_shared<FakeItem>(FakeItem{L"LIST", kDistList, {}, std::nullopt});
  auto contact = [](const wchar_t* last) {
    return std::make_shared<FakeItem>(FakeItem{last, L"IPM.Contact", {{L"LastName", last}}, std::nullopt});
  };
  auto& items = w.profile.contacts().items;
  items.assign(32770, list);
  items[0] = contact(L"First");
  items[32766] = contact(L"Last16");
  items[32767] = contact(L"Beyond");
  items[32769] = contact(L"End");
  w.Run();
  EXPECT_EQ(w.Saved(), (std::vector<std::wstring>{L"C:\\Export\\First (1).vcf", L"C:\\Export\\Last16 (32767).vcf",
                                                  L"C:\\Export\\Beyond (32768).vcf", L"C:\\Export\\End (32770).vcf"}));
  EXPECT_EQ(w.desktop.messages.back().text, Exported(4));
  EXPECT_EQ(w.desktop.yields, 32770);
}

TEST(FrmvCardExport, StoreNotReachedAtLoad) {
  struct Case {
    const char* name;
    std::function<void(ExportWindow&)> arrange;
    bool store_asked;
  };
  const std::vector<Case> cases = {
      {"no contacts folder chosen yet",
       [](ExportWindow& w) {
         w.state.ExportStoreID.clear();
         w.state.ExportFolderID.clear();
       },
       false},
      {"identifiers of blanks", [](ExportWindow& w) { w.state.ExportFolderID = L"   "; }, false},
      {"identifiers left from a choice the main window no longer shows",
       [](ExportWindow& w) { w.logic.SetChoices(L"", L"C:\\Export"); }, false},
      {"store no longer there", [](ExportWindow& w) { w.state.ExportStoreID = L"STORE-GONE"; }, true},
      {"folder no longer there", [](ExportWindow& w) { w.state.ExportFolderID = L"FOLDER-GONE"; }, true},
      {"no store library", [](ExportWindow& w) { w.profile.library_missing = true; }, true},
      {"log on fails", [](ExportWindow& w) { w.profile.FailOn("Logon", pindrel::store::kLogonFailed); }, true},
      {"the count cannot be read", [](ExportWindow& w) { w.profile.FailOn("Items.Count", 0x80004005); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    w.Contact(L"Ann", L"Lee");
    c.arrange(w);
    w.press_export = false;
    w.Run();
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].text, kStoreError);
    EXPECT_EQ(w.desktop.messages[0].title, L"Outlook Error");
    const FakeForm& f = w.window();
    EXPECT_FALSE(f.Peek("CmdExport").enabled);
    EXPECT_EQ(f.Peek("LblTotalContacts").text, L"");
    EXPECT_EQ(f.Peek("LblSavingPath").text, L"C:\\Export");
    EXPECT_FALSE(f.Peek("LblCurrent").visible);
    EXPECT_FALSE(w.SessionLeft());
    EXPECT_EQ(w.profile.calls.empty(), !c.store_asked);
    // Logged off exactly when logged on.
    bool logged_on = std::count(w.profile.calls.begin(), w.profile.calls.end(), "Logon") > 0 &&
                     c.name != std::string("log on fails");
    EXPECT_EQ(std::count(w.profile.calls.begin(), w.profile.calls.end(), "Logoff"), logged_on ? 1 : 0);
    EXPECT_TRUE(w.Saved().empty());
  }
}

TEST(FrmvCardExport, FolderGoneBeforeTheExport) {
  ExportWindow w;
  w.Contact(L"Ann", L"Lee");
  w.before_export = [&](FakeForm&) { w.profile.personal().folders.erase(w.profile.personal().folders.begin()); };
  w.Run();
  ASSERT_EQ(w.desktop.messages.size(), 1u);
  EXPECT_EQ(w.desktop.messages[0].text, kStoreError);
  EXPECT_EQ(w.desktop.messages[0].title, L"Outlook Error");
  const FakeForm& f = w.window();
  EXPECT_FALSE(f.Peek("CmdExport").enabled);
  EXPECT_FALSE(f.Peek("sLblProcessing").visible);
  EXPECT_FALSE(f.Peek("imgContactICON").visible);
  EXPECT_EQ(f.Peek("LblTotalContacts").text, L"1");  // from the load
  EXPECT_TRUE(w.Saved().empty());
  EXPECT_FALSE(w.SessionLeft());
  EXPECT_EQ(w.profile.calls.back(), "Logoff");
}

TEST(FrmvCardExport, StoreWithoutPstPath) {
  ExportWindow w;
  w.Contact(L"Ann", L"Lee");
  w.profile.FailOn("Store.PstPath", static_cast<std::int32_t>(0x80040102));
  w.Run();
  EXPECT_EQ(w.window().Peek("LblCurrentPSTName").text, L"");
  EXPECT_EQ(w.Saved(), std::vector<std::wstring>{L"C:\\Export\\Ann Lee (1).vcf"});
  EXPECT_EQ(w.desktop.messages.back().text, Exported(1));
}

TEST(FrmvCardExport, FailuresAreCountedAndReported) {
  const StoreError path_gone(static_cast<std::int32_t>(0x80070003), L"The system cannot find the path specified.");
  struct Case {
    const char* name;
    std::function<void(ExportWindow&)> arrange;
    std::vector<std::wstring> files;
    std::wstring message;
  };
  const std::vector<Case> cases = {
      {"the second save fails",
       [](ExportWindow& w) { w.profile.FailOn("Item.SaveAs 6", 0x80004005, 2); },
       {L"C:\\Export\\A One (1).vcf", L"C:\\Export\\C Three (3).vcf", L"C:\\Export\\D Four (4).vcf"},
       Exported(3) + L"\r\n(1) Contacts could not be written.\r\nFirst reason: failure made by the test"},
      {"the directory goes away after the first file",
       [&path_gone](ExportWindow& w) {
         w.profile.before_call = [&w, &path_gone](const std::string& call) {
           if (call == "Item.SaveAs 6" && !w.profile.saved_as.empty()) throw path_gone;
         };
       },
       {L"C:\\Export\\A One (1).vcf"},
       Exported(1) + L"\r\n(3) Contacts could not be written.\r\nFirst reason: " + path_gone.description()},
      {"a failure without a text gives its code",
       [](ExportWindow& w) {
         w.profile.before_call = [](const std::string& call) {
           if (call == "Item.SaveAs 6") throw StoreError(static_cast<std::int32_t>(0x80070005), L"");
         };
       },
       {},
       Exported(0) + L"\r\n(4) Contacts could not be written.\r\nFirst reason: "
                     L"The contact store reported error 0x80070005"},
      {"an item that cannot be read",
       [](ExportWindow& w) { w.profile.FailOn("Items.Item 2", static_cast<std::int32_t>(0x8004010F)); },
       {L"C:\\Export\\A One (1).vcf", L"C:\\Export\\C Three (3).vcf", L"C:\\Export\\D Four (4).vcf"},
       Exported(3) + L"\r\n(1) Contacts could not be written.\r\nFirst reason: failure made by the test"},
      {"a name that cannot be read",
       [](ExportWindow& w) { w.profile.FailOn("Item.Text LastName", 0x80004005, 4); },
       {L"C:\\Export\\A One (1).vcf", L"C:\\Export\\B Two (2).vcf", L"C:\\Export\\C Three (3).vcf"},
       Exported(3) + L"\r\n(1) Contacts could not be written.\r\nFirst reason: failure made by the test"},
      {"a directory too deep for any file",
       [](ExportWindow& w) { w.logic.SetChoices(kContactsPath, L"C:\\" + std::wstring(260, L'x')); },
       {},
       Exported(0) + L"\r\n(4) Contacts could not be written.\r\nFirst reason: "
                     L"Its file path would be longer than 259 characters."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    w.Contact(L"A", L"One");
    w.Contact(L"B", L"Two");
    w.Contact(L"C", L"Three");
    w.Contact(L"D", L"Four");
    c.arrange(w);
    w.Run();
    EXPECT_EQ(w.Saved(), c.files);
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].text, c.message);
    EXPECT_EQ(w.desktop.messages[0].title, L"Export Finished");
    EXPECT_EQ(w.desktop.yields, 4);  // every position was visited
    EXPECT_TRUE(w.window().closed());
    EXPECT_FALSE(w.SessionLeft());
  }
}

TEST(FrmvCardExport, CloseDuringTheExport) {
  struct Case {
    const char* name;
    int at_yield;
    bool request;  // a close request (close box); otherwise the window is closed from elsewhere
    std::vector<std::wstring> files;
    std::wstring message;  // empty: none
  };
  const std::vector<Case> cases = {
      {"close box stops after the current contact", 2, true,
       {L"C:\\Export\\A One (1).vcf", L"C:\\Export\\B Two (2).vcf"},
       Exported(2) + L"\r\nThe export was stopped before the last contact."},
      {"close box at the last contact", 4, true,
       {L"C:\\Export\\A One (1).vcf", L"C:\\Export\\B Two (2).vcf", L"C:\\Export\\C Three (3).vcf",
        L"C:\\Export\\D Four (4).vcf"},
       Exported(4)},
      {"window closed elsewhere: nothing more, nobody to tell", 2, false,
       {L"C:\\Export\\A One (1).vcf", L"C:\\Export\\B Two (2).vcf"},
       L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExportWindow w;
    w.Contact(L"A", L"One");
    w.Contact(L"B", L"Two");
    w.Contact(L"C", L"Three");
    w.Contact(L"D", L"Four");
    bool closed_at_request = false;
    w.desktop.on_yield = [&] {
      if (w.desktop.yields != c.at_yield) return;
      if (c.request) {
        w.window().RequestClose();
        closed_at_request = w.window().closed();
      } else {
        w.window().Close();
      }
    };
    w.Run();
    EXPECT_FALSE(closed_at_request);  // the window waits for the contact in hand
    EXPECT_EQ(w.Saved(), c.files);
    if (c.message.empty()) {
      EXPECT_TRUE(w.desktop.messages.empty());
    } else {
      ASSERT_EQ(w.desktop.messages.size(), 1u);
      EXPECT_EQ(w.desktop.messages[0].text, c.message);
    }
    EXPECT_EQ(w.desktop.yields, c.at_yield);
    EXPECT_TRUE(w.window().closed());
    EXPECT_FALSE(w.SessionLeft());
    EXPECT_EQ(w.profile.calls.back(), "Logoff");
  }
}

// The main window hands over its folder and directory; the window can be
// opened and used again after an export.
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

  main.Click("CmdProcess");  // to the desktop directory, which ends in a backslash
  desktop.folder_answers.push_back(L"D:\\vCards");
  main.Click("CmdBrowseExport");
  main.Click("CmdProcess");
  EXPECT_EQ(profile.saved_as.size(), 2u);
  EXPECT_EQ(profile.saved_as[0].first, L"C:\\users\\tester\\Desktop\\Ann Lee (1).vcf");
  EXPECT_EQ(profile.saved_as[1].first, L"D:\\vCards\\Ann Lee (1).vcf");
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[1].text, Exported(1));

  // A later choice that is cancelled empties the box: its folder is gone.
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
