#include <windows.h>
#include <io.h>

#include "internal/file_handle.h"

namespace tessary::internal {

std::unique_ptr<FileHandle> FileHandle::Duplicate(std::FILE* file) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK) return nullptr;
  const __int64 here = _ftelli64(file);
  if (here < 0) return nullptr;
  // Reads at an offset move the file pointer the two handles share; the
  // caller's own stream has read to its end by then.
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return nullptr;
  return std::unique_ptr<FileHandle>(new FileHandle(reinterpret_cast<std::intptr_t>(copy), std::uint64_t(here)));
}

FileHandle::~FileHandle() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

bool FileHandle::ReadAt(std::uint64_t offset, char* into, std::size_t size) {
  while (size > 0) {
    const std::uint64_t at = base_ + offset;
    OVERLAPPED where = {};
    where.Offset = DWORD(at & 0xFFFFFFFFu);
    where.OffsetHigh = DWORD(at >> 32);
    const DWORD want = size > (DWORD(1) << 30) ? (DWORD(1) << 30) : DWORD(size);
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), into, want, &got, &where) || got == 0) return false;
    into += got;
    offset += got;
    size -= got;
  }
  return true;
}

}  // namespace tessary::internal
