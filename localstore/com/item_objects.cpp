// The items of a folder and an item: the members the import and the export
// call for every contact.
#include "objects.h"

#include "text.h"
#include "vcard_writer.h"

namespace localstore::com {
namespace {

// The message class of each item kind (0 mail ... 7 distribution list).
std::u16string_view ItemKindClass(long kind) {
  static constexpr std::u16string_view kKinds[] = {u"IPM.Note", u"IPM.Appointment", u"IPM.Contact", u"IPM.Task",
                                                   u"IPM.Activity", u"IPM.StickyNote", u"IPM.Post", u"IPM.DistList"};
  return kind < 0 || kind > 7 ? std::u16string_view() : kKinds[kind];
}

Text TextOf(DISPID id) {
  return id == LS_DISPID_DEFAULT ? Text::Subject : static_cast<Text>(id - LS_DISPID_TEXT);
}

// The record tag of a date's DISPID.
std::uint16_t DateTag(DISPID id) { return static_cast<std::uint16_t>(id - LS_DISPID_DATE(0)); }

}  // namespace

// ---- items

std::span<const Member<ItemsObject>> ItemsObject::Members() {
  static const auto kMembers = MembersWith({Method(LS_DISPID_ADD, &ItemsObject::Add, 0, 1)});
  return kMembers;
}

std::size_t ItemsObject::Size() { return items_->Count(); }

ComPtr<IDispatch> ItemsObject::At(long position) {
  // The upper end is the folder's to check, with the one look at its file
  // that reading the item needs anyway.
  if (position < 1) Fail(Code::NotFound, "there is no item at position " + std::to_string(position));
  std::string id;
  localstore::Item item = items_->LoadAt(static_cast<std::uint32_t>(position), &id);
  return ItemObject::New(items_, folder_id_, std::move(id), std::move(item));
}

Walk ItemsObject::Snapshot() {
  // The identifiers now: each item is read only when the walk reaches it.
  auto ids = std::make_shared<std::vector<std::string>>();
  for (std::uint32_t position = 1, count = items_->Count(); position <= count; ++position)
    ids->push_back(items_->IdAt(position));
  return {ids->size(), [items = items_, folder_id = folder_id_, ids](std::size_t i) {
            const std::string& id = (*ids)[i];
            return ItemObject::New(items, folder_id, id, items->Load(id));
          }};
}

void ItemsObject::Add(Call& call) {
  localstore::Item item;
  item.message_class = ClassArgument(call, 0, folder_class_, ItemKindClass, "item type");
  call.ReturnObject(ItemObject::New(items_, folder_id_, std::string(), std::move(item)));
}

// ---- item

std::span<const Member<ItemObject>> ItemObject::Members() {
  using S = ItemObject;
  static const Member<S> kMembers[] = {
      Getter(LS_DISPID_MESSAGECLASS, &S::MessageClass),
      Getter(LS_DISPID_ENTRYID, &S::EntryID),
      Method(LS_DISPID_SAVE, &S::Save),
      Method(LS_DISPID_SAVEAS, &S::SaveAs, 1, 2),
      Method(LS_DISPID_DELETE, &S::Delete),
      Method(LS_DISPID_ADDPICTURE, &S::AddPicture, 1, 1),
      Getter(LS_DISPID_HASPICTURE, &S::HasPicture),
      Method(LS_DISPID_REMOVEPICTURE, &S::RemovePicture),
      Getter(LS_DISPID_ATTACHMENTS, &S::Attachments),
  // Every property of the contact schema.
#define CONTACT_TEXT(member, tag, ...) Property(LS_DISPID_TEXT + tag - 1, &S::GetText, &S::PutText),
#define ITEM_DEFAULT_TEXT(member, tag) Property(LS_DISPID_DEFAULT, &S::GetText, &S::PutText),
#define CONTACT_DATE(member, tag, ...) Property(LS_DISPID_DATE(tag), &S::GetDate, &S::PutDate),
#include "contact_properties.h"
#undef CONTACT_TEXT
#undef ITEM_DEFAULT_TEXT
#undef CONTACT_DATE
  };
  return kMembers;
}

void ItemObject::CheckNotDeleted() const {
  if (deleted_) Fail(Code::ObjectDeleted, "the item has been deleted");
}

void ItemObject::GetText(Call& call) { call.Return(item_.Get(TextOf(call.id()))); }

void ItemObject::PutText(Call& call) {
  // Text comes as text nearly always: read in place, not copied first.
  const VARIANT& value = call.Value();
  Variant text;
  if (V_VT(&value) != VT_BSTR) text = call.ValueAs(VT_BSTR);
  BSTR b = V_VT(&value) == VT_BSTR ? V_BSTR(&value) : V_BSTR(&text.Get());
  item_.Set(TextOf(call.id()), std::u16string_view(reinterpret_cast<const char16_t*>(b ? b : L""),
                                                   b ? SysStringLen(b) : 0));
}

std::optional<double>& ItemObject::DateOf(const Call& call) { return item_.DateOf(DateTag(call.id())); }

void ItemObject::GetDate(Call& call) {
  // No date reads as Empty, which scripts test with IsEmpty.
  if (std::optional<double>& day = DateOf(call)) call.ReturnDate(*day);
}

void ItemObject::PutDate(Call& call) {
  const VARIANT& value = call.Value();
  if (V_VT(&value) == VT_EMPTY || V_VT(&value) == VT_NULL) {
    DateOf(call).reset();
    return;
  }
  // A text is converted with the caller's locale, as the automation
  // runtime converts it; callers that know the date pass a VT_DATE.
  Variant date = call.ValueAs(VT_DATE);
  double day = V_DATE(&date.Get());
  // 1 January 4501 is how the mail world writes "no date".
  if (day >= *FromCivil({4501, 1, 1})) DateOf(call).reset();
  else DateOf(call) = day;
}

void ItemObject::MessageClass(Call& call) { call.Return(item_.message_class); }

void ItemObject::EntryID(Call& call) {
  call.Return(item_id_.empty() ? std::u16string() : FromUtf8(folder_id_ + item_id_));
}

void ItemObject::Save(Call&) {
  CheckNotDeleted();
  if (item_id_.empty()) item_id_ = items_->Add(item_);
  else items_->Update(item_id_, item_);
}

void ItemObject::SaveAs(Call& call) {
  std::wstring path = call.Text(0);
  long type = call.OptionalLong(1).value_or(3);
  if (type != 6)
    Fail(Code::NoSupport, "cannot save as type " + std::to_string(type) + "; the local store saves only vCard (6)");
  if (path.empty()) Fail(Code::InvalidParameter, "no file name to save to");
  std::string card = WriteVCard(item_);
  FileError error;
  File file = File::Open(Path(path), File::Mode::CreateAlways, &error);
  if (!file.IsOpen() || !file.WriteAt(0, card.data(), card.size(), &error))
    Fail(static_cast<Code>(error.system_code ? HRESULT_FROM_WIN32(error.system_code) : E_FAIL),
         "cannot write the vCard file: " + error.message);
}

void ItemObject::Delete(Call&) {
  CheckNotDeleted();
  if (!item_id_.empty()) items_->Remove(item_id_);
  deleted_ = true;
}

}  // namespace localstore::com
