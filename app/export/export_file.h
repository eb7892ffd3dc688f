// The file an export of all contacts writes, as the export run sees it: a
// file written under a temporary name in its directory and given its real
// name only when it is complete, so that a stop, a failure or a full disk
// never leaves part of a file under the real name. The program's files are
// the Win32 ones (win32_export_file.h); tests give the run a fake.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace pindrel {

// A file that could not be created, written or named: the reason as the
// closing message shows it.
class ExportFileError : public std::runtime_error {
 public:
  explicit ExportFileError(std::wstring reason) : std::runtime_error("export file"), reason_(std::move(reason)) {}
  const std::wstring& reason() const { return reason_; }

 private:
  std::wstring reason_;
};

class ExportFile {
 public:
  // Not committed: the temporary file is removed.
  virtual ~ExportFile() = default;
  // Appends the bytes; throws ExportFileError.
  virtual void Write(std::string_view bytes) = 0;
  // Completes the file and gives it the name `path` (in the directory it
  // was created for), never replacing a file of that name: false, and the
  // file still temporary, when `path` is taken. Throws ExportFileError.
  virtual bool Commit(const std::wstring& path) = 0;
};

class ExportFiles {
 public:
  virtual ~ExportFiles() = default;
  // Whether a file or directory of that path exists.
  virtual bool Exists(const std::wstring& path) = 0;
  // A new temporary file in `directory`; throws ExportFileError.
  virtual std::unique_ptr<ExportFile> CreateTemporary(const std::wstring& directory) = 0;
};

}  // namespace pindrel
