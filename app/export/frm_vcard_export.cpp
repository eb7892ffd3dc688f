#include "frm_vcard_export.h"

#include <optional>

#include "contacts_folder_choice.h"
#include "export_file_name.h"
#include "forms.h"

namespace pindrel {

namespace window = forms::frmvCardExport;

namespace {

std::wstring TrimSpaces(const std::wstring& s) {
  std::size_t first = s.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  std::size_t last = s.find_last_not_of(L' ');
  return s.substr(first, last - first + 1);
}

std::wstring Progress(std::int32_t position, std::int32_t count) {
  return std::to_wstring(position) + L"/" + std::to_wstring(count);
}

void ShowProgressLabels(ui::Form& form, bool visible) {
  form.SetVisible(window::sLblProcessing, visible);
  form.SetVisible(window::LblCurrent, visible);
  form.SetVisible(window::imgContactICON, visible);
}

}  // namespace

std::wstring ExportFinishedText(const ExportOutcome& outcome) {
  std::wstring text = L"Exported (" + std::to_wstring(outcome.written) + L") Contacts to vCard Files.";
  if (!outcome.failed.empty()) {
    text += L"\r\n(" + std::to_wstring(outcome.failed.count()) + L") Contacts could not be written.";
    text += outcome.failed.Text();
  }
  if (outcome.stopped) text += L"\r\nThe export was stopped before the last contact.";
  return text;
}

std::wstring FailedContactLine(std::int32_t position, const std::wstring& display_name, const std::wstring& reason) {
  std::wstring name = TrimSpaces(display_name);
  return L"Position " + std::to_wstring(position) + (name.empty() ? L"" : L", " + name) + L": " + reason;
}

void FrmvCardExport::SetChoices(std::wstring contacts_folder, std::wstring target_directory) {
  contacts_folder_ = std::move(contacts_folder);
  target_directory_ = std::move(target_directory);
}

void FrmvCardExport::OpenFolder() {
  Module1& state = app_.state;
  CloseFolder();
  // Identifiers left from an earlier choice that the main window no longer
  // shows are not a choice: the user would export a folder they cannot see.
  std::wstring store_id = TrimSpaces(state.ExportStoreID);
  std::wstring folder_id = TrimSpaces(state.ExportFolderID);
  if (contacts_folder_.empty() || store_id.empty() || folder_id.empty())
    throw store::StoreError(store::kNotFound, L"No contacts folder has been chosen.");
  state.StoreSession = app_.open_session();
  state.StoreSession->Logon();
  logged_on_ = true;
  store_ = state.StoreSession->GetStores()->GetStoreFromID(store_id);
  state.CurrentFolder = store_->GetFolderFromID(folder_id);
}

void FrmvCardExport::CloseFolder() noexcept {
  Module1& state = app_.state;
  current_contact_.reset();
  state.CurrentFolder.reset();
  store_.reset();
  if (state.StoreSession && logged_on_) {
    // A session that cannot log off is let go all the same; there is
    // nothing left to do with it.
    try {
      state.StoreSession->Logoff();
    } catch (...) {
    }
  }
  logged_on_ = false;
  state.StoreSession.reset();
}

std::wstring FrmvCardExport::PstPath() {
  // Only stores kept in a file have a path; for the others the label stays
  // empty rather than the window failing.
  try {
    return store_->PstPath();
  } catch (const store::StoreError&) {
    return {};
  }
}

void FrmvCardExport::ReportStoreFailure(ui::Form& form) {
  form.SetEnabled(window::CmdExport, false);
  app_.desktop.ShowMessage(&form, std::wstring(kStoreErrorText), std::wstring(kStoreErrorTitle));
}

void FrmvCardExport::Load(ui::Form& form) {
  // Each opening is a new window: nothing of an earlier export carries over.
  position_ = 0;
  running_ = false;
  stop_requested_ = false;

  bool reached = true;
  std::wstring pst_path;
  std::int32_t count = 0;
  try {
    OpenFolder();
    pst_path = PstPath();
    count = app_.state.CurrentFolder->GetItems()->Count();
  } catch (const store::StoreError&) {
    reached = false;
  }
  form.SetVisible(window::sLblProcessing, false);
  form.SetVisible(window::LblCurrent, false);
  form.SetCaption(window::LblCurrentPSTName, pst_path);
  form.SetCaption(window::LblSavingPath, TrimSpaces(target_directory_));
  if (reached) {
    form.SetCaption(window::LblTotalContacts, std::to_wstring(count));
    form.SetCaption(window::LblCurrent, Progress(position_, count));
  }
  CloseFolder();

  if (!reached) {
    ReportStoreFailure(form);
  } else if (TrimSpaces(target_directory_).empty()) {
    // No directory to write into (the main window does not open this window
    // so, but a file path would then start at the drive's root).
    form.SetEnabled(window::CmdExport, false);
  }
}

void FrmvCardExport::Click(ui::Form& form, std::string_view control) {
  if (control == window::CmdExport) Export(form);
}

void FrmvCardExport::CloseRequest(ui::Form& form) {
  if (running_) {
    stop_requested_ = true;
    return;
  }
  form.Close();
}

void FrmvCardExport::Export(ui::Form& form) {
  // The window answers between contacts; a second click must not start a
  // second export inside the first.
  if (running_) return;
  running_ = true;
  stop_requested_ = false;
  form.SetEnabled(window::CmdExport, false);
  ShowProgressLabels(form, true);

  // However the export ends, the session is logged off and the window is
  // ready for whatever comes next.
  struct Finally {
    FrmvCardExport& self;
    ~Finally() {
      self.CloseFolder();
      self.running_ = false;
    }
  } finally{*this};

  std::int32_t count = 0;
  try {
    OpenFolder();
    count = app_.state.CurrentFolder->GetItems()->Count();
  } catch (const store::StoreError&) {
    CloseFolder();
    ShowProgressLabels(form, false);
    ReportStoreFailure(form);
    return;
  }

  ExportOutcome outcome;
  for (position_ = 1; position_ <= count; ++position_) {
    ExportPosition(form, position_, count, outcome);
    app_.desktop.DoEvents();
    // Closed from elsewhere (the program is ending): there is no window
    // left to report to.
    if (!form.IsOpen()) return;
    if (stop_requested_) {
      outcome.stopped = position_ < count;
      break;
    }
  }

  app_.desktop.ShowMessage(&form, ExportFinishedText(outcome), std::wstring(kExportFinishedTitle));
  CloseFolder();
  form.Close();
}

void FrmvCardExport::ExportPosition(ui::Form& form, std::int32_t position, std::int32_t count,
                                    ExportOutcome& outcome) {
  store::Folder& folder = *app_.state.CurrentFolder;
  std::wstring name;  // known once both name texts are read
  try {
    std::unique_ptr<store::Item> item = folder.GetItems()->GetItem(position);
    if (item->MessageClass() == store::kDistListClass) return;
    current_contact_ = std::move(item);

    form.SetCaption(window::LblCurrentPSTName, PstPath());
    // The count is read again so the labels follow a folder that changes
    // while it is exported; one read serves both labels. A count that
    // cannot be read leaves the one read at the start.
    std::int32_t now = count;
    try {
      now = folder.GetItems()->Count();
    } catch (const store::StoreError&) {
    }
    form.SetCaption(window::LblTotalContacts, std::to_wstring(now));
    form.SetCaption(window::LblCurrent, Progress(position, now));

    std::wstring first_name = current_contact_->Text(store::property::FirstName);
    std::wstring last_name = current_contact_->Text(store::property::LastName);
    name = ContactDisplayName(first_name, last_name);
    form.SetCaption(window::LblCurrentContact, name);

    std::optional<std::wstring> path = ExportFilePath(target_directory_, name, position);
    if (!path) {
      outcome.failed.Add(FailedContactLine(
          position, name, L"Its file path would be longer than " + std::to_wstring(kMaxExportPathLength) + L" characters."));
    } else {
      current_contact_->SaveAs(*path, store::kSaveAsVCard);
      ++outcome.written;
    }
  } catch (const store::StoreError& e) {
    outcome.failed.Add(FailedContactLine(position, name, e.reason()));
  }
  current_contact_.reset();
}

}  // namespace pindrel
