// Shared pieces of the export and import benchmarks under Wine: the window's
// logic runs on a real window (built from its layout table), against the
// registered local store and Tessary, while every call it makes into the
// store, the reader, the window and the message loop can be timed, so a
// run tells where its time went.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "desktop.h"
#include "form.h"
#include "store.h"
#include "vcard_reader.h"
#include "win32_desktop.h"

namespace bench {

using Clock = std::chrono::steady_clock;

// Time spent in each kind of call; the loop's own time is what is left of
// the whole. Timing stays off for the runs whose rate is reported, since the
// clock reads cost something here too.
struct Split {
  bool on = false;
  Clock::duration save_as{}, save{}, store{}, reader{}, window{}, yield{};
  long long timed_calls = 0;
};

// Adds the time of the scope it lives in to `into`, when timing is on.
class Timed {
 public:
  Timed(Split& split, Clock::duration& into) : into_(split.on ? &into : nullptr) {
    if (!into_) return;
    ++split.timed_calls;
    start_ = Clock::now();
  }
  ~Timed() {
    if (into_) *into_ += Clock::now() - start_;
  }
  Timed(const Timed&) = delete;
  Timed& operator=(const Timed&) = delete;

 private:
  Clock::duration* into_;
  Clock::time_point start_;
};

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// ---- The store, timed: every object it hands out is wrapped in turn.

namespace timed {

namespace store = pindrel::store;

class Item : public store::Item {
 public:
  Item(std::unique_ptr<store::Item> inner, Split& split) : inner_(std::move(inner)), split_(split) {}
  std::wstring MessageClass() override { Timed t(split_, split_.store); return inner_->MessageClass(); }
  std::wstring EntryID() override { Timed t(split_, split_.store); return inner_->EntryID(); }
  std::wstring Text(std::wstring_view p) override { Timed t(split_, split_.store); return inner_->Text(p); }
  void SetText(std::wstring_view p, const std::wstring& v) override {
    Timed t(split_, split_.store);
    inner_->SetText(p, v);
  }
  std::optional<store::Date> GetDate(std::wstring_view p) override {
    Timed t(split_, split_.store);
    return inner_->GetDate(p);
  }
  void SetDate(std::wstring_view p, const store::Date& v) override {
    Timed t(split_, split_.store);
    inner_->SetDate(p, v);
  }
  void AddPicture(const std::wstring& path) override {
    Timed t(split_, split_.store);
    inner_->AddPicture(path);
  }
  void Save() override { Timed t(split_, split_.save); inner_->Save(); }
  void SaveAs(const std::wstring& path, std::int16_t type) override {
    Timed t(split_, split_.save_as);
    inner_->SaveAs(path, type);
  }
  std::optional<std::string> Picture() override { Timed t(split_, split_.store); return inner_->Picture(); }

 private:
  std::unique_ptr<store::Item> inner_;
  Split& split_;
};

class Items : public store::Items {
 public:
  Items(std::unique_ptr<store::Items> inner, Split& split) : inner_(std::move(inner)), split_(split) {}
  std::int32_t Count() override { Timed t(split_, split_.store); return inner_->Count(); }
  std::unique_ptr<store::Item> GetItem(std::int32_t position) override {
    Timed t(split_, split_.store);
    return std::make_unique<Item>(inner_->GetItem(position), split_);
  }
  std::unique_ptr<store::Item> Add() override {
    Timed t(split_, split_.store);
    return std::make_unique<Item>(inner_->Add(), split_);
  }

 private:
  std::unique_ptr<store::Items> inner_;
  Split& split_;
};

class Folder : public store::Folder {
 public:
  Folder(std::unique_ptr<store::Folder> inner, Split& split) : inner_(std::move(inner)), split_(split) {}
  std::wstring DefaultMessageClass() override { Timed t(split_, split_.store); return inner_->DefaultMessageClass(); }
  std::wstring Name() override { Timed t(split_, split_.store); return inner_->Name(); }
  std::wstring FolderPath() override { Timed t(split_, split_.store); return inner_->FolderPath(); }
  std::wstring StoreID() override { Timed t(split_, split_.store); return inner_->StoreID(); }
  std::wstring EntryID() override { Timed t(split_, split_.store); return inner_->EntryID(); }
  std::unique_ptr<store::Items> GetItems() override {
    Timed t(split_, split_.store);
    return std::make_unique<Items>(inner_->GetItems(), split_);
  }

