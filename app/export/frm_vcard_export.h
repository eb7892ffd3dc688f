// The export window: writes every contact of the chosen folder to a vCard
// file of its own in the target directory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app_context.h"
#include "failure_list.h"
#include "form.h"
#include "store.h"

namespace pindrel {

inline constexpr std::wstring_view kExportFinishedTitle = L"Export Finished";

// What the export did, for its closing message.
struct ExportOutcome {
  int written = 0;
  // Contacts whose file could not be written: position, name and reason.
  ui::FailureList failed;
  // The user closed the window before the last position.
  bool stopped = false;
};

// "Exported (n) Contacts to vCard Files.", and below it what went wrong:
// how many contacts could not be written and which, each with its reason,
// and whether the export was stopped before the end.
std::wstring ExportFinishedText(const ExportOutcome& outcome);

// One contact that could not be written, as the closing message names it:
// "Position 3, Ann Lee: " and the reason; without a name when it has none
// or it could not be read.
std::wstring FailedContactLine(std::int32_t position, const std::wstring& display_name, const std::wstring& reason);

class FrmvCardExport : public ui::FormLogic {
 public:
  explicit FrmvCardExport(AppContext& app) : app_(app) {}

  // What the main window shows when it opens this one: the path text of the
  // chosen contacts folder (empty when none is chosen now) and the target
  // directory as entered. The main window cannot change while this one is
  // open, so the load and the export see the same choice.
  void SetChoices(std::wstring contacts_folder, std::wstring target_directory);

  void Load(ui::Form& form) override;
  void Click(ui::Form& form, std::string_view control) override;
  // During an export a close request stops it after the contact being
  // written; the closing message then tells how many were written.
  void CloseRequest(ui::Form& form) override;

 private:
  // Opens the folder from ExportStoreID and ExportFolderID through a new
  // session; throws StoreError when the store or folder cannot be reached.
  void OpenFolder();
  // Releases the item, folder and store, logs the session off and lets it
  // go. Never throws: it also runs while an error is on its way out.
  void CloseFolder() noexcept;
  // The store's PST file, or the empty text for a store without one.
  std::wstring PstPath();
  // The store could not be reached: say so and offer no export.
  void ReportStoreFailure(ui::Form& form);
  void Export(ui::Form& form);
  void ExportPosition(ui::Form& form, std::int32_t position, std::int32_t count, ExportOutcome& outcome);

  AppContext& app_;
  std::wstring contacts_folder_;
  std::wstring target_directory_;
  std::unique_ptr<store::Store> store_;
  // The 1-based position in the folder; 32 bits wide, so a folder of more
  // than 32,767 items is exported whole.
  std::int32_t position_ = 0;
  std::unique_ptr<store::Item> current_contact_;
  bool logged_on_ = false;
  bool running_ = false;
  bool stop_requested_ = false;
};

}  // namespace pindrel
