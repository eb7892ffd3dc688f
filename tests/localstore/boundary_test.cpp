// The local store's COM boundary on its own, without the module: whatever a
// member throws becomes an Invoke result with its code and a description in
// EXCEPINFO, never an exception in the caller's process; and the
// enumerator a collection hands to For Each walks, skips, starts again,
// copies itself and reports a failure without throwing.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "dispatch.h"

namespace {

using namespace localstore::com;
using localstore::Code;
using localstore::StoreFailure;

TEST(Boundary, EveryFailureBecomesAnInvokeResult) {
  struct Case {
    const char* what;
    std::function<void()> fail;
    HRESULT hr;
    HRESULT scode;
    std::wstring description;  // empty: only that there is one
  };
  const std::vector<Case> cases = {
      {"nothing", [] {}, S_OK, S_OK, L""},
      {"an argument that does not fit", [] { throw ArgumentFailure{DISP_E_TYPEMISMATCH, 1}; }, DISP_E_TYPEMISMATCH,
       S_OK, L""},
      {"the store's own failure", [] { throw StoreFailure(Code::NotFound, "no such folder"); }, DISP_E_EXCEPTION,
       static_cast<HRESULT>(Code::NotFound), L"no such folder"},
      {"memory", [] { throw std::bad_alloc(); }, DISP_E_EXCEPTION, E_OUTOFMEMORY, L"not enough memory"},
      {"any other standard exception", [] { throw std::out_of_range("position 9"); }, DISP_E_EXCEPTION, E_FAIL,
       L"the local store failed: position 9"},
      {"one without a text", [] { throw std::runtime_error(""); }, DISP_E_EXCEPTION, E_FAIL,
       L"the local store failed: no reason given"},
      {"not even a standard exception", [] { throw 42; }, DISP_E_EXCEPTION, E_UNEXPECTED, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DISPPARAMS none{};
    Call call(1, &none, nullptr);
    EXCEPINFO exception{};
    UINT arg_error = ~0u;
    HRESULT hr = InvokeHandler([&](Call&) { c.fail(); }, call, &exception, &arg_error, 2);
    EXPECT_EQ(hr, c.hr) << std::hex << hr;
    if (hr == DISP_E_EXCEPTION) {
      EXPECT_EQ(exception.scode, c.scode) << std::hex << exception.scode;
      ASSERT_NE(exception.bstrDescription, nullptr);
      if (!c.description.empty()) {
        EXPECT_EQ(std::wstring(exception.bstrDescription), c.description);
      } else {
        EXPECT_GT(SysStringLen(exception.bstrDescription), 0u);
      }
    }
    if (hr == DISP_E_TYPEMISMATCH) {
      EXPECT_EQ(arg_error, 0u);  // counted from the end, as rgvarg holds them
    }
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
  }
}

TEST(Boundary, EnumeratorWalksSkipsStartsAgainAndCopiesItself) {
  std::vector<std::size_t> made;  // the indexes asked for, in order
  std::function<void(std::size_t)> fail_at = [](std::size_t) {};
  {
    ComPtr<IUnknown> unknown = NewEnumerator(4, [&](std::size_t i) {
      fail_at(i);
      made.push_back(i);
      return ComPtr<IDispatch>();
    });
    ComPtr<IEnumVARIANT> walk;
    ASSERT_EQ(unknown.As(&walk), S_OK);
    VARIANT got[3];
    ULONG fetched = 99;

    EXPECT_EQ(walk->Next(2, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(V_VT(&got[0]), VT_DISPATCH);
    ComPtr<IEnumVARIANT> copy;
    ASSERT_EQ(walk->Clone(&copy), S_OK);
    EXPECT_EQ(walk->Skip(1), S_OK);
    EXPECT_EQ(walk->Next(3, got, &fetched), S_FALSE);  // only the last one is left
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(walk->Skip(1), S_FALSE);
    EXPECT_EQ(walk->Next(1, got, nullptr), S_FALSE);
    EXPECT_EQ(walk->Reset(), S_OK);
    EXPECT_EQ(walk->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(copy->Next(1, got, nullptr), S_OK);  // the copy goes on where it was made
    EXPECT_EQ(made, (std::vector<std::size_t>{0, 1, 3, 0, 2}));

    // A failure is returned, not thrown, and leaves the position as it was.
    struct Case {
      const char* what;
      std::function<void(std::size_t)> fail;
      HRESULT hr;
    };
    const std::vector<Case> cases = {
        {"the store's failure gives its code",
         [](std::size_t i) {
           if (i == 2) throw StoreFailure(Code::NotFound, "gone");
         },
         static_cast<HRESULT>(Code::NotFound)},
        {"any other gives E_UNEXPECTED",
         [](std::size_t i) {
           if (i == 2) throw std::logic_error("bad");
         },
         E_UNEXPECTED},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      fail_at = c.fail;
      walk->Reset();
      EXPECT_EQ(walk->Next(1, got, nullptr), S_OK);
      fetched = 99;
      EXPECT_EQ(walk->Next(3, got, &fetched), c.hr);
      EXPECT_EQ(fetched, 0u);
      fail_at = [](std::size_t) {};
      EXPECT_EQ(walk->Next(1, got, nullptr), S_OK);
      EXPECT_EQ(made.back(), 1u);  // the one after the first, again
    }
  }
  EXPECT_TRUE(comsupport::ModuleUnused());  // every enumerator has gone
}

}  // namespace
