// The file layer over POSIX, for native builds and their tests.
#include "files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

namespace localstore {
namespace {

bool Fail(FileError* error, const char* what, const Path& path) {
  int code = errno;
  if (error) {
    error->not_found = code == ENOENT || code == ENOTDIR;
    error->exists = code == EEXIST;
    error->system_code = static_cast<unsigned long>(code);
    error->message = std::string(what) + " \"" + path.string() + "\": " + std::strerror(code);
  }
  return false;
}

bool FailFd(FileError* error, const char* what) {
  int code = errno;
  if (error) {
    error->not_found = false;
    error->exists = false;
    error->message = std::string(what) + ": " + std::strerror(code);
  }
  return false;
}

}  // namespace

File::~File() { Close(); }
File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

File File::Open(const Path& path, Mode mode, FileError* error) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::Write: flags |= O_RDWR; break;
    case Mode::OpenAlways: flags |= O_RDWR | O_CREAT; break;
    case Mode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    case Mode::CreateAlways: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  File file;
  file.fd_ = ::open(path.c_str(), flags, 0666);
  if (file.fd_ < 0) Fail(error, "cannot open", path);
  return file;
}

bool File::IsOpen() const { return fd_ >= 0; }

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool File::ReadAt(std::uint64_t offset, void* data, std::size_t size, std::size_t* read,
                  FileError* error) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd_, static_cast<char*>(data) + done, size - done,
                        static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailFd(error, "cannot read");
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  *read = done;
  return true;
}

bool File::WriteAt(std::uint64_t offset, const void* data, std::size_t size, FileError* error) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::pwrite(fd_, static_cast<const char*>(data) + done, size - done,
                         static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailFd(error, "cannot write");
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool File::Size(std::uint64_t* size, FileError* error) {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return FailFd(error, "cannot query size");
  *size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool File::Truncate(std::uint64_t size, FileError* error) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return FailFd(error, "cannot truncate");
  return true;
}

bool File::Flush(bool durable, FileError* error) {
  // pwrite has handed the bytes to the system already.
  if (durable && ::fsync(fd_) != 0) return FailFd(error, "cannot flush");
  return true;
}

bool File::Lock(bool exclusive, FileError* error) {
  // flock locks belong to the open file, so two opens in one process
  // exclude each other as two processes do.
  while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
    if (errno != EINTR) return FailFd(error, "cannot lock");
  }
  return true;
}

void File::Unlock() { ::flock(fd_, LOCK_UN); }

bool RenameOver(const Path& from, const Path& to, FileError* error) {
  if (::rename(from.c_str(), to.c_str()) != 0) return Fail(error, "cannot replace", to);
  return true;
}

bool RemoveFile(const Path& path, FileError* error) {
  if (::unlink(path.c_str()) != 0) return Fail(error, "cannot remove", path);
  return true;
}

bool MakeDirectories(const Path& path, FileError* error) {
  std::error_code code;
  std::filesystem::create_directories(path, code);
  if (code && !IsDirectory(path)) {
    if (error) {
      error->not_found = code == std::errc::no_such_file_or_directory;
      error->exists = false;
      error->message = "cannot create the folder \"" + path.string() + "\": " + code.message();
    }
    return false;
  }
  return true;
}

bool IsDirectory(const Path& path) {
  std::error_code code;
  return std::filesystem::is_directory(path, code);
}

std::string PathText(const Path& path) { return path.string(); }
Path PathFromUtf8(std::string_view text) { return Path(std::string(text)); }

Path EnvironmentPath(const char* name) {
  const char* value = std::getenv(name);
  return value ? Path(value) : Path();
}

Path DefaultProfileParent() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return Path(data);
  if (const char* home = std::getenv("HOME"); home && *home) return Path(home) / ".local" / "share";
  return Path("/tmp");
}

std::uint64_t ProcessSeed() {
  auto now = static_cast<std::uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  return now ^ (static_cast<std::uint64_t>(::getpid()) << 40);
}

}  // namespace localstore
