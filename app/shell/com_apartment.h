// COM on the calling thread, as a single-threaded apartment, for the life of
// the object: joins the thread's apartment if there is one already, else
// makes one and leaves it again at the end.
#pragma once

#include <objbase.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace pindrel {

class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // Whether COM can be used on this thread: set up here, or already set up
  // before (in either model). Without it every object the program creates
  // fails, and each failure would blame the object's library instead.
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  // For the user when it is not: `what` could not be done, and the code
  // Windows gave.
  std::string FailureText(std::string_view what) const {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result_));
    return std::string(what) + ": Windows could not set up COM for it (CoInitializeEx failed with error " + code +
           ").";
  }

 private:
  HRESULT result_;
};

}  // namespace pindrel
