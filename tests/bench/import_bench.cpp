// Benchmark of the import under Wine: the import window's logic on a real
// window reads generated vCard files through the registered Tessary and
// stores every contact in the empty Contacts folder of a fresh local-store
// profile. Two sources: one file of N contacts, and a directory of M files
// of one contact each. Each is imported once untimed (contacts per second,
// memory as the run goes), then a smaller one of each timed, for the split
// between the reader, the mapping, the store calls, the window updates and
// the yields.
//
//   import_bench.exe WORK_DIR [N [M [PHOTO_BYTES]]]     (see import_bench.sh)
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <tuple>
#include <string>
#include <string_view>
#include <utility>

#include "app_context.h"
#include "contact_mapping.h"
#include "duplicate_index.h"
#include "folder_listing.h"
#include "form_builder.h"
#include "forms.h"
#include "frm_vcard_import.h"
#include "store_dispatch.h"
#include "vcard_gen.h"
#include "vcard_reader_com.h"
#include "win32_directory_lister.h"
#include "window_bench.h"

namespace {

namespace fs = std::filesystem;
namespace store = pindrel::store;
namespace window = pindrel::forms::frmvCardImport;

// `dir` holding one file of `count` generated contacts, each with a picture
// of `photo` bytes when asked.
void MakeOneFile(const fs::path& dir, long count, std::size_t photo = 0) {
  if (fs::exists(dir / "contacts.vcf")) return;
  fs::create_directories(dir);
  std::FILE* out = _wfopen((dir / "contacts.vcf").c_str(), L"wb");
  if (!out) std::exit(1);
  tessary_bench::WriteVCards(out, count, photo);
  std::fclose(out);
}

// `dir` holding `count` files of one generated contact each.
void MakeManyFiles(const fs::path& dir, long count) {
  if (fs::exists(dir / "1.vcf")) return;
  const fs::path all = dir.parent_path() / (dir.filename().wstring() + L".all");
  MakeOneFile(all, count);
  fs::create_directories(dir);
  std::stringstream text;
  {
    std::ifstream in(all / "contacts.vcf", std::ios::binary);
    text << in.rdbuf();
  }
  const std::string s = text.str();
  long n = 0;
  for (std::size_t at = s.find("BEGIN:VCARD"); at != std::string::npos;) {
    std::size_t next = s.find("BEGIN:VCARD", at + 1);
    std::ofstream(dir / (std::to_wstring(++n) + L".vcf"), std::ios::binary)
        << s.substr(at, next == std::string::npos ? std::string::npos : next - at);
    at = next;
  }
  fs::remove_all(all);
}

struct Run {
  long contacts = 0;
  bench::Clock::duration took{};
};

// Imports every file below `source` into the Contacts folder of the
// profile at `profile`: a new one unless `again`, with the window's option
// `choice` for cards already in the folder.
Run Import(pindrel::AppContext& app, bench::Desktop& desktop, bench::Split& split, const fs::path& source,
           const fs::path& profile, std::string_view choice = window::OptDuplicateAdd, bool again = false) {
  // The run before left its session in the shared state, as the window
  // does; let it go before the next run uses a new profile.
  app.state.StoreSession.reset();
  if (!again) fs::remove_all(profile);
  SetEnvironmentVariableW(L"LOCALSTORE_PROFILE", profile.c_str());
  auto session = store::DispatchSessionFactory()();
  session->Logon();
  auto contacts = session->GetDefaultFolder(store::kContactsFolderKind);
  app.state.ImportStoreID = contacts->StoreID();
  app.state.ImportFolderID = contacts->EntryID();
  app.state.ImportSourceFolder = source.wstring();

  Run run;
  {
    pindrel::ui::win32::FormBuilder builder(GetModuleHandleW(nullptr), desktop);
    pindrel::FrmvCardImport importer(app);
    auto form = builder.Build(window::Layout(), importer, nullptr);
    form->Show();
    form->SetText(window::txtvCardImportDefault, contacts->FolderPath());  // as a chosen target leaves it
    form->SetChecked(choice, true);
    bench::timed::Form timed_form(*form, split);
    auto start = bench::Clock::now();
    importer.Click(timed_form, window::CmdImportvCard);
    run.took = bench::Clock::now() - start;
  }
  run.contacts = contacts->GetItems()->Count();
  if (!desktop.last_message.starts_with(L"Import Complete !") ||
      desktop.last_message.find(L"could not") != std::wstring::npos) {
    std::fprintf(stderr, "the import did not complete: \"%ls\"\n", desktop.last_message.c_str());
    std::exit(1);
  }
  session->Logoff();
  app.state.StoreSession.reset();
  return run;
}

// What mapping alone costs per contact: the first `count` contacts of
// `file`, read as the import reads them, mapped again and again without
// storing them.
double MappingMicroseconds(const pindrel::VCardReaderFactory& readers, const fs::path& file, long count) {
  auto reader = readers();
  const bool decoded = reader->SupportsDecoded();
  if (decoded) reader->OpenDecoded(file.wstring());
  else reader->Open(file.wstring());
  reader->MoveFirst();
  const std::wstring separator = decoded ? std::wstring() : reader->Separator();
  std::vector<pindrel::ContactFields> all;
  std::vector<pindrel::DecodedCard> cards;
  for (long i = 0; i < count && i < reader->ContactCount(); ++i) {
    if (decoded) {
      reader->CurrentCard(cards.emplace_back());
    } else {
      pindrel::ContactFields& fields = all.emplace_back();
      for (std::size_t f = 0; f < pindrel::kVCardFieldCount; ++f)
        fields[f] = reader->Field(static_cast<pindrel::VCardField>(f));
    }
    reader->MoveNext();
  }
  reader->Close();
  std::vector<pindrel::PropertySet> sets;
  pindrel::CardMapping mapping;
  auto start = bench::Clock::now();
  for (const auto& fields : all) pindrel::MapContact(fields, separator, sets);
  for (const auto& card : cards) pindrel::MapCard(card, mapping);
  return bench::Seconds(bench::Clock::now() - start) / static_cast<double>(all.size() + cards.size()) * 1e6;
}

// What the run's index of the folder's contacts holds per contact: built
// here as the run builds it (by name), over the same folder.
void PrintIndexMemory(const fs::path& profile) {
  SetEnvironmentVariableW(L"LOCALSTORE_PROFILE", profile.c_str());
  auto session = store::DispatchSessionFactory()();
  session->Logon();
  auto items = session->GetDefaultFolder(store::kContactsFolderKind)->GetItems();
  const std::int32_t count = items->Count();
  pindrel::DuplicateIndex index;
  index.Reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 1; i <= count; ++i) {
    auto item = items->GetItem(i);
    index.AddByName(item->Text(store::property::FullName), item->Text(store::property::FirstName),
                    item->Text(store::property::LastName), i);
  }
  index.ShrinkToFit();
  const double by_name = static_cast<double>(index.bytes()) / count;
  // As a run that met every contact leaves it: each read whole once.
  struct Texts : pindrel::ContactTexts {
    std::unique_ptr<store::Item> item;
    std::wstring Text(std::wstring_view p) override { return item->Text(p); }
  };
  const pindrel::OpenContact open = [&](std::int32_t at) -> std::unique_ptr<pindrel::ContactTexts> {
    auto texts = std::make_unique<Texts>();
    texts->item = items->GetItem(at);
    return texts;
  };
  for (std::int32_t i = 1; i <= count; ++i) {
    auto item = items->GetItem(i);
    index.Find(pindrel::KeyOfContact([&](std::wstring_view p) { return item->Text(p); }), open);
  }
  std::printf("index of the folder's %d contacts: %.1f bytes a contact by name, %.1f with every one read whole\n",
              count, by_name, static_cast<double>(index.bytes()) / count);
  session->Logoff();
}

