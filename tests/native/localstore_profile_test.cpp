// The local store's profile on disk, natively: what Logon creates, items
// kept and found again by position and identifier, a second opener seeing
// the same profile, damaged files recognised rather than read, changes cut
// short at every byte, compaction and the old layout's conversion.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "item.h"
#include "item_index.h"
#include "profile.h"
#include "record.h"
#include "text.h"

namespace localstore {
namespace {

namespace fs = std::filesystem;

class ProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    // A name of its own: two runs at once (two build trees, or the native
    // and the Windows build on one machine) must not share a profile.
    dir_ = fs::temp_directory_path() /
           ("localstore-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
            "-" + std::to_string(std::random_device{}()));
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The default contacts folder of a fresh profile, through a profile of
  // its own (as a second process would open it).
  std::shared_ptr<FolderItems> Contacts(Profile& profile) {
    StoreInfo store = profile.DefaultStore();
    for (const auto& [kind, id] : store.defaults)
      if (kind == kFolderContacts) return profile.Items(store.id, id);
    ADD_FAILURE() << "no contacts folder";
    return nullptr;
  }

  static Item Contact(std::u16string first, std::u16string last) {
    Item item;
    item.message_class = std::u16string(kContactClass);
    item.Set(Text::FirstName, first);
    item.Set(Text::LastName, last);
    return item;
  }

  static std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  static Code FailureOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const StoreFailure& failure) {
      return failure.code();
    }
    return Code{0};
  }

  fs::path dir_;
};

TEST_F(ProfileTest, LogonCreatesTheDefaultStoreOnceWithStableIdentifiers) {
  Profile first(dir_);
  first.Logon();
  first.Logon();
  std::vector<StoreInfo> stores = first.Stores();
  ASSERT_EQ(stores.size(), 1u);
  const StoreInfo& store = stores[0];
  EXPECT_EQ(store.name, u"Personal Folders");
  std::regex hex32("[0-9A-F]{32}");
  EXPECT_TRUE(std::regex_match(store.id, hex32));

  struct Expected { int kind; std::u16string name, message_class, path; };
  for (const Expected& e : {Expected{kFolderContacts, u"Contacts", u"IPM.Contact", u"\\\\Personal Folders\\Contacts"},
                            Expected{kFolderInbox, u"Inbox", u"IPM.Note", u"\\\\Personal Folders\\Inbox"},
                            Expected{kFolderCalendar, u"Calendar", u"IPM.Appointment", u"\\\\Personal Folders\\Calendar"}}) {
    SCOPED_TRACE(e.kind);
    auto found = std::find_if(store.defaults.begin(), store.defaults.end(),
                              [&](const auto& d) { return d.first == e.kind; });
    ASSERT_NE(found, store.defaults.end());
    const FolderInfo* folder = store.Find(found->second);
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(std::regex_match(folder->id, hex32));
    EXPECT_EQ(folder->name, e.name);
    EXPECT_EQ(folder->message_class, e.message_class);
    EXPECT_EQ(store.FolderPath(*folder), e.path);
    EXPECT_EQ(folder->parent, store.root);
  }
  EXPECT_EQ(store.FolderPath(*store.Find(store.root)), u"\\\\Personal Folders");

  // A second opener (another process) sees the same identifiers, and finds
  // the store and folders by them in either case of the hex digits.
  Profile second(dir_);
  second.Logon();
  std::string lower = store.id;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  StoreInfo again = second.Store(lower);
  EXPECT_EQ(again.id, store.id);
  ASSERT_EQ(again.folders.size(), store.folders.size());
  for (std::size_t i = 0; i < store.folders.size(); ++i) EXPECT_EQ(again.folders[i].id, store.folders[i].id);
  EXPECT_TRUE(fs::exists(second.StoreFile(store.id)));
}

