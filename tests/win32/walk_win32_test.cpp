// Under Wine (or Windows): the real directory search on temporary trees with
// link cycles and names outside the ANSI code page, and the real shell
// folder dialog and desktop lookup.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "folder_listing.h"
#include "shell_folders.h"
#include "win32_directory_lister.h"

namespace {

using Paths = std::vector<std::wstring>;

std::string Narrow(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
  return s;
}

Paths Sorted(Paths p) {
  std::sort(p.begin(), p.end());
  return p;
}

bool IsDirectory(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << Narrow(path);
  CloseHandle(h);
}

// Removes a tree without going through its links (removing a link removes
// the link, not what it points to). Long paths go through "\\?\".
void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW((L"\\\\?\\" + dir + L"\\*").c_str(), &d);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = d.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = dir + L"\\" + name;
      if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(path);
      } else if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW((L"\\\\?\\" + path).c_str());
      } else {
        DeleteFileW((L"\\\\?\\" + path).c_str());
      }
    } while (FindNextFileW(h, &d));
    FindClose(h);
  }
  RemoveDirectoryW((L"\\\\?\\" + dir).c_str());
}

std::wstring TempFolder() {
  wchar_t base[MAX_PATH];
  const DWORD n = GetTempPathW(MAX_PATH, base);
  return std::wstring(base, n);
}

