// The export frame's "Select...": the store library's picker, the contacts
// folder accepted or refused, and what each outcome leaves in the window and
// the application state.
#include "contacts_folder_choice.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fake_store.h"
#include "fake_ui.h"
#include "forms.h"
#include "frm_main.h"

namespace {

using fakes::FakeProfile;
using pindrel::store::StoreError;

struct Window {
  pindrel::Module1 state;
  fakes::FakeDesktop desktop;
  FakeProfile profile;
  pindrel::AppContext app{state, desktop, [](std::wstring&, std::vector<std::wstring>&) { return 0; },
                          profile.Factory(), nullptr};
  pindrel::FrmMain logic{app};
  fakes::FakeForm form{pindrel::forms::frmMain::Layout(), logic, desktop};

  Window() { form.Open(); }
  bool Called(const std::string& call) const {
    return std::find(profile.calls.begin(), profile.calls.end(), call) != profile.calls.end();
  }
};

struct Outcome {
  std::wstring pst_text;
  bool process_enabled;
  std::wstring message;  // empty: none
  std::wstring title;
  bool ids_set;
  bool session_kept;
  bool logged_off;
};

TEST(ContactsFolderChoice, EveryOutcome) {
  const std::wstring refused_inbox = L"You have selected Inbox.\r\nPlease select a Contacts folder.";
  const std::wstring store_error = L"Outlook NOT Installed or Configured Properly.";
  struct Case {
    const char* name;
    std::function<void(Window&)> arrange;  // what the user picks, what fails
    Outcome want;
  };
  const std::vector<Case> cases = {
      {"contacts folder accepted; desktop directory shown: Proceed on",
       [](Window& w) { w.profile.pick = [&w](auto&) { return w.profile.contacts().entry_id; }; },
       {L"\\\\Personal Folders\\Contacts", true, L"", L"", true, true, false}},
      {"contacts folder accepted without a target directory: Proceed stays off",
       [](Window& w) {
         w.form.SetText("txtExportSavePath", L"");
         w.profile.pick = [&w](auto&) { return w.profile.contacts().entry_id; };
       },
       {L"\\\\Personal Folders\\Contacts", false, L"", L"", true, true, false}},
      {"a mail folder is refused, no log off",
       [](Window& w) { w.profile.pick = [&w](auto&) { return w.profile.inbox().entry_id; }; },
       {L"", false, refused_inbox, L"Select Contacts Folder", false, false, false}},
      {"class differing in case is refused",
       [](Window& w) {
         w.profile.contacts().message_class = L"ipm.contact";
         w.profile.pick = [&w](auto&) { return w.profile.contacts().entry_id; };
       },
       {L"", false, L"You have selected Contacts.\r\nPlease select a Contacts folder.", L"Select Contacts Folder",
        false, false, false}},
      {"class with a suffix is refused",
       [](Window& w) {
         auto& f = w.profile.AddFolder(w.profile.personal(), L"Odd", L"IPM.Contact.Special");
         w.profile.pick = [&f](auto&) { return f.entry_id; };
       },
       {L"", false, L"You have selected Odd.\r\nPlease select a Contacts folder.", L"Select Contacts Folder", false,
        false, false}},
      {"an unreadable class is not a contacts folder",
       [](Window& w) {
         w.profile.FailOn("Folder.DefaultMessageClass", 0x80004005);
         w.profile.pick = [&w](auto&) { return w.profile.contacts().entry_id; };
       },
       {L"", false, L"You have selected Contacts.\r\nPlease select a Contacts folder.", L"Select Contacts Folder",
        false, false, false}},
      {"cancelled: nothing shown, session logged off", [](Window&) {},
       {L"", false, L"", L"", false, false, true}},
      {"no store library", [](Window& w) { w.profile.library_missing = true; },
       {L"", false, store_error, L"Outlook Error", false, false, false}},
      {"log on fails", [](Window& w) { w.profile.FailOn("Logon", pindrel::store::kLogonFailed); },
       {L"", false, store_error, L"Outlook Error", false, false, false}},
      // A failure after the log on still logs the session off.
      {"no default contacts folder", [](Window& w) { w.profile.FailOn("GetDefaultFolder 10", 0x8004010F); },
       {L"", false, store_error, L"Outlook Error", false, false, true}},
      {"the picker fails", [](Window& w) { w.profile.FailOn("PickFolder", 0x80004005); },
       {L"", false, store_error, L"Outlook Error", false, false, true}},
      {"identifiers that cannot be read are not half kept",
       [](Window& w) {
         w.profile.FailOn("Folder.EntryID", 0x80004005);
         w.profile.pick = [&w](auto&) { return w.profile.contacts().entry_id; };
       },
       {L"", false, store_error, L"Outlook Error", false, false, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    w.state.ExportStoreID = L"old store";
    w.state.ExportFolderID = L"old folder";
    w.form.SetText("txtPSTfile", L"an earlier choice");
    c.arrange(w);
    w.form.Click("CmdPSTSelect");

    EXPECT_EQ(w.form.Text("txtPSTfile"), c.want.pst_text);
    EXPECT_EQ(w.form.Enabled("CmdProcess"), c.want.process_enabled);
    if (c.want.message.empty()) {
      EXPECT_TRUE(w.desktop.messages.empty());
    } else {
      ASSERT_EQ(w.desktop.messages.size(), 1u);
      EXPECT_EQ(w.desktop.messages[0].text, c.want.message);
      EXPECT_EQ(w.desktop.messages[0].title, c.want.title);
      EXPECT_EQ(w.desktop.messages[0].owner, &w.form);
    }
    if (c.want.ids_set) {
      EXPECT_EQ(w.state.ExportStoreID, w.profile.personal().store_id);
      EXPECT_EQ(w.state.ExportFolderID, w.profile.contacts().entry_id);
    } else {
      EXPECT_EQ(w.state.ExportStoreID, L"old store");
      EXPECT_EQ(w.state.ExportFolderID, L"old folder");
    }
    EXPECT_EQ(w.state.StoreSession != nullptr, c.want.session_kept);
    EXPECT_EQ(w.state.CurrentFolder != nullptr, c.want.session_kept);
    EXPECT_EQ(w.Called("Logoff"), c.want.logged_off);
  }
}

TEST(ContactsFolderChoice, PickerStartsAtTheDefaultContactsFolderWithItsArguments) {
  Window w;
  std::vector<FakeProfile::PickRequest> requests;
  w.profile.pick = [&](const FakeProfile::PickRequest& r) {
    requests.push_back(r);
    return std::nullopt;
  };
  w.form.Click("CmdPSTSelect");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].preselected, w.profile.contacts().entry_id);
  EXPECT_EQ(requests[0].caption, L"Please select a Contacts folder");
  EXPECT_EQ(requests[0].fourth, std::optional<std::int16_t>(1));
  EXPECT_EQ(requests[0].fifth, 2);
  EXPECT_EQ(w.profile.calls, (std::vector<std::string>{"Create", "Logon", "GetDefaultFolder 10", "PickFolder",
                                                       "Logoff"}));
}

TEST(ContactsFolderChoice, SecondFolderReplacesTheFirst) {
  Window w;
  auto& archive = w.profile.AddStore(L"Archive", L"C:\\profile\\Archive.pst");
  auto& old_contacts = w.profile.AddFolder(archive, L"Old Contacts", L"IPM.Contact");
  w.profile.pick = [&](auto&) { return w.profile.contacts().entry_id; };
  w.form.Click("CmdPSTSelect");
  w.profile.pick = [&](auto&) { return old_contacts.entry_id; };
  w.form.Click("CmdPSTSelect");
  EXPECT_EQ(w.form.Text("txtPSTfile"), L"\\\\Archive\\Old Contacts");
  EXPECT_EQ(w.state.ExportStoreID, archive.store_id);
  EXPECT_EQ(w.state.ExportFolderID, old_contacts.entry_id);
  EXPECT_EQ(w.profile.sessions, 2);
}

}  // namespace