TEST_F(ProfileTest, ItemsRoundTripAndKeepTheirPositions) {
  Profile writer(dir_);
  writer.Logon();
  auto items = Contacts(writer);
  Item full = Contact(u"J\u00fcrgen", u"M\u00fcller \U0001F600");
  for (std::size_t i = 0; i < kTextCount; ++i)
    if (full.text[i].empty()) full.text[i] = u"value " + FromUtf8(std::to_string(i)) + u"\r\nline two";
  full.birthday = 29245;
  full.anniversary = 38510;
  std::vector<std::string> ids;
  ids.push_back(items->Add(full));
  for (int i = 2; i <= 5; ++i) ids.push_back(items->Add(Contact(u"N" + FromUtf8(std::to_string(i)), u"L")));
  std::set<std::string> distinct(ids.begin(), ids.end());
  EXPECT_EQ(distinct.size(), ids.size());

  // Another opener sees the same items in creation order.
  Profile reader(dir_);
  auto seen = Contacts(reader);
  ASSERT_EQ(seen->Count(), 5u);
  for (std::uint32_t position = 1; position <= 5; ++position)
    EXPECT_EQ(seen->IdAt(position), ids[position - 1]) << position;
  EXPECT_EQ(seen->Load(ids[0]), full);
  std::string id;
  EXPECT_EQ(seen->LoadAt(1, &id), full);
  EXPECT_EQ(id, ids[0]);
  EXPECT_EQ(FailureOf([&] { seen->LoadAt(6, &id); }), Code::NotFound);
  EXPECT_EQ(FailureOf([&] { seen->IdAt(0); }), Code::NotFound);
  EXPECT_EQ(FailureOf([&] { seen->IdAt(6); }), Code::NotFound);
  EXPECT_EQ(FailureOf([&] { seen->Load("0123456789ABCDEF"); }), Code::NotFound);
  EXPECT_EQ(FailureOf([&] { seen->Load("../../profile"); }), Code::NotFound);

  // A re-save keeps the position; a removal closes the gap, for both openers.
  Item changed = Contact(u"Changed", u"L");
  items->Update(ids[2], changed);
  EXPECT_EQ(seen->Load(ids[2]), changed);
  items->Remove(ids[1]);
  ASSERT_EQ(seen->Count(), 4u);
  EXPECT_EQ(seen->IdAt(2), ids[2]);
  EXPECT_EQ(seen->IdAt(4), ids[4]);
  EXPECT_EQ(FailureOf([&] { seen->Load(ids[1]); }), Code::NotFound);
  EXPECT_EQ(FailureOf([&] { seen->Remove(ids[1]); }), Code::NotFound);
  EXPECT_EQ(FailureOf([&] { seen->Update(ids[1], changed); }), Code::ObjectDeleted);
  // Appends after a removal go to the new index, seen by the other opener.
  std::string last = seen->Add(Contact(u"After", u"Removal"));
  EXPECT_EQ(items->Count(), 5u);
  EXPECT_EQ(items->IdAt(5), last);
}

TEST_F(ProfileTest, DamagedFilesAreRecognisedNotRead) {
  std::vector<std::string> ids;
  std::vector<std::uintmax_t> ends;
  fs::path data;
  {
    Profile profile(dir_);
    profile.Logon();
    auto items = Contacts(profile);
    for (const char16_t* name : {u"Good", u"Bad", u"After"}) {
      ids.push_back(items->Add(Contact(name, u"One")));
      ends.push_back(fs::file_size(items->DataPath()));
    }
    data = items->DataPath();
  }
  std::string bytes = ReadAll(data);
  // Damage to the middle record's payload or to its header.
  struct Damage { const char* what; std::uint64_t at; Code bad; std::uint32_t count, skipped; };
  const Damage damages[] = {
      {"payload byte changed", ends[0] + 40, Code::CorruptData, 3, 0},
      {"header byte changed", ends[0] + 10, Code::NotFound, 2, 1},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    std::string damaged = bytes;
    damaged[damage.at] ^= 0x20;
    WriteAll(data, damaged);
    Profile profile(dir_);
    auto items = Contacts(profile);
    EXPECT_EQ(items->Count(), damage.count);
    EXPECT_EQ(items->Skipped(), damage.skipped);
    EXPECT_EQ(FailureOf([&] { items->Load(ids[1]); }), damage.bad);
    EXPECT_EQ(items->Load(ids[0]).Get(Text::FirstName), u"Good");
    EXPECT_EQ(items->Load(ids[2]).Get(Text::FirstName), u"After");
  }

  // A damaged store file is reported, not taken for an empty profile.
  Profile profile(dir_);
  StoreInfo store = profile.DefaultStore();
  {
    std::ofstream out(profile.StoreFile(store.id), std::ios::binary | std::ios::app);
    out.put('x');
  }
  EXPECT_EQ(FailureOf([&] { profile.Stores(); }), Code::CorruptData);
}

