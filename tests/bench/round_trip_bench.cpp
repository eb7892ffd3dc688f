// Benchmark of the round trip on generated contacts: a local-store contacts
// folder filled with N contacts (every mapped field set, a birthday, a
// two-line note, text outside ASCII), exported by the export window's logic
// to one file per contact, and the directory imported by the import
// window's logic into the same folder. Prints contacts per second each way;
// exits non-zero when a way does not end as a user would see it succeed
// (its message, one file per contact, N new items).
//
//   round_trip_bench.exe N      (see round_trip_bench.sh, which registers
//                                Tessary and the local store first)
#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "mapped_properties.h"
#include "round_trip_steps.h"
#include "store.h"

namespace {

namespace store = pindrel::store;
namespace prop = pindrel::store::property;
using Clock = std::chrono::steady_clock;

using pindrel::testing::kCardTexts;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

int Fail(const char* what) {
  std::fprintf(stderr, "round_trip_bench: %s\n", what);
  return 1;
}

int Run(int n) {
  pindrel::testing::RoundTripContext context;
  const auto& desktop = context.desktop;
  auto session = context.app.open_session();
  session->Logon();
  auto contacts = session->GetDefaultFolder(store::kContactsFolderKind);

  auto start = Clock::now();
  for (int i = 0; i < n; ++i) {
    auto item = contacts->GetItems()->Add();
    const std::wstring number = std::to_wstring(i);
    for (std::wstring_view p : kCardTexts) item->SetText(p, std::wstring(p) + L" " + number);
    item->SetText(prop::FirstName, L"J\u00FCrgen " + number);
    item->SetText(prop::LastName, L"M\u00FCller-\u0141\u00F3d\u017A");
    item->SetText(prop::FullName, L"J\u00FCrgen " + number + L" M\u00FCller-\u0141\u00F3d\u017A");
    item->SetText(prop::Body, L"Note of contact " + number + L"\r\nsecond line");
    item->SetDate(prop::Birthday, store::Date{1950 + i % 50, 1 + i % 12, 1 + i % 28});
    item->Save();
  }
  const double fill = Seconds(start);
  const int before = contacts->GetItems()->Count();
  if (before != n) return Fail("the folder was not empty to begin with");

  const std::filesystem::path dir = pindrel::testing::FreshTempDirectory(L"round trip bench");
  start = Clock::now();
  pindrel::testing::ExportThroughWindow(context, *contacts, dir);
  const double exported = Seconds(start);
  if (desktop.messages.empty() ||
      desktop.messages.back().text != L"Exported (" + std::to_wstring(n) + L") Contacts to vCard Files.")
    return Fail("the export did not report all contacts exported");
  const auto files = std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator());
  if (files != n) return Fail("the export did not write one file per contact");

  start = Clock::now();
  pindrel::testing::ImportThroughWindow(context, *contacts, dir);
  const double imported = Seconds(start);
  if (desktop.messages.back().text != L"Import Complete !") return Fail("the import did not complete");
  if (contacts->GetItems()->Count() != 2 * n) return Fail("the import did not add one item per file");

  session->Logoff();
  std::filesystem::remove_all(dir);
  std::printf("%d contacts: fill %.1f s; export %.1f s, %.0f contacts/s; import %.1f s, %.0f contacts/s\n", n, fill,
              exported, n / exported, imported, n / imported);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
  if (n <= 0) return Fail("usage: round_trip_bench.exe N (N > 0)");
  if (FAILED(CoInitialize(nullptr))) return Fail("CoInitialize failed");
  int status;
  try {
    status = Run(n);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "round_trip_bench: %s\n", e.what());
    status = 1;
  }
  CoUninitialize();
  return status;
}
