// The import window: the choice of the target contacts folder and the
// import run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app_context.h"
#include "card_mapping.h"
#include "contact_mapping.h"
#include "failure_list.h"
#include "form.h"

namespace pindrel {

// What a run did, for its closing message.
struct ImportTally {
  int imported = 0;
  // Contacts read but not stored: the item could not be made, or its save
  // failed, or the reader failed while handing out its fields. Each named
  // by its file and its number in the file.
  ui::FailureList not_saved;
  // Files that could not be read, or read only in part, in walk order.
  ui::FailureList unreadable;
  // Whether any of them failed because no reader could be created.
  bool reader_missing = false;
  // Values of the imported contacts that had no free property of their own
  // and went into the contacts' notes.
  int noted = 0;
  // The user closed the window before every contact was read.
  bool stopped = false;
};

// The message that ends a run: "Import Complete !", and when anything went
// wrong, the run was stopped or values went into notes, what was imported
// and what was not.
std::wstring ImportClosingText(const ImportTally& tally);
// Its lines on what was not imported: the contacts not saved and the files
// not read, which of them and why.
std::wstring ImportFailureText(const ImportTally& tally);

inline constexpr std::wstring_view kImportCompleteText = L"Import Complete !";
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
  explicit FrmvCardImport(AppContext& app) : app_(app) {}

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
  // The steps of a run once the buttons are locked.
  void Run(ui::Form& form);
  // Reads one file into the target; false when the window went away.
  bool ImportFile(ui::Form& form, store::Folder& target, const std::wstring& path);
  // Stores the mapped contact, number `contact` of the file at `path`;
  // false when it was not stored.
  bool StoreContact(store::Folder& target, const std::vector<PropertySet>& sets, const std::wstring& path,
                    std::int32_t contact);
  void NotSaved(const std::wstring& path, std::int32_t contact, const std::wstring& reason);
  // Names the file once, with the first reason it gave.
  void MarkUnreadable(const std::wstring& path, const std::wstring& reason);
  // Sets a caption only when its text changes: repainting a label per
  // contact would cost more than storing the contact.
  void ShowCaption(ui::Form& form, std::string_view label, std::wstring& shown, const std::wstring& text);

  AppContext& app_;
  std::optional<int> file_count_;
  bool running_ = false;
  bool stop_requested_ = false;
  ImportTally tally_;
  std::wstring last_unreadable_;
  std::wstring shown_file_;
  std::wstring shown_saved_;
  // Reused from contact to contact: the older reading's fields and their
  // property sets, or the decoded reading's card and its mapping.
  ContactFields fields_;
  std::vector<PropertySet> sets_;
  DecodedCard card_;
  CardMapping mapping_;
};

}  // namespace pindrel
