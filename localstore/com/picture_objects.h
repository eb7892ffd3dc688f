// A contact's picture on the store's face: the item's AddPicture,
// HasPicture and RemovePicture (item_objects.cpp lists them), and its
// Attachments, whose one attachment is the picture, "ContactPicture.jpg",
// as the mail client keeps it.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "collection.h"
#include "dispatch.h"
#include "localstore.h"

namespace localstore::com {

// What an item's Attachments holds: the picture as it was when asked for
// (null for none).
using PictureBytes = std::shared_ptr<const std::string>;

class AttachmentsObject final : public Collection<AttachmentsObject> {
 public:
  inline static const IID& kInterface = DIID_ILocalAttachments;
  static constexpr bool kNamed = false;
  static std::span<const Member<AttachmentsObject>> Members();
  explicit AttachmentsObject(PictureBytes picture) : picture_(std::move(picture)) {}

  std::size_t Size();
  ComPtr<IDispatch> At(long position);
  Walk Snapshot();

 private:
  PictureBytes picture_;
};

class AttachmentObject final : public Automation<AttachmentObject> {
 public:
  inline static const IID& kInterface = DIID_ILocalAttachment;
  static std::span<const Member<AttachmentObject>> Members();
  explicit AttachmentObject(PictureBytes bytes) : bytes_(std::move(bytes)) {}

  void FileName(Call& call);
  void Size(Call& call);
  void SaveAsFile(Call& call);

 private:
  PictureBytes bytes_;
};

}  // namespace localstore::com