// A process killed while appending leaves a record cut at any byte: the
// folder opens with every earlier change whole, skips (and counts) the cut
// one, and the next change takes its place.
TEST_F(ProfileTest, AChangeCutAtAnyByteLosesOnlyItself) {
  struct Change { const char* what; std::function<void(FolderItems&, const std::vector<std::string>&)> make; };
  const Change changes[] = {
      {"save", [](FolderItems& items, const auto&) { items.Add(Contact(u"Cut", u"Short")); }},
      {"re-save", [](FolderItems& items, const auto& ids) { items.Update(ids[1], Contact(u"Cut", u"Short")); }},
      {"delete", [](FolderItems& items, const auto& ids) { items.Remove(ids[0]); }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    fs::remove_all(dir_);
    std::vector<std::string> ids;
    fs::path data;
    std::string before, record;
    {
      Profile profile(dir_);
      profile.Logon();
      auto items = Contacts(profile);
      for (int i = 0; i < 3; ++i) ids.push_back(items->Add(Contact(u"N" + FromUtf8(std::to_string(i)), u"L")));
      data = items->DataPath();
      before = ReadAll(data);
      change.make(*items, ids);
      record = ReadAll(data).substr(before.size());
    }
    for (std::size_t cut = 0; cut < record.size(); ++cut) {
      WriteAll(data, before + record.substr(0, cut));
      Profile profile(dir_);
      auto items = Contacts(profile);
      ASSERT_EQ(items->Count(), 3u) << cut;
      EXPECT_EQ(items->Skipped(), cut > 0 ? 1u : 0u) << cut;
      for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items->IdAt(static_cast<std::uint32_t>(i + 1)), ids[i]);
        EXPECT_EQ(items->Load(ids[i]).Get(Text::FirstName), u"N" + FromUtf8(std::to_string(i))) << cut;
      }
      std::string next = items->Add(Contact(u"Next", u"L"));
      items->Flush();  // lets the next opener in at once
      Profile again(dir_);
      auto seen = Contacts(again);
      ASSERT_EQ(seen->Count(), 4u) << cut;
      EXPECT_EQ(seen->Skipped(), 0u) << cut;
      EXPECT_EQ(seen->Load(next).Get(Text::FirstName), u"Next");
    }
  }
}

TEST_F(ProfileTest, ACompactedFolderKeepsItsItemsForEveryOpener) {
  Profile writer(dir_);
  writer.Logon();
  auto items = Contacts(writer);
  Profile reader(dir_);
  auto seen = Contacts(reader);
  std::vector<std::string> ids;
  for (int i = 0; i < 40; ++i) {
    Item item = Contact(u"N" + FromUtf8(std::to_string(i)), u"L");
    item.Set(Text::Body, std::u16string(2000, u'x'));
    ids.push_back(items->Add(item));
  }
  fs::path first = items->DataPath();
  EXPECT_EQ(seen->Count(), 40u);  // the reader holds the first file open
  Item changed = Contact(u"Changed", u"L");
  items->Update(ids[0], changed);
  for (int i = 1; i < 30; ++i) items->Remove(ids[i]);
  EXPECT_NE(items->DataPath(), first);
  EXPECT_LT(fs::file_size(items->DataPath()), 11 * 4200u);
  for (FolderItems* opener : {items.get(), seen.get()}) {
    ASSERT_EQ(opener->Count(), 11u);
    EXPECT_EQ(opener->IdAt(1), ids[0]);
    EXPECT_EQ(opener->IdAt(2), ids[30]);
    EXPECT_EQ(opener->Load(ids[0]), changed);
    EXPECT_EQ(FailureOf([&] { opener->Load(ids[1]); }), Code::NotFound);
  }
  // Gone once the reader has moved on (Windows keeps a removed file's name
  // while a handle to it is open).
  EXPECT_FALSE(fs::exists(first));
  // The reader writes to the new file too, and a new opener sees it all.
  std::string last = seen->Add(Contact(u"Last", u"L"));
  EXPECT_EQ(seen->DataPath(), items->DataPath());
  Profile third(dir_);
  auto all = Contacts(third);
  ASSERT_EQ(all->Count(), 12u);
  EXPECT_EQ(all->IdAt(12), last);
}

// Two writers at once (as two processes: each its own opener and lock)
// lose nothing and keep each other's items whole.
TEST_F(ProfileTest, TwoWritersAtOnceLoseNothing) {
  Profile(dir_).Logon();
  std::vector<std::string> ids[2];
  auto write = [&](int w) {
    Profile profile(dir_);
    auto items = Contacts(profile);
    const std::u16string first = FromUtf8("W" + std::to_string(w));
    for (int i = 0; i < 300; ++i) ids[w].push_back(items->Add(Contact(first, u"L")));
    items->Remove(ids[w][0]);
  };
  std::thread other(write, 1);
  write(0);
  other.join();
  Profile profile(dir_);
  auto items = Contacts(profile);
  ASSERT_EQ(items->Count(), 598u);
  EXPECT_EQ(items->Skipped(), 0u);
  for (int w = 0; w < 2; ++w)
    for (std::size_t i = 1; i < ids[w].size(); ++i)
      ASSERT_EQ(items->Load(ids[w][i]).Get(Text::FirstName), u"W" + FromUtf8(std::to_string(w)));
}

