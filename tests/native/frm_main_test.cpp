// The main window's logic against a fake form and a fake desktop: modes,
// the change rule, the directory choices, the walk report, Proceed, the menu,
// and what happens when a handler fails.
#include "frm_main.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "fake_store.h"
#include "fake_ui.h"
#include "forms.h"
#include "guard.h"

namespace {

using fakes::FakeDesktop;
using fakes::FakeForm;
using fakes::FakeProfile;
using pindrel::AppContext;
using pindrel::FrmMain;
using pindrel::Module1;

const std::wstring kDesktopDir = L"C:\\users\\tester\\Desktop\\";
const std::wstring kContacts = L"\\\\Personal Folders\\Contacts";

// The main window with everything it talks to replaced.
struct MainWindow {
  Module1 module;
  FakeDesktop desktop;
  FakeProfile profile;
  // What the fake walk finds, by root with its trailing backslash.
  std::map<std::wstring, std::vector<std::wstring>> tree;
  std::vector<std::wstring> walked;
  AppContext app{module, desktop,
                 [this](std::wstring& root, std::vector<std::wstring>& found) {
                   desktop.log.push_back("walk");
                   if (root.empty() || root.back() != L'\\') root += L'\\';
                   walked.push_back(root);
                   const auto& files = tree[root];
                   found.insert(found.end(), files.begin(), files.end());
                   return static_cast<int>(files.size());
                 },
                 profile.Factory(), nullptr};
  FrmMain logic{app};
  FakeForm form{pindrel::forms::frmMain::Layout(), logic, desktop};

  MainWindow() { desktop.desktop_directory = kDesktopDir; }
  // What the contacts folder choice leaves in the window.
  void ContactsFolderChosen() { form.SetText("txtPSTfile", kContacts); }
  void ChooseVCardFolder(const std::wstring& answer) {
    desktop.folder_answers.push_back(answer);
    form.Click("CmdSelectFolder");
  }
  // The windows the main window opened, by name.
  std::vector<std::string> Opened() const {
    std::vector<std::string> names;
    for (const auto& [name, owner] : desktop.modal_windows) names.push_back(name);
    return names;
  }
};

struct ModeState {
  bool export_controls;  // FramevCardExport, txtPSTfile, CmdPSTSelect, CmdBrowseExport, txtExportSavePath
  bool import_controls;  // FramevCardImport, txtVCFfolder, CmdSelectFolder
  std::wstring export_path;
  std::wstring process_caption;
  bool process_enabled;
};

void ExpectMode(const FakeForm& f, const ModeState& want) {
  for (const char* c : {"FramevCardExport", "txtPSTfile", "CmdPSTSelect", "CmdBrowseExport", "txtExportSavePath"})
    EXPECT_EQ(f.Enabled(c), want.export_controls) << c;
  for (const char* c : {"FramevCardImport", "txtVCFfolder", "CmdSelectFolder"})
    EXPECT_EQ(f.Enabled(c), want.import_controls) << c;
  EXPECT_EQ(f.Text("txtExportSavePath"), want.export_path);
  EXPECT_EQ(f.Text("CmdProcess"), want.process_caption);
  EXPECT_EQ(f.Enabled("CmdProcess"), want.process_enabled);
}

const std::wstring kExport = L"Export Outlook Contacts >>";
const std::wstring kImport = L"Process vCard Files >>";

// Each row walks the window from start-up through a few user steps and checks
// the whole mode state at the end.
struct ModeCase {
  const char* name;
  std::function<void(MainWindow&)> steps;
  ModeState want;
};

TEST(FrmMainModes, EveryModeAndWayIn) {
  const std::vector<ModeCase> cases = {
      {"start-up: export mode, desktop directory, Proceed off", [](MainWindow&) {},
       {true, false, kDesktopDir, kExport, false}},
      {"contacts folder chosen while desktop directory shown", [](MainWindow& w) { w.ContactsFolderChosen(); },
       {true, false, kDesktopDir, kExport, true}},
      {"no desktop directory from the shell: stays off with a contacts folder",
       [](MainWindow& w) {
         w.desktop.desktop_directory.clear();
         w.form.Click("OptvCardImport");
         w.form.Click("OptvCardExport");
         w.ContactsFolderChosen();
       },
       {true, false, L"", kExport, false}},
      {"import mode from start: path emptied, Proceed off", [](MainWindow& w) { w.form.Click("OptvCardImport"); },
       {false, true, L"", kImport, false}},
      {"import mode with a contacts folder but no vCard folder",
       [](MainWindow& w) {
         w.ContactsFolderChosen();
         w.form.Click("OptvCardImport");
       },
       {false, true, L"", kImport, false}},
      {"import mode with both chosen before the switch",
       [](MainWindow& w) {
         w.form.Click("OptvCardImport");
         w.ChooseVCardFolder(L"C:\\cards");
         w.form.Click("OptvCardExport");
         w.ContactsFolderChosen();
         w.form.Click("OptvCardImport");
       },
       {false, true, L"", kImport, true}},
      {"choosing a vCard folder in import mode leaves Proceed as it was",
       [](MainWindow& w) {
         w.ContactsFolderChosen();
         w.form.Click("OptvCardImport");
         w.ChooseVCardFolder(L"C:\\cards");
       },
       {false, true, L"", kImport, false}},
      {"back to export mode: desktop directory replaces a browsed one",
       [](MainWindow& w) {
         w.desktop.folder_answers.push_back(L"D:\\out");
         w.form.Click("CmdBrowseExport");
         w.form.Click("OptvCardImport");
         w.form.Click("OptvCardExport");
       },
       {true, false, kDesktopDir, kExport, false}},
      {"back to export mode with a contacts folder: Proceed on",
       [](MainWindow& w) {
         w.ContactsFolderChosen();
         w.form.Click("OptvCardImport");
         w.form.Click("OptvCardExport");
       },
       {true, false, kDesktopDir, kExport, true}},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.name);
    MainWindow w;
    w.form.Open();
    c.steps(w);
    ExpectMode(w.form, c.want);
    EXPECT_TRUE(w.desktop.messages.size() == 1 || w.desktop.messages.empty());
    for (const auto& m : w.desktop.messages) EXPECT_EQ(m.title, L"vCard File(s) Info");
  }
}

