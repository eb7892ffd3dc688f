// Closes a program as its user would close its window: waits for a visible
// top-level window with exactly the given title, posts WM_CLOSE to it and
// waits for its process to end.
//
//   close_window.exe TITLE
//   close_window.exe --find TITLE   only waits for the window (exit code 0)
//
// Exit code: the program's own, or 100 and up when the window never showed,
// the process could not be watched or did not end. Only states are waited
// for; the bounds are generous so a loaded machine merely waits longer.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

constexpr ULONGLONG kWindowBoundMs = 15 * 60 * 1000;
constexpr DWORD kExitBoundMs = 15 * 60 * 1000;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool find_only = argc == 3 && std::wcscmp(argv[1], L"--find") == 0;
  if (argc != 2 && !find_only) {
    std::fwprintf(stderr, L"usage: close_window [--find] TITLE\n");
    return 100;
  }
  const wchar_t* title = argv[argc - 1];

  HWND window = nullptr;
  const ULONGLONG deadline = GetTickCount64() + kWindowBoundMs;
  while (!(window = FindWindowW(nullptr, title)) || !IsWindowVisible(window)) {
    if (GetTickCount64() > deadline) {
      std::fwprintf(stderr, L"no visible window titled \"%ls\" appeared\n", title);
      return 101;
    }
    Sleep(100);
  }
  if (find_only) return 0;

  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  Handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  if (!process) {
    std::fwprintf(stderr, L"cannot open the process of \"%ls\" (error %lu)\n", title, GetLastError());
    return 102;
  }
  if (!PostMessageW(window, WM_CLOSE, 0, 0)) {
    std::fwprintf(stderr, L"cannot post WM_CLOSE to \"%ls\" (error %lu)\n", title, GetLastError());
    return 103;
  }
  if (WaitForSingleObject(process.get(), kExitBoundMs) != WAIT_OBJECT_0) {
    std::fwprintf(stderr, L"\"%ls\" did not end after WM_CLOSE\n", title);
    return 104;
  }
  DWORD exit_code = 0;
  GetExitCodeProcess(process.get(), &exit_code);
  std::wprintf(L"\"%ls\" closed; its program exited with %lu\n", title, exit_code);
  return static_cast<int>(exit_code);
}
