// Binary values of the modern reading: every picture of the sample cards
// arrives byte for byte through the real reader, and each kind of bad value
// is a named failure of that value alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoded_card.h"
#include "memory_source.h"
#include "vcard_stream.h"

namespace {

using tessary::BinaryFailure;
using tessary::DecodedBinary;
using tessary::OpenResult;
using tessary::VCardStream;

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Picture(const char* name) { return FileBytes(std::string(TESSARY_DATA_DIR "/pictures/images/") + name); }

std::string Base64(std::string_view bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 3; ++k) v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kAlphabet[(v >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

// A file of one 3.0 card holding `lines`.
std::string Card(std::initializer_list<std::string> lines) {
  std::string out = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\n";
  for (const std::string& l : lines) out += l + "\r\n";
  return out + "END:VCARD\r\n";
}

struct Got {
  int card;
  std::string name, media_type, bytes;
};

// Every binary value of every card, in order.
std::vector<Got> Binaries(VCardStream& s) {
  std::vector<Got> got;
  s.MoveFirst();
  for (int card = 1; !s.IsEOF(); ++card, s.MoveNext())
    for (const DecodedBinary& b : s.CurrentCard().binaries) {
      EXPECT_EQ(b.failure, BinaryFailure::None) << "card " << card << " " << b.name;
      got.push_back({card, b.name, b.media_type, b.bytes});
    }
  return got;
}

TEST(BinaryValues, SamplePicturesArriveByteForByte) {
  struct Row {
    const char* file;
    int card;
    const char* name;
    const char* media_type;
    const char* picture;
  };
  const Row kRows[] = {
      // 2.1: folded and ended by a blank line; bare JPEG;BASE64 without
      // blanks; blanks inside the base64.
      {"phone-2.1-pictures.vcf", 1, "PHOTO", "image/jpeg", "portrait.jpg"},
      {"phone-2.1-pictures.vcf", 2, "PHOTO", "image/jpeg", "portrait.jpg"},
      {"phone-2.1-pictures.vcf", 3, "PHOTO", "image/bmp", "badge.bmp"},
      // 3.0: ENCODING=b, a LOGO, a bare BASE64 whose type is the bytes'.
      {"addressbook-3.0-pictures.vcf", 1, "PHOTO", "image/jpeg", "portrait.jpg"},
      {"addressbook-3.0-pictures.vcf", 1, "LOGO", "image/png", "logo.png"},
      {"addressbook-3.0-pictures.vcf", 2, "PHOTO", "image/gif", "icon.gif"},
      // 4.0: data: URIs, folded with the blank and without.
      {"rfc6350-4.0-pictures.vcf", 1, "PHOTO", "image/jpeg", "portrait.jpg"},
      {"rfc6350-4.0-pictures.vcf", 1, "LOGO", "image/png", "logo.png"},
      {"rfc6350-4.0-pictures.vcf", 2, "PHOTO", "image/gif", "icon.gif"},
  };
  for (const char* file : {"phone-2.1-pictures.vcf", "addressbook-3.0-pictures.vcf", "rfc6350-4.0-pictures.vcf"}) {
    SCOPED_TRACE(file);
    VCardStream s;
    ASSERT_EQ(s.OpenDecoded((std::string(TESSARY_DATA_DIR "/pictures/") + file).c_str()), OpenResult::Read);
    const std::vector<Got> got = Binaries(s);
    std::size_t next = 0;
    for (const Row& row : kRows) {
      if (std::string_view(row.file) != file) continue;
      ASSERT_LT(next, got.size());
      const Got& g = got[next++];
      EXPECT_EQ(g.card, row.card);
      EXPECT_EQ(g.name, row.name);
      EXPECT_EQ(g.media_type, row.media_type);
      EXPECT_TRUE(g.bytes == Picture(row.picture)) << row.picture << ": " << g.bytes.size() << " bytes";
    }
    EXPECT_EQ(next, got.size()) << "binary values beyond the table";
  }
}

// What follows a picture is read as ever, and a link stays text.
TEST(BinaryValues, PropertiesAfterAPictureAndLinksAreText) {
  struct Row {
    const char* file;
    int card;
    const char* name;
    const char* value;
  };
  const Row kRows[] = {
      {"phone-2.1-pictures.vcf", 1, "TEL", "+1 555 0101"},
      {"phone-2.1-pictures.vcf", 2, "EMAIL", "ben@example.com"},
      {"addressbook-3.0-pictures.vcf", 1, "ORG", "Lindqvist Design"},
      {"addressbook-3.0-pictures.vcf", 3, "PHOTO", "https://example.com/photos/emi.jpg"},
      {"rfc6350-4.0-pictures.vcf", 3, "PHOTO", "http://example.org/hugo.png"},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(std::string(row.file) + " " + row.name);
    VCardStream s;
    ASSERT_EQ(s.OpenDecoded((std::string(TESSARY_DATA_DIR "/pictures/") + row.file).c_str()), OpenResult::Read);
    s.MoveFirst();
    for (int i = 1; i < row.card; ++i) s.MoveNext();
    std::vector<std::string> values;
    for (const auto& p : s.CurrentCard().properties)
      if (p.name == row.name) values.push_back(p.value);
    EXPECT_EQ(values, std::vector<std::string>{row.value});
  }
}

TEST(BinaryValues, BadValuesAreNamedFailuresOfTheirOwn) {
  const std::string jpeg = Picture("portrait.jpg"), png = Picture("logo.png"), gif = Picture("icon.gif");
  std::string percent_gif;
  for (unsigned char c : gif) {
    static const char kHex[] = "0123456789ABCDEF";
    percent_gif += {'%', kHex[c >> 4], kHex[c & 15]};
  }
  const std::string stray = Base64(png).insert(100, "!!");
  struct Row {
    const char* what;
    std::string file;
    BinaryFailure failure;
    const char* media_type;
    std::string bytes;  // what is kept
  };
  const Row kRows[] = {
      {"truncated base64: the picture lacks its end, the rest is kept",
       Card({"PHOTO;ENCODING=b;TYPE=JPEG:" + Base64(jpeg).substr(0, 600)}), BinaryFailure::CutShort, "image/jpeg",
       jpeg.substr(0, 450)},
      {"base64 cut inside a group, no picture", Card({"KEY;ENCODING=b:QUJDR"}), BinaryFailure::CutShort,
       "application/octet-stream", ""},
      {"stray characters: read up to them", Card({"PHOTO;ENCODING=b;TYPE=PNG:" + stray}), BinaryFailure::NotBase64,
       "image/png", png.substr(0, 75)},
      {"base64 after the padding", Card({"SOUND;ENCODING=b:QUI=QUI="}), BinaryFailure::NotBase64,
       "application/octet-stream", ""},
      {"a JPEG with a camera's data after its end is whole",
       Card({"PHOTO;ENCODING=b;TYPE=JPEG:" + Base64(jpeg + "SEFH trailer")}), BinaryFailure::None, "image/jpeg",
       jpeg + "SEFH trailer"},
      {"a PNG cut inside its last chunk", Card({"PHOTO;ENCODING=b:" + Base64(png.substr(0, png.size() - 3))}),
       BinaryFailure::CutShort, "image/png", png.substr(0, png.size() - 3)},
      {"wrong TYPE: the bytes say what they are", Card({"PHOTO;ENCODING=b;TYPE=GIF:" + Base64(png)}),
       BinaryFailure::None, "image/png", png},
      {"empty PHOTO", Card({"PHOTO;ENCODING=b;TYPE=JPEG:"}), BinaryFailure::Empty, "image/jpeg", ""},
      {"a data: URI that is not base64", Card({"PHOTO:data:image/jpeg,not%20a%20picture"}),
       BinaryFailure::DataUriNotBase64, "image/jpeg", ""},
      {"a percent-encoded data: URI that is a picture", Card({"PHOTO:data:image/gif," + percent_gif}),
       BinaryFailure::None, "image/gif", gif},
      {"a data: URI whose comma is escaped", Card({"PHOTO:data:image/png;base64\\," + Base64(png)}),
       BinaryFailure::None, "image/png", png},
      {"a data: URI whose comma comes with a fold", Card({"PHOTO:data:image/gif;base64", " ," + Base64(gif)}),
       BinaryFailure::None, "image/gif", gif},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.what);
    tessary_test::MemorySource source(row.file);
    VCardStream s;
    ASSERT_EQ(s.OpenDecoded(source), OpenResult::Read);
    s.MoveFirst();
    const tessary::DecodedCard& card = s.CurrentCard();
    ASSERT_EQ(card.binaries.size(), 1u);
    const DecodedBinary& b = card.binaries[0];
    EXPECT_EQ(b.failure, row.failure) << tessary::BinaryFailureText(b.failure);
    EXPECT_EQ(tessary::BinaryFailureText(b.failure).empty(), row.failure == BinaryFailure::None);
    EXPECT_EQ(b.media_type, row.media_type);
    EXPECT_TRUE(b.bytes == row.bytes) << b.bytes.size() << " bytes, " << row.bytes.size() << " wanted";
    // The rest of the card is unharmed.
    ASSERT_EQ(card.properties.size(), 1u);
    EXPECT_EQ(card.properties[0].value, "A");
  }
}

TEST(BinaryValues, LinksStayTextWhateverTheParametersSay) {
  for (const char* line : {"PHOTO;VALUE=uri:http://example.com/a.jpg", "PHOTO;VALUE=URL;TYPE=JPEG:http://example.com/a.jpg",
                           "PHOTO;ENCODING=b;TYPE=JPEG:http://example.com/a.jpg", "PHOTO:http://example.com/a.jpg"}) {
    SCOPED_TRACE(line);
    const std::string file = Card({line});
    tessary_test::MemorySource source(file);
    VCardStream s;
    ASSERT_EQ(s.OpenDecoded(source), OpenResult::Read);
    s.MoveFirst();
    EXPECT_TRUE(s.CurrentCard().binaries.empty());
    ASSERT_EQ(s.CurrentCard().properties.size(), 2u);
    EXPECT_EQ(s.CurrentCard().properties[1].value, "http://example.com/a.jpg");
  }
}

// A 50 MB PHOTO value (a phone's full-size picture) is read whole; the next
// card lets it go.
TEST(BinaryValues, AFiftyMegabytePhotoIsReadWhole) {
  std::string block(57 * 1024, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = char(i * 131 % 251);
  // A start of image, a scan's marker, the scan's data (no 0xFF in it) and
  // the end of image.
  std::string jpeg = "\xFF\xD8\xFF\xE0\xFF\xDA";
  while (jpeg.size() < 50u * 1024 * 1024 / 4 * 3) jpeg += block;
  jpeg += "\xFF\xD9";
  const std::string base64 = Base64(jpeg);
  std::string file = "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Big\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n";
  file.reserve(base64.size() / 76 * 80 + 200);
  for (std::size_t at = 0; at < base64.size(); at += 76) {
    file += "  ";
    file.append(base64, at, 76);
    file += "\r\n";
  }
  file += "\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Next\r\nEND:VCARD\r\n";
  tessary_test::MemorySource source(file);
  VCardStream s;
  ASSERT_EQ(s.OpenDecoded(source), OpenResult::Read);
  s.MoveFirst();
  ASSERT_EQ(s.CurrentCard().binaries.size(), 1u);
  EXPECT_EQ(s.CurrentCard().binaries[0].failure, BinaryFailure::None);
  EXPECT_TRUE(s.CurrentCard().binaries[0].bytes == jpeg);
  s.MoveNext();
  EXPECT_TRUE(s.CurrentCard().binaries.empty());
  EXPECT_EQ(s.CurrentCard().properties.at(0).value, "Next");
}

TEST(BinaryValues, ExtensionsAndImageTypes) {
  EXPECT_EQ(tessary::ImageTypeOf(Picture("badge.bmp")), "image/bmp");
  EXPECT_EQ(tessary::ImageTypeOf("BM not a bitmap at all"), "");
  for (auto [media, extension] : {std::pair{"image/jpeg", ".jpg"}, {"image/png", ".png"}, {"image/gif", ".gif"},
                                  {"image/bmp", ".bmp"}, {"image/tiff", ".tif"}, {"audio/wav", ".bin"}})
    EXPECT_EQ(tessary::FileExtensionOf(media), extension);
}

}  // namespace