TEST(FrmMainModes, StartUpState) {
  MainWindow w;
  w.form.Open();
  EXPECT_TRUE(w.form.Checked("OptvCardExport"));
  EXPECT_FALSE(w.form.Checked("OptvCardImport"));
  EXPECT_EQ(w.form.Text("txtPSTfile"), L"");
  EXPECT_EQ(w.form.Text("txtVCFfolder"), L"");
  EXPECT_EQ(w.desktop.special_folders, std::vector<int>{16});
  EXPECT_TRUE(w.desktop.messages.empty());
}

TEST(FrmMainModes, ContactsFolderTextKeptAcrossSwitches) {
  MainWindow w;
  w.form.Open();
  w.ContactsFolderChosen();
  w.form.Click("OptvCardImport");
  w.form.Click("OptvCardExport");
  EXPECT_EQ(w.form.Text("txtPSTfile"), kContacts);
}

TEST(FrmMainModes, SelectButtonAsksTheStoreForAContactsFolder) {
  MainWindow w;
  w.form.Open();
  w.form.Click("CmdPSTSelect");
  EXPECT_EQ(w.profile.sessions, 1);
  EXPECT_NE(std::find(w.profile.calls.begin(), w.profile.calls.end(), "PickFolder"), w.profile.calls.end());
}

// The change rule runs on every change of either export box, in any mode.
TEST(FrmMainChangeRule, BothBoxesNeeded) {
  struct Case {
    std::wstring pst, path;
    bool enabled;
  };
  for (const Case& c : std::vector<Case>{{L"", L"", false},
                                         {kContacts, L"", false},
                                         {L"", L"D:\\out", false},
                                         {kContacts, L"D:\\out", true}}) {
    MainWindow w;
    w.form.Open();
    w.form.SetText("txtExportSavePath", L"x");  // make sure both later sets are real changes
    w.form.SetText("txtPSTfile", L"x");
    w.form.SetText("txtPSTfile", c.pst);
    w.form.SetText("txtExportSavePath", c.path);
    EXPECT_EQ(w.form.Enabled("CmdProcess"), c.enabled) << std::string(c.pst.begin(), c.pst.end());
  }
}

