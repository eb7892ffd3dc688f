// The export run: every contact of the chosen folder written to a vCard
// file of its own in the target directory, apart from any window; the
// export window shows what it reports.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app_context.h"
#include "card_writer.h"
#include "export_file.h"
#include "failure_list.h"
#include "run_progress.h"
#include "store.h"
#include "texts.h"

namespace pindrel {


// What the export writes: a file per contact (the store library writes
// each), or every contact in one file of vCard 3.0 or 4.0.
enum class ExportFormat { kOneFileEach, kOneFile30, kOneFile40 };

// What the export did, for its closing message.
struct ExportOutcome {
  int written = 0;
  // One file for all contacts: its name once it is complete, or why there
  // is none (it could not be created, written or named).
  bool one_file = false;
  std::wstring file_name;
  std::wstring file_error;
  // Contacts whose file could not be written: position, name and reason.
  ui::FailureList failed;
  // The user closed the window before the last position.
  bool stopped = false;
};

// "Exported (n) Contacts to vCard Files." (one file: "Exported (n)
// Contacts to Contacts.vcf."), and below it what went wrong: how many
// contacts could not be written and which, each with its reason, and
// whether the export was stopped before the end. One file that was stopped
// or failed is no file: the message says so instead of a count.
std::wstring ExportFinishedText(const ExportOutcome& outcome);

// One contact that could not be written, as the closing message names it:
// "Position 3, Ann Lee: " and the reason; without a name when it has none
// or it could not be read.
std::wstring FailedContactLine(std::int32_t position, const std::wstring& display_name, const std::wstring& reason);

// What the window shows of the folder and the contact being written.
struct ExportStatus {
  std::wstring pst_path;  // empty for a store not kept in a file
  std::int32_t count = 0;  // the folder's items, read again as it changes
  std::int32_t position = 0;
  std::wstring contact;  // the display name
};

class ExportRun : public RunGate {
 public:
  enum class Ended { kDone, kStoreFailed, kWindowGone };

  explicit ExportRun(AppContext& app) : app_(app) {}

  // The path text of the chosen contacts folder (empty when none is chosen
  // now) and the target directory as entered.
  void SetChoices(std::wstring contacts_folder, std::wstring target_directory);
  // The target directory without its outer blanks, as the window shows it.
  std::wstring SavingPath() const;

  // The folder as it is before an export (position 0), through a session of
  // its own that is logged off again; false when the store or folder cannot
  // be reached, with `status` filled as far as it got.
  bool Survey(ExportStatus& status);
  // Writes the folder's contacts, reporting at the pace of the app's clock
  // and always once at the end; `outcome` says what was written.
  Ended Run(RunProgress<ExportStatus>& progress, ExportOutcome& outcome,
            ExportFormat format = ExportFormat::kOneFileEach);

 private:
  // Opens the folder from ExportStoreID and ExportFolderID through a new
  // session; throws StoreError when the store or folder cannot be reached.
  void OpenFolder();
  // Releases the item, folder and store, logs the session off and lets it
  // go. Never throws: it also runs while an error is on its way out.
  void CloseFolder() noexcept;
  // The store's PST file, or the empty text for a store without one.
  std::wstring PstPath();
  // The folder's count now, or `fallback` when it cannot be read.
  std::int32_t CountNow(std::int32_t fallback);
  // Writes the item at `position`; shows it when `show` is set.
  void ExportPosition(std::int32_t position, std::int32_t count, bool show, RunProgress<ExportStatus>& progress,
                      ExportOutcome& outcome);
  // The current contact's card onto the one file.
  void WriteCard();
  // The one file under its name in the target directory: the folder's,
  // else the first "(2)", "(3)" ... not taken. Fills the outcome's name or
  // its error.
  void CommitFile(ExportOutcome& outcome);

  AppContext& app_;
  std::wstring contacts_folder_;
  std::wstring target_directory_;
  std::unique_ptr<store::Store> store_;
  std::unique_ptr<store::Item> current_contact_;
  // One file for all contacts: the file, its version, and the card being
  // written (their storage reused from contact to contact).
  std::unique_ptr<ExportFile> file_;
  card_writer::Version version_ = card_writer::Version::k30;
  card_writer::ContactCard card_;
  std::string card_text_;
  bool logged_on_ = false;
  // The latest contact's state, and whether the window shows it yet.
  ExportStatus latest_;
  bool shown_ = true;
};

}  // namespace pindrel
