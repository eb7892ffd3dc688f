// The local store's pictures, natively: AddPicture's file checks, the
// picture kept in the item's record (records without one read as before)
// and through a folder's data file, and the vCard writer's PHOTO read back
// byte for byte by the reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "failure.h"
#include "picture.h"
#include "profile.h"
#include "record.h"
#include "test_files.h"
#include "vcard_stream.h"
#include "vcard_writer.h"

namespace localstore {
namespace {

std::string Picture(const char* name) {
  std::ifstream in(std::string(TESSARY_DATA_DIR "/pictures/images/") + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Item ContactWith(std::string picture) {
  Item item;
  item.message_class = std::u16string(kContactClass);
  item.Set(Text::FullName, u"Ana Silva");
  item.picture = std::move(picture);
  return item;
}

TEST(Pictures, AddPictureTakesOnlyPicturesOfAtMostTenMegabytes) {
  std::string big_jpeg = Picture("portrait.jpg");
  big_jpeg.resize(kMaxPictureBytes, '\0');
  struct Row {
    const char* what;
    std::string bytes;
    Code failure;  // 0: taken
  };
  const Row kRows[] = {
      {"JPEG", Picture("portrait.jpg"), Code{0}},
      {"PNG", Picture("logo.png"), Code{0}},
      {"GIF", Picture("icon.gif"), Code{0}},
      {"BMP", Picture("badge.bmp"), Code{0}},
      {"exactly 10 MB", big_jpeg, Code{0}},
      {"one byte over 10 MB", big_jpeg + '\0', Code::InvalidParameter},
      {"not a picture", "BEGIN:VCARD\r\n", Code::InvalidParameter},
      {"empty", "", Code::InvalidParameter},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.what);
    testing_files::TempFile file(row.bytes, ".jpg");
    try {
      EXPECT_TRUE(ReadPictureFile(PathFromUtf8(file.path())) == row.bytes);
      EXPECT_EQ(row.failure, Code{0});
    } catch (const StoreFailure& failure) {
      EXPECT_EQ(failure.code(), row.failure);
      EXPECT_NE(std::string(failure.what()).find(file.path()), std::string::npos) << failure.what();
    }
  }
  try {
    ReadPictureFile(PathFromUtf8(std::string(TESSARY_DATA_DIR "/pictures/images/none.jpg")));
    ADD_FAILURE() << "a missing file was read";
  } catch (const StoreFailure& failure) {
    EXPECT_EQ(failure.code(), Code::NotFound);
  }
}

TEST(Pictures, KeptInTheRecordAndOldRecordsReadAsBefore) {
  const Item with = ContactWith(Picture("portrait.jpg"));
  EXPECT_EQ(DecodeItem(EncodeItem(with)), with);
  // A record without a picture is byte for byte what the store wrote
  // before it kept pictures.
  const Item without = ContactWith("");
  RecordWriter before;
  before.Add(100, std::u16string_view(without.message_class));
  before.Add(static_cast<std::uint16_t>(static_cast<std::size_t>(Text::FullName) + 1), without.Get(Text::FullName));
  EXPECT_EQ(EncodeItem(without), before.Finish(kItemMagic));

  // Through a folder's data file, replaced and removed by later saves.
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("localstore-pictures-" + std::to_string(std::random_device{}()));
  {
    auto contacts = [](Profile& profile) {
      StoreInfo store = profile.DefaultStore();
      for (const auto& [kind, id] : store.defaults)
        if (kind == kFolderContacts) return profile.Items(store.id, id);
      return std::shared_ptr<FolderItems>();
    };
    Profile profile(dir), other(dir);
    profile.Logon();
    std::shared_ptr<FolderItems> items = contacts(profile);
    ASSERT_TRUE(items);
    const std::string id = items->Add(with);
    EXPECT_EQ(contacts(other)->Load(id).picture, with.picture) << "another opener reads it from the file";
    items->Update(id, ContactWith(Picture("icon.gif")));
    EXPECT_EQ(items->Load(id).picture, Picture("icon.gif"));
    items->Update(id, without);
    EXPECT_TRUE(items->Load(id).picture.empty());
  }
  std::filesystem::remove_all(dir);
}

TEST(Pictures, SaveAsWritesThePhotoAsTheMailClientDoes) {
  const std::string gif = Picture("icon.gif");
  const std::string card = WriteVCard(ContactWith(gif));
  // The base64 on lines of 75 octets after a blank, then a blank line.
  const std::string base64 = Base64(gif);
  std::string photo = "PHOTO;TYPE=GIF;ENCODING=BASE64:\r\n";
  for (std::size_t at = 0; at < base64.size(); at += 74) photo += " " + base64.substr(at, 74) + "\r\n";
  EXPECT_NE(card.find(photo + "\r\nEND:VCARD\r\n"), std::string::npos) << card;

  struct Row {
    const char* picture;
    const char* type;
  };
  for (const Row& row : {Row{"portrait.jpg", "JPEG"}, Row{"logo.png", "PNG"}, Row{"icon.gif", "GIF"},
                         Row{"badge.bmp", "BMP"}}) {
    SCOPED_TRACE(row.picture);
    const std::string bytes = Picture(row.picture);
    const std::string written = WriteVCard(ContactWith(bytes));
    EXPECT_NE(written.find(std::string("PHOTO;TYPE=") + row.type + ";ENCODING=BASE64:\r\n"), std::string::npos);
    testing_files::TempFile file(written);
    tessary::VCardStream reader;
    ASSERT_EQ(reader.OpenDecoded(file.path().c_str()), tessary::OpenResult::Read);
    reader.MoveFirst();
    const tessary::DecodedCard& decoded = reader.CurrentCard();
    ASSERT_EQ(decoded.binaries.size(), 1u);
    EXPECT_EQ(decoded.binaries[0].failure, tessary::BinaryFailure::None);
    EXPECT_TRUE(decoded.binaries[0].bytes == bytes);
    // The older keyword reading still sees the name.
    ASSERT_EQ(reader.Open(file.path().c_str()), tessary::OpenResult::Read);
    reader.MoveFirst();
    EXPECT_EQ(reader.Current(tessary::Field::FullName), "Ana Silva\n");
  }
  EXPECT_EQ(WriteVCard(ContactWith("")).find("PHOTO"), std::string::npos);
}

}  // namespace
}  // namespace localstore
