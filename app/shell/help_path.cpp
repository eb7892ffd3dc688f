#include "help_path.h"

namespace pindrel {

std::wstring HelpFilePath(const std::wstring& program_path) {
  std::size_t slash = program_path.find_last_of(L"\\/");
  std::wstring directory = slash == std::wstring::npos ? std::wstring() : program_path.substr(0, slash + 1);
  if (directory.empty()) return kHelpFileName;  // a bare name: the current directory
  return directory + kHelpFileName;
}

}  // namespace pindrel