TEST(FrmMainExportDirectory, ChosenDirectoryEnablesProceedEvenWithoutContacts) {
  MainWindow w;
  w.form.Open();
  w.desktop.folder_answers.push_back(L"  D:\\vCards out  ");
  w.form.Click("CmdBrowseExport");
  ASSERT_EQ(w.desktop.folder_requests.size(), 1u);
  EXPECT_EQ(w.desktop.folder_requests[0].owner, nullptr);
  EXPECT_EQ(w.desktop.folder_requests[0].title, L"Select folder to save vCard files");
  EXPECT_EQ(w.form.Text("txtExportSavePath"), L"D:\\vCards out");
  EXPECT_EQ(w.form.Text("CmdProcess"), kExport);
  EXPECT_TRUE(w.form.Enabled("CmdProcess"));
}

TEST(FrmMainExportDirectory, CancelDisablesProceedAndKeepsPath) {
  for (bool with_contacts : {false, true}) {
    MainWindow w;
    w.form.Open();
    if (with_contacts) w.ContactsFolderChosen();
    w.form.Click("CmdBrowseExport");  // no answer queued: cancelled
    EXPECT_EQ(w.form.Text("txtExportSavePath"), kDesktopDir);
    EXPECT_EQ(w.form.Text("CmdProcess"), L"Process >>");
    EXPECT_FALSE(w.form.Enabled("CmdProcess"));
  }
}

TEST(FrmMainVCardFolder, FilesFoundAreReportedAndImportWindowOpens) {
  MainWindow w;
  w.form.Open();
  w.form.Click("OptvCardImport");
  w.tree[L"C:\\data\\"] = {L"C:\\data\\a.vcf", L"C:\\data\\b.txt", L"C:\\data\\sub\\c.VCF"};
  w.module.FoundFiles = {L"stale from an earlier walk"};
  std::wstring box_at_yield;
  std::vector<std::wstring> listed;
  w.desktop.on_yield = [&] {
    if (box_at_yield.empty()) box_at_yield = w.form.Text("txtVCFfolder");
  };
  w.desktop.on_message = [&](const std::wstring&) { listed = w.module.FoundFiles; };
  w.desktop.log.clear();
  std::wstring total_when_shown;
  w.desktop.on_modal["frmvCardImport"] = [&](FakeForm& f) { total_when_shown = f.Text("LblTotalvCards"); };
  w.ChooseVCardFolder(L"C:\\data");

  EXPECT_EQ(w.desktop.folder_requests.back().owner, &w.form);
  EXPECT_EQ(w.desktop.folder_requests.back().title, L"Select Folder...");
  // The import window's load yields once before it is shown.
  EXPECT_EQ(w.desktop.log, (std::vector<std::string>{"ChooseFolder", "DoEvents", "walk", "ShowMessage",
                                                       "ShowModal frmvCardImport", "DoEvents"}));
  EXPECT_EQ(total_when_shown, L"3");
  EXPECT_EQ(box_at_yield, L"C:\\data");
  EXPECT_EQ(w.form.Text("txtVCFfolder"), L"C:\\data");
  // The walk normalises its own copy; the remembered folder is as chosen.
  // The import window's load emptied the list: its run walks again.
  EXPECT_EQ(w.module.ImportSourceFolder, L"C:\\data");
  EXPECT_EQ(w.walked, std::vector<std::wstring>{L"C:\\data\\"});
  EXPECT_EQ(listed, w.tree[L"C:\\data\\"]);
  EXPECT_TRUE(w.module.FoundFiles.empty());
  ASSERT_EQ(w.desktop.messages.size(), 1u);
  EXPECT_EQ(w.desktop.messages[0].owner, &w.form);
  EXPECT_EQ(w.desktop.messages[0].title, L"vCard File(s) Info");
  EXPECT_EQ(w.desktop.messages[0].text,
            L"Selected Folder: C:\\data\\\r\n\r\nFound 3 vCard files in the selected folder");
  ASSERT_EQ(w.desktop.modal_windows.size(), 1u);
  EXPECT_EQ(w.desktop.modal_windows[0].second, &w.form);
}

TEST(FrmMainVCardFolder, NoFilesReportedAsZeroAndWindowStillOpens) {
  MainWindow w;
  w.form.Open();
  w.form.Click("OptvCardImport");
  w.ChooseVCardFolder(L"E:\\");  // a drive root keeps its single backslash
  ASSERT_EQ(w.desktop.messages.size(), 1u);
  EXPECT_EQ(w.desktop.messages[0].text, L"Selected Folder: E:\\\r\n\r\nFound 0 vCard files in the selected folder");
  EXPECT_EQ(w.Opened(), std::vector<std::string>{"frmvCardImport"});
  EXPECT_EQ(w.desktop.opened.back()->Peek("LblTotalvCards").text, L"0");
}

