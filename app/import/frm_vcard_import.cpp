#include "frm_vcard_import.h"

#include <cwctype>
#include <stdexcept>
#include <string>

#include "contacts_folder_choice.h"
#include "forms.h"
#include "guard.h"

namespace pindrel {

namespace window = forms::frmvCardImport;

namespace {

// Whether the walk's file is a vCard file: its name ends in ".vcf" in any
// case.
bool IsVCardFile(const std::wstring& path) {
  constexpr std::wstring_view kExtension = L".vcf";
  if (path.size() < kExtension.size()) return false;
  const std::size_t start = path.size() - kExtension.size();
  for (std::size_t i = 0; i < kExtension.size(); ++i)
    if (std::towlower(static_cast<std::wint_t>(path[start + i])) != static_cast<std::wint_t>(kExtension[i]))
      return false;
  return true;
}

// Keeps the two buttons that start a run or change its target disabled
// while a run goes on, and gives them back their state when it ends with
// the window still open.
class RunLock {
 public:
  RunLock(ui::Form& form, bool& running)
      : form_(form),
        running_(running),
        import_(form.Enabled(window::CmdImportvCard)),
        choose_(form.Enabled(window::CmdvCardImportConfigured)) {
    running_ = true;
    form_.SetEnabled(window::CmdImportvCard, false);
    form_.SetEnabled(window::CmdvCardImportConfigured, false);
  }
  ~RunLock() {
    running_ = false;
    // A closed window ignores these.
    form_.SetEnabled(window::CmdImportvCard, import_);
    form_.SetEnabled(window::CmdvCardImportConfigured, choose_);
  }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

