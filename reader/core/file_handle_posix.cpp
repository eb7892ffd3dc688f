#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "internal/file_handle.h"

namespace tessary::internal {

std::unique_ptr<FileHandle> FileHandle::Duplicate(std::FILE* file) {
  const int fd = fileno(file);
  struct stat status;
  if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
  const off_t here = ftello(file);
  if (here < 0) return nullptr;
  // pread leaves the offset the two handles share alone.
  const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return nullptr;
  return std::unique_ptr<FileHandle>(new FileHandle(copy, std::uint64_t(here)));
}

FileHandle::~FileHandle() { close(int(handle_)); }

bool FileHandle::ReadAt(std::uint64_t offset, char* into, std::size_t size) {
  while (size > 0) {
    const ssize_t n = pread(int(handle_), into, size, off_t(base_ + offset));
    if (n <= 0) return false;
    into += n;
    offset += std::uint64_t(n);
    size -= std::size_t(n);
  }
  return true;
}

}  // namespace tessary::internal
