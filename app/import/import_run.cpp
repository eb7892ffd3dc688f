#include "import_run.h"

#include <cwctype>
#include <stdexcept>
#include <string>

#include "card_text.h"
#include "contact_update.h"
#include "picture_file.h"
#include "guard.h"

namespace pindrel {

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

// A contact as the closing message names it: by its full name.
std::wstring NameOf(const CardMapping& card) {
  for (const PropertySet& set : card.sets)
    if (set.property == store::property::FullName) return set.text;
  return std::wstring(kNoName);
}

std::wstring Plural(int n, std::wstring_view one, std::wstring_view many) {
  return std::to_wstring(n) + L" " + std::wstring(n == 1 ? one : many);
}

}  // namespace

std::wstring ReadingFolderText(long done, long of) {
  using card_text::Grouped;
  return std::wstring(kReadingFolderText) + Grouped(static_cast<unsigned long long>(done)) + L" of " +
         Grouped(static_cast<unsigned long long>(of));
}

std::wstring DoneText(const ImportStatus& s) {
  std::wstring text = s.files_done;
  if (!text.empty()) text += L" files";
  if (s.cards > 0) {
    if (!text.empty()) text += L", ";
    text += card_text::Grouped(static_cast<unsigned long long>(s.cards)) + (s.cards == 1 ? L" card" : L" cards");
  }
  return text;
}

