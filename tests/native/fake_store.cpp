#include "fake_store.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <cstdio>

namespace fakes {

namespace store = pindrel::store;

namespace {

std::wstring Hex(int n) {
  wchar_t buffer[24];
  std::swprintf(buffer, 24, L"%08X", static_cast<unsigned>(n));
  return buffer;
}

std::string Narrow(std::wstring_view s) { return std::string(s.begin(), s.end()); }

class Item : public store::Item {
 public:
  Item(FakeProfile& p, std::shared_ptr<FakeItem> data, std::shared_ptr<FakeFolder> folder)
      : p_(p), data_(std::move(data)), folder_(std::move(folder)) {}
  std::wstring MessageClass() override {
    p_.Call("Item.MessageClass");
    return data_->message_class;
  }
  std::wstring EntryID() override {
    p_.Call("Item.EntryID");
    return data_->entry_id;
  }
  std::wstring Text(std::wstring_view property) override {
    p_.Call("Item.Text " + Narrow(property));
    auto it = data_->text.find(property);
    return it == data_->text.end() ? std::wstring() : it->second;
  }
  void SetText(std::wstring_view property, const std::wstring& value) override {
    p_.Call("Item.SetText " + Narrow(property));
    data_->text[std::wstring(property)] = value;
  }
  std::optional<Date> GetDate(std::wstring_view property) override {
    p_.Call("Item.GetDate " + Narrow(property));
    return DateOf(property);
  }
  void SetDate(std::wstring_view property, const Date& value) override {
    p_.Call("Item.SetDate " + Narrow(property));
    DateOf(property) = value;
  }
  void AddPicture(const std::wstring& path) override {
    p_.Call("Item.AddPicture");
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) throw store::StoreError(static_cast<std::int32_t>(0x80070002), L"no such file");
    data_->picture.assign(std::istreambuf_iterator<char>(in), {});
    data_->picture_file = path;
  }
  void Save() override {
    p_.Call("Item.Save");
    if (data_->entry_id.empty()) {
      data_->entry_id = L"ITEM" + Hex(p_.next_id++);
      folder_->items.push_back(data_);
    }
  }
  void SaveAs(const std::wstring& path, std::int16_t type) override {
    p_.Call("Item.SaveAs " + std::to_string(type));
    if (type != store::kSaveAsVCard) throw store::StoreError(static_cast<std::int32_t>(0x80070057), L"bad type");
    p_.saved_as.emplace_back(path, data_->entry_id);
  }
  std::optional<std::string> Picture() override {
    p_.Call("Item.Picture");
    if (data_->picture.empty()) return std::nullopt;
    return data_->picture;
  }

 private:
  // The store library's contacts have two dates; any other name is none.
  std::optional<Date>& DateOf(std::wstring_view property) {
    if (property == store::property::Anniversary) return data_->anniversary;
    if (property == store::property::Birthday) return data_->birthday;
    throw store::StoreError(static_cast<std::int32_t>(0x80020003), L"no such date");  // DISP_E_MEMBERNOTFOUND
  }

  FakeProfile& p_;
  std::shared_ptr<FakeItem> data_;
  std::shared_ptr<FakeFolder> folder_;
};

class Items : public store::Items {
 public:
  Items(FakeProfile& p, std::shared_ptr<FakeFolder> folder) : p_(p), folder_(std::move(folder)) {}
  std::int32_t Count() override {
    p_.Call("Items.Count");
    return static_cast<std::int32_t>(folder_->items.size());
  }
  std::unique_ptr<store::Item> GetItem(std::int32_t position) override {
    p_.Call("Items.Item " + std::to_string(position));
    if (position < 1 || position > static_cast<std::int32_t>(folder_->items.size()))
      throw store::StoreError(store::kNotFound, L"no item at that position");
    return std::make_unique<Item>(p_, folder_->items[static_cast<std::size_t>(position - 1)], folder_);
  }
  std::unique_ptr<store::Item> Add() override {
    p_.Call("Items.Add");
    auto data = std::make_shared<FakeItem>();
    data->message_class = folder_->message_class;
    return std::make_unique<Item>(p_, data, folder_);
  }