TEST(FrmMainVCardFolder, CancelKeepsEverythingChosenBefore) {
  MainWindow w;
  w.form.Open();
  w.form.Click("OptvCardImport");
  w.tree[L"C:\\data\\"] = {L"C:\\data\\a.vcf"};
  w.ChooseVCardFolder(L"C:\\data");
  w.desktop.log.clear();
  w.form.Click("CmdSelectFolder");  // cancelled

  EXPECT_EQ(w.desktop.log, std::vector<std::string>{"ChooseFolder"});
  EXPECT_EQ(w.form.Text("txtVCFfolder"), L"C:\\data");
  EXPECT_EQ(w.module.ImportSourceFolder, L"C:\\data");
  EXPECT_EQ(w.desktop.messages.size(), 1u);
  EXPECT_EQ(w.Opened().size(), 1u);
}

TEST(FrmMainVCardFolder, CancelFirstTimeLeavesSourceEmpty) {
  MainWindow w;
  w.form.Open();
  w.form.Click("OptvCardImport");
  w.module.ImportSourceFolder = L"";
  w.form.Click("CmdSelectFolder");
  EXPECT_EQ(w.module.ImportSourceFolder, L"");
  EXPECT_TRUE(w.walked.empty());
  EXPECT_TRUE(w.desktop.messages.empty());
}

TEST(FrmMainVCardFolder, SecondWalkReplacesFirstList) {
  MainWindow w;
  w.form.Open();
  w.form.Click("OptvCardImport");
  w.tree[L"C:\\one\\"] = {L"C:\\one\\a.vcf", L"C:\\one\\b.vcf"};
  w.tree[L"C:\\two\\"] = {L"C:\\two\\z.vcf"};
  std::vector<std::wstring> listed;
  w.desktop.on_message = [&](const std::wstring&) { listed = w.module.FoundFiles; };  // right after the walk
  w.ChooseVCardFolder(L"C:\\one");
  w.ChooseVCardFolder(L"C:\\two");
  EXPECT_EQ(listed, std::vector<std::wstring>{L"C:\\two\\z.vcf"});
  EXPECT_EQ(w.module.ImportSourceFolder, L"C:\\two");
  EXPECT_EQ(w.desktop.opened.back()->Peek("LblTotalvCards").text, L"1");
}

TEST(FrmMainProceed, OpensTheWindowOfTheMode) {
  struct Case {
    bool import_mode;
    std::string window;
    std::wstring total;  // the import window shows the latest walk's count
  };
  for (const Case& c : {Case{false, "frmvCardExport", L""}, Case{true, "frmvCardImport", L"2"}}) {
    MainWindow w;
    w.form.Open();
    w.ContactsFolderChosen();
    if (c.import_mode) {
      w.tree[L"C:\\cards\\"] = {L"C:\\cards\\a.vcf", L"C:\\cards\\b.vcf"};
      w.form.Click("OptvCardImport");
      w.ChooseVCardFolder(L"C:\\cards");
      w.form.Click("OptvCardExport");
      w.form.Click("OptvCardImport");  // both boxes filled: Proceed is on
      w.desktop.modal_windows.clear();
    }
    ASSERT_TRUE(w.form.Enabled("CmdProcess"));
    w.form.Click("CmdProcess");
    ASSERT_EQ(w.Opened(), std::vector<std::string>{c.window});
    EXPECT_EQ(w.desktop.modal_windows[0].second, &w.form);
    if (c.import_mode) {
      EXPECT_EQ(w.desktop.opened.back()->Peek("LblTotalvCards").text, c.total);
    }
  }
}

TEST(FrmMainMenu, ExitClosesAndEndsCloseBoxOnlyCloses) {
  MainWindow exiting;
  exiting.form.Open();
  exiting.form.Click("mnuExit");
  EXPECT_TRUE(exiting.form.closed());
  EXPECT_TRUE(exiting.desktop.ended);

  MainWindow closing;
  closing.form.Open();
  closing.form.RequestClose();
  EXPECT_TRUE(closing.form.closed());
  EXPECT_FALSE(closing.desktop.ended);
}

TEST(FrmMainMenu, HelpAndAbout) {
  MainWindow w;
  w.form.Open();
  w.form.Click("mnuContents");
  w.form.Click("mnuAbout");
  EXPECT_EQ(w.desktop.help_owners, std::vector<const pindrel::ui::Form*>{&w.form});
  ASSERT_EQ(w.Opened(), std::vector<std::string>{"frmAbout"});
  EXPECT_EQ(w.desktop.modal_windows[0].second, &w.form);
}

