// The folder walk over a fake directory tree: order, counting, the root's
// trailing backslash, the name field, "." and "..", and the link guard.
#include "folder_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using pindrel::DirectoryEntry;
using pindrel::DirectorySearch;
using pindrel::NameField;
using Paths = std::vector<std::wstring>;

DirectoryEntry Entry(const std::wstring& name, bool directory, bool link = false) {
  DirectoryEntry e;
  std::copy_n(name.begin(), std::min(name.size(), e.name.size()), e.name.begin());
  e.is_directory = directory;
  e.is_link = link;
  return e;
}
DirectoryEntry File(const std::wstring& name) { return Entry(name, false); }
DirectoryEntry Dir(const std::wstring& name) { return Entry(name, true); }
DirectoryEntry DirLink(const std::wstring& name) { return Entry(name, true, true); }

// Folders by path (ending in "\"), each with its entries in the order the
// fake platform lists them. A folder that is not in the map cannot be
// searched. Links are listed under their own path with the entries of the
// folder they lead to, so following one really would loop.
class FakeLister : public pindrel::DirectoryLister {
 public:
  std::map<std::wstring, std::vector<DirectoryEntry>> folders;
  Paths patterns;       // every pattern a search was started for
  int open = 0;         // searches not yet ended
  int most_open = 0;

  std::unique_ptr<DirectorySearch> Start(const std::wstring& pattern) override {
    patterns.push_back(pattern);
    // A walk that loops would never end: stop it here and let the test fail.
    if (patterns.size() > 1000) return nullptr;
    const std::wstring suffix = L"*.*";
    if (pattern.size() < suffix.size() ||
        pattern.compare(pattern.size() - suffix.size(), suffix.size(), suffix) != 0) {
      ADD_FAILURE() << "pattern without *.*";
      return nullptr;
    }
    auto it = folders.find(pattern.substr(0, pattern.size() - suffix.size()));
    if (it == folders.end() || it->second.empty()) return nullptr;
    return std::make_unique<Search>(*this, it->second);
  }

 private:
  class Search : public DirectorySearch {
   public:
    Search(FakeLister& owner, const std::vector<DirectoryEntry>& entries)
        : owner_(owner), entries_(entries) {
      owner_.most_open = std::max(owner_.most_open, ++owner_.open);
    }
    ~Search() override { --owner_.open; }
    const DirectoryEntry& Current() const override { return entries_.at(index_); }
    bool Next() override { return ++index_ < entries_.size(); }

   private:
    FakeLister& owner_;
    const std::vector<DirectoryEntry>& entries_;
    std::size_t index_ = 0;
  };
};

struct WalkResult {
  int count = 0;
  std::wstring root;
  Paths found;
};

WalkResult Walk(FakeLister& lister, std::wstring root) {
  WalkResult r;
  r.count = pindrel::ListFiles(root, r.found, lister);
  r.root = root;
  EXPECT_EQ(lister.open, 0) << "every search is ended before the walk returns";
  return r;
}

TEST(FolderListing, DepthFirstInPlatformOrderCountingEveryFile) {
  FakeLister fs;
  fs.folders[L"C:\\data\\"] = {Dir(L"."), Dir(L".."), File(L"z.vcf"), Dir(L"sub"),
                               File(L"b.txt"), Dir(L"empty"), File(L"a.vcf")};
  fs.folders[L"C:\\data\\sub\\"] = {Dir(L"."), Dir(L".."), File(L"c.VCF"), Dir(L"deeper"),
                                    File(L"d")};
  fs.folders[L"C:\\data\\sub\\deeper\\"] = {Dir(L"."), Dir(L".."), File(L"e.vcard")};
  fs.folders[L"C:\\data\\empty\\"] = {Dir(L"."), Dir(L"..")};

  WalkResult r = Walk(fs, L"C:\\data");
  EXPECT_EQ(r.found, (Paths{L"C:\\data\\z.vcf", L"C:\\data\\sub\\c.VCF",
                            L"C:\\data\\sub\\deeper\\e.vcard", L"C:\\data\\sub\\d",
                            L"C:\\data\\b.txt", L"C:\\data\\a.vcf"}));
  EXPECT_EQ(r.count, 6);
  // The parent's search stays open while a subfolder is walked.
  EXPECT_EQ(fs.most_open, 3);
}

