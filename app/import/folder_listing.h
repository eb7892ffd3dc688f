// FolderListing: the walk that finds every file below the folder a user
// picked for import. Portable: the platform's directory search sits behind
// DirectoryLister, so the walk itself is tested natively over a fake tree.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace pindrel {

// Width of the name field of a directory search record, as the platform
// hands it out (the platform's maximum path length, terminator included).
inline constexpr std::size_t kNameFieldLength = 260;

using NameField = std::array<wchar_t, kNameFieldLength>;

// One entry of a directory search.
struct DirectoryEntry {
  NameField name{};          // up to the first NUL, or all of it without one
  bool is_directory = false;
  bool is_link = false;      // a link or any other reparse point
};

// The entry's name: the field's text up to its first NUL character, the
// whole field when it holds none.
std::wstring EntryName(const NameField& field);

// One running search over the entries that match a pattern. Destroying it
// ends the search and frees what the platform holds for it.
class DirectorySearch {
 public:
  virtual ~DirectorySearch() = default;
  // The entry the search stands on.
  virtual const DirectoryEntry& Current() const = 0;
  // Moves to the next entry; false when there is none (Current() is then
  // no longer meaningful).
  virtual bool Next() = 0;
};

// Starts searches. Entries come in the platform's own order, "." and ".."
// included where the platform lists them.
class DirectoryLister {
 public:
  virtual ~DirectoryLister() = default;
  // Starts a search over `pattern` (a folder path ending in "\" followed by
  // "*.*") standing on its first entry; null when the search cannot start
  // (missing folder, no access, a wrong path) or the folder has no entry.
  virtual std::unique_ptr<DirectorySearch> Start(const std::wstring& pattern) = 0;
};

// Appends "\" to `root` unless it already ends in one (an empty root so
// becomes "\", the root folder of the current drive); the caller's variable
// keeps that form. Then appends every file below the folder to `found`, in
// walk order, and returns how many it appended. The caller empties `found`
// first when it wants only this walk's files.
int ListFiles(std::wstring& root, std::vector<std::wstring>& found,
              DirectoryLister& lister);

// Appends the files below `folder` (a path ending in "\") to `found`, depth
// first in the platform's entry order, and adds their number to `count`.
// Folder links are not followed, so a link back into the tree cannot make
// the walk run forever; the files of every real folder are still listed.
void ScanFolder(const std::wstring& folder, std::vector<std::wstring>& found,
                int& count, DirectoryLister& lister);

}  // namespace pindrel
