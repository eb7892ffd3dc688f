#include "dispatch.h"

#include <new>

#include "text.h"

namespace localstore::com {
namespace {

std::wstring Wide(std::string_view utf8) {
  std::u16string text = FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

// An omitted argument, also one passed by reference (hosts that pass
// every argument so send a reference to the VT_ERROR).
bool Omitted(const VARIANT& v) {
  if (V_VT(&v) == (VT_BYREF | VT_ERROR)) return V_ERRORREF(&v) && *V_ERRORREF(&v) == DISP_E_PARAMNOTFOUND;
  return V_VT(&v) == VT_EMPTY || (V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND);
}

// Scripts pass variables as references to VARIANTs, sometimes nested.
const VARIANT* Resolve(const VARIANT* v) {
  for (int depth = 0; V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v) && depth < 8; ++depth)
    v = V_VARIANTREF(v);
  return v;
}

}  // namespace

const VARIANT* Call::Arg(UINT i) const {
  if (i >= Count()) return nullptr;
  return Resolve(&params_->rgvarg[params_->cArgs - 1 - i]);
}

bool Call::Given(UINT i) const {
  const VARIANT* v = Arg(i);
  return v && !Omitted(*v);
}

const VARIANT* Call::Raw(UINT i) const { return Given(i) ? Arg(i) : nullptr; }

IUnknown* Call::Object(UINT i) const {
  const VARIANT* v = Raw(i);
  if (!v) return nullptr;
  switch (V_VT(v)) {
    case VT_NULL: return nullptr;
    case VT_DISPATCH: return V_DISPATCH(v);
    case VT_UNKNOWN: return V_UNKNOWN(v);
    case VT_BYREF | VT_DISPATCH: return V_DISPATCHREF(v) ? *V_DISPATCHREF(v) : nullptr;
    case VT_BYREF | VT_UNKNOWN: return V_UNKNOWNREF(v) ? *V_UNKNOWNREF(v) : nullptr;
    default: throw ArgumentFailure{DISP_E_TYPEMISMATCH, i};
  }
}

const VARIANT& Call::Value() const { return *Resolve(&params_->rgvarg[0]); }

Variant Call::ValueAs(VARTYPE type) const { return Convert(Value(), type, 0); }

Variant Call::Convert(const VARIANT& v, VARTYPE type, UINT i) const {
  Variant converted;
  if (FAILED(VariantChangeTypeEx(converted.Pointer(), const_cast<VARIANT*>(&v), locale_, 0, type)))
    throw ArgumentFailure{DISP_E_TYPEMISMATCH, i};
  return converted;
}

std::optional<std::wstring> Call::OptionalText(UINT i) const {
  const VARIANT* v = Raw(i);
  if (!v) return std::nullopt;
  Variant text = Convert(*v, VT_BSTR, i);
  BSTR b = V_BSTR(&text.Get());
  return std::wstring(b ? b : L"", b ? SysStringLen(b) : 0);
}

std::wstring Call::Text(UINT i) const {
  auto text = OptionalText(i);
  if (!text) throw ArgumentFailure{DISP_E_PARAMNOTFOUND, i};
  return *text;
}

std::optional<long> Call::OptionalLong(UINT i) const {
  const VARIANT* v = Raw(i);
  if (!v) return std::nullopt;
  return V_I4(&Convert(*v, VT_I4, i).Get());
}

long Call::Long(UINT i) const {
  auto number = OptionalLong(i);
  if (!number) throw ArgumentFailure{DISP_E_PARAMNOTFOUND, i};
  return *number;
}

void Call::Return(std::wstring_view text) {
  if (!result_) return;
  Bstr value(text);
  if (!value.Get()) throw std::bad_alloc();
  VariantClear(result_);
  V_VT(result_) = VT_BSTR;
  V_BSTR(result_) = value.Release();
}

void Call::Return(std::u16string_view text) {
  Return(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size()));
}

void Call::ReturnLong(long value) {
  if (!result_) return;
  VariantClear(result_);
  V_VT(result_) = VT_I4;
  V_I4(result_) = value;
}