// Profiles from before the data file: an index of identifiers and a file
// per item, converted on first open.
TEST_F(ProfileTest, AFolderInTheOldLayoutIsConvertedOnce) {
  Profile profile(dir_);
  profile.Logon();
  StoreInfo store = profile.DefaultStore();
  std::string folder_id = store.defaults[0].second;
  fs::path folder = dir_ / "stores" / store.id / folder_id;
  std::string index;
  for (std::uint64_t id : {0x1111222233334444ull, 0xAAAABBBBCCCCDDDDull, 0x0123456789ABCDEFull}) {
    unsigned char entry[16];
    PutLe(entry, id, 8);
    PutLe(entry + 8, Crc32(entry, 8), 4);
    PutLe(entry + 12, 0x31584449, 4);
    index.append(reinterpret_cast<const char*>(entry), 16);
    std::string hex = ItemHex(id);
    fs::create_directories(folder / "items" / hex.substr(0, 2));
    WriteAll(folder / "items" / hex.substr(0, 2) / (hex + ".item"), EncodeItem(Contact(FromUtf8(hex), u"Old")));
  }
  index[40] ^= 1;  // the third entry is damaged
  WriteAll(folder / "index.0", index);
  auto items = profile.Items(store.id, folder_id);
  ASSERT_EQ(items->Count(), 2u);
  EXPECT_EQ(items->Skipped(), 1u);
  EXPECT_EQ(items->IdAt(2), "AAAABBBBCCCCDDDD");
  EXPECT_EQ(items->Load("1111222233334444").Get(Text::FirstName), u"1111222233334444");
  EXPECT_FALSE(fs::exists(folder / "index.0"));
  EXPECT_FALSE(fs::exists(folder / "items"));
  Profile again(dir_);
  EXPECT_EQ(again.Items(store.id, folder_id)->Count(), 2u);
}

TEST_F(ProfileTest, NamesOnDiskComeFromIdentifiersOnly) {
  Profile profile(dir_);
  profile.Logon();
  StoreInfo personal = profile.DefaultStore();
  StoreInfo archive = profile.AddStore(u"..\\..\\Archive:?*");
  FolderInfo odd = profile.AddFolder(archive.id, archive.root, u"../../:?*<>|\"\\", u"IPM.Contact");
  EXPECT_EQ(FailureOf([&] { profile.AddFolder(archive.id, archive.root, u"../../:?*<>|\"\\", u"IPM.Contact"); }),
            Code::Collision);
  EXPECT_EQ(FailureOf([&] { profile.AddFolder(archive.id, "00", u"x", u"IPM.Note"); }), Code::NotFound);
  EXPECT_EQ(FailureOf([&] { profile.AddFolder(archive.id, archive.root, u"", u"IPM.Note"); }),
            Code::InvalidParameter);
  EXPECT_EQ(FailureOf([&] { profile.Store("FFFF"); }), Code::NotFound);
  auto items = profile.Items(archive.id, odd.id);
  Item item = Contact(u"..\\..", u":?*");
  item.Set(Text::FullName, u":?*");
  items->Add(item);

  std::vector<StoreInfo> stores = profile.Stores();
  ASSERT_EQ(stores.size(), 2u);
  EXPECT_EQ(stores[0].id, personal.id);  // the default store stays first
  EXPECT_EQ(stores[1].FolderPath(*stores[1].Find(odd.id)),
            u"\\\\..\\..\\Archive:?*\\../../:?*<>|\"\\");
  std::regex allowed("[0-9A-F]+|stores|lock|data\\.[0-9]+|profile\\.(dat|lock)|store\\.dat");
  for (const auto& entry : fs::recursive_directory_iterator(dir_))
    EXPECT_TRUE(std::regex_match(entry.path().filename().string(), allowed)) << entry.path();
}

