// The little the store needs from the file system, with one implementation
// over POSIX and one over Win32 (wide paths throughout). Failures are
// reported as the system's error text, for the store's error messages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace localstore {

using Path = std::filesystem::path;

// A failed file operation: what was attempted on which path, and why.
struct FileError {
  bool not_found = false;  // the file or a directory on its way is missing
  bool exists = false;     // CreateNew met an existing file
  unsigned long system_code = 0;  // errno or the Win32 error code
  std::string message;     // readable, UTF-8
};

class File {
 public:
  enum class Mode {
    Read,          // existing file, read only
    Write,         // existing file, read and write
    OpenAlways,    // read and write, created when missing
    CreateNew,     // read and write, fails when the file exists
    CreateAlways,  // read and write, emptied when it exists
  };

  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Files are opened so that other processes can read, write, rename and
  // delete them meanwhile (the store coordinates through locks instead).
  static File Open(const Path& path, Mode mode, FileError* error);

  bool IsOpen() const;
  void Close();

  // Fewer bytes than asked only at the end of the file.
  bool ReadAt(std::uint64_t offset, void* data, std::size_t size, std::size_t* read, FileError* error);
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size, FileError* error);
  bool Size(std::uint64_t* size, FileError* error);
  bool Truncate(std::uint64_t size, FileError* error);
  // Hands the written bytes to the system (they then survive the process);
  // `durable` also waits until they are on the disk.
  bool Flush(bool durable, FileError* error);

  // A lock on the file's first byte between processes (and between handles
  // of one process): shared or exclusive, waiting until it is granted. The
  // system drops it when the process ends, however it ends.
  bool Lock(bool exclusive, FileError* error);
  void Unlock();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// Reads a whole file.
bool ReadWholeFile(const Path& path, std::string* bytes, FileError* error);
// Replaces `to` by `from` in one step: a reader sees either file whole.
bool RenameOver(const Path& from, const Path& to, FileError* error);
bool RemoveFile(const Path& path, FileError* error);
// Creates the directory and its missing parents; an existing one is fine.
bool MakeDirectories(const Path& path, FileError* error);
bool IsDirectory(const Path& path);

// The path as UTF-8 text, for messages; and a path from UTF-8 text.
std::string PathText(const Path& path);
Path PathFromUtf8(std::string_view text);

// The value of an environment variable as a path; empty when unset.
Path EnvironmentPath(const char* name);
// Where a profile lives when nothing else says: under the user's local
// application data.
Path DefaultProfileParent();

// A number that differs between processes running at the same time.
std::uint64_t ProcessSeed();

}  // namespace localstore
