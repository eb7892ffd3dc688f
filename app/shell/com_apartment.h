// COM on the calling thread, as a single-threaded apartment, for the life of
// the object: joins the thread's apartment if there is one already, else
// makes one and leaves it again at the end.
#pragma once

#include <objbase.h>

namespace pindrel {

class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

}  // namespace pindrel
