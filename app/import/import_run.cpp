#include "import_run.h"

#include <cwctype>
#include <stdexcept>
#include <string>

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

ImportRun::Ended ImportRun::Run(ImportProgress& progress, bool target_shown) {
  Running running(*this);
  tally_ = ImportTally{};
  last_unreadable_.clear();
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

  std::unique_ptr<store::Folder> target;
  try {
    state.StoreSession = app_.open_session();
    state.StoreSession->Logon();
    std::unique_ptr<store::Store> store = state.StoreSession->GetStoreFromID(state.ImportStoreID);
    target = store->GetFolderFromID(state.ImportFolderID);
  } catch (const store::StoreError&) {
    return Ended::kStoreFailed;
  }

  status_ = ImportStatus{};
  pacer_ = RunPacer(app_.clock);
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
    try {
      const CardMapping& contact = source.Current();
      if (StoreContact(target, contact.sets, path, j)) tally_.noted += contact.noted;
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

bool ImportRun::StoreContact(store::Folder& target, const std::vector<PropertySet>& sets, const std::wstring& path,
                             std::int32_t contact) {
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

void ImportRun::NotSaved(const std::wstring& path, std::int32_t contact, const std::wstring& reason) {
  tally_.not_saved.Add(path + L", contact " + std::to_wstring(contact) + L": " + reason);
}

void ImportRun::MarkUnreadable(const std::wstring& path, const std::wstring& reason) {
  if (path == last_unreadable_) return;
  last_unreadable_ = path;
  tally_.unreadable.Add(path + L": " + reason);
}

}  // namespace pindrel
