// Creation functions of Tessary's three classes, for the object table.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "module.h"

namespace tessary::com {

HRESULT CreateBusinessContact(IUnknown* outer, REFIID iid, void** object);
HRESULT CreateVCardStream(IUnknown* outer, REFIID iid, void** object);
HRESULT CreateVCardContact(IUnknown* outer, REFIID iid, void** object);

}  // namespace tessary::com