// The in-memory index against a plain list, through many puts, re-puts and
// removals (identifiers close together, as older folders may have them).
TEST(ItemIndexTest, AgreesWithAPlainList) {
  ItemIndex index;
  std::vector<ItemIndex::Entry> model;
  std::mt19937_64 random(7);
  for (int step = 0; step < 5000; ++step) {
    int action = static_cast<int>(random() % 4);
    if (action < 2 || model.empty()) {
      std::uint64_t id = model.size() + 1 + random() % 64 * 1000003;
      auto known = std::find_if(model.begin(), model.end(), [&](const auto& e) { return e.id == id; });
      auto size = static_cast<std::uint32_t>(step);
      if (known != model.end()) *known = {id, std::uint64_t(step), size};  // keeps its place
      else model.push_back({id, std::uint64_t(step), size});
      index.Put(id, std::uint64_t(step), size);
    } else {
      auto victim = model.begin() + static_cast<std::ptrdiff_t>(random() % model.size());
      index.Remove(victim->id);
      model.erase(victim);
    }
    ASSERT_EQ(index.Count(), model.size()) << step;
    if (step % 97 == 0 || step > 4900) {
      for (std::size_t i = 0; i < model.size(); ++i) {
        ASSERT_EQ(index.At(i).id, model[i].id) << step;
        ASSERT_EQ(index.At(i).size, model[i].size) << step;
        ASSERT_EQ(index.At(i).offset, model[i].offset) << step;
        ASSERT_EQ(index.Find(model[i].id), &index.At(i)) << step;
      }
    }
  }
  EXPECT_EQ(index.Find(0), nullptr);
}

TEST(ItemDates, CivilAndAutomationDatesAgree) {
  struct Case { CivilDate date; std::optional<double> ole; };
  const Case cases[] = {
      {{1899, 12, 30}, 0},       {{1900, 1, 1}, 2},          {{1980, 1, 25}, 29245},
      {{2000, 2, 29}, 36585},    {{1899, 12, 29}, -1},       {{1600, 3, 1}, -109511},
      {{9999, 12, 31}, 2958465}, {{100, 1, 1}, -657434},     {{1900, 2, 29}, std::nullopt},
      {{1980, 13, 1}, std::nullopt}, {{1980, 2, 30}, std::nullopt}, {{99, 12, 31}, std::nullopt},
      {{1980, 4, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.date.year) + "-" + std::to_string(c.date.month) + "-" + std::to_string(c.date.day));
    EXPECT_EQ(FromCivil(c.date), c.ole);
    if (c.ole) {
      EXPECT_EQ(ToCivil(*c.ole), c.date);
    }
  }
  // A time of day does not move the date, on either side of the epoch.
  EXPECT_EQ(ToCivil(29245.75), (CivilDate{1980, 1, 25}));
  EXPECT_EQ(ToCivil(-1.25), (CivilDate{1899, 12, 29}));
}

TEST(ItemText, Utf8AndUtf16ConvertBothWays) {
  struct Case { std::u16string wide; std::string narrow; };
  const Case cases[] = {
      {u"", ""},
      {u"plain", "plain"},
      {u"M\u00fcller", "M\xc3\xbc" "ller"},
      {u"\u20ac \U0001F600", "\xe2\x82\xac \xf0\x9f\x98\x80"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToUtf8(c.wide), c.narrow);
    EXPECT_EQ(FromUtf8(c.narrow), c.wide);
  }
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
  EXPECT_EQ(FromUtf8("a\xff" "b\xc3"), u"a\uFFFDb\uFFFD");
  EXPECT_EQ(FromUtf8("\xc0\xaf"), u"\uFFFD\uFFFD");  // overlong "/"
}

TEST(ItemCodec, EveryFieldSurvivesAndUnknownTagsAreSkipped) {
  Item item;
  item.message_class = u"IPM.DistList";
  item.Set(Text::Subject, u"Team");
  item.Set(Text::Body, u"a\r\nb");
  item.birthday = -657434.5;
  item.anniversary = 38510;
  item.Set(Text::Initials, u"A.L.");  // the last text property
  EXPECT_EQ(DecodeItem(EncodeItem(item)), item);
  RecordWriter newer;
  newer.Add(100, std::u16string_view(u"IPM.Contact"));
  newer.Add(4000, std::string_view("from a later version"));
  auto decoded = DecodeItem(newer.Finish(kItemMagic));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->message_class, u"IPM.Contact");
  EXPECT_FALSE(DecodeItem(newer.Finish(kStoreMagic)));
  // The standard check value, so files written before stay readable.
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32("123456789abcdefgh", 17), Crc32("abcdefgh", 8, Crc32("123456789", 9)));
}

}  // namespace
}  // namespace localstore
