// Tessary.dll's classes are written against the shared COM support
// (com/): its owners, its dispatch base and its module lock.
#pragma once

#include "com_util.h"
#include "dispatch_object.h"
#include "module_lock.h"

namespace tessary::com {

using namespace comsupport;

}  // namespace tessary::com