void Call::ReturnBool(bool value) {
  if (!result_) return;
  VariantClear(result_);
  V_VT(result_) = VT_BOOL;
  V_BOOL(result_) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void Call::ReturnDate(double value) {
  if (!result_) return;
  VariantClear(result_);
  V_VT(result_) = VT_DATE;
  V_DATE(result_) = value;
}

void Call::ReturnObject(ComPtr<IDispatch> object) {
  if (!result_) return;
  VariantClear(result_);
  V_VT(result_) = VT_DISPATCH;
  V_DISPATCH(result_) = object.Detach();
}

void Call::ReturnUnknown(ComPtr<IUnknown> object) {
  if (!result_) return;
  VariantClear(result_);
  V_VT(result_) = VT_UNKNOWN;
  V_UNKNOWN(result_) = object.Detach();
}

HRESULT ReportFailure(EXCEPINFO* exception, HRESULT code, std::wstring_view text) {
  if (exception) {
    *exception = EXCEPINFO{};
    exception->bstrSource = Bstr(L"LocalStore").Release();
    exception->bstrDescription = Bstr(text).Release();
    exception->scode = code;
  }
  return DISP_E_EXCEPTION;
}

HRESULT InvokeHandler(std::function<void(Call&)> handler, Call& call, EXCEPINFO* exception,
                      UINT* arg_error, UINT args) {
  try {
    handler(call);
    return S_OK;
  } catch (const ArgumentFailure& failure) {
    // The position counts from the end, as rgvarg holds the arguments.
    if (arg_error && failure.position < args) *arg_error = args - 1 - failure.position;
    return failure.hr;
  } catch (const StoreFailure& failure) {
    return ReportFailure(exception, static_cast<HRESULT>(failure.code()), Wide(failure.what()));
  } catch (const std::bad_alloc&) {
    return ReportFailure(exception, E_OUTOFMEMORY, L"not enough memory");
  } catch (const std::exception& failure) {
    // Anything else would end the caller's process.
    std::wstring what = Wide(failure.what());
    return ReportFailure(exception, E_FAIL, L"the local store failed: " + (what.empty() ? L"no reason given" : what));
  } catch (...) {
    return ReportFailure(exception, E_UNEXPECTED, L"the local store failed for a reason it cannot name");
  }
}

namespace {

class Enumerator final : public Counted<IEnumVARIANT> {
 public:
  Enumerator(std::shared_ptr<const MakeObject> make, std::size_t count, std::size_t next)
      : make_(std::move(make)), count_(count), next_(next) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumVARIANT)) return E_NOINTERFACE;
    *object = static_cast<IEnumVARIANT*>(this);
    AddRef();
    return S_OK;
  }

  STDMETHODIMP Next(ULONG wanted, VARIANT* objects, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (wanted == 0) return S_OK;
    if (!objects || (wanted > 1 && !fetched)) return E_POINTER;
    ULONG got = 0;
    // As at Invoke, nothing may be thrown to the caller; a failure gives
    // back what it had fetched and leaves the position where it was.
    try {
      for (; got < wanted && next_ + got < count_; ++got) {
        ComPtr<IDispatch> object = (*make_)(next_ + got);
        VariantInit(&objects[got]);
        V_VT(&objects[got]) = VT_DISPATCH;
        V_DISPATCH(&objects[got]) = object.Detach();
      }
    } catch (...) {
      for (ULONG k = 0; k < got; ++k) VariantClear(&objects[k]);
      return Failed();
    }
    next_ += got;
    if (fetched) *fetched = got;
    return got == wanted ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    std::size_t left = count_ - next_;
    next_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    next_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumVARIANT** copy) override {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    try {
      *copy = std::make_unique<Enumerator>(make_, count_, next_).release();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    (*copy)->AddRef();
    return S_OK;
  }

 private:
  // The code of the failure being handled.
  static HRESULT Failed() {
    try {
      throw;
    } catch (const StoreFailure& failure) {
      return static_cast<HRESULT>(failure.code());
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

  std::shared_ptr<const MakeObject> make_;
  std::size_t count_;
  std::size_t next_;
};

}  // namespace

ComPtr<IUnknown> NewEnumerator(std::size_t count, MakeObject make) {
  auto enumerator = std::make_unique<Enumerator>(std::make_shared<const MakeObject>(std::move(make)), count, 0);
  return ComPtr<IUnknown>(static_cast<IEnumVARIANT*>(enumerator.release()));
}

}  // namespace localstore::com
