// The export's one file on Windows: a temporary file made in the target
// directory (GetTempFileNameW), written through a buffer (WriteFile) and
// renamed when complete (MoveFileExW, never replacing a file).
#pragma once

#include "export_file.h"

namespace pindrel {

class Win32ExportFiles : public ExportFiles {
 public:
  bool Exists(const std::wstring& path) override;
  std::unique_ptr<ExportFile> CreateTemporary(const std::wstring& directory) override;
};

}  // namespace pindrel
