#include "browser/ostrel_netscape.h"

#include <olectl.h>

#include <cstdint>

#include "browser/ansi_string_list.h"
#include "browser/bstr_list_view.h"
#include "browser/wide_to_ansi.h"
#include "handoff/handoff.h"
#include "handoff/handoff_protocol.h"
#include "screening/monitor_flags.h"
#include "screening/monitor_settings.h"
#include "server/dispatch_type_info.h"

const InterfaceEntry<OstrelNetscape> OstrelNetscape::kInterfaces[] = {
    {&IID_IOstrelNetscape, InterfaceOf<OstrelNetscape, IOstrelNetscape>},
    {&IID_IObjectSafety, InterfaceOf<OstrelNetscape, IObjectSafety>},
    {&IID_IDispatch, InterfaceOf<OstrelNetscape, IOstrelNetscape>},
    {nullptr, nullptr},
};

namespace {

// Every method that talks to the manager finds its window first, which may start the manager
// and wait for it, and only then looks at its arguments.
bool FindManager(HWND* manager) noexcept {
  *manager = FindManagerWindow();
  return ::IsWindow(*manager) != FALSE;
}

// A request whose answer the method reports: no block, or the manager's failure reply, fails.
bool RequestAnswered(const DeliveryOutcome& outcome) noexcept {
  return outcome.status == DeliveryStatus::kReplied && outcome.reply != REPLY_FAILED;
}

}  // namespace

HRESULT OstrelNetscape::GetTypeInfoCount(UINT* pctinfo) noexcept {
  if (pctinfo == nullptr) return E_POINTER;
  *pctinfo = 1;
  return S_OK;
}

HRESULT OstrelNetscape::GetTypeInfo(UINT, LCID lcid, ITypeInfo** ppTInfo) noexcept {
  return GetDispatchTypeInfo(IID_IOstrelNetscape, lcid, ppTInfo);
}

HRESULT OstrelNetscape::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) noexcept {
  return GetDispatchIDsOfNames(IID_IOstrelNetscape, rgszNames, cNames, lcid, rgDispId);
}

HRESULT OstrelNetscape::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                               VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept {
  return InvokeThroughTypeInfo(IID_IOstrelNetscape, static_cast<IOstrelNetscape*>(this), dispIdMember, wFlags,
                               pDispParams, pVarResult, pExcepInfo, puArgErr);
}

HRESULT OstrelNetscape::Initialize(BSTR, BSTR pUrl, VARIANT_BOOL* Cancel) noexcept {
  if (Cancel == nullptr) return E_POINTER;
  const uint32_t flags = ReadMonitorFlags();
  if ((flags & MONITOR_OFF) != 0) {
    *Cancel = VARIANT_FALSE;
    return S_OK;
  }
  const OwnedString url = WideToAnsi(pUrl);
  *Cancel = CatchUrl(url.get(), 0, flags, nullptr) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT OstrelNetscape::Open(BSTR) noexcept { return S_OK; }

HRESULT OstrelNetscape::AddUrl(BSTR pUrl, BSTR pInfo, BSTR pReferer) noexcept {
  HWND manager = nullptr;
  if (!FindManager(&manager)) return S_OK;
  const OwnedString referer = WideToAnsi(pReferer);
  const OwnedString url = WideToAnsi(pUrl);
  const OwnedString info = WideToAnsi(pInfo);
  DeliverRecord(manager, UrlRecord{referer.get(), url.get(), info.get()});
  return S_OK;  // whatever the manager answered
}

HRESULT OstrelNetscape::AddUrlList(VARIANT* pList) noexcept {
  HWND manager = nullptr;
  if (!FindManager(&manager)) return E_FAIL;
  BstrListView list;
  const HRESULT checked = list.Open(pList);
  if (FAILED(checked)) return checked;
  AnsiStringList urls;
  if (!urls.Convert(list)) return E_OUTOFMEMORY;
  list.Unlock();  // before the message: the manager may take its time
  const DeliveryOutcome outcome = DeliverRecord(manager, UrlListRecord{urls.Strings(), urls.Count()});
  return outcome.status == DeliveryStatus::kNoFile ? CTL_E_BADFILEMODE : S_OK;
}

HRESULT OstrelNetscape::IsUrlExist(BSTR pUrl, VARIANT_BOOL* pVal) noexcept {
  HWND manager = nullptr;
  if (!FindManager(&manager)) return E_FAIL;
  if (pVal == nullptr) return E_POINTER;
  const OwnedString url = WideToAnsi(pUrl);
  const DeliveryOutcome outcome = DeliverRecord(manager, UrlQueryRecord{url.get()});
  if (!RequestAnswered(outcome)) return E_FAIL;
  *pVal = outcome.reply != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT OstrelNetscape::AddUrlEx(BSTR pUrl, BSTR pInfo, BSTR pReferer, BSTR pSaveTo, LONG uFlags,
                                 VARIANT_BOOL* pVal) noexcept {
  HWND manager = nullptr;
  if (!FindManager(&manager)) return E_FAIL;
  if (pVal == nullptr) return E_POINTER;
  const OwnedString saveTo = WideToAnsi(pSaveTo);
  const OwnedString referer = WideToAnsi(pReferer);
  const OwnedString url = WideToAnsi(pUrl);
  const OwnedString info = WideToAnsi(pInfo);
  const DeliveryOutcome outcome =
      DeliverRecord(manager, UrlExRecord{static_cast<int32_t>(uFlags), saveTo.get(), referer.get(), url.get(), info.get()});
  if (!RequestAnswered(outcome)) return E_FAIL;
  *pVal = VARIANT_TRUE;  // any answer but the failure reply, 0 included
  return S_OK;
}

HRESULT OstrelNetscape::AddUrlListEx(VARIANT* pList, BSTR pSaveTo, LONG uFlags, LONG* pVal) noexcept {
  HWND manager = nullptr;
  if (!FindManager(&manager)) return E_FAIL;
  if (pVal == nullptr) return E_POINTER;
  BstrListView list;
  const HRESULT checked = list.Open(pList);
  if (FAILED(checked)) return checked;
  const OwnedString saveTo = WideToAnsi(pSaveTo);
  AnsiStringList urls;
  if (!urls.Convert(list)) return E_OUTOFMEMORY;
  list.Unlock();
  const DeliveryOutcome outcome = DeliverRecord(
      manager, UrlListExRecord{static_cast<int32_t>(uFlags), saveTo.get(), urls.Strings(), urls.Count()});
  if (!RequestAnswered(outcome)) return E_FAIL;
  *pVal = static_cast<LONG>(outcome.reply);
  return S_OK;
}

HRESULT CreateOstrelNetscape(IUnknown* outer, REFIID riid, void** object) noexcept {
  return CreateComObject<OstrelNetscape>(outer, riid, object);
}
