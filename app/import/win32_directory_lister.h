// The directory search of Windows behind DirectoryLister, through the wide
// entry points, so names the ANSI code page cannot hold are found as well.
#pragma once

#include <memory>
#include <string>

#include "folder_listing.h"

namespace pindrel {

class Win32DirectoryLister final : public DirectoryLister {
 public:
  std::unique_ptr<DirectorySearch> Start(const std::wstring& pattern) override;
};

}  // namespace pindrel