 private:
  FakeProfile& p_;
  std::shared_ptr<FakeFolder> folder_;
};

class Folder : public store::Folder {
 public:
  Folder(FakeProfile& p, std::shared_ptr<FakeFolder> data) : p_(p), data_(std::move(data)) {}
  std::wstring DefaultMessageClass() override {
    p_.Call("Folder.DefaultMessageClass");
    return data_->message_class;
  }
  std::wstring Name() override {
    p_.Call("Folder.Name");
    return data_->name;
  }
  std::wstring FolderPath() override {
    p_.Call("Folder.FolderPath");
    return data_->path;
  }
  std::wstring StoreID() override {
    p_.Call("Folder.StoreID");
    return data_->store_id;
  }
  std::wstring EntryID() override {
    p_.Call("Folder.EntryID");
    return data_->entry_id;
  }
  std::unique_ptr<store::Items> GetItems() override {
    p_.Call("Folder.Items");
    return std::make_unique<Items>(p_, data_);
  }
  const std::shared_ptr<FakeFolder>& data() const { return data_; }

 private:
  FakeProfile& p_;
  std::shared_ptr<FakeFolder> data_;
};

class Store : public store::Store {
 public:
  Store(FakeProfile& p, std::shared_ptr<FakeStore> data) : p_(p), data_(std::move(data)) {}
  std::wstring PstPath() override {
    p_.Call("Store.PstPath");
    return data_->pst_path;
  }
  std::unique_ptr<store::Folder> GetFolderFromID(const std::wstring& entry_id) override {
    p_.Call("Store.GetFolderFromID");
    for (const auto& f : data_->folders)
      if (f->entry_id == entry_id) return std::make_unique<Folder>(p_, f);
    throw store::StoreError(store::kNotFound, L"no folder with that identifier");
  }

 private:
  FakeProfile& p_;
  std::shared_ptr<FakeStore> data_;
};

std::unique_ptr<store::Store> StoreById(FakeProfile& p, const std::wstring& id) {
  for (const auto& s : p.stores)
    if (s->store_id == id) return std::make_unique<Store>(p, s);
  throw store::StoreError(store::kNotFound, L"no store with that identifier");
}

class Stores : public store::Stores {
 public:
  explicit Stores(FakeProfile& p) : p_(p) {}
  std::unique_ptr<store::Store> GetStoreFromID(const std::wstring& id) override {
    p_.Call("Stores.GetStoreFromID");
    return StoreById(p_, id);
  }

 private:
  FakeProfile& p_;
};

class Session : public store::Session {
 public:
  explicit Session(FakeProfile& p) : p_(p) {}
  void Logon() override {
    p_.Call("Logon");
    logged_on_ = true;
  }
  void Logoff() override {
    p_.Call("Logoff");
    logged_on_ = false;
  }
  std::unique_ptr<store::Folder> GetDefaultFolder(std::int32_t kind) override {
    Use("GetDefaultFolder " + std::to_string(kind));
    if (kind == store::kContactsFolderKind) return std::make_unique<Folder>(p_, p_.default_contacts);
    throw store::StoreError(store::kNotFound, L"no such default folder");
  }
  std::unique_ptr<store::Folder> PickFolder(const store::Folder& preselected, const std::wstring& caption,
                                            std::optional<std::int16_t> fourth, std::int32_t fifth) override {
    Use("PickFolder");
    FakeProfile::PickRequest request{static_cast<const Folder&>(preselected).data()->entry_id, caption, fourth,
                                     fifth};
    std::optional<std::wstring> answer = p_.pick ? p_.pick(request) : std::nullopt;
    if (!answer) return nullptr;
    FakeFolder* folder = p_.FindFolder(*answer);
    if (folder == nullptr) throw std::logic_error("the test picked a folder that does not exist");
    for (const auto& s : p_.stores)
      for (const auto& f : s->folders)
        if (f.get() == folder) return std::make_unique<Folder>(p_, f);
    return nullptr;
  }
  std::unique_ptr<store::Stores> GetStores() override {
    Use("Stores");
    return std::make_unique<Stores>(p_);
  }
  std::unique_ptr<store::Store> GetStoreFromID(const std::wstring& id) override {
    Use("Session.GetStoreFromID");
    return StoreById(p_, id);
  }