 private:
  std::unique_ptr<store::Folder> inner_;
  Split& split_;
};

class Store : public store::Store {
 public:
  Store(std::unique_ptr<store::Store> inner, Split& split) : inner_(std::move(inner)), split_(split) {}
  std::wstring PstPath() override { Timed t(split_, split_.store); return inner_->PstPath(); }
  std::unique_ptr<store::Folder> GetFolderFromID(const std::wstring& id) override {
    Timed t(split_, split_.store);
    return std::make_unique<Folder>(inner_->GetFolderFromID(id), split_);
  }

 private:
  std::unique_ptr<store::Store> inner_;
  Split& split_;
};

class Stores : public store::Stores {
 public:
  Stores(std::unique_ptr<store::Stores> inner, Split& split) : inner_(std::move(inner)), split_(split) {}
  std::unique_ptr<store::Store> GetStoreFromID(const std::wstring& id) override {
    Timed t(split_, split_.store);
    return std::make_unique<Store>(inner_->GetStoreFromID(id), split_);
  }

 private:
  std::unique_ptr<store::Stores> inner_;
  Split& split_;
};

class Session : public store::Session {
 public:
  Session(std::unique_ptr<store::Session> inner, Split& split) : inner_(std::move(inner)), split_(split) {}
  void Logon() override { Timed t(split_, split_.store); inner_->Logon(); }
  void Logoff() override { Timed t(split_, split_.store); inner_->Logoff(); }
  std::unique_ptr<store::Folder> GetDefaultFolder(std::int32_t kind) override {
    Timed t(split_, split_.store);
    return std::make_unique<Folder>(inner_->GetDefaultFolder(kind), split_);
  }
  std::unique_ptr<store::Folder> PickFolder(const store::Folder&, const std::wstring&, std::optional<std::int16_t>,
                                            std::int32_t) override {
    throw store::StoreError(E_NOTIMPL, L"no folder picker in a benchmark");
  }
  std::unique_ptr<store::Stores> GetStores() override {
    Timed t(split_, split_.store);
    return std::make_unique<Stores>(inner_->GetStores(), split_);
  }
  std::unique_ptr<store::Store> GetStoreFromID(const std::wstring& id) override {
    Timed t(split_, split_.store);
    return std::make_unique<Store>(inner_->GetStoreFromID(id), split_);
  }

 private:
  std::unique_ptr<store::Session> inner_;
  Split& split_;
};

class Reader : public pindrel::VCardReader {
 public:
  Reader(std::unique_ptr<pindrel::VCardReader> inner, Split& split) : inner_(std::move(inner)), split_(split) {}
  void Open(const std::wstring& path) override { Timed t(split_, split_.reader); inner_->Open(path); }
  bool SupportsDecoded() const override { return inner_->SupportsDecoded(); }
  void OpenDecoded(const std::wstring& path) override { Timed t(split_, split_.reader); inner_->OpenDecoded(path); }
  void CurrentCard(pindrel::DecodedCard& out) override { Timed t(split_, split_.reader); inner_->CurrentCard(out); }
  void MoveFirst() override { Timed t(split_, split_.reader); inner_->MoveFirst(); }
  std::int32_t ContactCount() override { Timed t(split_, split_.reader); return inner_->ContactCount(); }
  std::wstring Field(pindrel::VCardField f) override { Timed t(split_, split_.reader); return inner_->Field(f); }
  void MoveNext() override { Timed t(split_, split_.reader); inner_->MoveNext(); }
  void Close() override { Timed t(split_, split_.reader); inner_->Close(); }
  std::wstring Separator() override { Timed t(split_, split_.reader); return inner_->Separator(); }

 private:
  std::unique_ptr<pindrel::VCardReader> inner_;
  Split& split_;
};

// The real window as its logic sees it, each change timed.
class Form : public pindrel::ui::Form {
 public:
  Form(pindrel::ui::Form& inner, Split& split) : inner_(inner), split_(split) {}
  bool IsOpen() const override { return inner_.IsOpen(); }
  std::wstring Text(std::string_view c) const override { Timed t(split_, split_.window); return inner_.Text(c); }
  void SetText(std::string_view c, const std::wstring& text) override {
    Timed t(split_, split_.window);
    inner_.SetText(c, text);
  }
  bool Enabled(std::string_view c) const override { return inner_.Enabled(c); }
  void SetEnabled(std::string_view c, bool e) override { Timed t(split_, split_.window); inner_.SetEnabled(c, e); }
  bool Visible(std::string_view c) const override { return inner_.Visible(c); }
  void SetVisible(std::string_view c, bool v) override { Timed t(split_, split_.window); inner_.SetVisible(c, v); }
  bool Checked(std::string_view c) const override { return inner_.Checked(c); }
  void SetChecked(std::string_view c, bool v) override { inner_.SetChecked(c, v); }
  void Close() override { inner_.Close(); }