void PrintRun(const char* what, const Run& run, const bench::Desktop& desktop) {
  const bench::Memory m = bench::MemoryNow();
  std::printf("%-28s %8ld %9.2f %10.0f %12.1f %15.1f   ", what, run.contacts, bench::Seconds(run.took),
              run.contacts / bench::Seconds(run.took), m.peak_working_set, m.peak_pagefile);
  for (double mb : desktop.Tenths()) std::printf(" %.1f", mb);
  std::printf("\n");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: import_bench WORK_DIR [N [M [PHOTO_BYTES]]]\n");
    return 2;
  }
  const fs::path work = argv[1];
  const long n = argc > 2 ? std::atol(argv[2]) : 100000;
  const long m = argc > 3 ? std::atol(argv[3]) : 10000;
  const long photo = argc > 4 ? std::atol(argv[4]) : 0;
  const long timed_n = std::min(n, 10000L);
  const long timed_m = std::min(m, 2000L);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  {
    MakeOneFile(work / "one", n, std::size_t(std::max(photo, 0L)));
    MakeOneFile(work / "one-timed", timed_n);
    MakeManyFiles(work / "many", m);
    MakeManyFiles(work / "many-timed", timed_m);

    bench::Split split;
    bench::Desktop desktop(split);
    pindrel::Module1 state;
    pindrel::Win32DirectoryLister lister;
    pindrel::AppContext app{state, desktop,
                            [&](std::wstring& root, std::vector<std::wstring>& found) {
                              return pindrel::ListFiles(root, found, lister);
                            },
                            bench::TimedSessions(store::DispatchSessionFactory(), split),
                            bench::TimedReaders(pindrel::ComVCardReaderFactory(), split)};

    std::printf("%-28s %8s %9s %10s %12s %15s    %s\n", "source", "contacts", "seconds", "contacts/s",
                "peak WS MB", "peak commit MB", "commit MB at each tenth of the run");
    std::printf("%-28s %8s %9s %10s %12s %15s    %.1f\n", "(before)", "", "", "", "", "",
                bench::MemoryNow().pagefile);
    desktop.sampling = true;
    desktop.commit_samples.clear();
    PrintRun("directory of one-contact files", Import(app, desktop, split, work / "many", work / "profile-many"),
             desktop);
    desktop.commit_samples.clear();
    PrintRun("one file", Import(app, desktop, split, work / "one", work / "profile-one"), desktop);
    // The same file again into the folder it filled: every card is met.
    for (auto [what, choice] : {std::pair("one file again, Skip it", window::OptDuplicateSkip),
                                std::pair("one file again, Update it", window::OptDuplicateUpdate)}) {
      desktop.commit_samples.clear();
      Run again = Import(app, desktop, split, work / "one", work / "profile-one", choice, true);
      again.contacts = n;  // cards read, not contacts added
      PrintRun(what, again, desktop);
      std::printf("  closing message: %ls\n", desktop.last_message.c_str());
    }
    desktop.sampling = false;
    PrintIndexMemory(work / "profile-one");

    const double mapping_us = MappingMicroseconds(pindrel::ComVCardReaderFactory(), work / "one-timed" / "contacts.vcf",
                                                  timed_n);
    for (auto [what, source, count] : {std::tuple("one file", "one-timed", timed_n),
                                       std::tuple("directory of one-contact files", "many-timed", timed_m)}) {
      split = bench::Split{true};
      Run run = Import(app, desktop, split, work / source, work / (std::string("profile-") + source));
      std::printf("timed run, %s of %ld: %.2f s (%.0f contacts/s)\n", what, count, bench::Seconds(run.took),
                  run.contacts / bench::Seconds(run.took));
      std::printf("  %-26s %9.1f us/contact (measured alone, part of the loop's own)\n", "mapping", mapping_us);
      bench::PrintSplit(split, run.took, run.contacts);
    }
    for (const char* profile : {"profile-many", "profile-one", "profile-one-timed", "profile-many-timed"})
      fs::remove_all(work / profile);
  }
  CoUninitialize();
  return 0;
}
