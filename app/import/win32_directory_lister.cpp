#include "win32_directory_lister.h"

#include <windows.h>

#include <algorithm>

namespace pindrel {
namespace {

static_assert(sizeof(WIN32_FIND_DATAW::cFileName) / sizeof(WCHAR) == kNameFieldLength,
              "the search record's name field is what NameField mirrors");

void CopyEntry(const WIN32_FIND_DATAW& data, DirectoryEntry& entry) {
  std::copy(std::begin(data.cFileName), std::end(data.cFileName), entry.name.begin());
  entry.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // The attribute alone, not the reparse tag: it marks junctions and
  // symbolic links on Windows, and Wine sets it for a Unix symbolic link
  // while leaving the tag field zero.
  entry.is_link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

class Win32DirectorySearch final : public DirectorySearch {
 public:
  Win32DirectorySearch(HANDLE handle, const WIN32_FIND_DATAW& first) : handle_(handle) {
    CopyEntry(first, entry_);
  }
  ~Win32DirectorySearch() override { FindClose(handle_); }
  Win32DirectorySearch(const Win32DirectorySearch&) = delete;
  Win32DirectorySearch& operator=(const Win32DirectorySearch&) = delete;

  const DirectoryEntry& Current() const override { return entry_; }

  bool Next() override {
    WIN32_FIND_DATAW data;
    if (!FindNextFileW(handle_, &data)) return false;
    CopyEntry(data, entry_);
    return true;
  }

 private:
  HANDLE handle_;
  DirectoryEntry entry_;
};

}  // namespace

std::unique_ptr<DirectorySearch> Win32DirectoryLister::Start(const std::wstring& pattern) {
  WIN32_FIND_DATAW data;
  HANDLE handle = FindFirstFileW(pattern.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  try {
    return std::make_unique<Win32DirectorySearch>(handle, data);
  } catch (...) {
    FindClose(handle);
    throw;
  }
}

}  // namespace pindrel
