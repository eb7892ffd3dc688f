// Everything a window's logic depends on, handed over as one: a new
// dependency changes this struct, not every window's constructor.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "desktop.h"
#include "export_file.h"
#include "module1.h"
#include "run_progress.h"
#include "store.h"
#include "vcard_reader.h"

namespace pindrel {

// Lists every file below `root` into `found` and returns how many it added.
// A root without a trailing backslash gets one, in the caller's variable.
using FolderWalk = std::function<int(std::wstring& root, std::vector<std::wstring>& found)>;

struct AppContext {
  Module1& state;
  ui::Desktop& desktop;
  FolderWalk walk;
  // A new session of the contact store library.
  store::SessionFactory open_session;
  // A new vCard reader, one per file.
  VCardReaderFactory open_reader;
  // When a run shows its progress and yields; tests give one they advance.
  RunClock clock = SteadyClock();
  // Where an export of all contacts to one file writes it.
  ExportFiles* export_files = nullptr;
};

}  // namespace pindrel