std::wstring ImportClosingText(const ImportTally& t) {
  std::wstring text(kImportCompleteText);
  const bool met = t.updated > 0 || t.skipped > 0;
  if (!t.stopped && t.not_saved.empty() && t.unreadable.empty() && t.pictures.empty() && t.noted == 0 && !met)
    return text;
  if (t.stopped) text += L"\r\nThe import was stopped before all files were read.";
  if (met)
    text += L"\r\n" + Plural(t.imported, L"contact", L"contacts") + L" added, " + std::to_wstring(t.updated) +
            L" updated, " + std::to_wstring(t.skipped) + L" skipped because " +
            (t.skipped == 1 ? L"it was" : L"they were") + L" already in the folder.";
  else
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
  if (!t.pictures.empty()) {
    text += L"\r\n" + Plural(static_cast<int>(t.pictures.count()),
                              L"contact was saved without the picture of its vCard:",
                              L"contacts were saved without the pictures of their vCards:");
    text += t.pictures.Text();
  }
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

ImportRun::Ended ImportRun::Run(ImportProgress& progress, bool target_shown, DuplicateChoice duplicates) {
  Running running(*this);
  tally_ = ImportTally{};
  last_unreadable_.clear();
  duplicates_ = duplicates;
  index_ = DuplicateIndex{};
  Module1& state = app_.state;
  // An empty source folder would be walked as the root of the current
  // drive, importing whatever vCard files lie anywhere on it.
  if (state.ImportSourceFolder.empty()) return Ended::kNoSource;
  // Identifiers the window no longer shows (its box is empty) are not a
  // choice: the user would import into a folder they cannot see.
  if (!target_shown) return Ended::kNoTarget;

  state.FoundFiles.clear();
  if (!progress.DoEvents()) return Ended::kWindowGone;
  progress.Begin();

  const int found = app_.walk(state.ImportSourceFolder, state.FoundFiles);
  std::unique_ptr<store::Folder> target = OpenTarget();
  if (!target) return Ended::kStoreFailed;

  status_ = ImportStatus{};
  pacer_ = RunPacer(app_.clock);
  if (duplicates_ != DuplicateChoice::kAdd) {
    try {
      if (!ReadFolder(progress, *target)) return Ended::kWindowGone;
    } catch (const store::StoreError&) {
      return Ended::kStoreFailed;
    }
  }
  for (int i = 1; i <= found && static_cast<std::size_t>(i) <= state.FoundFiles.size(); ++i) {
    if (stop_requested()) {
      tally_.stopped = true;
      break;
    }
    const std::wstring path = state.FoundFiles[static_cast<std::size_t>(i - 1)];
    if (IsVCardFile(path) && !ImportFile(progress, *target, path)) return Ended::kWindowGone;
    const bool due = !stop_requested() && pacer_.Due();
    if (due && !progress.DoEvents()) return Ended::kWindowGone;
    status_.files_done = ProgressText(i, found);
    if (due) progress.Show(status_);
  }
  progress.Show(status_);
  return Ended::kDone;
}

std::unique_ptr<store::Folder> ImportRun::OpenTarget() {
  Module1& state = app_.state;
  try {
    state.StoreSession = app_.open_session();
    state.StoreSession->Logon();
    std::unique_ptr<store::Store> store = state.StoreSession->GetStoreFromID(state.ImportStoreID);
    return store->GetFolderFromID(state.ImportFolderID);
  } catch (const store::StoreError&) {
    return nullptr;
  }
}

bool ImportRun::ReadFolder(ImportProgress& progress, store::Folder& target) {
  std::unique_ptr<store::Items> items = target.GetItems();
  const std::int32_t count = items->Count();
  index_.Reserve(static_cast<std::size_t>(count));
  next_position_ = count + 1;
  for (std::int32_t i = 1; i <= count && !stop_requested(); ++i) {
    if (pacer_.Due() || i == 1) {
      status_.file = ReadingFolderText(i - 1, count);
      progress.Show(status_);
      if (!progress.DoEvents()) return false;
    }
    // A contact that cannot be read is not known to the run: a card of
    // that person is added again rather than lost.
    try {
      std::unique_ptr<store::Item> item = items->GetItem(i);
      if (item->MessageClass() != store::kContactClass) continue;
      const std::wstring full = item->Text(store::property::FullName);
      if (!FoldedName(full).empty()) index_.AddByName(full, {}, {}, i);
      else index_.AddByName({}, item->Text(store::property::FirstName), item->Text(store::property::LastName), i);
    } catch (const store::StoreError&) {
    }
  }
  index_.ShrinkToFit();
  status_.file = ReadingFolderText(count, count);
  progress.Show(status_);
  return true;
}

std::unique_ptr<ContactSource> ImportRun::OpenSource(const std::wstring& path) {
  try {
    if (!app_.open_reader) throw std::runtime_error("no vCard reader");
    std::unique_ptr<VCardReader> reader = app_.open_reader();
    if (!reader) throw std::runtime_error("no vCard reader");
    return MakeContactSource(std::move(reader));
  } catch (const std::exception& e) {
    MarkUnreadable(path, ui::WidenUtf8(e.what()));
    tally_.reader_missing = true;
    return nullptr;
  }
}

std::int32_t ImportRun::StartFile(ContactSource& source, const std::wstring& path) {
  try {
    try {
      source.Open(path);
    } catch (const std::runtime_error& e) {
      // Unreadable, or read only up to a fault: whatever came before the
      // fault is still imported, and the file is named at the end.
      MarkUnreadable(path, ui::WidenUtf8(e.what()));
    }
    return source.Start();
  } catch (const std::exception& e) {
    MarkUnreadable(path, ui::WidenUtf8(e.what()));
    return 0;
  }
}

bool ImportRun::ImportFile(ImportProgress& progress, store::Folder& target, const std::wstring& path) {
  std::unique_ptr<ContactSource> source = OpenSource(path);
  if (!source) return true;
  const std::int32_t count = StartFile(*source, path);
  if (count > 0) status_.file = path + L"(" + std::to_wstring(count) + L")";
  const bool window_open = ImportContacts(progress, target, *source, path, count);
  try {
    source->Close();
  } catch (const std::exception&) {
  }
  return window_open;
}

bool ImportRun::ImportContacts(ImportProgress& progress, store::Folder& target, ContactSource& source,
                               const std::wstring& path, std::int32_t count) {
  for (std::int32_t j = 1; j <= count; ++j) {
    if (pacer_.Due()) {
      if (!progress.DoEvents()) return false;
      progress.Show(status_);
    }
    ++status_.cards;
    try {
      ImportContact(target, source.Current(), path, j);
    } catch (const std::exception& e) {
      NotSaved(path, j, ui::WidenUtf8(e.what()));
    }
    try {
      source.MoveNext();
    } catch (const std::exception& e) {
      MarkUnreadable(path, ui::WidenUtf8(e.what()));
      break;
    }
    if (stop_requested()) {
      tally_.stopped = j < count;
      break;
    }
  }
  return true;
}

void ImportRun::ImportContact(store::Folder& target, const CardMapping& contact, const std::wstring& path,
                              std::int32_t number) {
  if (duplicates_ == DuplicateChoice::kAdd) {
    if (StoreContact(target, contact, path, number)) tally_.noted += contact.noted;
    return;
  }
  PersonKey key = KeyOfCard(contact.sets);
  if (std::optional<std::int32_t> position = index_.Find(key, [&](std::int32_t at) { return FolderContact(target, at); })) {
    if (duplicates_ == DuplicateChoice::kSkip) ++tally_.skipped;
    else if (UpdateAt(target, *position, contact, path, number)) ++tally_.updated;
    return;
  }
  if (!StoreContact(target, contact, path, number)) return;
  tally_.noted += contact.noted;
  // A second copy of the card, later in this run, meets this contact.
  index_.Add(key, next_position_++);
}

std::unique_ptr<ContactTexts> ImportRun::FolderContact(store::Folder& target, std::int32_t position) {
  // A contact that cannot be read is no match: the card is added rather
  // than lost.
  struct Texts : ContactTexts {
    std::unique_ptr<store::Item> item;
    std::wstring Text(std::wstring_view p) override {
      try {
        return item->Text(p);
      } catch (const store::StoreError&) {
        return {};
      }
    }
  };
  auto texts = std::make_unique<Texts>();
  try {
    texts->item = target.GetItems()->GetItem(position);
  } catch (const store::StoreError&) {
    return nullptr;
  }
  return texts;
}

bool ImportRun::UpdateAt(store::Folder& target, std::int32_t position, const CardMapping& card,
                         const std::wstring& path, std::int32_t number) {
  try {
    std::unique_ptr<store::Item> item = target.GetItems()->GetItem(position);
    UpdateContact(*item, card.sets);
    AddPicture(*item, card);
    item->Save();
    return true;
  } catch (const store::StoreError& e) {
    NotSaved(path, number, e.reason());
    return false;
  }
}

bool ImportRun::StoreContact(store::Folder& target, const CardMapping& card, const std::wstring& path,
                             std::int32_t contact) {
  std::unique_ptr<store::Item> item;
  try {
    item = target.GetItems()->Add();
  } catch (const store::StoreError& e) {
    NotSaved(path, contact, e.reason());
    return false;
  }
  for (const PropertySet& set : card.sets) {
    // A value the store refuses leaves that one property empty; the
    // contact is still worth keeping with the rest.
    try {
      if (set.date) item->SetDate(set.property, *set.date);
      else item->SetText(set.property, set.text);
    } catch (const store::StoreError&) {
    }
  }
  AddPicture(*item, card);
  try {
    item->Save();
    ++tally_.imported;
    return true;
  } catch (const store::StoreError& e) {
    NotSaved(path, contact, e.reason());
    return false;
  }
}

void ImportRun::AddPicture(store::Item& item, const CardMapping& card) {
  std::wstring reason = card.picture_failure;
  if (card.picture) {
    try {
      PictureFile file(card.picture->media_type, card.picture->bytes);
      item.AddPicture(file.path());
      return;
    } catch (const store::StoreError& e) {
      reason = e.reason();
    } catch (const std::exception& e) {
      reason = ui::WidenUtf8(e.what());
    }
  }
  // The contact is saved all the same; the message names what it lacks.
  if (!reason.empty()) tally_.pictures.Add(NameOf(card) + L": its picture could not be added: " + reason);
}

void ImportRun::NotSaved(const std::wstring& path, std::int32_t contact, const std::wstring& reason) {
  tally_.not_saved.Add(path + L", contact " + std::to_wstring(contact) + L": " + reason);
}

void ImportRun::MarkUnreadable(const std::wstring& path, const std::wstring& reason) {
  if (path == last_unreadable_) return;
  last_unreadable_ = path;
  tally_.unreadable.Add(path + L": " + reason);
}

}  // namespace pindrel
