#include "export_file_name.h"

#include <algorithm>

#include "text_helpers.h"

namespace pindrel {

namespace {

using ui::TrimSpaces;

// The characters Windows refuses in a file name, besides control characters.
constexpr std::wstring_view kNotInFileNames = L":?\\/*\"<>|";
constexpr std::wstring_view kExtension = L".vcf";

bool IsControl(wchar_t c) { return c < 32 || c == 127; }

// How many wchar_t make up the character at `i`, and how many UTF-16 units
// it takes: a surrogate pair is one character of two units where wchar_t is
// 16 bits wide; where it is 32 bits wide a character above U+FFFF is one
// wchar_t of two units.
struct CharSize {
  std::size_t chars;
  std::size_t units;
};
// (A template, so that only the branch for this platform's wchar_t is
// compiled.)
template <typename Char>
CharSize SizeAt(std::basic_string_view<Char> s, std::size_t i) {
  if constexpr (sizeof(Char) == 2) {
    bool high = s[i] >= 0xD800 && s[i] <= 0xDBFF;
    if (high && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) return {2, 2};
    return {1, 1};
  } else {
    return {1, static_cast<std::uint32_t>(s[i]) > 0xFFFFu ? std::size_t{2} : std::size_t{1}};
  }
}

// The longest start of `s` that takes at most `units` UTF-16 units, never
// ending inside a character.
std::wstring_view CutToUnits(std::wstring_view s, std::size_t units) {
  std::size_t i = 0;
  std::size_t used = 0;
  while (i < s.size()) {
    CharSize size = SizeAt(s, i);
    if (used + size.units > units) break;
    used += size.units;
    i += size.chars;
  }
  return s.substr(0, i);
}

}  // namespace

std::size_t Utf16Length(std::wstring_view text) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size();) {
    CharSize size = SizeAt(text, i);
    units += size.units;
    i += size.chars;
  }
  return units;
}

std::wstring ContactDisplayName(const std::wstring& first_name, const std::wstring& last_name) {
  return first_name + L" " + last_name;
}

std::wstring CleanContactName(std::wstring_view display_name) {
  std::wstring kept;
  kept.reserve(display_name.size());
  for (wchar_t c : display_name) {
    if (IsControl(c) || kNotInFileNames.find(c) != std::wstring_view::npos) continue;
    kept.push_back(c);
  }
  return std::wstring(TrimSpaces(kept));
}

namespace {

// The directory with a backslash at its end; none for no directory: the
// path would then start at the root of the current drive, a place the user
// never chose.
std::optional<std::wstring> DirectoryOf(const std::wstring& target_directory) {
  std::wstring_view trimmed = TrimSpaces(target_directory);
  if (trimmed.empty()) return std::nullopt;
  std::wstring directory = target_directory;
  if (trimmed.back() != L'\\') directory += L'\\';
  return directory;
}

// The name gets what both limits leave it: the file name's own, and the
// whole path's once the directory and the suffix have taken their share.
std::wstring ShortenedToFit(const std::wstring& directory, std::wstring name, const std::wstring& suffix) {
  const std::size_t fixed = suffix.size() + kExtension.size();
  const std::size_t used = Utf16Length(directory) + fixed;
  const std::size_t room =
      std::min(kMaxExportFileNameLength - fixed, used < kMaxExportPathLength ? kMaxExportPathLength - used : 0);
  if (Utf16Length(name) > room) name = std::wstring(TrimSpaces(CutToUnits(name, room)));
  return name;
}

}  // namespace

std::optional<std::wstring> OneFileExportPath(const std::wstring& target_directory, std::wstring_view folder_name,
                                              std::int32_t number) {
  std::optional<std::wstring> directory = DirectoryOf(target_directory);
  if (!directory) return std::nullopt;
  const std::wstring suffix = number > 1 ? L" (" + std::to_wstring(number) + L")" : L"";
  std::wstring name = CleanContactName(folder_name);
  if (name.empty()) name = L"Contacts";
  name = ShortenedToFit(*directory, std::move(name), suffix);
  if (name.empty()) return std::nullopt;
  std::wstring path = *directory + name + suffix + std::wstring(kExtension);
  if (Utf16Length(path) > kMaxExportPathLength) return std::nullopt;
  return path;
}

std::optional<std::wstring> ExportFilePath(const std::wstring& target_directory, std::wstring_view display_name,
                                           std::int32_t position) {
  std::wstring_view trimmed = TrimSpaces(target_directory);
  // Without a directory the path would start at the root of the current
  // drive: a place the user never chose.
  if (trimmed.empty()) return std::nullopt;
  std::wstring directory = target_directory;
  if (trimmed.back() != L'\\') directory += L'\\';

  std::wstring number = std::to_wstring(position);
  const std::wstring suffix = L" (" + number + L")";
  std::wstring name = ShortenedToFit(directory, CleanContactName(display_name), suffix);
  std::wstring path = name.empty() ? directory + number + std::wstring(kExtension)
                                   : directory + name + suffix + std::wstring(kExtension);
  if (Utf16Length(path) > kMaxExportPathLength) return std::nullopt;
  return path;
}

}  // namespace pindrel