TEST(FrmAbout, OkCloses) {
  FakeDesktop desktop;
  pindrel::FrmAbout logic;
  FakeForm about(pindrel::forms::frmAbout::Layout(), logic, desktop);
  about.Open();
  EXPECT_EQ(about.Text("Label1"), L"Pindrel v2.0");
  about.Click("CmdOK");
  EXPECT_TRUE(about.closed());
}

// A failing handler is reported with its description and the window keeps
// working afterwards.
TEST(FrmMainErrors, HandlerFailureIsShownAndProgramGoesOn) {
  struct Case {
    const char* name;
    std::function<void()> thrower;
    std::wstring what;
  };
  const std::vector<Case> cases = {
      {"std::exception", [] { throw std::runtime_error("the shell is not available"); },
       L"the shell is not available"},
      {"non-ASCII description", [] { throw std::runtime_error("Ordner \xC3\xBC" "ber"); }, L"Ordner \u00FCber"},
      {"unknown kind", [] { throw 42; }, L"(an error of unknown kind)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainWindow w;
    w.form.Open();
    w.desktop.on_choose_folder = c.thrower;
    w.form.Click("CmdBrowseExport");
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].title, L"Pindrel");
    EXPECT_EQ(w.desktop.messages[0].text,
              L"An unexpected error stopped this action:\r\n\r\n" + c.what +
                  L"\r\n\r\nPindrel goes on; please try again or choose another way.");
    EXPECT_EQ(w.desktop.messages[0].owner, &w.form);
    EXPECT_FALSE(w.form.closed());
    // Still alive: the next handler runs normally.
    w.form.Click("OptvCardImport");
    EXPECT_EQ(w.form.Text("CmdProcess"), kImport);
  }
}

TEST(FrmMainErrors, FailureDuringLoadStillLeavesAWindow) {
  struct ThrowingDesktop : FakeDesktop {
    std::wstring SpecialFolderPath(int, const pindrel::ui::Form*) override {
      throw std::runtime_error("no desktop directory");
    }
  };
  Module1 module;
  ThrowingDesktop desktop;
  AppContext app{module, desktop, [](std::wstring&, std::vector<std::wstring>&) { return 0; }, nullptr, nullptr};
  FrmMain logic(app);
  FakeForm form(pindrel::forms::frmMain::Layout(), logic, desktop);
  form.Open();
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_NE(desktop.messages[0].text.find(L"no desktop directory"), std::wstring::npos);
  EXPECT_FALSE(form.closed());
  form.Click("OptvCardImport");
  EXPECT_TRUE(form.Enabled("CmdSelectFolder"));
}

TEST(Guard, ReportingFailureDoesNotEscape) {
  struct BrokenDesktop : FakeDesktop {
    void ShowMessage(const pindrel::ui::Form*, const std::wstring&, const std::wstring&) override {
      throw std::runtime_error("cannot show");
    }
  };
  BrokenDesktop desktop;
  EXPECT_FALSE(pindrel::ui::RunGuarded(desktop, nullptr, [] { throw std::runtime_error("x"); }));
  EXPECT_TRUE(pindrel::ui::RunGuarded(desktop, nullptr, [] {}));
}

TEST(Guard, WidenUtf8) {
  struct Case {
    std::string in;
    std::wstring out;
  };
  for (const Case& c : std::vector<Case>{{"plain", L"plain"},
                                         {"\xC3\xA9t\xC3\xA9", L"\u00E9t\u00E9"},
                                         {"\xE2\x82\xAC", L"\u20AC"},
                                         {"bad \xFF byte", L"bad \uFFFD byte"},
                                         {"cut \xE2\x82", L"cut \uFFFD"},
                                         {"cut \xE2\x82 short", L"cut \uFFFD short"},
                                         {"\xF0\x9F\x98x", L"\uFFFDx"},
                                         // C0 never begins a sequence, so each of the two
                                         // bytes is one U+FFFD (the shared codec's policy,
                                         // and always the local store's).
                                         {"overlong \xC0\xAF", L"overlong \uFFFD\uFFFD"},
                                         {"", L""}}) {
    EXPECT_EQ(pindrel::ui::WidenUtf8(c.in), c.out) << c.in;
  }
}

}  // namespace
