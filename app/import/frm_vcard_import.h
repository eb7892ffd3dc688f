// The import window: the choice of the target contacts folder, and the
// import run's progress; the run itself is ImportRun.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app_context.h"
#include "form.h"
#include "import_run.h"

namespace pindrel {

inline constexpr std::wstring_view kImportCompleteTitle = L"Completed...";
inline constexpr std::wstring_view kNoSourceFolderText =
    L"No vCard folder has been chosen, so there is nothing to import.\r\n"
    L"Choose the folder that holds your vCard files in the main window first.";
inline constexpr std::wstring_view kNoSourceFolderTitle = L"vCard File(s) Info";
// The run refused because the window shows no target folder (none chosen
// yet, or the last choice was cancelled or refused).
inline constexpr std::wstring_view kNoTargetFolderText =
    L"No contacts folder has been chosen to import into.\r\nPlease select a Contacts folder.";

class FrmvCardImport : public ui::FormLogic {
 public:
  explicit FrmvCardImport(AppContext& app) : app_(app), run_(app) {}

  // The number of files the opener's walk found: shown in LblTotalvCards at
  // the end of the load, before the window appears. None: the label stays
  // empty.
  void SetFileCount(std::optional<int> count) { file_count_ = count; }

  void Load(ui::Form& form) override;
  void Click(ui::Form& form, std::string_view control) override;
  // During a run, closing waits for the contact being stored.
  void CloseRequest(ui::Form& form) override;

 private:
  void ChooseTargetFolder(ui::Form& form);
  void RunImport(ui::Form& form);

  AppContext& app_;
  ImportRun run_;
  std::optional<int> file_count_;
};

}  // namespace pindrel
