// tessary-dump: prints exactly what the reader sees in a vCard file.
//
//   tessary-dump [--count] [--decoded] [--separator TEXT] FILE
//
// --decoded prints what the modern reading (OpenDecoded) makes of each card,
// property by property, instead of the keyword reader's 32 fields; a binary
// value (a picture) shows as its media type and size, and a card it passed
// over as "[n] not read: " and why.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "vcard_stream.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

int Usage() {
  std::fputs("usage: tessary-dump [--count] [--decoded] [--separator TEXT] FILE\n", stderr);
  return 2;
}

// Values are raw bytes: show anything that is not printable ASCII as an escape
// so the output is unambiguous and safe on any terminal.
void PutEscaped(std::string_view value, std::string& out) {
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += char(c);
        }
    }
  }
}

// The command line, whichever width its characters have.
template <class Char>
struct Arguments {
  bool count_only = false;
  bool decoded = false;
  const Char* separator = nullptr;
  const Char* path = nullptr;
};

template <class Char>
bool Is(const Char* arg, std::string_view option) {
  std::size_t i = 0;
  for (; arg[i] && i < option.size(); ++i)
    if (arg[i] != Char(option[i])) return false;
  return !arg[i] && i == option.size();
}

template <class Char>
std::optional<Arguments<Char>> Parse(int argc, Char** argv) {
  Arguments<Char> args;
  for (int i = 1; i < argc; ++i) {
    if (Is(argv[i], "--count")) {
      args.count_only = true;
    } else if (Is(argv[i], "--decoded")) {
      args.decoded = true;
    } else if (Is(argv[i], "--separator")) {
      if (++i >= argc) return std::nullopt;
      args.separator = argv[i];
    } else if (argv[i][0] == Char('-') && argv[i][1] == Char('-')) {
      return std::nullopt;
    } else if (!args.path) {
      args.path = argv[i];
    } else {
      return std::nullopt;
    }
  }
  if (!args.path) return std::nullopt;
  return args;
}

// The keyword reader's non-empty fields of the current contact.
void PutFields(const tessary::VCardStream& stream, std::string& out) {
  for (std::size_t fi = 0; fi < tessary::kFieldCount; ++fi) {
    auto field = tessary::Field(fi);
    const std::string& value = stream.Current(field);
    if (value.empty()) continue;
    out += tessary::FieldName(field);
    out += ": ";
    PutEscaped(value, out);
    out += '\n';
  }
}

// "group.NAME (types): ", as a property's line starts.
template <class Property>
void PutHead(const Property& p, std::string& out) {
  if (!p.group.empty()) {
    PutEscaped(p.group, out);
    out += '.';
  }
  PutEscaped(p.name, out);
  for (std::size_t i = 0; i < p.types.size(); ++i) {
    out += i == 0 ? " (" : ",";
    PutEscaped(p.types[i], out);
  }
  if (!p.types.empty()) out += ')';
  out += ": ";
}

// The current card as the modern reading decoded it: one line per property,
// "group.NAME (types): value", then its components, numbered, when the value
// has more than one; then its binary values, "PHOTO (jpeg): <image/jpeg,
// 5123 bytes>", with what went wrong after them when something did.
void PutCard(const tessary::DecodedCard& card, std::string& out) {
  for (const tessary::DecodedProperty& p : card.properties) {
    PutHead(p, out);
    PutEscaped(p.value, out);
    out += '\n';
    if (p.components.size() < 2) continue;
    for (std::size_t i = 0; i < p.components.size(); ++i) {
      out += "  ";
      out += std::to_string(i + 1);
      out += ": ";
      PutEscaped(p.components[i], out);
      out += '\n';
    }
  }
  for (const tessary::DecodedBinary& b : card.binaries) {
    PutHead(b, out);
    out += '<';
    PutEscaped(b.media_type, out);
    out += ", " + std::to_string(b.bytes.size()) + " bytes>";
    if (b.failure != tessary::BinaryFailure::None) {
      out += " (";
      out += tessary::BinaryFailureText(b.failure);
      out += ')';
    }
    out += '\n';
  }
}

// Reads `file` (null if it could not be opened) and prints the count, then
// each entry: its non-empty fields, or with `decoded` its card.
int Dump(tessary::VCardStream& stream, std::FILE* file, bool count_only, bool decoded, const std::string& shown_path) {
  const tessary::OpenResult result = decoded ? stream.OpenDecoded(file) : stream.Open(file);
  if (result == tessary::OpenResult::ReadError || result == tessary::OpenResult::OutOfMemory)
    std::fprintf(stderr, "tessary-dump: %s: %s; only the contacts before it are listed\n", shown_path.c_str(),
                 result == tessary::OpenResult::ReadError ? "read error" : "out of memory");

  std::string out = "ContactCount: " + std::to_string(stream.ContactCount()) + "\n";
  if (!count_only) {
    stream.MoveFirst();
    for (std::int32_t i = 1; i <= stream.ContactCount(); ++i) {
      if (i > 1) stream.MoveNext();
      out += '[';
      out += std::to_string(i);
      out += ']';
      const tessary::CardError error = decoded ? stream.CurrentCardError() : tessary::CardError::None;
      if (error == tessary::CardError::TooLarge) {
        out += " not read: larger than " + std::to_string(tessary::kLargestCardBytes >> 20) + " MB";
      } else if (error == tessary::CardError::ReadFailed) {
        out += " not read: could not be read again";
      } else if (decoded && !stream.CurrentCard().version.empty()) {
        out += " version ";
        PutEscaped(stream.CurrentCard().version, out);
      }
      out += '\n';
      if (decoded) PutCard(stream.CurrentCard(), out);
      else PutFields(stream, out);
      if (out.size() > (1 << 16)) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
      }
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

#ifdef _WIN32
std::string FromWide(std::wstring_view wide, UINT code_page) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), size, narrow.data(), bytes, nullptr, nullptr);
  return narrow;
}

std::wstring ToWide(std::string_view narrow, UINT code_page) {
  if (narrow.empty()) return {};
  const int size = static_cast<int>(narrow.size());
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(code_page, 0, narrow.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(code_page, 0, narrow.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}
#endif

}  // namespace

#ifdef _WIN32
// One parser only: the wide command line, as the system gives it. The file
// opens by its wide name, so names outside the ANSI code page work; the
// separator is narrowed through the ANSI code page as the COM object does.
int wmain(int argc, wchar_t** argv) {
  auto args = Parse(argc, argv);
  if (!args) return Usage();
  _setmode(_fileno(stdout), _O_BINARY);
  tessary::VCardStream stream;
  if (args->separator) {
    std::string ansi = FromWide(args->separator, CP_ACP);
    stream.SetDelimeter(ansi, FromWide(ToWide(ansi, CP_ACP), CP_UTF8));
  }
  std::FILE* file = _wfopen(args->path, L"rb");
  int status = Dump(stream, file, args->count_only, args->decoded, FromWide(args->path, CP_ACP));
  if (file) std::fclose(file);
  return status;
}
#else
int main(int argc, char** argv) {
  auto args = Parse(argc, argv);
  if (!args) return Usage();
  tessary::VCardStream stream;
  if (args->separator) stream.SetDelimeter(args->separator);
  std::FILE* file = std::fopen(args->path, "rb");
  int status = Dump(stream, file, args->count_only, args->decoded, args->path);
  if (file) std::fclose(file);
  return status;
}
#endif