// A fresh directory, by default under the temporary folder, removed with
// all it holds. `base` ends in a backslash.
class TempDir {
 public:
  explicit TempDir(const std::wstring& name, const std::wstring& base = TempFolder()) {
    path_ = base + name + L"-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempDir() { RemoveTree(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const { return path_; }  // no trailing backslash

 private:
  std::wstring path_;
};

int Walk(std::wstring root, Paths& found) {
  pindrel::Win32DirectoryLister lister;
  return pindrel::ListFiles(root, found, lister);
}

// Names the ANSI code page cannot hold: a "?" in their place would be
// found by no search.
const std::wstring kCyrillic = L"\x041A\x043E\x043D\x0442\x0430\x043A\x0442";  // Контакт
const std::wstring kCjk = L"\x540D\x7247";                                      // 名片

TEST(Win32DirectoryLister, FindsWideNamesAndEveryFileDepthFirst) {
  TempDir t(L"pindrel-walk");
  const std::wstring r = t.path() + L"\\";
  ASSERT_TRUE(CreateDirectoryW((r + kCyrillic).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((r + kCyrillic + L"\\.hidden").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((r + L"empty").c_str(), nullptr));
  WriteFile(r + kCjk + L".vcf");
  WriteFile(r + L"plain.txt");
  WriteFile(r + kCyrillic + L"\\" + kCyrillic + L".VCF");
  WriteFile(r + kCyrillic + L"\\.hidden\\deep.vcf");

  Paths found;
  EXPECT_EQ(Walk(t.path(), found), 4);
  EXPECT_EQ(Sorted(found), Sorted({r + kCjk + L".vcf", r + L"plain.txt",
                                   r + kCyrillic + L"\\" + kCyrillic + L".VCF",
                                   r + kCyrillic + L"\\.hidden\\deep.vcf"}));
  // Depth first: the hidden folder's file directly follows its parent's
  // files or precedes them, never split by a file of the root.
  const auto deep = std::find(found.begin(), found.end(), r + kCyrillic + L"\\.hidden\\deep.vcf");
  const auto sibling = std::find(found.begin(), found.end(), r + kCyrillic + L"\\" + kCyrillic + L".VCF");
  ASSERT_NE(deep, found.end());
  ASSERT_NE(sibling, found.end());
  EXPECT_EQ(std::abs(deep - sibling), 1);
}

TEST(Win32DirectoryLister, MissingFolderGivesNothing) {
  TempDir t(L"pindrel-missing");
  Paths found;
  std::wstring root = t.path() + L"\\not-there";
  pindrel::Win32DirectoryLister lister;
  EXPECT_EQ(pindrel::ListFiles(root, found, lister), 0);
  EXPECT_EQ(root, t.path() + L"\\not-there\\");
  EXPECT_TRUE(found.empty());
}

// A cycle of links made by Windows itself. Wine 8 answers
// CreateSymbolicLinkW with success but makes no link, so the test checks
// the link is really there before it relies on it.
TEST(Win32DirectoryLister, DoesNotFollowAWindowsSymbolicLinkCycle) {
  TempDir t(L"pindrel-winlink");
  const std::wstring r = t.path() + L"\\";
  ASSERT_TRUE(CreateDirectoryW((r + L"real").c_str(), nullptr));
  WriteFile(r + L"real\\in.vcf");
  const BOOL made = CreateSymbolicLinkW((r + L"real\\up").c_str(), t.path().c_str(),
                                        SYMBOLIC_LINK_FLAG_DIRECTORY |
                                            SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  const DWORD a = GetFileAttributesW((r + L"real\\up").c_str());
  if (!made || a == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "this system makes no symbolic links here; the Unix link test covers Wine";
  }
  EXPECT_TRUE(a & FILE_ATTRIBUTE_REPARSE_POINT);
  Paths found;
  EXPECT_EQ(Walk(t.path(), found), 1);
  EXPECT_EQ(found, Paths{r + L"real\\in.vcf"});
}

// A tree the test script made from Linux with "ln -s": loop -> the tree's
// root, real/up -> .., real/sideways -> ../other, and files with wide names.
TEST(Win32DirectoryLister, DoesNotFollowUnixLinksIntoACycle) {
  const wchar_t* tree = _wgetenv(L"PINDREL_LINK_TREE");
  if (!tree) GTEST_SKIP() << "PINDREL_LINK_TREE not set (the test script sets it)";
  const std::wstring r = std::wstring(tree) + L"\\";
  ASSERT_TRUE(IsDirectory(r + L"loop")) << "the link itself is there";

  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW((r + L"loop").c_str(), &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);
  EXPECT_EQ(d.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
            DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
      << "a link to a folder shows as a folder and a reparse point";

  Paths found;
  EXPECT_EQ(Walk(tree, found), 4);
  EXPECT_EQ(Sorted(found), Sorted({r + L"top.vcf", r + L"real\\" + kCyrillic + L".vcf",
                                   r + L"other\\" + kCjk + L".vcf",
                                   r + L"linked-file.vcf"}));
}

TEST(ShellFolders, DesktopPathEndsInExactlyOneBackslashAndExists) {
  const std::wstring desktop = pindrel::GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY, nullptr);
  ASSERT_GE(desktop.size(), 2u);
  EXPECT_EQ(desktop.back(), L'\\');
  EXPECT_NE(desktop[desktop.size() - 2], L'\\');
  EXPECT_TRUE(IsDirectory(desktop)) << Narrow(desktop);
  EXPECT_EQ(CSIDL_DESKTOPDIRECTORY, 16);
}

TEST(ShellFolders, SpecialFolderWithoutDirectoryGivesEmptyText) {
  EXPECT_EQ(pindrel::GetSpecialFolderPath(CSIDL_DRIVES, nullptr), L"");  // "My Computer"
  EXPECT_EQ(pindrel::GetSpecialFolderPath(0x7ABC, nullptr), L"");        // no such folder
}

// Wine's folder dialog finds the folder to select by comparing shell items
// byte for byte, and an item carries its folder's modification time. Under
// load it has been seen to miss a folder under the temporary folder and
// press OK on the Desktop instead. So the dialog tests work in folders of
// their own at the drive root, and a selection that did not take is tried
// again after the two seconds by which those times are counted.
const std::wstring kDialogBase = L"C:\\";

void CALLBACK CancelStuckDialog(HWND dialog, UINT, UINT_PTR id, DWORD) {
  KillTimer(dialog, id);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// Answers the dialog from its own callback: selects `select`, then presses
// OK, or presses Cancel when `select` is empty. Should the dialog ignore the
// answer, a timer cancels it, so the test fails instead of hanging. Returns
// what the dialog gave back, asking up to three times until it is
// `expected`.
std::wstring Browse(const std::wstring& select, const std::wstring& expected,
                    HWND owner = nullptr,
                    const std::wstring& title = L"Select folder to save vCard files") {
  std::wstring result;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) Sleep(2100);
    result = pindrel::BrowseForFolder(owner, title, [&select](HWND dialog) {
      SetTimer(dialog, 1, 30000, CancelStuckDialog);
      if (select.empty()) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(select.c_str()));
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    if (result == expected) break;
  }
  return result;
}

TEST(ShellFolders, BrowseReturnsTheChosenFolderOrEmptyTextOnCancel) {
  TempDir t(L"pindrel-browse", kDialogBase);
  const std::wstring wide = t.path() + L"\\" + kCyrillic;
  ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));

  struct Case {
    const char* what;
    std::wstring select, expected;
  };
  const Case cases[] = {
      {"ordinary folder: no trailing backslash", t.path(), t.path()},
      {"folder with a wide name", wide, wide},
      {"drive root keeps its backslash", L"C:\\", L"C:\\"},
      {"cancel", L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Narrow(Browse(c.select, c.expected)), Narrow(c.expected));
  }
}

TEST(ShellFolders, BrowseOwnedByAWindowReturnsTheChosenFolder) {
  TempDir t(L"pindrel-owned", kDialogBase);
  HWND owner = CreateWindowExW(0, L"STATIC", L"Pindrel", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  const std::wstring result = Browse(t.path(), t.path(), owner, L"Select Folder...");
  EXPECT_EQ(Narrow(result), Narrow(t.path()));
  DestroyWindow(owner);
}

// The path buffer holds 260 characters with the terminator: a path of 259
// comes back whole.
TEST(ShellFolders, BrowseReturnsAPathOf259CharactersWhole) {
  TempDir t(L"pindrel-long", kDialogBase);
  std::wstring path = t.path();
  while (path.size() < 259) {
    const std::size_t room = 259 - path.size() - 1;  // one for the backslash
    path += L"\\" + std::wstring(std::min<std::size_t>(room, 100), L'd');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr)) << Narrow(path);
  }
  ASSERT_EQ(path.size(), 259u);
  EXPECT_EQ(Narrow(Browse(path, path)), Narrow(path));
}

}  // namespace
