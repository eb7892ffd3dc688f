// Runs tessary_detach_probe.exe, which lies beside the test, with
// `arguments` (see com_detach_probe.cpp) in a process of its own, and gives
// its exit code: 0 the right answer, 1 the wrong one, 2 a failed set-up,
// 100 and more when it could not be started.
#pragma once

#include <windows.h>

#include <string>

inline DWORD RunDetachProbe(const std::wstring& arguments) {
  wchar_t self[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  path.erase(path.find_last_of(L'\\') + 1);
  path += L"tessary_detach_probe.exe";
  std::wstring command = L"\"" + path + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return 100 + GetLastError();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}
