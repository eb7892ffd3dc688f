#include "folder_listing.h"

#include <algorithm>

namespace pindrel {

std::wstring EntryName(const NameField& field) {
  const auto end = std::find(field.begin(), field.end(), L'\0');
  return std::wstring(field.begin(), end);
}

int ListFiles(std::wstring& root, std::vector<std::wstring>& found,
              DirectoryLister& lister) {
  // The caller keeps the normalised form: the main window shows it in its
  // message and the import run keeps walking from it.
  if (root.empty() || root.back() != L'\\') root += L'\\';
  int count = 0;
  ScanFolder(root, found, count, lister);
  return count;
}

void ScanFolder(const std::wstring& folder, std::vector<std::wstring>& found,
                int& count, DirectoryLister& lister) {
  // "*.*" matches every entry, hidden and system ones included; the import
  // decides later which names it reads.
  std::unique_ptr<DirectorySearch> search = lister.Start(folder + L"*.*");
  if (!search) return;  // the folder contributes nothing

  do {
    const DirectoryEntry& entry = search->Current();
    std::wstring name = EntryName(entry.name);
    // A nameless entry cannot be made into a path. Passing over it keeps
    // every entry after it in the listing.
    if (name.empty()) continue;

    if (entry.is_directory) {
      if (name == L"." || name == L"..") continue;
      // A folder link (symbolic link, junction, any reparse point) may lead
      // back into the tree; following it could recurse without end. The
      // real folder it names is walked where it really lies.
      if (entry.is_link) continue;
      if (name.back() != L'\\') name += L'\\';
      // Depth first: the subfolder's files come before the rest of this
      // folder's entries.
      ScanFolder(folder + name, found, count, lister);
    } else {
      ++count;
      found.push_back(folder + name);
    }
  } while (search->Next());
}

}  // namespace pindrel