 private:
  // The store library answers nothing before the session has logged on.
  void Use(const std::string& call) {
    p_.Call(call);
    if (!logged_on_) throw store::StoreError(store::kLogonFailed, L"not logged on");
  }
  FakeProfile& p_;
  bool logged_on_ = false;
};

}  // namespace

FakeProfile::FakeProfile() {
  FakeStore& personal = AddStore(L"Personal Folders", L"C:\\profile\\Personal Folders.pst");
  default_contacts = personal.folders.emplace_back(std::make_shared<FakeFolder>());
  *default_contacts = {L"FOLDER" + Hex(next_id++), personal.store_id, L"Contacts", std::wstring(store::kContactClass),
                       L"\\\\Personal Folders\\Contacts", {}};
  AddFolder(personal, L"Inbox", L"IPM.Note");
  AddFolder(personal, L"Calendar", L"IPM.Appointment");
}

FakeStore& FakeProfile::AddStore(const std::wstring& name, const std::wstring& pst_path) {
  auto s = std::make_shared<FakeStore>();
  s->store_id = L"STORE" + Hex(next_id++);
  s->name = name;
  s->pst_path = pst_path;
  stores.push_back(s);
  return *s;
}

FakeFolder& FakeProfile::AddFolder(FakeStore& store, const std::wstring& name, const std::wstring& message_class) {
  auto f = std::make_shared<FakeFolder>();
  *f = {L"FOLDER" + Hex(next_id++), store.store_id, name, message_class, L"\\\\" + store.name + L"\\" + name, {}};
  store.folders.push_back(f);
  return *f;
}

FakeItem& FakeProfile::AddItem(FakeFolder& folder, const std::wstring& message_class,
                               std::map<std::wstring, std::wstring, std::less<>> text) {
  auto item = std::make_shared<FakeItem>();
  item->entry_id = L"ITEM" + Hex(next_id++);
  item->message_class = message_class;
  item->text = std::move(text);
  folder.items.push_back(item);
  return *item;
}

FakeFolder* FakeProfile::FindFolder(std::wstring_view entry_id) {
  for (const auto& s : stores)
    for (const auto& f : s->folders)
      if (f->entry_id == entry_id) return f.get();
  return nullptr;
}

FakeFolder* FakeProfile::FindFolderNamed(std::wstring_view name) {
  for (const auto& s : stores)
    for (const auto& f : s->folders)
      if (f->name == name) return f.get();
  return nullptr;
}

pindrel::store::SessionFactory FakeProfile::Factory() {
  return [this]() -> std::unique_ptr<store::Session> {
    Call("Create");
    if (library_missing) throw store::StoreError(store::kClassNotRegistered, L"");
    ++sessions;
    return std::make_unique<Session>(*this);
  };
}

void FakeProfile::FailOn(std::string call, std::int32_t code, int nth) { failures_[std::move(call)] = {code, nth}; }

void FakeProfile::Call(const std::string& call) {
  calls.push_back(call);
  int n = ++counts_[call];
  if (before_call) before_call(call);
  auto it = failures_.find(call);
  if (it != failures_.end() && (it->second.second == 0 || it->second.second == n))
    throw store::StoreError(it->second.first, L"failure made by the test");
}

}  // namespace fakes
