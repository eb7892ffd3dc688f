// The file an exported contact is written to: which characters its name
// loses, the position that always comes with it, the two spellings of the
// target directory, the file name and path limits, and that no name leads out of the
// target directory.
#include "export_file_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using pindrel::ExportFilePath;
using pindrel::kMaxExportFileNameLength;
using pindrel::kMaxExportPathLength;
using pindrel::Utf16Length;

// Whatever the name, the file is a direct child of the target directory,
// within the path limit, and its name holds no separator, drive, control
// character or leading blank.
TEST(ExportFileName, NameAndPosition) {
  const std::wstring dir = L"D:\\vCards\\";
  struct Case {
    std::wstring display_name;
    std::int32_t position;
    std::wstring file;
  };
  const std::vector<Case> cases = {
      {L"Ann Lee", 12, L"Ann Lee (12).vcf"},
      {L"Lee: Ann?", 5, L"Lee Ann (5).vcf"},
      {L"  : ? *  ", 5, L"5.vcf"},
      {L":?\\/*\"<>|", 9, L"9.vcf"},
      {L" ", 12, L"12.vcf"},  // a contact without either name text
      {L"Ann\r\nLee", 3, L"AnnLee (3).vcf"},
      {L"Ann\nLee\rX\tY\x7F\x01", 3, L"AnnLeeXY (3).vcf"},  // lone line breaks, tab, DEL
      // Dots stay, at the end too: " (i)" always follows them.
      {L"..", 7, L".. (7).vcf"},
      {L". . .", 7, L". . . (7).vcf"},
      {L"..\\..\\x", 7, L"....x (7).vcf"},
      {L"../../x", 7, L"....x (7).vcf"},
      {L"C:\\Windows\\x", 7, L"CWindowsx (7).vcf"},
      {L"\\\\server\\share", 7, L"servershare (7).vcf"},
      {L"\\\\?\\C:\\x", 7, L"Cx (7).vcf"},
      {L"Smith Jr. ", 8, L"Smith Jr. (8).vcf"},
      {L"A. ", 8, L"A. (8).vcf"},
      {L".profile", 8, L".profile (8).vcf"},
      {L"Zoë Ødegård", 2, L"Zoë Ødegård (2).vcf"},
      {L"Ann Lee", 40000, L"Ann Lee (40000).vcf"},
      {std::wstring(500, L'.'), 31, std::wstring(kMaxExportPathLength - 19, L'.') + L" (31).vcf"},
      {std::wstring(500, L'\\'), 31, L"31.vcf"},
      {std::wstring(500, L'a'), 31, std::wstring(kMaxExportPathLength - 19, L'a') + L" (31).vcf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << c.position);
    std::optional<std::wstring> path = ExportFilePath(dir, c.display_name, c.position);
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, dir + c.file);
    std::wstring file = path->substr(dir.size());
    EXPECT_EQ(file.find_first_of(L"\\/:*?\"<>|"), std::wstring::npos);
    for (wchar_t ch : file) EXPECT_TRUE(ch >= 32 && ch != 127);
    EXPECT_NE(file.front(), L' ');
    EXPECT_LE(Utf16Length(*path), kMaxExportPathLength);
    EXPECT_LE(Utf16Length(file), kMaxExportFileNameLength);
  }
}

TEST(ExportFileName, TargetDirectoryAndPathLimit) {
  const std::wstring dir = L"C:\\Export";  // with its backslash 10 units; " (5).vcf" takes 8
  const std::size_t room = kMaxExportPathLength - 18;
  const std::wstring emoji = L"\U0001F600";  // two UTF-16 units
  const std::wstring deep = L"C:\\" + std::wstring(244, L'x');
  struct Case {
    const char* name;
    std::wstring directory;
    std::wstring display_name;
    std::optional<std::wstring> path;
  };
  const std::vector<Case> cases = {
      {"without a backslash", dir, L"Ann Lee", L"C:\\Export\\Ann Lee (5).vcf"},
      {"with one", L"C:\\Export\\", L"Ann Lee", L"C:\\Export\\Ann Lee (5).vcf"},
      {"the desktop directory", L"C:\\users\\tester\\Desktop\\", L"Ann", L"C:\\users\\tester\\Desktop\\Ann (5).vcf"},
      // Taken as entered; only the test for the backslash looks past blanks.
      {"a blank after the backslash", L"C:\\Export\\ ", L"Ann", L"C:\\Export\\ Ann (5).vcf"},
      {"no directory: not the drive's root", L"  ", L"Ann", std::nullopt},
      {"exactly at the limit", dir, std::wstring(room, L'a'), dir + L"\\" + std::wstring(room, L'a') + L" (5).vcf"},
      {"no half character at the cut", dir, std::wstring(room - 1, L'c') + emoji + L"zz",
       dir + L"\\" + std::wstring(room - 1, L'c') + L" (5).vcf"},
      {"a whole one fits", dir, std::wstring(room - 2, L'c') + emoji + L"zz",
       dir + L"\\" + std::wstring(room - 2, L'c') + emoji + L" (5).vcf"},
      {"a blank at the cut goes, a dot stays", dir, std::wstring(room - 2, L'd') + L". eeee",
       dir + L"\\" + std::wstring(room - 2, L'd') + L". (5).vcf"},
      // At a drive's root the file name's own limit is the tighter one.
      {"a drive's root: the file name's limit", L"C:\\", std::wstring(300, L'a'),
       L"C:\\" + std::wstring(kMaxExportFileNameLength - 8, L'a') + L" (5).vcf"},
      {"a deep directory leaves room for part of the name", deep, L"Ann Lee", deep + L"\\Ann (5).vcf"},
      {"a deeper one for the position only", deep + L"xxx", L"Ann Lee", deep + L"xxx\\5.vcf"},
      {"a directory too deep for any file", deep + L"xxxxxxx", L"Ann Lee", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ExportFilePath(c.directory, c.display_name, 5), c.path);
  }
}

// The one file of all contacts: named after the folder, numbered from the
// second name on, shortened like a contact's file.
TEST(ExportFileName, OneFileForTheFolder) {
  const std::wstring deep = L"C:\\" + std::wstring(244, L'x');
  struct Case {
    const char* name;
    std::wstring directory;
    std::wstring folder;
    std::int32_t number;
    std::optional<std::wstring> path;
  };
  const std::vector<Case> cases = {
      {"the folder's name", L"C:\\Export", L"Contacts", 1, L"C:\\Export\\Contacts.vcf"},
      {"the second name", L"C:\\Export\\", L"Contacts", 2, L"C:\\Export\\Contacts (2).vcf"},
      {"cleaned", L"C:\\Export", L" Work: <old> ", 1, L"C:\\Export\\Work old.vcf"},
      {"nothing left of the name", L"C:\\Export", L"?*", 3, L"C:\\Export\\Contacts (3).vcf"},
      {"shortened, the number kept", deep, L"Contacts", 2, deep + L"\\Con (2).vcf"},
      {"no room for any name", deep + L"xxxxxxxxx", L"Contacts", 1, std::nullopt},
      {"no directory", L" ", L"Contacts", 1, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(pindrel::OneFileExportPath(c.directory, c.folder, c.number), c.path);
  }
}

}  // namespace
