// Benchmark of the local store through IDispatch, as the import calls it:
// for each contact the folder's Items anew, Add, all 32 mapped properties
// (the birthday as a VT_DATE) and Save, with member names looked up once.
// Then Items + Count + Item(i) for every position i, and the process's
// memory before, after the saves and after the reads. The last columns say
// where a save's time goes (Items + Add, the puts, Save) and a read's.
//
//   localstore_bench.exe PROFILE_BASE N...     (see localstore_bench.sh)
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "../localstore/dispatch_support.h"

using namespace localstore_test;
using Clock = std::chrono::steady_clock;

namespace {

// DISPIDs by name, looked up once per object type as the program does.
class Names {
 public:
  DISPID operator()(IDispatch* object, const wchar_t* name) {
    auto found = ids_.find(name);
    if (found != ids_.end()) return found->second;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id))) {
      std::fprintf(stderr, "no member %ls\n", name);
      std::exit(1);
    }
    ids_[name] = id;
    return id;
  }

 private:
  std::map<std::wstring, DISPID> ids_;
};

void Invoke(IDispatch* object, DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result) {
  DISPPARAMS params{args, nullptr, count, 0};
  DISPID put = DISPID_PROPERTYPUT;
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  EXCEPINFO exception{};
  HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, result, &exception, nullptr);
  if (FAILED(hr)) {
    std::fprintf(stderr, "Invoke %ld failed: 0x%08lx %ls\n", id, static_cast<unsigned long>(hr),
                 exception.bstrDescription ? exception.bstrDescription : L"");
    std::exit(1);
  }
}

ComPtr<IDispatch> GetObject(IDispatch* object, DISPID id, VARIANT* args = nullptr, UINT count = 0) {
  Variant result;
  Invoke(object, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, count, result.Receive());
  return ComPtr<IDispatch>(V_DISPATCH(&result.Get()));
}

const wchar_t* const kTexts[] = {
    L"FirstName", L"MiddleName", L"LastName", L"Title", L"Suffix", L"FullName", L"NickName", L"JobTitle",
    L"CompanyName", L"Department", L"BusinessTelephoneNumber", L"BusinessFaxNumber", L"HomeTelephoneNumber",
    L"HomeFaxNumber", L"MobileTelephoneNumber", L"PagerNumber", L"BusinessAddressStreet", L"BusinessAddressCity",
    L"BusinessAddressState", L"BusinessAddressPostalCode", L"BusinessAddressCountry", L"OfficeLocation",
    L"HomeAddressStreet", L"HomeAddressCity", L"HomeAddressState", L"HomeAddressPostalCode", L"HomeAddressCountry",
    L"Email1Address", L"WebPage", L"Profession", L"Body",
};

double Megabytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage / 1048576.0;
}

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void Run(const std::wstring& profile, long n) {
  SetEnvironmentVariableW(L"LOCALSTORE_PROFILE", profile.c_str());
  Names folder_names, items_names, item_names, session_names;
  ComPtr<IDispatch> session = Server::Get().NewSession();
  Invoke(session.Get(), session_names(session.Get(), L"Logon"), DISPATCH_METHOD, nullptr, 0, nullptr);
  VARIANT kind;
  V_VT(&kind) = VT_I4;
  V_I4(&kind) = 10;
  ComPtr<IDispatch> contacts = GetObject(session.Get(), session_names(session.Get(), L"GetDefaultFolder"), &kind, 1);
  double memory_before = Megabytes();

  // Values of realistic length, different per contact.
  std::wstring values[31];
  // Where a save's time goes: Items + Add, the 32 property puts (IDispatch
  // and the item in memory only), and Save (the store's files).
  Clock::duration adding{}, putting{}, storing{};
  auto start = Clock::now();
  for (long i = 0; i < n; ++i) {
    auto t0 = Clock::now();
    ComPtr<IDispatch> items = GetObject(contacts.Get(), folder_names(contacts.Get(), L"Items"));
    ComPtr<IDispatch> item = GetObject(items.Get(), items_names(items.Get(), L"Add"));
    auto t1 = Clock::now();
    for (int p = 0; p < 31; ++p) {
      values[p] = std::wstring(kTexts[p]) + L" " + std::to_wstring(i);
      Variant value;
      V_VT(value.Pointer()) = VT_BSTR;
      V_BSTR(value.Pointer()) = SysAllocString(values[p].c_str());
      Invoke(item.Get(), item_names(item.Get(), kTexts[p]), DISPATCH_PROPERTYPUT, value.Pointer(), 1, nullptr);
    }
    VARIANT birthday;
    V_VT(&birthday) = VT_DATE;
    V_DATE(&birthday) = 29245 + i % 3000;
    Invoke(item.Get(), item_names(item.Get(), L"Birthday"), DISPATCH_PROPERTYPUT, &birthday, 1, nullptr);
    auto t2 = Clock::now();
    Invoke(item.Get(), item_names(item.Get(), L"Save"), DISPATCH_METHOD, nullptr, 0, nullptr);
    auto t3 = Clock::now();
    adding += t1 - t0;
    putting += t2 - t1;
    storing += t3 - t2;
  }
  double saving = Seconds(start);
  double memory_after = Megabytes();

  // Items + Count + Item(i) for every position, as the export walks the
  // folder: a rate over all of them, not one position's.
  Clock::duration getting{}, counting{}, loading{};
  auto begin = Clock::now();
  for (long position = 1; position <= n; ++position) {
    auto t0 = Clock::now();
    ComPtr<IDispatch> items = GetObject(contacts.Get(), folder_names(contacts.Get(), L"Items"));
    auto t1 = Clock::now();
    Variant count;
    Invoke(items.Get(), items_names(items.Get(), L"Count"), DISPATCH_PROPERTYGET, nullptr, 0, count.Receive());
    auto t2 = Clock::now();
    VARIANT index;
    V_VT(&index) = VT_I4;
    V_I4(&index) = position;
    ComPtr<IDispatch> item = GetObject(items.Get(), items_names(items.Get(), L"Item"), &index, 1);
    getting += t1 - t0;
    counting += t2 - t1;
    loading += Clock::now() - t2;
  }
  double reading = Seconds(begin);
  double memory_read = Megabytes();
  auto per_call_us = [n](Clock::duration d) { return std::chrono::duration<double>(d).count() / n * 1e6; };
  std::printf("%8ld %10.2f %12.0f %12.0f %10.1f %10.1f %10.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f\n", n, saving,
              n / saving, n / reading, memory_before, memory_after, memory_read, per_call_us(adding),
              per_call_us(putting), per_call_us(storing), per_call_us(getting), per_call_us(counting),
              per_call_us(loading));
  std::fflush(stdout);
}

// What the system calls a save makes cost here, each on its own: a new file
// written and closed, a lock taken and given back, a small read, a size
// query; and one late-bound call that touches no file.
void Primitives(const std::wstring& directory) {
  CreateDirectoryW(directory.c_str(), nullptr);
  const int reps = 500;
  auto per_call_us = [&](auto&& body) {
    auto begin = Clock::now();
    for (int r = 0; r < reps; ++r) body(r);
    return Seconds(begin) / reps * 1e6;
  };
  char bytes[600] = {};
  double create = per_call_us([&](int r) {
    std::wstring path = directory + L"\\" + std::to_wstring(r) + L".item";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                              FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    WriteFile(file, bytes, sizeof bytes, &put, nullptr);
    CloseHandle(file);
  });
  HANDLE lock = CreateFileW((directory + L"\\lock").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ |
                            FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  double locking = per_call_us([&](int) {
    OVERLAPPED at{};
    LockFileEx(lock, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
    UnlockFileEx(lock, 0, 1, 0, &at);
  });
  double reading = per_call_us([&](int) {
    OVERLAPPED at{};
    at.Offset = 8;
    DWORD got = 0;
    ReadFile(lock, bytes, 8, &got, &at);
  });
  double sizing = per_call_us([&](int) {
    LARGE_INTEGER size;
    GetFileSizeEx(lock, &size);
  });
  CloseHandle(lock);
  std::printf("per call, us: new file written+closed %.1f, lock+unlock %.1f, 8-byte read %.1f, size %.1f\n",
              create, locking, reading, sizing);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: localstore_bench PROFILE_BASE N...\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  std::printf("%8s %10s %12s %12s %10s %10s %10s %8s %8s %8s %8s %8s %8s\n", "contacts", "seconds", "saves/s",
              "Item(i)/s", "MB before", "MB saved", "MB read", "add us", "puts us", "Save us", "Items us",
              "Count us", "Item us");
  std::string base = argv[1];
  for (int a = 2; a < argc; ++a) {
    long n = std::atol(argv[a]);
    std::string dir = base + "\\" + std::to_string(n);
    Run(std::wstring(dir.begin(), dir.end()), n);
  }
  Primitives(std::wstring(base.begin(), base.end()) + L"\\primitives");
  CoUninitialize();
  return 0;
}
