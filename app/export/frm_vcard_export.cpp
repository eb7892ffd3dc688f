#include "frm_vcard_export.h"

#include "contacts_folder_choice.h"
#include "forms.h"

namespace pindrel {

namespace window = forms::frmvCardExport;

namespace {

void ShowProgressLabels(ui::Form& form, bool visible) {
  form.SetVisible(window::sLblProcessing, visible);
  form.SetVisible(window::LblCurrent, visible);
  form.SetVisible(window::imgContactICON, visible);
}

constexpr std::string_view kFormatOptions[] = {window::OptOneFileEach, window::OptOneFile30, window::OptOneFile40};

ExportFormat ChosenFormat(const ui::Form& form) {
  if (form.Checked(window::OptOneFile30)) return ExportFormat::kOneFile30;
  if (form.Checked(window::OptOneFile40)) return ExportFormat::kOneFile40;
  return ExportFormat::kOneFileEach;
}

// The run's progress on the window's labels.
class Labels : public FormProgress<RunProgress<ExportStatus>> {
 public:
  using FormProgress::FormProgress;
  void Show(const ExportStatus& s) override {
    form_.SetCaption(window::LblCurrentPSTName, s.pst_path);
    form_.SetCaption(window::LblTotalContacts, std::to_wstring(s.count));
    form_.SetCaption(window::LblCurrent, ProgressText(s.position, s.count));
    form_.SetCaption(window::LblCurrentContact, s.contact);
  }
};

}  // namespace

void FrmvCardExport::ReportStoreFailure(ui::Form& form) {
  form.SetEnabled(window::CmdExport, false);
  app_.desktop.ShowMessage(&form, std::wstring(kStoreErrorText), std::wstring(kStoreErrorTitle));
}

void FrmvCardExport::Load(ui::Form& form) {
  // Each opening is a new window: nothing of an earlier export carries over.
  ExportStatus status;
  const bool reached = run_.Survey(status);
  form.SetVisible(window::sLblProcessing, false);
  form.SetVisible(window::LblCurrent, false);
  form.SetCaption(window::LblCurrentPSTName, status.pst_path);
  form.SetCaption(window::LblSavingPath, run_.SavingPath());
  if (reached) {
    form.SetCaption(window::LblTotalContacts, std::to_wstring(status.count));
    form.SetCaption(window::LblCurrent, ProgressText(0, status.count));
  }

  if (!reached) {
    ReportStoreFailure(form);
  } else if (run_.SavingPath().empty()) {
    // No directory to write into (the main window does not open this window
    // so, but a file path would then start at the drive's root).
    form.SetEnabled(window::CmdExport, false);
  }
}

void FrmvCardExport::Click(ui::Form& form, std::string_view control) {
  if (control == window::CmdExport) Export(form);
}

void FrmvCardExport::CloseRequest(ui::Form& form) {
  if (!run_.RequestStop()) form.Close();
}

void FrmvCardExport::Export(ui::Form& form) {
  // The window answers during the export; a second click must not start a
  // second export inside the first.
  if (run_.running()) return;
  form.SetEnabled(window::CmdExport, false);
  // The choice holds for the whole run.
  const ExportFormat format = ChosenFormat(form);
  for (std::string_view option : kFormatOptions) form.SetEnabled(option, false);
  ShowProgressLabels(form, true);

  Labels labels(form, app_.desktop);
  ExportOutcome outcome;
  switch (run_.Run(labels, outcome, format)) {
    case ExportRun::Ended::kStoreFailed:
      ShowProgressLabels(form, false);
      ReportStoreFailure(form);
      return;
    case ExportRun::Ended::kWindowGone:
      return;
    case ExportRun::Ended::kDone:
      app_.desktop.ShowMessage(&form, ExportFinishedText(outcome), std::wstring(kExportFinishedTitle));
      form.Close();
      return;
  }
}

}  // namespace pindrel
