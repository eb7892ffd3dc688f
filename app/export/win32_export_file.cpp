#include "win32_export_file.h"

#include <windows.h>

#include <string>

namespace pindrel {
namespace {

// The system's text for an error, without its line break; its code when
// there is none.
std::wstring SystemText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring out = length > 0 ? std::wstring(text, length) : L"";
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == L'\r' || out.back() == L'\n' || out.back() == L' ')) out.pop_back();
  if (out.empty()) {
    wchar_t code[32];
    swprintf(code, 32, L"Windows error %lu.", static_cast<unsigned long>(error));
    out = code;
  }
  return out;
}

[[noreturn]] void Fail(DWORD error) { throw ExportFileError(SystemText(error)); }

class File : public ExportFile {
 public:
  File(std::wstring path, HANDLE handle) : path_(std::move(path)), handle_(handle) { buffer_.reserve(kBuffer); }
  ~File() override {
    if (committed_) return;
    Close();
    DeleteFileW(path_.c_str());
  }

  void Write(std::string_view bytes) override {
    if (buffer_.size() + bytes.size() > kBuffer) Flush();
    if (bytes.size() >= kBuffer) WriteAll(bytes);
    else buffer_.append(bytes);
  }

  bool Commit(const std::wstring& path) override {
    if (handle_ != INVALID_HANDLE_VALUE) {
      Flush();
      // Whatever the disk still holds back shows here, not after the rename.
      if (!FlushFileBuffers(handle_)) Fail(GetLastError());
      Close();
    }
    if (!MoveFileExW(path_.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
      const DWORD error = GetLastError();
      if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
      Fail(error);
    }
    committed_ = true;
    return true;
  }

 private:
  static constexpr std::size_t kBuffer = 64 * 1024;

  void Flush() {
    WriteAll(buffer_);
    buffer_.clear();
  }
  void WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
      DWORD written = 0;
      if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr)) Fail(GetLastError());
      if (written == 0) Fail(ERROR_DISK_FULL);
      bytes.remove_prefix(written);
    }
  }
  void Close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

  std::wstring path_;
  HANDLE handle_;
  std::string buffer_;
  bool committed_ = false;
};

}  // namespace

bool Win32ExportFiles::Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<ExportFile> Win32ExportFiles::CreateTemporary(const std::wstring& directory) {
  // A name of its own in the target directory (so the rename stays on its
  // volume), made and created at once so that no two runs share it.
  wchar_t path[MAX_PATH];
  if (GetTempFileNameW(directory.c_str(), L"pdl", 0, path) == 0) Fail(GetLastError());
  HANDLE handle = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    DeleteFileW(path);
    Fail(error);
  }
  return std::make_unique<File>(path, handle);
}

}  // namespace pindrel