 private:
  pindrel::ui::Form& inner_;
  Split& split_;
};

}  // namespace timed

inline pindrel::store::SessionFactory TimedSessions(pindrel::store::SessionFactory inner, Split& split) {
  return [inner = std::move(inner), &split] {
    Timed t(split, split.store);
    return std::make_unique<timed::Session>(inner(), split);
  };
}

inline pindrel::VCardReaderFactory TimedReaders(pindrel::VCardReaderFactory inner, Split& split) {
  // Creating a reader (through COM, once per file) is the reader's cost.
  return [inner = std::move(inner), &split] {
    Timed t(split, split.reader);
    return std::make_unique<timed::Reader>(inner(), split);
  };
}

// The process's memory, in MB: now and at its peak.
struct Memory {
  double working_set, peak_working_set, pagefile, peak_pagefile;
};

inline Memory MemoryNow() {
  PROCESS_MEMORY_COUNTERS c{};
  GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
  constexpr double kMB = 1048576.0;
  return {c.WorkingSetSize / kMB, c.PeakWorkingSetSize / kMB, c.PagefileUsage / kMB, c.PeakPagefileUsage / kMB};
}

// The program's own desktop, except that the closing message is kept rather
// than shown (nobody is there to press OK), and its yields are timed.
class Desktop : public pindrel::Win32Desktop {
 public:
  explicit Desktop(Split& split) : split_(split) {}
  void ShowMessage(const pindrel::ui::Form*, const std::wstring& text, const std::wstring&) override {
    last_message = text;
  }
  void DoEvents() override {
    {
      Timed t(split_, split_.yield);
      pindrel::Win32Desktop::DoEvents();
    }
    if (sampling) commit_samples.push_back(MemoryNow().pagefile);
  }
  // The samples at each tenth of the run: the runs yield by the clock (every
  // 50 ms), not per contact, so the run's length picks them.
  std::vector<double> Tenths() const {
    std::vector<double> tenths;
    for (std::size_t i = 1; i <= 10 && !commit_samples.empty(); ++i)
      tenths.push_back(commit_samples[(commit_samples.size() * i - 1) / 10]);
    return tenths;
  }
  std::wstring last_message;
  // The process's committed memory (MB) at every yield while sampling, to
  // see whether it grows with the contacts done.
  bool sampling = false;
  std::vector<double> commit_samples;

 private:
  Split& split_;
};

// Prints where a run's time went, per contact and as shares of the whole.
// The clock's own cost is measured and shown, so a reader can judge how much
// of the timed run's slowdown the timing itself is.
inline void PrintSplit(const Split& split, Clock::duration total, long contacts) {
  auto begin = Clock::now();
  for (int i = 0; i < 10000; ++i) (void)Clock::now();
  double clock_read = Seconds(Clock::now() - begin) / 10000;
  Clock::duration parts[] = {split.save_as, split.save, split.store, split.reader, split.window, split.yield};
  const char* names[] = {"store SaveAs", "store Save", "store, other calls", "reader", "window updates", "yield (DoEvents)"};
  Clock::duration rest = total;
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    rest -= parts[i];
    if (parts[i] == Clock::duration{}) continue;
    std::printf("  %-26s %9.1f us/contact %6.1f %%\n", names[i], Seconds(parts[i]) / contacts * 1e6,
                100.0 * Seconds(parts[i]) / Seconds(total));
  }
  std::printf("  %-26s %9.1f us/contact %6.1f %%\n", "the loop's own", Seconds(rest) / contacts * 1e6,
              100.0 * Seconds(rest) / Seconds(total));
  std::printf("  (%lld timed calls; the clock reads cost about %.1f us/contact of that)\n", split.timed_calls,
              2 * clock_read * split.timed_calls / contacts * 1e6);
}

}  // namespace bench
