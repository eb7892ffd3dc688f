#include "vcard_gen.h"

#include "base64.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace tessary_bench {
namespace {

// xorshift: tiny, fast and the same everywhere.
struct Random {
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  std::uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return std::uint32_t(state >> 16);
  }
  template <std::size_t N>
  const char* Pick(const char* const (&items)[N]) { return items[Next() % N]; }
  int Digits(int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) v = v * 10 + int(Next() % 10);
    return v;
  }
};

const char* const kFirst[] = {"Jane", "John", "Ana", "Jürgen", "Zoë", "Łukasz", "Søren", "Mei",
                              "Omar", "Priya", "Chloé", "Ivan", "Fatima", "Noah", "Sofía", "Kenji"};
const char* const kLast[] = {"Roe", "Doe", "Müller", "García", "Nowak", "Smith", "Øster", "Tanaka",
                             "Haddad", "Kumar", "Lefèvre", "Petrov", "Okafor", "Brown", "Núñez", "Sato"};
const char* const kOrg[] = {"Acme Widgets", "Northwind Traders", "Globex", "Initech", "Umbrella Labs",
                            "Stark Components", "Wayne Shipping", "Blue Harbor Consulting"};
const char* const kTitle[] = {"Director", "Engineer", "Sales Manager", "Accountant", "Designer",
                              "Chief Executive", "Support Lead", "Analyst"};
const char* const kStreet[] = {"Main St", "High Street", "Elm Road", "Baker Street", "Hauptstraße",
                               "Rue de la Paix", "Calle Mayor", "Station Road"};
const char* const kCity[] = {"Springfield", "London", "Berlin", "Paris", "Madrid", "Tokyo", "Toronto",
                             "Sydney"};
const char* const kWords[] = {"met", "at", "the", "conference", "call", "about", "renewal", "prefers",
                              "email", "in", "the", "morning", "follow", "up", "next", "quarter"};

// A picture's base64 text, the first line after the property's name and
// each further line folded with a blank: `bytes` bytes that a reader and a
// store take for a JPEG (its start, a scan and its end), random between.
std::string FoldedBase64(std::size_t bytes, Random& r) {
  std::string raw(std::max<std::size_t>(bytes, 8), '\0');
  for (char& c : raw) c = static_cast<char>(r.Next() & 0x7F);  // no 0xFF, so no marker by chance
  raw.replace(0, 4, "\xFF\xD8\xFF\xE0");
  raw.replace(raw.size() / 2, 2, "\xFF\xDA");
  raw.replace(raw.size() - 2, 2, "\xFF\xD9");
  const std::string base64 = textcodec::Base64(raw);
  std::string text;
  for (std::size_t at = 0; at < base64.size(); at += 76) {
    if (at > 0) text += "\r\n ";
    text.append(base64, at, 76);
  }
  return text + "\r\n";
}

}  // namespace

void WriteVCards(std::FILE* out, long count, std::size_t photo_bytes) {
  Random r;
  std::string s;
  s.reserve(1 << 16);
  // One picture for all, made once: the text is what costs the reader, not
  // its variety.
  const std::string photo = photo_bytes ? "PHOTO;ENCODING=BASE64;TYPE=JPEG:" + FoldedBase64(photo_bytes, r) : "";
  for (long i = 0; i < count; ++i) {
    std::string first = r.Pick(kFirst), last = r.Pick(kLast);
    std::string id = std::to_string(i);
    auto phone = [&] { return "+1 " + std::to_string(200 + r.Digits(3) % 800) + " 555 " + std::to_string(1000 + r.Digits(4) % 9000); };
    s += "BEGIN:VCARD\r\nVERSION:2.1\r\n";
    s += "N:" + last + ";" + first + ";;;\r\n";
    s += "FN:" + first + " " + last + "\r\n";
    s += "ORG:" + std::string(r.Pick(kOrg)) + ";Division " + std::to_string(r.Next() % 40) + "\r\n";
    s += "TITLE:" + std::string(r.Pick(kTitle)) + "\r\n";
    s += "TEL;WORK;VOICE:" + phone() + "\r\n";
    s += "TEL;HOME;VOICE:" + phone() + "\r\n";
    s += "TEL;CELL;VOICE:" + phone() + "\r\n";
    s += "ADR;WORK:;;" + std::to_string(1 + r.Next() % 999) + " " + r.Pick(kStreet) + ";" + r.Pick(kCity) +
         ";;" + std::to_string(10000 + r.Next() % 89999) + ";Country\r\n";
    s += "ADR;HOME:;;" + std::to_string(1 + r.Next() % 999) + " " + r.Pick(kStreet) + ";" + r.Pick(kCity) +
         ";;" + std::to_string(10000 + r.Next() % 89999) + ";Country\r\n";
    s += "EMAIL;PREF;INTERNET:contact" + id + "@example.com\r\n";
    s += "URL;WORK:http://www.example.com/people/" + id + "\r\n";
    s += "BDAY:" + std::to_string(1950 + r.Next() % 55) + "-0" + std::to_string(1 + r.Next() % 9) + "-1" +
         std::to_string(r.Next() % 10) + "\r\n";
    // A quoted-printable note over several physical lines joined by soft
    // line breaks, as mail programs write them.
    s += "NOTE;ENCODING=QUOTED-PRINTABLE:";
    int lines = 2 + int(r.Next() % 3);
    for (int l = 0; l < lines; ++l) {
      std::string line;
      while (line.size() < 60) {
        line += r.Pick(kWords);
        line += ' ';
      }
      s += line + (l + 1 < lines ? "=0D=0A=\r\n" : "\r\n");
    }
    s += photo;
    s += "END:VCARD\r\n";
    if (s.size() > (1 << 15)) {
      std::fwrite(s.data(), 1, s.size(), out);
      s.clear();
    }
  }
  std::fwrite(s.data(), 1, s.size(), out);
}

}  // namespace tessary_bench
