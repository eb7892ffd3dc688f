// Registers and unregisters from the registry scripts embedded in the
// module as resources of type "REGISTRY".
#pragma once

#include <windows.h>

#include <string>

namespace comsupport {

enum class RegistryAction { Register, Unregister };

// Registration writes the script's keys and values (ForceRemove keys are
// deleted whole first) and stops at the first failure. Unregistration
// deletes every key not marked NoRemove whole, walks into NoRemove keys to
// delete what lies below them, and ignores keys that are already gone.
HRESULT RunRegistryScript(HMODULE module, UINT resource_id, RegistryAction action);

// The full path of `module`'s file; empty when it cannot be found.
std::wstring ModulePath(HMODULE module);

}  // namespace comsupport