 private:
  ui::Form& form_;
  bool& running_;
  bool import_;
  bool choose_;
};

std::wstring Plural(int n, std::wstring_view one, std::wstring_view many) {
  return std::to_wstring(n) + L" " + std::wstring(n == 1 ? one : many);
}

}  // namespace

std::wstring ImportClosingText(const ImportTally& t) {
  std::wstring text(kImportCompleteText);
  if (!t.stopped && t.not_saved.empty() && t.unreadable.empty() && t.noted == 0) return text;
  if (t.stopped) text += L"\r\nThe import was stopped before all files were read.";
  text += L"\r\n" + Plural(t.imported, L"contact", L"contacts") + L" imported.";
  if (t.noted == 1) text += L"\r\n1 value with no field of its own was added to the notes of its contact.";
  if (t.noted > 1)
    text += L"\r\n" + std::to_wstring(t.noted) +
            L" values with no field of their own were added to the notes of their contacts.";
  text += ImportFailureText(t);
  return text;
}

std::wstring ImportFailureText(const ImportTally& t) {
  std::wstring text;
  if (!t.not_saved.empty()) {
    text += L"\r\n" + Plural(static_cast<int>(t.not_saved.count()), L"contact", L"contacts") + L" could not be saved.";
    text += t.not_saved.Text();
  }
  if (!t.unreadable.empty()) {
    text += L"\r\n" + Plural(static_cast<int>(t.unreadable.count()), L"file", L"files") + L" could not be read:";
    text += t.unreadable.Text();
    if (t.reader_missing) text += L"\r\nThe vCard reader (Tessary) could not be started; it may not be registered.";
  }
  return text;
}

void FrmvCardImport::Load(ui::Form& form) {
  // The run walks the source folder again; it never relies on the list the
  // main window's walk left.
  app_.state.FoundFiles.clear();
  form.SetCaption(window::LblCurrentPSTName, L"");
  form.SetCaption(window::LblCurrentPSTFolder, L"");
  app_.desktop.DoEvents();
  if (file_count_) form.SetCaption(window::LblTotalvCards, std::to_wstring(*file_count_));
}

void FrmvCardImport::Click(ui::Form& form, std::string_view control) {
  // The buttons are disabled during a run; a click the window system had
  // queued before that must not start a second run or change the target.
  if (running_) return;
  if (control == window::CmdvCardImportConfigured) ChooseTargetFolder(form);
  else if (control == window::CmdImportvCard) RunImport(form);
}

void FrmvCardImport::CloseRequest(ui::Form& form) {
  if (running_) {
    // The run ends after the contact it is storing and reports what it did.
    stop_requested_ = true;
    return;
  }
  form.Close();
}

void FrmvCardImport::ChooseTargetFolder(ui::Form& form) {
  Module1& state = app_.state;
  form.SetText(window::txtvCardImportDefault, L"");

  std::optional<ChosenFolder> chosen = PickContactsFolder(app_, form, std::nullopt);
  // A refused or cancelled choice keeps an earlier target's identifiers and
  // button, but the box is empty now, so the run refuses to use them.
  if (!chosen) return;
  form.SetText(window::txtvCardImportDefault, chosen->path);
  if (!form.Text(window::txtvCardImportDefault).empty()) form.SetEnabled(window::CmdImportvCard, true);
  state.ImportStoreID = chosen->store_id;
  state.ImportFolderID = chosen->entry_id;
}

void FrmvCardImport::RunImport(ui::Form& form) {
  {
    RunLock lock(form, running_);
    stop_requested_ = false;
    tally_ = ImportTally{};
    last_unreadable_.clear();
    Run(form);
  }
  // A close asked for during a run that ended early (no source folder, the
  // store failed) still closes the window.
  if (stop_requested_ && form.IsOpen()) form.Close();
}

void FrmvCardImport::Run(ui::Form& form) {
  Module1& state = app_.state;
  // An empty source folder would be walked as the root of the current
  // drive, importing whatever vCard files lie anywhere on it.
  if (state.ImportSourceFolder.empty()) {
    app_.desktop.ShowMessage(&form, std::wstring(kNoSourceFolderText), std::wstring(kNoSourceFolderTitle));
    return;
  }
  // Identifiers the window no longer shows (its box is empty) are not a
  // choice: the user would import into a folder they cannot see.
  if (form.Text(window::txtvCardImportDefault).empty()) {
    app_.desktop.ShowMessage(&form, std::wstring(kNoTargetFolderText), std::wstring(kNotContactsTitle));
    return;
  }

  state.FoundFiles.clear();
  app_.desktop.DoEvents();
  if (!form.IsOpen()) return;
  for (std::string_view label :
       {window::LblSaveOutlookH, window::LblSaveOutlook, window::LblvCardFileH, window::LblvCardFile})
    form.SetVisible(label, true);
  shown_file_ = form.Caption(window::LblvCardFile);
  shown_saved_ = form.Caption(window::LblSaveOutlook);

  const int found = app_.walk(state.ImportSourceFolder, state.FoundFiles);

  std::unique_ptr<store::Folder> target;
  try {
    state.StoreSession = app_.open_session();
    state.StoreSession->Logon();
    std::unique_ptr<store::Store> store = state.StoreSession->GetStoreFromID(state.ImportStoreID);
    target = store->GetFolderFromID(state.ImportFolderID);
  } catch (const store::StoreError&) {
    app_.desktop.ShowMessage(&form, std::wstring(kStoreErrorText), std::wstring(kStoreErrorTitle));
    return;
  }

  for (int i = 1; i <= found && static_cast<std::size_t>(i) <= state.FoundFiles.size(); ++i) {
    if (stop_requested_) {
      tally_.stopped = true;
      break;
    }
    const std::wstring path = state.FoundFiles[static_cast<std::size_t>(i - 1)];
    if (IsVCardFile(path) && !ImportFile(form, *target, path)) return;
    if (!stop_requested_) {
      app_.desktop.DoEvents();
      if (!form.IsOpen()) return;
    }
    ShowCaption(form, window::LblSaveOutlook, shown_saved_, std::to_wstring(i) + L"/" + std::to_wstring(found));
  }

  app_.desktop.ShowMessage(&form, ImportClosingText(tally_), std::wstring(kImportCompleteTitle));
  form.Close();
}

bool FrmvCardImport::ImportFile(ui::Form& form, store::Folder& target, const std::wstring& path) {
  std::unique_ptr<VCardReader> reader;
  try {
    if (!app_.open_reader) throw std::runtime_error("no vCard reader");
    reader = app_.open_reader();
    if (!reader) throw std::runtime_error("no vCard reader");
  } catch (const std::exception& e) {
    MarkUnreadable(path, ui::WidenUtf8(e.what()));
    tally_.reader_missing = true;
    return true;
  }

  // The decoded reading when the registered reader has it; an older reader
  // is read and mapped as before.
  const bool decoded = reader->SupportsDecoded();
  std::int32_t count = 0;
  std::wstring separator;
  try {
    try {
      if (decoded) reader->OpenDecoded(path);
      else reader->Open(path);
    } catch (const std::runtime_error& e) {
      // Unreadable, or read only up to a fault: whatever came before the
      // fault is still imported, and the file is named at the end.
      MarkUnreadable(path, ui::WidenUtf8(e.what()));
    }
    reader->MoveFirst();
    count = reader->ContactCount();
    if (!decoded) separator = reader->Separator();
  } catch (const std::exception& e) {
    MarkUnreadable(path, ui::WidenUtf8(e.what()));
    count = 0;
  }

  const std::wstring file_caption = path + L"(" + std::to_wstring(count) + L")";
  bool window_open = true;
  for (std::int32_t j = 1; j <= count; ++j) {
    app_.desktop.DoEvents();
    if (!form.IsOpen()) {
      window_open = false;
      break;
    }
    ShowCaption(form, window::LblvCardFile, shown_file_, file_caption);
    bool read = true;
    try {
      if (decoded) {
        reader->CurrentCard(card_);
      } else {
        for (std::size_t f = 0; f < kVCardFieldCount; ++f) fields_[f] = reader->Field(static_cast<VCardField>(f));
      }
    } catch (const std::exception& e) {
      NotSaved(path, j, ui::WidenUtf8(e.what()));
      read = false;
    }
    if (read && decoded) {
      MapCard(card_, mapping_);
      if (StoreContact(target, mapping_.sets, path, j)) tally_.noted += mapping_.noted;
    } else if (read) {
      MapContact(fields_, separator, sets_);
      StoreContact(target, sets_, path, j);
    }
    try {
      reader->MoveNext();
    } catch (const std::exception& e) {
      MarkUnreadable(path, ui::WidenUtf8(e.what()));
      break;
    }
    if (stop_requested_) {
      tally_.stopped = j < count;
      break;
    }
  }
  try {
    reader->Close();
  } catch (const std::exception&) {
  }
  return window_open;
}

bool FrmvCardImport::StoreContact(store::Folder& target, const std::vector<PropertySet>& sets,
                                  const std::wstring& path, std::int32_t contact) {
  std::unique_ptr<store::Item> item;
  try {
    item = target.GetItems()->Add();
  } catch (const store::StoreError& e) {
    NotSaved(path, contact, e.reason());
    return false;
  }
  for (const PropertySet& set : sets) {
    // A value the store refuses leaves that one property empty; the
    // contact is still worth keeping with the rest.
    try {
      if (set.date) item->SetDate(set.property, *set.date);
      else item->SetText(set.property, set.text);
    } catch (const store::StoreError&) {
    }
  }
  try {
    item->Save();
    ++tally_.imported;
    return true;
  } catch (const store::StoreError& e) {
    NotSaved(path, contact, e.reason());
    return false;
  }
}

void FrmvCardImport::NotSaved(const std::wstring& path, std::int32_t contact, const std::wstring& reason) {
  tally_.not_saved.Add(path + L", contact " + std::to_wstring(contact) + L": " + reason);
}

void FrmvCardImport::MarkUnreadable(const std::wstring& path, const std::wstring& reason) {
  if (path == last_unreadable_) return;
  last_unreadable_ = path;
  tally_.unreadable.Add(path + L": " + reason);
}

void FrmvCardImport::ShowCaption(ui::Form& form, std::string_view label, std::wstring& shown,
                                 const std::wstring& text) {
  if (shown == text) return;
  form.SetCaption(label, text);
  shown = text;
}

}  // namespace pindrel
