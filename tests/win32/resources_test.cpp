// The resources built into Pindrel.exe: the manifest byte for byte as
// resource 1 in US English, the icon group's seven images, the version block.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>

namespace {

class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryExW(PINDREL_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << "cannot open " << PINDREL_EXE;
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
  }
  std::string Resource(LPCWSTR type, LPCWSTR name, WORD language) {
    HRSRC info = FindResourceExW(module, type, name, language);
    if (!info) return {};
    HGLOBAL data = LoadResource(module, info);
    auto* bytes = static_cast<const char*>(LockResource(data));
    return std::string(bytes, SizeofResource(module, info));
  }
  HMODULE module = nullptr;
};

TEST_F(ProgramResources, ManifestIsResourceOneInUsEnglishExactly) {
  std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  std::ifstream source(PINDREL_MANIFEST, std::ios::binary);
  std::string expected((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
  ASSERT_EQ(expected.size(), std::size_t{PINDREL_MANIFEST_BYTES}) << "the source manifest itself";
  EXPECT_EQ(manifest, expected);
  EXPECT_EQ(manifest.find('\n'), std::string::npos) << "carriage returns alone end its lines";
  EXPECT_NE(manifest.rfind("<?xml", 0), std::string::npos) << "no byte-order mark";
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\""), std::string::npos);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(ProgramResources, IconGroupHasSevenImages) {
  std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_GE(group.size(), 6u);
  WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(count, 7);
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::set<std::tuple<int, int>> images;  // (size, bits per pixel)
  for (WORD i = 0; i < count; ++i) {
    GroupIconEntry e;
    memcpy(&e, group.data() + 6 + 14 * i, sizeof e);
    EXPECT_EQ(e.width, e.height);
    images.emplace(e.width, e.bit_count);
  }
  std::set<std::tuple<int, int>> want = {{16, 4}, {32, 4}, {48, 4}, {16, 8}, {32, 8}, {48, 8}, {32, 32}};
  EXPECT_EQ(images, want);
}

TEST_F(ProgramResources, VersionBlock) {
  std::string block = Resource(RT_VERSION, MAKEINTRESOURCEW(1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_FALSE(block.empty());
  // VerQueryValue needs a writable copy.
  std::string copy = block;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  struct Case {
    const wchar_t* key;
    const wchar_t* value;
  };
  for (const Case& c : {Case{L"FileDescription", L"Export Import Outlook Contacts to vCards"},
                        Case{L"ProductName", L"Pindrel"}, Case{L"FileVersion", L"2.00"},
                        Case{L"ProductVersion", L"2.00"}, Case{L"InternalName", L"Pindrel"},
                        Case{L"OriginalFilename", L"Pindrel.exe"}}) {
    wchar_t* value = nullptr;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + c.key;
    ASSERT_TRUE(VerQueryValueW(copy.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) << c.key;
    EXPECT_STREQ(value, c.value);
  }
}

TEST_F(ProgramResources, PicturesHaveTheirSizes) {
  struct Case {
    int id, width, height;
  };
  for (const Case& c : {Case{101, 487, 113}, Case{102, 153, 111}, Case{103, 54, 54}}) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(c.id), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(bitmap, nullptr) << c.id;
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, c.width) << c.id;
    EXPECT_EQ(info.bmHeight, c.height) << c.id;
    DeleteObject(bitmap);
  }
}

}  // namespace
