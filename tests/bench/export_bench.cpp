// Benchmark of the export under Wine: the export window's logic on a real
// window writes every contact of a local-store folder of N contacts (all
// mapped fields set) to a vCard file of its own, through the registered
// store. Run once untimed for the rate and the memory, once timed for the
// split between the store's SaveAs, its other calls, the window updates, the
// yields and the loop's own work (labels' texts, file names).
//
//   export_bench.exe OUT_DIR [N]          (see export_bench.sh)
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app_context.h"
#include "form_builder.h"
#include "forms.h"
#include "frm_vcard_export.h"
#include "mapped_properties.h"
#include "store_dispatch.h"
#include "window_bench.h"

namespace {

namespace store = pindrel::store;
namespace prop = pindrel::store::property;
namespace window = pindrel::forms::frmvCardExport;

// The folder as a user would have it: N contacts, every mapped field set.
void Fill(store::Folder& contacts, long n) {
  for (long i = contacts.GetItems()->Count(); i < n; ++i) {
    auto item = contacts.GetItems()->Add();
    for (std::wstring_view p : pindrel::testing::kMappedTexts) item->SetText(p, std::wstring(p) + L" " + std::to_wstring(i));
    item->SetText(prop::FirstName, L"J\u00FCrgen " + std::to_wstring(i));
    item->SetText(prop::Body, L"Met at the fair.\r\nCall back in spring " + std::to_wstring(i));
    item->SetDate(prop::Birthday, store::Date{1950 + static_cast<int>(i % 50), 1 + static_cast<int>(i % 12), 28});
    item->Save();
  }
}

long CountFiles(const std::filesystem::path& dir) {
  long n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

// One export of the whole folder into an emptied `dir`; returns its time.
bench::Clock::duration Export(pindrel::AppContext& app, bench::Desktop& desktop, bench::Split& split,
                              const std::wstring& folder_path, const std::filesystem::path& dir, long n) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  pindrel::ui::win32::FormBuilder builder(GetModuleHandleW(nullptr), desktop);
  pindrel::FrmvCardExport exporter(app);
  exporter.SetChoices(folder_path, dir.wstring());
  auto form = builder.Build(window::Layout(), exporter, nullptr);
  form->Show();
  bench::timed::Form timed_form(*form, split);
  auto start = bench::Clock::now();
  exporter.Click(timed_form, window::CmdExport);
  auto took = bench::Clock::now() - start;
  const std::wstring expected = L"Exported (" + std::to_wstring(n) + L") Contacts to vCard Files.";
  const long files = CountFiles(dir);
  if (desktop.last_message != expected || files != n) {
    std::fprintf(stderr, "the export did not write every contact: %ld files, message \"%ls\"\n", files,
                 desktop.last_message.c_str());
    std::exit(1);
  }
  return took;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: export_bench OUT_DIR [N]\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const long n = argc > 2 ? std::atol(argv[2]) : 10000;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  {
    bench::Split split;
    bench::Desktop desktop(split);
    pindrel::Module1 state;
    pindrel::AppContext app{state, desktop, nullptr, bench::TimedSessions(store::DispatchSessionFactory(), split),
                            nullptr};

    auto session = store::DispatchSessionFactory()();
    session->Logon();
    auto contacts = session->GetDefaultFolder(store::kContactsFolderKind);
    auto fill_start = bench::Clock::now();
    const long had = contacts->GetItems()->Count();
    Fill(*contacts, n);
    if (had < n)
      std::printf("filled the folder: %ld contacts at %.0f saves/s\n", n - had,
                  (n - had) / bench::Seconds(bench::Clock::now() - fill_start));
    state.ExportStoreID = contacts->StoreID();
    state.ExportFolderID = contacts->EntryID();
    const std::wstring folder_path = contacts->FolderPath();
    session->Logoff();
    session.reset();
    contacts.reset();

    const bench::Memory before = bench::MemoryNow();
    desktop.sample_every = std::max(1L, n / 10);  // one yield per position
    const auto took = Export(app, desktop, split, folder_path, out, n);
    desktop.sample_every = 0;
    const bench::Memory after = bench::MemoryNow();
    std::printf("%8s %9s %9s %12s %12s %15s %15s    %s\n", "contacts", "seconds", "files/s", "MB before",
                "MB after", "peak WS MB", "peak commit MB", "commit MB at each tenth of the run");
    std::printf("%8ld %9.2f %9.0f %12.1f %12.1f %15.1f %15.1f   ", n, bench::Seconds(took),
                n / bench::Seconds(took), before.pagefile, after.pagefile, after.peak_working_set,
                after.peak_pagefile);
    for (double mb : desktop.commit_samples) std::printf(" %.1f", mb);
    std::printf("\n");

    split.on = true;
    const auto timed_took = Export(app, desktop, split, folder_path, out, n);
    std::printf("timed run: %.2f s (%.0f files/s)\n", bench::Seconds(timed_took), n / bench::Seconds(timed_took));
    bench::PrintSplit(split, timed_took, n);
    std::filesystem::remove_all(out);
  }
  CoUninitialize();
  return 0;
}
