// The file an exported contact is written to: which characters its name
// loses, the position that always comes with it, the two spellings of the
// target directory, the path limit, and that no name leads out of the
// target directory.
#include "export_file_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using pindrel::ExportFilePath;
using pindrel::kMaxExportPathLength;
using pindrel::Utf16Length;

TEST(ExportFileName, NameAndPosition) {
  struct Case {
    std::wstring display_name;
    std::int32_t position;
    std::wstring file;  // the path's last part
  };
  const std::vector<Case> cases = {
      {L"Ann Lee", 12, L"Ann Lee (12).vcf"},
      {L"Lee: Ann?", 5, L"Lee Ann (5).vcf"},
      {L"  : ? *  ", 5, L"5.vcf"},
      {L":?\\/*\"<>|", 9, L"9.vcf"},
      {L" ", 12, L"12.vcf"},  // a contact without either name text
      {L"Ann\r\nLee", 3, L"AnnLee (3).vcf"},
      // A lone line feed or carriage return, a tab, DEL: not in file names.
      {L"Ann\nLee", 3, L"AnnLee (3).vcf"},
      {L"Ann\rLee", 3, L"AnnLee (3).vcf"},
      {L"Ann\tLee", 3, L"AnnLee (3).vcf"},
      {L"Ann\x7FLee\x01", 3, L"AnnLee (3).vcf"},
      {L"\x1F\x0B", 4, L"4.vcf"},
      // Names that would be special to Windows or lead elsewhere.
      {L"..", 7, L"7.vcf"},
      {L".", 7, L"7.vcf"},
      {L". . .", 7, L"7.vcf"},
      {L"..\\..\\x", 7, L"....x (7).vcf"},
      {L"../../x", 7, L"....x (7).vcf"},
      {L"C:\\Windows\\x", 7, L"CWindowsx (7).vcf"},
      {L"\\\\server\\share", 7, L"servershare (7).vcf"},
      {L"Smith Jr. ", 8, L"Smith Jr (8).vcf"},
      {L".profile", 8, L".profile (8).vcf"},
      // Letters beyond ASCII stay.
      {L"Zoë Ødegård", 2, L"Zoë Ødegård (2).vcf"},
      {L"Ann Lee", 40000, L"Ann Lee (40000).vcf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << c.position);
    EXPECT_EQ(ExportFilePath(L"C:\\Export", c.display_name, c.position), L"C:\\Export\\" + c.file);
  }
}

TEST(ExportFileName, TargetDirectoryWithOrWithoutBackslash) {
  struct Case {
    std::wstring directory;
    std::optional<std::wstring> path;
  };
  const std::vector<Case> cases = {
      {L"C:\\Export", L"C:\\Export\\Ann Lee (12).vcf"},
      {L"C:\\Export\\", L"C:\\Export\\Ann Lee (12).vcf"},
      {L"C:\\", L"C:\\Ann Lee (12).vcf"},
      {L"C:\\users\\tester\\Desktop\\", L"C:\\users\\tester\\Desktop\\Ann Lee (12).vcf"},
      // The directory is taken as entered; only the test for its backslash
      // looks past the spaces around it.
      {L"C:\\Export\\ ", L"C:\\Export\\ Ann Lee (12).vcf"},
      {L"C:\\Export ", L"C:\\Export \\Ann Lee (12).vcf"},
      // No directory: the file would land at the root of the current drive.
      {L"", std::nullopt},
      {L"   ", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "directory of " << c.directory.size() << " characters");
    EXPECT_EQ(ExportFilePath(c.directory, L"Ann Lee", 12), c.path);
  }
}

TEST(ExportFileName, PathStaysWithinTheLimit) {
  const std::wstring dir = L"C:\\Export";  // with its backslash 10 units; " (5).vcf" takes 8
  const std::size_t room = kMaxExportPathLength - 18;
  const std::wstring emoji = L"\U0001F600";  // two UTF-16 units
  struct Case {
    const char* name;
    std::wstring directory;
    std::wstring display_name;
    std::optional<std::wstring> path;
  };
  const std::vector<Case> cases = {
      {"exactly at the limit", dir, std::wstring(room, L'a'), dir + L"\\" + std::wstring(room, L'a') + L" (5).vcf"},
      {"500 characters are cut, the position kept", dir, std::wstring(500, L'b'),
       dir + L"\\" + std::wstring(room, L'b') + L" (5).vcf"},
      {"no half character at the cut", dir, std::wstring(room - 1, L'c') + emoji + L"zz",
       dir + L"\\" + std::wstring(room - 1, L'c') + L" (5).vcf"},
      {"a whole one fits", dir, std::wstring(room - 2, L'c') + emoji + L"zz",
       dir + L"\\" + std::wstring(room - 2, L'c') + emoji + L" (5).vcf"},
      {"spaces and dots at the cut go", dir, std::wstring(room - 2, L'd') + L" .eeee",
       dir + L"\\" + std::wstring(room - 2, L'd') + L" (5).vcf"},
      {"a deep directory leaves room for part of the name", L"C:\\" + std::wstring(244, L'x'), L"Ann Lee",
       L"C:\\" + std::wstring(244, L'x') + L"\\Ann (5).vcf"},
      {"a deeper one for the position only", L"C:\\" + std::wstring(247, L'x'), L"Ann Lee",
       L"C:\\" + std::wstring(247, L'x') + L"\\5.vcf"},
      {"a directory too deep for any file", L"C:\\" + std::wstring(251, L'x'), L"Ann Lee", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<std::wstring> path = ExportFilePath(c.directory, c.display_name, 5);
    EXPECT_EQ(path, c.path);
    if (path) {
      EXPECT_LE(Utf16Length(*path), kMaxExportPathLength);
    }
  }
}

// Whatever the name, the file is a direct child of the target directory and
// its name holds nothing Windows would read as a separator, drive, device
// path or control.
TEST(ExportFileName, NoNameLeadsOutOfTheTargetDirectory) {
  const std::vector<std::wstring> names = {
      L"..",           L"..\\..\\x",          L"../../x",     L"C:\\Windows\\x",   L"\\\\server\\share",
      L"\\\\?\\C:\\x", L"\\\\.\\PhysicalDrive0", L"C:x",       L"x:stream",         L"/etc/passwd",
      L"\r\n..\r\n",   std::wstring(500, L'\\'), std::wstring(500, L'.'), std::wstring(250, L'a') + L"\\..\\..",
  };
  const std::wstring dir = L"D:\\vCards out\\";
  for (const std::wstring& name : names) {
    SCOPED_TRACE(testing::Message() << "name of " << name.size() << " characters");
    std::optional<std::wstring> path = ExportFilePath(dir, name, 31);
    ASSERT_TRUE(path);
    ASSERT_EQ(path->rfind(dir, 0), 0u);
    std::wstring file = path->substr(dir.size());
    EXPECT_EQ(file.find_first_of(L"\\/:*?\"<>|"), std::wstring::npos);
    for (wchar_t c : file) EXPECT_TRUE(c >= 32 && c != 127);
    EXPECT_NE(file.front(), L' ');
    EXPECT_TRUE(file.ends_with(L"31.vcf") || file.ends_with(L" (31).vcf"));
    EXPECT_LE(Utf16Length(*path), kMaxExportPathLength);
  }
}

}  // namespace
