// The file layer over Win32: wide paths, handles shared for read, write and
// delete, locks through LockFileEx.
#include "files.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>

#include "text.h"

namespace localstore {
namespace {

std::string SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (length && buffer) text.assign(reinterpret_cast<const char16_t*>(buffer), length);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ' ||
                           text.back() == u'.'))
    text.pop_back();
  if (text.empty()) return "system error " + std::to_string(code);
  return ToUtf8(text);
}

bool Fail(FileError* error, const char* what, const Path* path, DWORD code = GetLastError()) {
  if (error) {
    error->not_found = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
                       code == ERROR_BAD_NETPATH || code == ERROR_INVALID_DRIVE;
    error->exists = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
    error->system_code = code;
    error->message = what;
    if (path) error->message += " \"" + PathText(*path) + "\"";
    error->message += ": " + SystemMessage(code);
  }
  return false;
}

HANDLE H(void* handle) { return static_cast<HANDLE>(handle); }

}  // namespace

File::~File() { Close(); }
File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

File File::Open(const Path& path, Mode mode, FileError* error) {
  DWORD access = GENERIC_READ | (mode == Mode::Read ? 0 : GENERIC_WRITE);
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case Mode::Read:
    case Mode::Write: disposition = OPEN_EXISTING; break;
    case Mode::OpenAlways: disposition = OPEN_ALWAYS; break;
    case Mode::CreateNew: disposition = CREATE_NEW; break;
    case Mode::CreateAlways: disposition = CREATE_ALWAYS; break;
  }
  File file;
  HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    Fail(error, "cannot open", &path);
    return file;
  }
  file.handle_ = handle;
  return file;
}

bool File::IsOpen() const { return handle_ != nullptr; }

void File::Close() {
  if (handle_) CloseHandle(H(handle_));
  handle_ = nullptr;
}

// Positioned through the file pointer rather than an OVERLAPPED offset:
// under Wine the latter costs a trip to the server on every call, ten times
// the read itself. A File is used by one thread at a time, so the pointer is
// its own.
static bool Seek(void* handle, std::uint64_t offset, FileError* error) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(H(handle), at, nullptr, FILE_BEGIN) || Fail(error, "cannot seek", nullptr);
}

bool File::ReadAt(std::uint64_t offset, void* data, std::size_t size, std::size_t* read,
                  FileError* error) {
  std::size_t done = 0;
  if (!Seek(handle_, offset, error)) return false;
  while (done < size) {
    DWORD got = 0;
    DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    if (!ReadFile(H(handle_), static_cast<char*>(data) + done, ask, &got, nullptr)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return Fail(error, "cannot read", nullptr);
    }
    if (got == 0) break;
    done += got;
  }
  *read = done;
  return true;
}

bool File::WriteAt(std::uint64_t offset, const void* data, std::size_t size, FileError* error) {
  std::size_t done = 0;
  if (!Seek(handle_, offset, error)) return false;
  while (done < size) {
    DWORD put = 0;
    DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    if (!WriteFile(H(handle_), static_cast<const char*>(data) + done, ask, &put, nullptr))
      return Fail(error, "cannot write", nullptr);
    done += put;
  }
  return true;
}

bool File::Size(std::uint64_t* size, FileError* error) {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(H(handle_), &value)) return Fail(error, "cannot query size", nullptr);
  *size = static_cast<std::uint64_t>(value.QuadPart);
  return true;
}

bool File::Truncate(std::uint64_t size, FileError* error) {
  FILE_END_OF_FILE_INFO info{};
  info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFileInformationByHandle(H(handle_), FileEndOfFileInfo, &info, sizeof info))
    return Fail(error, "cannot truncate", nullptr);
  return true;
}

bool File::Flush(bool durable, FileError* error) {
  // WriteFile has handed the bytes to the system already.
  if (durable && !FlushFileBuffers(H(handle_))) return Fail(error, "cannot flush", nullptr);
  return true;
}

bool File::Lock(bool exclusive, FileError* error) {
  OVERLAPPED at{};
  if (!LockFileEx(H(handle_), exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, 1, 0, &at))
    return Fail(error, "cannot lock", nullptr);
  return true;
}

void File::Unlock() {
  OVERLAPPED at{};
  UnlockFileEx(H(handle_), 0, 1, 0, &at);
}

bool RenameOver(const Path& from, const Path& to, FileError* error) {
  // A reader holding the target open for a moment makes the replacement
  // fail with a sharing error; readers never hold it long.
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DWORD code = GetLastError();
    if ((code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) || attempt == 200)
      return Fail(error, "cannot replace", &to, code);
    Sleep(5);
  }
}

bool RemoveFile(const Path& path, FileError* error) {
  if (!DeleteFileW(path.c_str())) return Fail(error, "cannot remove", &path);
  return true;
}

bool MakeDirectories(const Path& path, FileError* error) {
  if (IsDirectory(path)) return true;
  Path parent = path.parent_path();
  if (!parent.empty() && parent != path && !IsDirectory(parent) && !MakeDirectories(parent, error))
    return false;
  if (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
  return Fail(error, "cannot create the folder", &path);
}

bool IsDirectory(const Path& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string PathText(const Path& path) {
  const std::wstring& wide = path.native();
  return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

Path PathFromUtf8(std::string_view text) {
  std::u16string wide = FromUtf8(text);
  return Path(std::wstring(wide.begin(), wide.end()));
}

Path EnvironmentPath(const char* name) {
  std::wstring wide_name(name, name + std::char_traits<char>::length(name));
  DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  size = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
  value.resize(size);
  return Path(value);
}

Path DefaultProfileParent() {
  wchar_t buffer[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, buffer)))
    return Path(buffer);
  return EnvironmentPath("TEMP");
}

std::uint64_t ProcessSeed() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<std::uint64_t>(counter.QuadPart) ^
         (static_cast<std::uint64_t>(GetCurrentProcessId()) << 40) ^ GetTickCount64();
}

}  // namespace localstore
