#include "frm_vcard_import.h"

#include <array>

#include "contacts_folder_choice.h"
#include "forms.h"

namespace pindrel {

namespace window = forms::frmvCardImport;

namespace {

// The controls that start a run, change its target or its choice for cards
// already in the folder.
constexpr std::array kRunControls = {window::CmdImportvCard, window::CmdvCardImportConfigured,
                                     window::OptDuplicateSkip, window::OptDuplicateUpdate, window::OptDuplicateAdd};

// Keeps those controls disabled while a run goes on, and gives them back
// their state when it ends with the window still open.
class ButtonsLock {
 public:
  explicit ButtonsLock(ui::Form& form) : form_(form) {
    for (std::size_t i = 0; i < kRunControls.size(); ++i) {
      enabled_[i] = form.Enabled(kRunControls[i]);
      form_.SetEnabled(kRunControls[i], false);
    }
  }
  ~ButtonsLock() {
    // A closed window ignores these.
    for (std::size_t i = 0; i < kRunControls.size(); ++i) form_.SetEnabled(kRunControls[i], enabled_[i]);
  }
  ButtonsLock(const ButtonsLock&) = delete;
  ButtonsLock& operator=(const ButtonsLock&) = delete;

 private:
  ui::Form& form_;
  std::array<bool, kRunControls.size()> enabled_{};
};

// The option chosen for cards already in the folder.
DuplicateChoice ChosenDuplicates(const ui::Form& form) {
  if (form.Checked(window::OptDuplicateUpdate)) return DuplicateChoice::kUpdate;
  if (form.Checked(window::OptDuplicateAdd)) return DuplicateChoice::kAdd;
  return DuplicateChoice::kSkip;
}

// The run's progress on the window's labels.
class Labels : public FormProgress<ImportProgress> {
 public:
  using FormProgress::FormProgress;
  void Begin() override {
    for (std::string_view label :
         {window::LblSaveOutlookH, window::LblSaveOutlook, window::LblvCardFileH, window::LblvCardFile})
      form_.SetVisible(label, true);
  }
  void Show(const ImportStatus& s) override {
    ShowCaption(window::LblvCardFile, s.file);
    ShowCaption(window::LblSaveOutlook, DoneText(s));
  }

 private:
  // Sets a caption only when its text changes (and never to nothing: a run
  // that read no contact leaves the label as it was).
  void ShowCaption(std::string_view label, const std::wstring& text) {
    if (!text.empty() && form_.Caption(label) != text) form_.SetCaption(label, text);
  }
};

}  // namespace

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
  if (run_.running()) return;
  if (control == window::CmdvCardImportConfigured) ChooseTargetFolder(form);
  else if (control == window::CmdImportvCard) RunImport(form);
}

void FrmvCardImport::CloseRequest(ui::Form& form) {
  // During a run: it ends after the contact it is storing and reports what
  // it did.
  if (!run_.RequestStop()) form.Close();
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
    ButtonsLock lock(form);
    Labels labels(form, app_.desktop);
    auto message = [&](std::wstring_view text, std::wstring_view title) {
      app_.desktop.ShowMessage(&form, std::wstring(text), std::wstring(title));
    };
    switch (run_.Run(labels, !form.Text(window::txtvCardImportDefault).empty(), ChosenDuplicates(form))) {
      case ImportRun::Ended::kNoSource:
        message(kNoSourceFolderText, kNoSourceFolderTitle);
        break;
      case ImportRun::Ended::kNoTarget:
        message(kNoTargetFolderText, kNotContactsTitle);
        break;
      case ImportRun::Ended::kStoreFailed:
        message(kStoreErrorText, kStoreErrorTitle);
        break;
      case ImportRun::Ended::kWindowGone:
        return;
      case ImportRun::Ended::kDone:
        message(ImportClosingText(run_.tally()), kImportCompleteTitle);
        form.Close();
        return;
    }
  }
  // A close asked for during a run that ended early (no source folder, the
  // store failed) still closes the window.
  if (run_.stop_requested() && form.IsOpen()) form.Close();
}

}  // namespace pindrel
