// The export's one file on Windows: written under a temporary name in the
// target directory, given its name only when complete and never over a
// file that is there, and gone when it is not completed.
#include "win32_export_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::filesystem::path FreshDirectory() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::filesystem::path dir = std::filesystem::path(temp) / L"export file \u00fc";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

std::vector<std::wstring> Names(const std::filesystem::path& dir) {
  std::vector<std::wstring> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().wstring());
  return names;
}

std::string Contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Win32ExportFile, CompleteFilesOnlyUnderTheirNames) {
  const std::filesystem::path dir = FreshDirectory();
  pindrel::Win32ExportFiles files;
  const std::wstring target = (dir / L"Contacts.vcf").wstring();
  // More than the buffer holds, in pieces and at once.
  const std::string piece(1000, 'a'), big(200 * 1024, 'b');
  {
    auto file = files.CreateTemporary(dir.wstring());
    ASSERT_EQ(Names(dir).size(), 1u) << "the temporary file is in the target directory";
    EXPECT_FALSE(files.Exists(target));
    for (int i = 0; i < 100; ++i) file->Write(piece);
    file->Write(big);
    EXPECT_FALSE(files.Exists(target)) << "nothing under the real name before the end";
    EXPECT_TRUE(file->Commit(target));
  }
  EXPECT_EQ(Names(dir), std::vector<std::wstring>{L"Contacts.vcf"});
  EXPECT_EQ(Contents(target).size(), 100 * piece.size() + big.size());

  {
    // The name is taken: nothing is replaced, and the file is left out.
    auto file = files.CreateTemporary(dir.wstring());
    file->Write("new");
    EXPECT_FALSE(file->Commit(target));
    EXPECT_TRUE(file->Commit((dir / L"Contacts (2).vcf").wstring()));
  }
  EXPECT_EQ(Contents(dir / L"Contacts (2).vcf"), "new");
  EXPECT_EQ(Contents(target).size(), 100 * piece.size() + big.size());

  {
    // Never completed (a stop, a failure): nothing of it stays.
    auto file = files.CreateTemporary(dir.wstring());
    file->Write(big);
  }
  EXPECT_EQ(Names(dir).size(), 2u);

  // A directory that is not there: a clear reason.
  try {
    files.CreateTemporary((dir / L"missing").wstring());
    ADD_FAILURE() << "a file in a missing directory";
  } catch (const pindrel::ExportFileError& e) {
    EXPECT_FALSE(e.reason().empty());
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
