// The store interfaces over the store library's automation objects, reached
// late-bound through IDispatch: member names are looked up at run time (their
// DISPIDs differ between versions of the library) and cached per object type.
// COM must be initialised on the calling thread.
#pragma once

#include <memory>
#include <string_view>

#include "store.h"

struct IDispatch;

namespace pindrel::store {

// The ProgID of the store library's session class.
inline constexpr std::wstring_view kSessionProgID = L"Redemption.RDOSession";

// Sessions of the library registered under kSessionProgID.
SessionFactory DispatchSessionFactory();

// A new session of the class registered under `prog_id`; StoreError with the
// failing HRESULT (CO_E_CLASSSTRING when nothing is registered there).
std::unique_ptr<Session> CreateDispatchSession(std::wstring_view prog_id);

// A session over an object the caller already holds (it is AddRef'ed).
std::unique_ptr<Session> WrapSession(IDispatch* session);

}  // namespace pindrel::store
