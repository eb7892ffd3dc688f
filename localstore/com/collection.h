// The members every collection of the store answers, written once: _Item
// (its default member) and Item by position or name, Count, and _NewEnum for
// a script's For Each. `T` says what it holds:
//
//   std::size_t Size();                   how many it holds now
//   ComPtr<IDispatch> At(long position);  from 1; NotFound out of range
//   ComPtr<IDispatch> Named(std::u16string_view name);   NotFound for none;
//                                         only when T::kNamed is true
//   Walk Snapshot();                      what _NewEnum walks: the count
//                                         now, and each object when reached
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "dispatch.h"
#include "dispids.h"
#include "profile.h"

namespace localstore::com {

using Walk = std::pair<std::size_t, MakeObject>;

// NotFound for a position outside 1..`size`: "there is no store at position
// 9; the profile has 2".
void CheckPosition(long position, std::size_t size, const char* what, const char* holder);

template <class T>
class Collection : public Automation<T> {
 public:
  // The collection's rows, then `own`.
  static std::vector<Member<T>> MembersWith(std::initializer_list<Member<T>> own) {
    std::vector<Member<T>> members = {
        Getter<T>(LS_DISPID_DEFAULT, &T::Item),
        Getter<T>(LS_DISPID_NEWENUM, &T::NewEnum),
        Getter<T>(LS_DISPID_COUNT, &T::Count),
        Method<T>(LS_DISPID_ITEM, &T::Item, 1, 1),
    };
    members.front().min_args = members.front().max_args = 1;
    members.insert(members.end(), own);
    return members;
  }

  void Count(Call& call) { call.ReturnLong(static_cast<long>(Self().Size())); }

  void Item(Call& call) {
    const VARIANT* index = call.Raw(0);
    if (!index) throw ArgumentFailure{DISP_E_PARAMNOTFOUND, 0};
    if constexpr (T::kNamed) {
      if (V_VT(index) == VT_BSTR || V_VT(index) == (VT_BSTR | VT_BYREF)) {
        std::wstring name = call.Text(0);
        return call.ReturnObject(
            Self().Named(std::u16string_view(reinterpret_cast<const char16_t*>(name.data()), name.size())));
      }
    }
    call.ReturnObject(Self().At(call.Long(0)));
  }

  void NewEnum(Call& call) {
    auto [count, make] = Self().Snapshot();
    call.ReturnUnknown(NewEnumerator(count, std::move(make)));
  }

 private:
  T& Self() { return static_cast<T&>(*this); }
};

}  // namespace localstore::com
