// The two placeholder classes: BusinessContact and VCardContact keep no
// data. Every put discards its argument, every get succeeds with no string,
// and BusinessContact's Dummy does nothing. They exist so that clients
// written against the type library can create them.
#include "classes.h"
#include "dispatch_object.h"
#include "tessary.h"

namespace tessary::com {
namespace {

class BusinessContactObject final : public DispatchObject<IBusinessContact> {
 public:
  STDMETHODIMP get_Name(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Name(BSTR) override { return S_OK; }
  STDMETHODIMP get_FullName(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_FullName(BSTR) override { return S_OK; }
  STDMETHODIMP get_Title(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Title(BSTR) override { return S_OK; }
  STDMETHODIMP get_Org(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Org(BSTR) override { return S_OK; }
  STDMETHODIMP get_Telephone(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Telephone(BSTR) override { return S_OK; }
  STDMETHODIMP get_Rev(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Rev(BSTR) override { return S_OK; }
  STDMETHODIMP get_Version(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Version(BSTR) override { return S_OK; }
  STDMETHODIMP get_Address(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Address(BSTR) override { return S_OK; }
  STDMETHODIMP get_Label(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Label(BSTR) override { return S_OK; }
  STDMETHODIMP get_Email(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Email(BSTR) override { return S_OK; }
  STDMETHODIMP get_Note(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Note(BSTR) override { return S_OK; }
  STDMETHODIMP Dummy() override { return S_OK; }
};

class VCardContactObject final : public DispatchObject<IVCardContact> {
 public:
  STDMETHODIMP get_EmailAddress(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_EmailAddress(BSTR) override { return S_OK; }
  STDMETHODIMP get_FullName(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_FullName(BSTR) override { return S_OK; }
  STDMETHODIMP get_Name(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Name(BSTR) override { return S_OK; }
  STDMETHODIMP get_Label(BSTR* value) override { return NoString(value); }
  STDMETHODIMP put_Label(BSTR) override { return S_OK; }
};

}  // namespace

HRESULT CreateBusinessContact(IUnknown* outer, REFIID iid, void** object) {
  return DispatchObject<IBusinessContact>::Create<BusinessContactObject>(outer, iid, object);
}

HRESULT CreateVCardContact(IUnknown* outer, REFIID iid, void** object) {
  return DispatchObject<IVCardContact>::Create<VCardContactObject>(outer, iid, object);
}

}  // namespace tessary::com
