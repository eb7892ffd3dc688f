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

#include "app_context.h"
#include "fake_ui.h"
#include "folder_listing.h"
#include "forms.h"
#include "frm_vcard_export.h"
#include "frm_vcard_import.h"
#include "store.h"
#include "store_dispatch.h"
#include "vcard_reader_com.h"
#include "win32_directory_lister.h"

namespace {

namespace store = pindrel::store;
namespace prop = pindrel::store::property;
using Clock = std::chrono::steady_clock;

const std::wstring_view kTexts[] = {
    prop::FirstName, prop::MiddleName, prop::LastName, prop::Title, prop::Suffix, prop::FullName,
    prop::NickName, prop::JobTitle, prop::CompanyName, prop::Department, prop::BusinessTelephoneNumber,
    prop::BusinessFaxNumber, prop::HomeTelephoneNumber, prop::HomeFaxNumber, prop::MobileTelephoneNumber,
    prop::PagerNumber, prop::BusinessAddressStreet, prop::BusinessAddressCity, prop::BusinessAddressState,
    prop::BusinessAddressPostalCode, prop::BusinessAddressCountry, prop::OfficeLocation, prop::HomeAddressStreet,
    prop::HomeAddressCity, prop::HomeAddressState, prop::HomeAddressPostalCode, prop::HomeAddressCountry,
    prop::Email1Address, prop::WebPage, prop::Profession};

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

int Fail(const char* what) {
  std::fprintf(stderr, "round_trip_bench: %s\n", what);
  return 1;
}

int Run(int n) {
  pindrel::Module1 state;
  fakes::FakeDesktop desktop;
  pindrel::Win32DirectoryLister lister;
  pindrel::AppContext app{state, desktop,
                          [&](std::wstring& root, std::vector<std::wstring>& found) {
                            return pindrel::ListFiles(root, found, lister);
                          },
                          store::DispatchSessionFactory(), pindrel::ComVCardReaderFactory()};
  auto session = app.open_session();
  session->Logon();
  auto contacts = session->GetDefaultFolder(store::kContactsFolderKind);

  auto start = Clock::now();
  for (int i = 0; i < n; ++i) {
    auto item = contacts->GetItems()->Add();
    const std::wstring number = std::to_wstring(i);
    for (std::wstring_view p : kTexts) item->SetText(p, std::wstring(p) + L" " + number);
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

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path dir = std::filesystem::path(temp) / L"round trip bench";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);

  state.ExportStoreID = contacts->StoreID();
  state.ExportFolderID = contacts->EntryID();
  pindrel::FrmvCardExport exporter(app);
  exporter.SetChoices(contacts->FolderPath(), dir.wstring());
  fakes::FakeForm export_window(pindrel::forms::frmvCardExport::Layout(), exporter, desktop);
  export_window.Open();
  start = Clock::now();
  export_window.Click(pindrel::forms::frmvCardExport::CmdExport);
  const double exported = Seconds(start);
  if (desktop.messages.empty() ||
      desktop.messages.back().text != L"Exported (" + std::to_wstring(n) + L") Contacts to vCard Files.")
    return Fail("the export did not report all contacts exported");
  const auto files = std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator());
  if (files != n) return Fail("the export did not write one file per contact");

  state.ImportSourceFolder = dir.wstring();
  state.ImportStoreID = contacts->StoreID();
  state.ImportFolderID = contacts->EntryID();
  pindrel::FrmvCardImport importer(app);
  fakes::FakeForm import_window(pindrel::forms::frmvCardImport::Layout(), importer, desktop);
  import_window.Open();
  import_window.SetEnabled(pindrel::forms::frmvCardImport::CmdImportvCard, true);  // a target was chosen
  start = Clock::now();
  import_window.Click(pindrel::forms::frmvCardImport::CmdImportvCard);
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
