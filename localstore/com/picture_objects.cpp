#include "picture_objects.h"

#include "objects.h"
#include "picture.h"
#include "text.h"

namespace localstore::com {

// ---- the item's picture members

void ItemObject::AddPicture(Call& call) {
  std::wstring path = call.Text(0);
  if (path.empty()) Fail(Code::InvalidParameter, "no picture file named");
  // Read and checked whole before anything changes: a refused file leaves
  // the picture the contact had.
  item_.picture = ReadPictureFile(Path(path));
}

void ItemObject::HasPicture(Call& call) { call.ReturnBool(!item_.picture.empty()); }

void ItemObject::RemovePicture(Call&) { item_.picture.clear(); }

void ItemObject::Attachments(Call& call) {
  PictureBytes picture = item_.picture.empty() ? nullptr : std::make_shared<const std::string>(item_.picture);
  call.ReturnObject(AttachmentsObject::New(std::move(picture)));
}

// ---- attachments

std::span<const Member<AttachmentsObject>> AttachmentsObject::Members() {
  static const auto kMembers = MembersWith({});
  return kMembers;
}

std::size_t AttachmentsObject::Size() { return picture_ ? 1 : 0; }

ComPtr<IDispatch> AttachmentsObject::At(long position) {
  CheckPosition(position, Size(), "attachment", "the item has");
  return AttachmentObject::New(picture_);
}

Walk AttachmentsObject::Snapshot() {
  return {Size(), [picture = picture_](std::size_t) { return AttachmentObject::New(picture); }};
}

std::span<const Member<AttachmentObject>> AttachmentObject::Members() {
  using S = AttachmentObject;
  static const Member<S> kMembers[] = {
      Getter(LS_DISPID_DEFAULT, &S::FileName),
      Getter(LS_DISPID_DISPLAYNAME, &S::FileName),
      Getter(LS_DISPID_SIZE, &S::Size),
      Method(LS_DISPID_SAVEASFILE, &S::SaveAsFile, 1, 1),
  };
  return kMembers;
}

void AttachmentObject::FileName(Call& call) { call.Return(kPictureFileName); }

void AttachmentObject::Size(Call& call) { call.ReturnLong(static_cast<long>(bytes_->size())); }

void AttachmentObject::SaveAsFile(Call& call) {
  std::wstring path = call.Text(0);
  if (path.empty()) Fail(Code::InvalidParameter, "no file name to save the attachment to");
  FileError error;
  File file = File::Open(Path(path), File::Mode::CreateAlways, &error);
  if (!file.IsOpen() || !file.WriteAt(0, bytes_->data(), bytes_->size(), &error))
    Fail(static_cast<Code>(error.system_code ? HRESULT_FROM_WIN32(error.system_code) : E_FAIL),
         "cannot write the attachment: " + error.message);
}

}  // namespace localstore::com
