// Benchmark of the export under Wine: the export window's logic on a real
// window writes every contact of a local-store folder of N contacts (all
// mapped fields set) to a vCard file of its own, through the registered
// store. Run once untimed for the rate and the memory, once timed for the
// split between the store's SaveAs, its other calls, the window updates, the
// yields and the loop's own work (labels' texts, file names). Then the
// same files (names and bytes) are written again by the least a program can
// do, CreateFileW, WriteFile, CloseHandle, into an emptied directory: the
// cost the export is measured against, thousand by thousand, to show how
// file creation under Wine grows with the directory's size.
//
// With --one-file, the export of all contacts to one file is measured
// instead, in vCard 3.0 and 4.0 (contacts per second, memory), beside one
// run of the per-contact export of the same folder.
//
//   export_bench.exe OUT_DIR [N] [--one-file]   (see export_bench.sh)
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app_context.h"
#include "form_builder.h"
#include "forms.h"
#include "frm_vcard_export.h"
#include "mapped_properties.h"
#include "store_dispatch.h"
#include "win32_export_file.h"
#include "window_bench.h"

namespace {

namespace store = pindrel::store;
namespace prop = pindrel::store::property;
namespace window = pindrel::forms::frmvCardExport;

// The folder as a user would have it: N contacts, every mapped field set.
void Fill(store::Folder& contacts, long n) {
  for (long i = contacts.GetItems()->Count(); i < n; ++i) {
    auto item = contacts.GetItems()->Add();
    for (std::wstring_view p : pindrel::testing::kCardTexts) item->SetText(p, std::wstring(p) + L" " + std::to_wstring(i));
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

// One export of the whole folder into an emptied `dir`, with the window's
// `option` chosen (a file per contact when none); returns its time.
bench::Clock::duration Export(pindrel::AppContext& app, bench::Desktop& desktop, bench::Split& split,
                              const std::wstring& folder_path, const std::filesystem::path& dir, long n,
                              const char* option = nullptr) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  pindrel::ui::win32::FormBuilder builder(GetModuleHandleW(nullptr), desktop);
  pindrel::FrmvCardExport exporter(app);
  exporter.SetChoices(folder_path, dir.wstring());
  auto form = builder.Build(window::Layout(), exporter, nullptr);
  form->Show();
  if (option) form->SetChecked(option, true);
  bench::timed::Form timed_form(*form, split);
  auto start = bench::Clock::now();
  exporter.Click(timed_form, window::CmdExport);
  auto took = bench::Clock::now() - start;
  const std::wstring expected = L"Exported (" + std::to_wstring(n) + L") Contacts to " +
                                (option ? L"Contacts.vcf." : L"vCard Files.");
  const long files = CountFiles(dir);
  if (desktop.last_message != expected || files != (option ? 1 : n)) {
    std::fprintf(stderr, "the export did not write every contact: %ld files, message \"%ls\"\n", files,
                 desktop.last_message.c_str());
    std::exit(1);
  }
  return took;
}

using Files = std::vector<std::pair<std::wstring, std::string>>;

// The names and bytes of the files in `dir`.
Files ReadFiles(const std::filesystem::path& dir) {
  Files files;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    files.emplace_back(e.path().filename().wstring(), std::string(std::istreambuf_iterator<char>(in), {}));
  }
  return files;
}

// Writes `files` into an emptied `dir`, each with one CreateFileW, one
// WriteFile and CloseHandle; returns the time of each thousand.
std::vector<bench::Clock::duration> CreateFiles(const Files& files, const std::filesystem::path& dir) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::wstring prefix = dir.wstring() + L"\\";
  std::vector<bench::Clock::duration> thousands;
  auto start = bench::Clock::now();
  for (std::size_t i = 0; i < files.size(); ++i) {
    HANDLE h = CreateFileW((prefix + files[i].first).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (h == INVALID_HANDLE_VALUE ||
        !WriteFile(h, files[i].second.data(), static_cast<DWORD>(files[i].second.size()), &written, nullptr)) {
      std::fprintf(stderr, "could not write %ls: error %lu\n", files[i].first.c_str(), GetLastError());
      std::exit(1);
    }
    CloseHandle(h);
    if ((i + 1) % 1000 == 0 || i + 1 == files.size()) {
      auto now = bench::Clock::now();
      thousands.push_back(now - start);
      start = now;
    }
  }
  return thousands;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: export_bench OUT_DIR [N]\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const long n = argc > 2 ? std::atol(argv[2]) : 10000;
  const bool one_file = argc > 3 && std::string(argv[3]) == "--one-file";
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  {
    bench::Split split;
    bench::Desktop desktop(split);
    pindrel::Module1 state;
    pindrel::AppContext app{state, desktop, nullptr, bench::TimedSessions(store::DispatchSessionFactory(), split),
                            nullptr};
    pindrel::Win32ExportFiles export_files;
    app.export_files = &export_files;

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

    if (one_file) {
      std::printf("%-22s %8s %9s %11s %12s %12s %15s\n", "export", "contacts", "seconds", "contacts/s", "MB before",
                  "MB after", "peak commit MB");
      const char* const options[] = {window::OptOneFile30.data(), window::OptOneFile40.data(), nullptr};
      for (const char* option : options) {
        const bench::Memory before = bench::MemoryNow();
        const auto took = Export(app, desktop, split, folder_path, out, n, option);
        const bench::Memory after = bench::MemoryNow();
        std::uintmax_t bytes = 0;
        if (option)
          for (const auto& e : std::filesystem::directory_iterator(out)) bytes += e.file_size();
        std::printf("%-22s %8ld %9.2f %11.0f %12.1f %12.1f %15.1f", option ? option : "a file per contact", n,
                    bench::Seconds(took), n / bench::Seconds(took), before.pagefile, after.pagefile,
                    after.peak_pagefile);
        if (option) std::printf("   (%.1f MB file)", bytes / 1048576.0);
        std::printf("\n");
        std::fflush(stdout);
      }
      // Where a 3.0 export's time goes: the store's calls (some 70 for each
      // contact), the window, the rest (the card writer and the file).
      split.on = true;
      const auto timed_took = Export(app, desktop, split, folder_path, out, n, window::OptOneFile30.data());
      std::printf("timed run, vCard 3.0: %.2f s (%.0f contacts/s)\n", bench::Seconds(timed_took),
                  n / bench::Seconds(timed_took));
      bench::PrintSplit(split, timed_took, n);
      std::filesystem::remove_all(out);
      CoUninitialize();
      return 0;
    }

    const bench::Memory before = bench::MemoryNow();
    desktop.sampling = true;
    const auto took = Export(app, desktop, split, folder_path, out, n);
    desktop.sampling = false;
    const bench::Memory after = bench::MemoryNow();
    std::printf("%8s %9s %9s %12s %12s %15s %15s    %s\n", "contacts", "seconds", "files/s", "MB before",
                "MB after", "peak WS MB", "peak commit MB", "commit MB at each tenth of the run");
    std::printf("%8ld %9.2f %9.0f %12.1f %12.1f %15.1f %15.1f   ", n, bench::Seconds(took),
                n / bench::Seconds(took), before.pagefile, after.pagefile, after.peak_working_set,
                after.peak_pagefile);
    for (double mb : desktop.Tenths()) std::printf(" %.1f", mb);
    std::printf("\n");

    const Files files = ReadFiles(out);
    const auto thousands = CreateFiles(files, out);
    bench::Clock::duration created{};
    for (auto t : thousands) created += t;
    std::printf("the same %zu files by CreateFileW/WriteFile/CloseHandle: %.2f s (%.0f files/s); the export takes "
                "%.2f times as long\n",
                files.size(), bench::Seconds(created), files.size() / bench::Seconds(created),
                bench::Seconds(took) / bench::Seconds(created));
    std::printf("  files/s of each thousand, as the directory grows:");
    for (std::size_t k = 0; k < thousands.size(); ++k)
      std::printf(" %.0f", std::min<double>(1000, files.size() - 1000 * k) / bench::Seconds(thousands[k]));
    std::printf("\n");

    split.on = true;
    const auto timed_took = Export(app, desktop, split, folder_path, out, n);
    // The two exports bracket the plain writes, so a machine whose load
    // drifts shows in the two ratios differing.
    std::printf("timed run: %.2f s (%.0f files/s), %.2f times as long as the plain writes\n",
                bench::Seconds(timed_took), n / bench::Seconds(timed_took),
                bench::Seconds(timed_took) / bench::Seconds(created));
    bench::PrintSplit(split, timed_took, n);
    std::filesystem::remove_all(out);
  }
  CoUninitialize();
  return 0;
}
