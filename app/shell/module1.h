// Application-wide state: lives for the whole run, shared by the windows.
#pragma once

#include <string>
#include <vector>

namespace pindrel {

struct Module1 {
  // The vCard source directory as the folder dialog gave it; the import run
  // walks it again.
  std::wstring ImportSourceFolder;
  // Full paths of the files the latest folder walk met, in walk order.
  std::vector<std::wstring> FoundFiles;
  // The contacts folder chosen for export, by store and entry identifier.
  std::wstring ExportStoreID;
  std::wstring ExportFolderID;
  // The target contacts folder of an import.
  std::wstring ImportStoreID;
  std::wstring ImportFolderID;
};

}  // namespace pindrel
