// tessary-dump: prints exactly what the reader sees in a vCard file.
//
//   tessary-dump [--count] [--separator TEXT] FILE
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "vcard_stream.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

int Usage() {
  std::fputs("usage: tessary-dump [--count] [--separator TEXT] FILE\n", stderr);
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

std::FILE* OpenInput([[maybe_unused]] const char* narrow_path, [[maybe_unused]] int arg_index) {
#ifdef _WIN32
  // Open by the wide command line so names outside the ANSI code page work.
  int argc = 0;
  wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::FILE* f = nullptr;
  if (wargv && arg_index < argc) f = _wfopen(wargv[arg_index], L"rb");
  LocalFree(wargv);
  return f;
#else
  return std::fopen(narrow_path, "rb");
#endif
}

}  // namespace

int main(int argc, char** argv) {
  bool count_only = false;
  const char* separator = nullptr;
  const char* path = nullptr;
  int path_index = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--count") == 0) {
      count_only = true;
    } else if (std::strcmp(argv[i], "--separator") == 0) {
      if (++i >= argc) return Usage();
      separator = argv[i];
    } else if (argv[i][0] == '-' && argv[i][1] == '-') {
      return Usage();
    } else if (!path) {
      path = argv[i];
      path_index = i;
    } else {
      return Usage();
    }
  }
  if (!path) return Usage();

#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif

  tessary::VCardStream stream;
  if (separator) stream.SetDelimeter(separator);
  std::FILE* f = OpenInput(path, path_index);
  const tessary::OpenResult result = stream.Open(f);
  if (f) std::fclose(f);
  if (result == tessary::OpenResult::ReadError || result == tessary::OpenResult::OutOfMemory)
    std::fprintf(stderr, "tessary-dump: %s: %s; only the contacts before it are listed\n", path,
                 result == tessary::OpenResult::ReadError ? "read error" : "out of memory");

  std::string out = "ContactCount: " + std::to_string(stream.ContactCount()) + "\n";
  if (!count_only) {
    stream.MoveFirst();
    for (std::int32_t i = 1; i <= stream.ContactCount(); ++i) {
      if (i > 1) stream.MoveNext();
      out += '[';
      out += std::to_string(i);
      out += "]\n";
      for (std::size_t fi = 0; fi < tessary::kFieldCount; ++fi) {
        auto field = tessary::Field(fi);
        const std::string& value = stream.Current(field);
        if (value.empty()) continue;
        out += tessary::FieldName(field);
        out += ": ";
        PutEscaped(value, out);
        out += '\n';
      }
      if (out.size() > (1 << 16)) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
      }
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
