#include "export_run.h"

#include <optional>

#include "contacts_folder_choice.h"
#include "export_file_name.h"
#include "text_helpers.h"

namespace pindrel {

using ui::TrimSpaces;

std::wstring ExportFinishedText(const ExportOutcome& outcome) {
  std::wstring text;
  if (!outcome.one_file) {
    text = L"Exported (" + std::to_wstring(outcome.written) + L") Contacts to vCard Files.";
  } else if (!outcome.file_error.empty()) {
    text = L"No file was written: " + outcome.file_error;
  } else if (outcome.stopped) {
    text = L"No file was written: the export was stopped before the last contact.";
  } else {
    text = L"Exported (" + std::to_wstring(outcome.written) + L") Contacts to " + outcome.file_name + L".";
  }
  if (!outcome.failed.empty()) {
    text += L"\r\n(" + std::to_wstring(outcome.failed.count()) + L") Contacts could not be written.";
    text += outcome.failed.Text();
  }
  if (outcome.stopped && !outcome.one_file) text += L"\r\nThe export was stopped before the last contact.";
  return text;
}

std::wstring FailedContactLine(std::int32_t position, const std::wstring& display_name, const std::wstring& reason) {
  std::wstring name(TrimSpaces(display_name));
  return L"Position " + std::to_wstring(position) + (name.empty() ? L"" : L", " + name) + L": " + reason;
}

void ExportRun::SetChoices(std::wstring contacts_folder, std::wstring target_directory) {
  contacts_folder_ = std::move(contacts_folder);
  target_directory_ = std::move(target_directory);
}

std::wstring ExportRun::SavingPath() const { return std::wstring(TrimSpaces(target_directory_)); }

void ExportRun::OpenFolder() {
  Module1& state = app_.state;
  CloseFolder();
  // Identifiers left from an earlier choice that the main window no longer
  // shows are not a choice: the user would export a folder they cannot see.
  std::wstring store_id(TrimSpaces(state.ExportStoreID));
  std::wstring folder_id(TrimSpaces(state.ExportFolderID));
  if (contacts_folder_.empty() || store_id.empty() || folder_id.empty())
    throw store::StoreError(store::kNotFound, L"No contacts folder has been chosen.");
  state.StoreSession = app_.open_session();
  state.StoreSession->Logon();
  logged_on_ = true;
  store_ = state.StoreSession->GetStores()->GetStoreFromID(store_id);
  state.CurrentFolder = store_->GetFolderFromID(folder_id);
}

void ExportRun::CloseFolder() noexcept {
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

std::wstring ExportRun::PstPath() {
  // Only stores kept in a file have a path; for the others the label stays
  // empty rather than the window failing.
  try {
    return store_->PstPath();
  } catch (const store::StoreError&) {
    return {};
  }
}

std::int32_t ExportRun::CountNow(std::int32_t fallback) {
  try {
    return app_.state.CurrentFolder->GetItems()->Count();
  } catch (const store::StoreError&) {
    return fallback;
  }
}

bool ExportRun::Survey(ExportStatus& status) {
  bool reached = true;
  try {
    OpenFolder();
    status.pst_path = PstPath();
    status.count = app_.state.CurrentFolder->GetItems()->Count();
  } catch (const store::StoreError&) {
    reached = false;
  }
  CloseFolder();
  return reached;
}

ExportRun::Ended ExportRun::Run(RunProgress<ExportStatus>& progress, ExportOutcome& outcome, ExportFormat format) {
  Running running(*this);
  // However the export ends, the session is logged off and a file not
  // completed is removed.
  struct Finally {
    ExportRun& self;
    ~Finally() {
      self.file_.reset();
      self.CloseFolder();
    }
  } finally{*this};

  std::int32_t count = 0;
  try {
    OpenFolder();
    count = app_.state.CurrentFolder->GetItems()->Count();
  } catch (const store::StoreError&) {
    return Ended::kStoreFailed;
  }

  outcome.one_file = format != ExportFormat::kOneFileEach;
  if (outcome.one_file) {
    version_ = format == ExportFormat::kOneFile40 ? card_writer::Version::k40 : card_writer::Version::k30;
    try {
      if (app_.export_files == nullptr) throw ExportFileError(L"The program has no way to write files.");
      file_ = app_.export_files->CreateTemporary(SavingPath());
    } catch (const ExportFileError& e) {
      outcome.file_error = e.reason();
      return Ended::kDone;
    }
  }

  RunPacer pacer(app_.clock);
  latest_ = ExportStatus{};
  shown_ = true;
  // The 1-based position in the folder; 32 bits wide, so a folder of more
  // than 32,767 items is exported whole.
  for (std::int32_t position = 1; position <= count; ++position) {
    const bool due = pacer.Due();
    ExportPosition(position, count, due, progress, outcome);
    // Closed from elsewhere (the program is ending): there is no window
    // left to report to.
    if (due && !progress.DoEvents()) return Ended::kWindowGone;
    if (stop_requested()) {
      outcome.stopped = position < count;
      break;
    }
    if (!outcome.file_error.empty()) break;
  }
  if (file_ && outcome.file_error.empty() && !outcome.stopped) CommitFile(outcome);
  // The last contact stays on show, as the folder is now.
  if (!shown_) {
    latest_.pst_path = PstPath();
    latest_.count = CountNow(count);
    progress.Show(latest_);
  }
  return Ended::kDone;
}

void ExportRun::ExportPosition(std::int32_t position, std::int32_t count, bool show,
                               RunProgress<ExportStatus>& progress, ExportOutcome& outcome) {
  std::wstring name;  // known once both name texts are read
  try {
    std::unique_ptr<store::Item> item = app_.state.CurrentFolder->GetItems()->GetItem(position);
    if (item->MessageClass() == store::kDistListClass) return;
    current_contact_ = std::move(item);

    // The count is read again so the labels follow a folder that changes
    // while it is exported; a count that cannot be read leaves the one read
    // at the start.
    if (show) {
      latest_.pst_path = PstPath();
      latest_.count = CountNow(count);
    }
    std::wstring first_name = current_contact_->Text(store::property::FirstName);
    std::wstring last_name = current_contact_->Text(store::property::LastName);
    name = ContactDisplayName(first_name, last_name);
    latest_.position = position;
    latest_.contact = name;
    shown_ = show;
    if (show) progress.Show(latest_);

    if (file_) {
      WriteCard();
      ++outcome.written;
      current_contact_.reset();
      return;
    }
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
  } catch (const ExportFileError& e) {
    // The file cannot go on (a full disk): the run ends without it.
    outcome.file_error = e.reason();
  }
  current_contact_.reset();
}

void ExportRun::WriteCard() {
  card_.Clear();
  // Every property a card carries, read before anything is written, so a
  // contact that cannot be read leaves nothing of itself in the file.
  for (const contact_schema::Property& p : contact_schema::kProperties) {
    if (!p.HasVCardForm()) continue;
    const std::size_t id = static_cast<std::size_t>(p.id);
    if (p.IsDate()) card_.dates[id] = current_contact_->GetDate(p.name);
    else card_.text[id] = current_contact_->Text(p.name);
  }
  card_.entry_id = current_contact_->EntryID();
  // The mail client keeps every picture as a JPEG.
  if (std::optional<std::string> picture = current_contact_->Picture()) card_.picture = std::move(*picture);
  card_text_.clear();
  card_writer::AppendCard(card_, version_, card_text_);
  file_->Write(card_text_);
}

void ExportRun::CommitFile(ExportOutcome& outcome) {
  std::wstring folder_name;
  try {
    folder_name = app_.state.CurrentFolder->Name();
  } catch (const store::StoreError&) {
    // The file is named "Contacts.vcf" then, as for a name of nothing but
    // characters a file name cannot hold.
  }
  try {
    // A name taken between the look and the rename is passed over too.
    for (std::int32_t number = 1; number <= 100000; ++number) {
      std::optional<std::wstring> path = OneFileExportPath(target_directory_, folder_name, number);
      if (!path) {
        outcome.file_error =
            L"Its file path would be longer than " + std::to_wstring(kMaxExportPathLength) + L" characters.";
        return;
      }
      if (app_.export_files->Exists(*path) || !file_->Commit(*path)) continue;
      file_.reset();
      outcome.file_name = path->substr(path->rfind(L'\\') + 1);
      return;
    }
    outcome.file_error = L"Every name for the file is taken.";
  } catch (const ExportFileError& e) {
    outcome.file_error = e.reason();
  }
}

}  // namespace pindrel