TEST(FolderListing, EmptyFolderGivesNothing) {
  FakeLister fs;
  fs.folders[L"C:\\empty\\"] = {Dir(L"."), Dir(L"..")};
  WalkResult r = Walk(fs, L"C:\\empty");
  EXPECT_EQ(r.count, 0);
  EXPECT_TRUE(r.found.empty());
}

TEST(FolderListing, RootGetsOneTrailingBackslashInTheCallersVariable) {
  struct Case {
    std::wstring given, kept;
  };
  const Case cases[] = {
      {L"C:\\data", L"C:\\data\\"},
      {L"C:\\data\\", L"C:\\data\\"},
      {L"D:\\", L"D:\\"},
      {L"\\\\server\\share", L"\\\\server\\share\\"},
      {L"", L"\\"},  // the root folder of the current drive
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "root \"" << std::string(c.given.begin(), c.given.end())
                                    << "\"");
    FakeLister fs;
    fs.folders[c.kept] = {File(L"x.vcf")};
    WalkResult r = Walk(fs, c.given);
    EXPECT_EQ(r.root, c.kept);
    EXPECT_EQ(fs.patterns, Paths{c.kept + L"*.*"});
    EXPECT_EQ(r.found, Paths{c.kept + L"x.vcf"});
    EXPECT_EQ(r.count, 1);
  }
}

TEST(FolderListing, DotAndDotDotAreSkippedButDotNamesAreFollowed) {
  FakeLister fs;
  fs.folders[L"R:\\"] = {Dir(L"."), Dir(L".."), Dir(L".hidden"), Dir(L"..."), File(L".vcf")};
  fs.folders[L"R:\\.hidden\\"] = {Dir(L"."), Dir(L".."), File(L"in.vcf")};
  fs.folders[L"R:\\...\\"] = {File(L"dots.vcf")};

  WalkResult r = Walk(fs, L"R:\\");
  EXPECT_EQ(fs.patterns, (Paths{L"R:\\*.*", L"R:\\.hidden\\*.*", L"R:\\...\\*.*"}));
  EXPECT_EQ(r.found, (Paths{L"R:\\.hidden\\in.vcf", L"R:\\...\\dots.vcf", L"R:\\.vcf"}));
  EXPECT_EQ(r.count, 3);
}

