// The local store's core alone, without COM: saves per second of contacts
// with every text property and a birthday set, straight into a folder's
// items. Built natively it shows what the store's own design costs; built
// with mingw and run under Wine, beside localstore_bench, it shows how much
// of a save through IDispatch is the store's files and how much the calls.
//
//   localstore_core_bench PROFILE_DIR N        (see localstore_bench.sh)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "item.h"
#include "profile.h"
#include "text.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: localstore_core_bench PROFILE_DIR N\n");
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  const long n = std::atol(argv[2]);
  localstore::Profile profile(localstore::PathFromUtf8(argv[1]));
  profile.Logon();
  localstore::StoreInfo store = profile.DefaultStore();
  std::string contacts;
  for (const auto& [kind, folder] : store.defaults)
    if (kind == localstore::kFolderContacts) contacts = folder;
  auto items = profile.Items(store.id, contacts);

  localstore::Item item;
  item.message_class = localstore::kContactClass;
  auto start = Clock::now();
  for (long i = 0; i < n; ++i) {
    for (std::size_t t = 0; t < localstore::kTextCount; ++t) {
      const auto text = static_cast<localstore::Text>(t);
      if (text == localstore::Text::FileAs || text == localstore::Text::Subject) continue;
      item.text[t] = localstore::FromUtf8(std::string(localstore::TextName(text)) + " " + std::to_string(i));
    }
    item.birthday = 29245 + i % 3000;
    items->Add(item);
  }
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("store core alone: %ld saves in %.2f s, %.0f saves/s, %.1f us/save\n", n, seconds, n / seconds,
              seconds / n * 1e6);
  return items->Count() == static_cast<std::uint32_t>(n) ? 0 : 1;
}
