// The import run: the vCard files below the source folder read into the
// chosen contacts folder, apart from any window; the import window shows
// what it reports.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app_context.h"
#include "contact_source.h"
#include "duplicate_index.h"
#include "failure_list.h"
#include "run_progress.h"
#include "texts.h"

namespace pindrel {

// What a run did, for its closing message.
// What the run does with a card whose person is already in the folder
// (duplicate_index.h): leaves the contact as it is, updates it from the
// card (contact_update.h), or adds the card as a new contact all the same.
enum class DuplicateChoice { kSkip, kUpdate, kAdd };

struct ImportTally {
  // Contacts added as new ones.
  int imported = 0;
  // Cards whose contact was already in the folder: updated from the card,
  // or left as it was.
  int updated = 0;
  int skipped = 0;
  // Contacts read but not stored: the item could not be made, or its save
  // failed, or the reader failed while handing out its fields. Each named
  // by its file and its number in the file.
  ui::FailureList not_saved;
  // Contacts saved without the picture of their card: the store refused
  // it, or it could not be read. Each named with the reason.
  ui::FailureList pictures;
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
// The progress label while the target folder is read: "Reading the
// contacts already in the folder: 12,000 of 40,000".
std::wstring ReadingFolderText(long done, long of);
// Its lines on what was not imported: the contacts not saved and the files
// not read, which of them and why.
std::wstring ImportFailureText(const ImportTally& tally);

// The two captions of a run: the file being read with its contact count,
// and the files done of the files found with the cards read so far.
struct ImportStatus {
  std::wstring file;
  std::wstring files_done;
  long cards = 0;
};
// The second caption: "3/17 files, 1,250 cards" (the files part once a
// file is done, the cards part once a card is read).
std::wstring DoneText(const ImportStatus& status);

class ImportProgress : public RunProgress<ImportStatus> {
 public:
  // The run has yielded once and starts to walk: its labels appear.
  virtual void Begin() = 0;
};

class ImportRun : public RunGate {
 public:
  enum class Ended { kDone, kNoSource, kNoTarget, kStoreFailed, kWindowGone };

  explicit ImportRun(AppContext& app) : app_(app) {}

  // Walks the source folder again and imports every ".vcf" file into the
  // folder of ImportStoreID and ImportFolderID; refuses without a source
  // folder or without a target the window shows. Unless every card is to be
  // added, the folder's contacts are read first, so that a card of a person
  // already there (or already met in this run) is met with `duplicates`.
  // Reports at the pace of the app's clock and always once at the end.
  Ended Run(ImportProgress& progress, bool target_shown, DuplicateChoice duplicates = DuplicateChoice::kAdd);
  // What the latest run did.
  const ImportTally& tally() const { return tally_; }

 private:
  // The target folder through a new session; null when the store failed.
  std::unique_ptr<store::Folder> OpenTarget();
  // The target's contacts into the index; false when the window went away.
  bool ReadFolder(ImportProgress& progress, store::Folder& target);
  // One card into the target: added, or met as a person already there.
  void ImportContact(store::Folder& target, const CardMapping& contact, const std::wstring& path,
                     std::int32_t number);
  // The folder's contact at `position`, for the matching to read.
  static std::unique_ptr<ContactTexts> FolderContact(store::Folder& target, std::int32_t position);
  bool UpdateAt(store::Folder& target, std::int32_t position, const CardMapping& card, const std::wstring& path,
                std::int32_t number);
  // Reads one file into the target; false when the window went away.
  bool ImportFile(ImportProgress& progress, store::Folder& target, const std::wstring& path);
  // A source over a new reader; none (and the file named) when no reader
  // can be created.
  std::unique_ptr<ContactSource> OpenSource(const std::wstring& path);
  // Reads the file and puts the cursor on its first contact; how many
  // contacts it lists (none when even that failed, the file named).
  std::int32_t StartFile(ContactSource& source, const std::wstring& path);
  // Stores the file's `count` contacts; false when the window went away.
  bool ImportContacts(ImportProgress& progress, store::Folder& target, ContactSource& source,
                      const std::wstring& path, std::int32_t count);
  // Stores the mapped contact, number `contact` of the file at `path`;
  // false when it was not stored.
  bool StoreContact(store::Folder& target, const CardMapping& card, const std::wstring& path, std::int32_t contact);
  // Gives the item the card's picture, before it is saved; a picture the
  // store refuses is named in the tally and loses nothing else.
  void AddPicture(store::Item& item, const CardMapping& card);
  void NotSaved(const std::wstring& path, std::int32_t contact, const std::wstring& reason);
  // Names the file once, with the first reason it gave.
  void MarkUnreadable(const std::wstring& path, const std::wstring& reason);

  AppContext& app_;
  ImportTally tally_;
  std::wstring last_unreadable_;
  ImportStatus status_;
  RunPacer pacer_{nullptr};
  DuplicateChoice duplicates_ = DuplicateChoice::kAdd;
  DuplicateIndex index_;
  // The folder's position of the next contact the run adds.
  std::int32_t next_position_ = 1;
};

}  // namespace pindrel