// The record's name field is fixed at 260 characters; the name is its text
// up to the first NUL, the whole field when there is none.
TEST(FolderListing, NameFieldIsCutAtTheFirstNulOrTakenWhole) {
  const std::wstring full(pindrel::kNameFieldLength, L'n');
  NameField whole;
  std::copy(full.begin(), full.end(), whole.begin());
  NameField cut;
  cut.fill(L'x');
  std::copy_n(L"card.vcf\0junk", 13, cut.begin());
  NameField nul_last;
  std::copy(full.begin(), full.end() - 1, nul_last.begin());
  nul_last.back() = L'\0';

  struct Case {
    const char* what;
    NameField field;
    std::wstring name;
  };
  const Case cases[] = {
      {"no NUL: all 260 characters", whole, full},
      {"NUL after the name, junk behind it", cut, L"card.vcf"},
      {"NUL in the last place: 259 characters", nul_last, full.substr(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(pindrel::EntryName(c.field), c.name);

    FakeLister fs;
    DirectoryEntry file;
    file.name = c.field;
    DirectoryEntry dir = file;
    dir.is_directory = true;
    fs.folders[L"T:\\"] = {file, dir};
    fs.folders[L"T:\\" + c.name + L"\\"] = {File(L"inside")};
    WalkResult r = Walk(fs, L"T:\\");
    EXPECT_EQ(r.found, (Paths{L"T:\\" + c.name, L"T:\\" + c.name + L"\\inside"}));
    EXPECT_EQ(r.count, 2);
  }
}

TEST(FolderListing, NamelessEntryIsPassedOverWithoutLosingTheRest) {
  FakeLister fs;
  DirectoryEntry nameless;  // NUL in the first place
  nameless.name.fill(L'\0');
  DirectoryEntry nameless_dir = nameless;
  nameless_dir.is_directory = true;
  fs.folders[L"E:\\"] = {File(L"a.vcf"), nameless, nameless_dir, File(L"b.vcf")};

  WalkResult r = Walk(fs, L"E:\\");
  EXPECT_EQ(r.found, (Paths{L"E:\\a.vcf", L"E:\\b.vcf"}));
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(fs.patterns, Paths{L"E:\\*.*"});
}

TEST(FolderListing, FolderNameEndingInBackslashGetsNoSecondOne) {
  FakeLister fs;
  fs.folders[L"B:\\"] = {Dir(L"sub\\")};
  fs.folders[L"B:\\sub\\"] = {File(L"f")};
  WalkResult r = Walk(fs, L"B:\\");
  EXPECT_EQ(r.found, Paths{L"B:\\sub\\f"});
}

TEST(FolderListing, FolderLinksAreNotFollowedButRealFoldersAre) {
  FakeLister fs;
  const std::vector<DirectoryEntry> root = {Dir(L"."),       Dir(L".."),
                                            Dir(L"real"),    DirLink(L"loop"),
                                            File(L"top.vcf"), Entry(L"filelink.vcf", false, true)};
  const std::vector<DirectoryEntry> real = {Dir(L"."), Dir(L".."), DirLink(L"up"),
                                            File(L"inner.vcf"), DirLink(L"elsewhere")};
  fs.folders[L"L:\\t\\"] = root;
  fs.folders[L"L:\\t\\real\\"] = real;
  // Were the walk to follow them, these would loop back into the tree.
  fs.folders[L"L:\\t\\loop\\"] = root;
  fs.folders[L"L:\\t\\real\\up\\"] = root;
  fs.folders[L"L:\\t\\real\\elsewhere\\"] = {File(L"outside.vcf")};

  WalkResult r = Walk(fs, L"L:\\t");
  EXPECT_EQ(fs.patterns, (Paths{L"L:\\t\\*.*", L"L:\\t\\real\\*.*"}));
  // A link to a file is still a file.
  EXPECT_EQ(r.found, (Paths{L"L:\\t\\real\\inner.vcf", L"L:\\t\\top.vcf",
                            L"L:\\t\\filelink.vcf"}));
  EXPECT_EQ(r.count, 3);
}

TEST(FolderListing, UnsearchableFolderContributesNothing) {
  FakeLister fs;
  fs.folders[L"U:\\"] = {File(L"a.vcf"), Dir(L"locked"), File(L"b.vcf")};
  WalkResult r = Walk(fs, L"U:\\");
  EXPECT_EQ(fs.patterns, (Paths{L"U:\\*.*", L"U:\\locked\\*.*"}));
  EXPECT_EQ(r.found, (Paths{L"U:\\a.vcf", L"U:\\b.vcf"}));
  EXPECT_EQ(r.count, 2);

  WalkResult missing = Walk(fs, L"U:\\nowhere");
  EXPECT_EQ(missing.root, L"U:\\nowhere\\");
  EXPECT_EQ(missing.count, 0);
  EXPECT_TRUE(missing.found.empty());
}

TEST(FolderListing, WalkOnlyAppendsSoTheCallerEmptiesTheListBetweenWalks) {
  FakeLister fs;
  fs.folders[L"S:\\"] = {File(L"one.vcf"), File(L"two.vcf")};
  std::wstring root = L"S:";
  Paths found = {L"kept"};

  EXPECT_EQ(pindrel::ListFiles(root, found, fs), 2);
  EXPECT_EQ(found, (Paths{L"kept", L"S:\\one.vcf", L"S:\\two.vcf"}));

  // The second walk starts from the normalised root and, with the list
  // emptied by the caller, holds only its own files.
  found.clear();
  EXPECT_EQ(pindrel::ListFiles(root, found, fs), 2);
  EXPECT_EQ(root, L"S:\\");
  EXPECT_EQ(found, (Paths{L"S:\\one.vcf", L"S:\\two.vcf"}));
}

TEST(FolderListing, ScanFolderAddsToTheRunningCount) {
  FakeLister fs;
  fs.folders[L"A:\\x\\"] = {File(L"f1"), File(L"f2")};
  Paths found;
  int count = 5;
  pindrel::ScanFolder(L"A:\\x\\", found, count, fs);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(found, (Paths{L"A:\\x\\f1", L"A:\\x\\f2"}));
}

}  // namespace
