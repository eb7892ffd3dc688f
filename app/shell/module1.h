// Application-wide state: lives for the whole run, shared by the windows.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store.h"

namespace pindrel {

struct Module1 {
  // The vCard source directory as the folder dialog gave it; the import run
  // walks it again.
  std::wstring ImportSourceFolder;
  // Full paths of the files the latest folder walk met, in walk order.
  std::vector<std::wstring> FoundFiles;
  // How many files the main window's latest walk found; the import window
  // shows it when Proceed opens it again.
  std::optional<int> FoundFileCount;
  // The contacts folder chosen for export, by store and entry identifier.
  std::wstring ExportStoreID;
  std::wstring ExportFolderID;
  // The target contacts folder of an import.
  std::wstring ImportStoreID;
  std::wstring ImportFolderID;
  // The store session and folder in use. Each procedure that uses the store
  // puts its own session here, replacing (and so releasing) the one before.
  std::unique_ptr<store::Session> StoreSession;
  std::unique_ptr<store::Folder> CurrentFolder;
};

}  // namespace pindrel
