#include "dispatch.h"

#include <new>

#include "text.h"

namespace localstore::com {
namespace {

std::wstring Wide(std::string_view utf8) {
  std::u16string text = FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

bool Omitted(const VARIANT& v) {
  return V_VT(&v) == VT_EMPTY || (V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND);
}

}  // namespace

const VARIANT* Call::Arg(UINT i) const {
  if (i >= Count()) return nullptr;
  const VARIANT* v = &params_->rgvarg[params_->cArgs - 1 - i];
  // Scripts pass variables as references to VARIANTs, sometimes nested.
  for (int depth = 0; V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v) && depth < 8; ++depth)
    v = V_VARIANTREF(v);
  return v;
}

bool Call::Given(UINT i) const {
  const VARIANT* v = Arg(i);
  return v && !Omitted(*v);
}

const VARIANT* Call::Raw(UINT i) const { return Given(i) ? Arg(i) : nullptr; }

const VARIANT& Call::Value() const {
  const VARIANT* v = &params_->rgvarg[0];
  for (int depth = 0; V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v) && depth < 8; ++depth)
    v = V_VARIANTREF(v);
  return *v;
}

std::optional<std::wstring> Call::OptionalText(UINT i) const {
  const VARIANT* v = Raw(i);
  if (!v) return std::nullopt;
  Variant text;
  if (FAILED(VariantChangeType(text.Pointer(), const_cast<VARIANT*>(v), 0, VT_BSTR)))
    throw ArgumentFailure{DISP_E_TYPEMISMATCH, i};
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
  Variant number;
  if (FAILED(VariantChangeType(number.Pointer(), const_cast<VARIANT*>(v), 0, VT_I4)))
    throw ArgumentFailure{DISP_E_TYPEMISMATCH, i};
  return V_I4(&number.Get());
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

bool SameName(const wchar_t* a, const wchar_t* b) {
  for (;; ++a, ++b) {
    wchar_t x = *a, y = *b;
    if (x >= L'a' && x <= L'z') x = static_cast<wchar_t>(x - 32);
    if (y >= L'a' && y <= L'z') y = static_cast<wchar_t>(y - 32);
    if (x != y) return false;
    if (!x) return true;
  }
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
  }
}

}  // namespace localstore::com
