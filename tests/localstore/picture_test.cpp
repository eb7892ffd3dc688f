// A contact's picture through raw IDispatch, as the import and scripts call
// it: AddPicture's checks (the refused file leaves what was there), one
// picture kept with the item across a save and a fresh read, the
// attachment that holds it, SaveAs writing it, and RemovePicture.
#include <fstream>
#include <iterator>

#include "dispatch_support.h"

namespace localstore_test {
namespace {

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8004010F);

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class PictureTest : public StoreTest {};

TEST_F(PictureTest, AContactKeepsOnePictureWithItsRecordAndWritesIt) {
  const std::filesystem::path images = TESSARY_DATA_DIR "/pictures/images";
  const std::filesystem::path dir = profile_ / "pictures";
  std::filesystem::create_directories(dir);
  std::string big = Bytes(images / "portrait.jpg");
  big.resize(10 * 1024 * 1024 + 1, '\0');
  Write(dir / "big.jpg", big);
  Write(dir / "text.jpg", "BEGIN:VCARD\r\n");
  const std::string gif = Bytes(images / "icon.gif");

  ComPtr<IDispatch> item = AddContact(L"Ana", L"Silva");
  auto has_picture = [](IDispatch* object) {
    Outcome out = Call(object, L"HasPicture", kGet);
    EXPECT_EQ(out.hr, S_OK);
    EXPECT_EQ(V_VT(&out.result->Get()), VT_BOOL);
    return V_BOOL(&out.result->Get()) == VARIANT_TRUE;
  };
  auto count = [](IDispatch* collection) { return V_I4(&Call(collection, L"Count", kGet).result->Get()); };
  EXPECT_FALSE(has_picture(item.Get()));
  EXPECT_EQ(count(Get(item.Get(), L"Attachments").Get()), 0);

  struct Row {
    const char* what;
    std::vector<Arg> args;
    HRESULT hr;
    HRESULT scode;
    bool has_picture;  // afterwards
  };
  const Row kRows[] = {
      {"not a picture", {Arg::Str((dir / "text.jpg").c_str())}, DISP_E_EXCEPTION, E_INVALIDARG, false},
      {"over 10 MB", {Arg::Str((dir / "big.jpg").c_str())}, DISP_E_EXCEPTION, E_INVALIDARG, false},
      {"no such file", {Arg::Str((dir / "none.jpg").c_str())}, DISP_E_EXCEPTION, kNotFound, false},
      {"no path", {}, DISP_E_BADPARAMCOUNT, S_OK, false},
      {"a JPEG", {Arg::Str((images / "portrait.jpg").c_str())}, S_OK, S_OK, true},
      {"not a picture, over one", {Arg::Str((dir / "text.jpg").c_str())}, DISP_E_EXCEPTION, E_INVALIDARG, true},
      {"a GIF replaces it", {Arg::Str((images / "icon.gif").c_str())}, S_OK, S_OK, true},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.what);
    Outcome out = Call(item.Get(), L"AddPicture", kMethod, row.args);
    EXPECT_EQ(out.hr, row.hr) << std::hex << out.hr;
    if (row.hr == DISP_E_EXCEPTION) {
      EXPECT_EQ(out.scode, row.scode) << std::hex << out.scode;
      EXPECT_FALSE(out.description.empty());
    }
    EXPECT_EQ(has_picture(item.Get()), row.has_picture);
  }
  ASSERT_EQ(Call(item.Get(), L"Save", kMethod).hr, S_OK);

  // Read afresh: the picture came with the record, as its one attachment.
  ComPtr<IDispatch> again = Get(Get(contacts_.Get(), L"Items").Get(), L"Item", {Arg::I4(1)});
  EXPECT_TRUE(has_picture(again.Get()));
  ComPtr<IDispatch> attachments = Get(again.Get(), L"Attachments");
  ASSERT_EQ(count(attachments.Get()), 1);
  ComPtr<IDispatch> attachment = Get(attachments.Get(), L"Item", {Arg::I4(1)});
  EXPECT_EQ(GetText(attachment.Get(), L"FileName"), L"ContactPicture.jpg");
  EXPECT_EQ(V_I4(&Call(attachment.Get(), L"Size", kGet).result->Get()), long(gif.size()));
  ASSERT_EQ(Call(attachment.Get(), L"SaveAsFile", kMethod, {Arg::Str((dir / "saved.gif").c_str())}).hr, S_OK);
  EXPECT_TRUE(Bytes(dir / "saved.gif") == gif);
  Outcome past = Call(attachments.Get(), L"Item", kMethod, {Arg::I4(2)});
  EXPECT_EQ(past.scode, kNotFound);
  Outcome walk = Call(attachments.Get(), L"_NewEnum", kGet);
  ASSERT_EQ(V_VT(&walk.result->Get()), VT_UNKNOWN);

  // SaveAs writes it as the mail client does.
  ASSERT_EQ(Call(again.Get(), L"SaveAs", kMethod, {Arg::Str((dir / "ana.vcf").c_str()), Arg::I2(6)}).hr, S_OK);
  const std::string card = Bytes(dir / "ana.vcf");
  EXPECT_NE(card.find("\r\nPHOTO;TYPE=GIF;ENCODING=BASE64:\r\n R0lGODlh"), std::string::npos) << card;
  EXPECT_NE(card.find("\r\n\r\nEND:VCARD\r\n"), std::string::npos) << card;

  // Removed and saved, it is gone from the record too.
  ASSERT_EQ(Call(again.Get(), L"RemovePicture", kMethod).hr, S_OK);
  EXPECT_FALSE(has_picture(again.Get()));
  ASSERT_EQ(Call(again.Get(), L"Save", kMethod).hr, S_OK);
  ComPtr<IDispatch> last = Get(Get(contacts_.Get(), L"Items").Get(), L"Item", {Arg::I4(1)});
  EXPECT_FALSE(has_picture(last.Get()));
  EXPECT_EQ(count(Get(last.Get(), L"Attachments").Get()), 0);
  ASSERT_EQ(Call(last.Get(), L"SaveAs", kMethod, {Arg::Str((dir / "ana.vcf").c_str()), Arg::I2(6)}).hr, S_OK);
  EXPECT_EQ(Bytes(dir / "ana.vcf").find("PHOTO"), std::string::npos);
}

}  // namespace
}  // namespace localstore_test
