// The writer and checker of the durability test (durability_test.sh).
//
//   localstore_writer write FIRST COUNT   saves contacts FIRST.. in the default
//       contacts folder, printing "ENTRYID NUMBER" once each Save has returned
//   localstore_writer check FILE          every contact listed in FILE (lines
//       as printed above) is in the folder with its fields intact, and every
//       item of the folder loads
//
// The profile is the one LOCALSTORE_PROFILE names; LocalStore.dll is loaded
// from beside this program.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "dispatch_support.h"

using namespace localstore_test;

namespace {

std::wstring Number(long n) { return std::to_wstring(n); }

bool Ok(const Outcome& out, const char* what) {
  if (out.hr == S_OK) return true;
  std::fprintf(stderr, "%s failed: 0x%08lx %ls\n", what, static_cast<unsigned long>(out.hr), out.description.c_str());
  return false;
}

// The fields each contact gets, so a torn write shows as a wrong value.
std::wstring Field(long n, int field) { return L"contact " + Number(n) + L" field " + Number(field) + L" \u00fc"; }

const wchar_t* const kFields[] = {L"FirstName", L"LastName", L"CompanyName", L"Body", L"Email1Address"};

int Write(long first, long count, IDispatch* contacts) {
  for (long n = first; n < first + count; ++n) {
    Outcome items = Call(contacts, L"Items", kGet);
    if (!Ok(items, "Items")) return 1;
    Outcome item = Call(items.Object(), L"Add", kMethod);
    if (!Ok(item, "Add")) return 1;
    for (int f = 0; f < 5; ++f)
      if (!Ok(Call(item.Object(), kFields[f], kPut, {Arg::Str(Field(n, f).c_str())}), "put")) return 1;
    if (!Ok(Call(item.Object(), L"Save", kMethod), "Save")) return 1;
    Outcome entry = Call(item.Object(), L"EntryID", kGet);
    std::printf("%ls %ld\n", entry.Text().c_str(), n);
    std::fflush(stdout);
  }
  return 0;
}

int Check(const char* list, IDispatch* contacts) {
  std::map<std::wstring, long> expected;
  std::ifstream in(list);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string entry;
    long n;
    if (fields >> entry >> n) expected[std::wstring(entry.begin(), entry.end())] = n;
  }
  Outcome items = Call(contacts, L"Items", kGet);
  if (!Ok(items, "Items")) return 1;
  Outcome count = Call(items.Object(), L"Count", kGet);
  if (!Ok(count, "Count")) return 1;
  int failures = 0;
  std::map<std::wstring, long> seen;
  for (long i = 1; i <= V_I4(&count.result->Get()); ++i) {
    Outcome item = Call(items.Object(), L"Item", kMethod, {Arg::I4(i)});
    if (!Ok(item, "Item")) {
      ++failures;  // an item the folder lists must load
      continue;
    }
    std::wstring entry = Call(item.Object(), L"EntryID", kGet).Text();
    auto wanted = expected.find(entry);
    if (wanted == expected.end()) continue;  // saved, but killed before it was printed
    ++seen[entry];
    for (int f = 0; f < 5; ++f) {
      std::wstring value = Call(item.Object(), kFields[f], kGet).Text();
      if (value != Field(wanted->second, f)) {
        std::fprintf(stderr, "contact %ld: %ls is \"%ls\"\n", wanted->second, kFields[f], value.c_str());
        ++failures;
      }
    }
  }
  for (const auto& [entry, n] : expected) {
    if (seen[entry] != 1) {
      std::fprintf(stderr, "contact %ld (%ls) found %ld times\n", n, entry.c_str(), seen[entry]);
      ++failures;
    }
  }
  std::printf("checked %zu saved contacts among %ld items: %d failures\n", expected.size(),
              V_I4(&count.result->Get()), failures);
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: localstore_writer write FIRST COUNT | check FILE\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int status = 1;
  {
    ComPtr<IDispatch> session = Server::Get().NewSession();
    if (!session || !Ok(Call(session.Get(), L"Logon", kMethod), "Logon")) return 1;
    Outcome contacts = Call(session.Get(), L"GetDefaultFolder", kMethod, {Arg::I4(10)});
    if (!Ok(contacts, "GetDefaultFolder")) return 1;
    std::string mode = argv[1];
    if (mode == "write" && argc == 4) status = Write(std::atol(argv[2]), std::atol(argv[3]), contacts.Object());
    else if (mode == "check") status = Check(argv[2], contacts.Object());
  }
  CoUninitialize();
  return status;
}
