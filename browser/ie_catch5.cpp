#include "browser/ie_catch5.h"

#include <cstdint>
#include <cstring>

#include "browser/wide_to_ansi.h"
#include "common/automation_values.h"
#include "handoff/handoff.h"
#include "screening/url_parts.h"

const InterfaceEntry<IeCatch5> IeCatch5::kInterfaces[] = {
    {&IID_IIeCatch5, InterfaceOf<IeCatch5, IIeCatch5>},
    {&IID_IDispatch, InterfaceOf<IeCatch5, IIeCatch5>},
    {&IID_IObjectWithSite, InterfaceOf<IeCatch5, IObjectWithSite>},
    {nullptr, nullptr},
};

namespace {

// The two arguments of BeforeNavigate2 that are read. rgvarg holds the arguments in reverse
// order: Cancel is element 0, the URL element 5.
struct BeforeNavigateArguments {
  VARIANT* url;
  VARIANT_BOOL* cancel;
};

// False for any other shape: such an event is left alone.
bool ReadBeforeNavigateArguments(const DISPPARAMS& params, BeforeNavigateArguments* arguments) noexcept {
  if (params.cArgs < 6 || params.rgvarg == nullptr) return false;
  const VARIANT& url = params.rgvarg[5];
  if (url.vt != (VT_BYREF | VT_VARIANT) || url.pvarVal == nullptr) return false;
  const VARIANT& cancel = params.rgvarg[0];
  if (cancel.vt != (VT_BYREF | VT_BOOL) || cancel.pboolVal == nullptr) return false;
  arguments->url = url.pvarVal;
  arguments->cancel = cancel.pboolVal;
  return true;
}

// Only "http:" and "ftp:" URLs are screened, whatever the case of their scheme.
bool HasScreenedScheme(const char* url) noexcept {
  const OwnedString scheme = ExtractUrlParts(url, URL_PART_SCHEME);
  if (!scheme) return false;
  ::CharLowerBuffA(scheme.get(), static_cast<DWORD>(std::strlen(scheme.get())));
  return std::strcmp(scheme.get(), "http:") == 0 || std::strcmp(scheme.get(), "ftp:") == 0;
}

}  // namespace

HRESULT IeCatch5::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT*, EXCEPINFO*,
                         UINT*) noexcept {
  if (pDispParams == nullptr || !m_pBrowser) return E_INVALIDARG;
  if (IsQuitEvent(dispIdMember)) {
    EndBrowserConnection();
    return S_OK;
  }
  if (dispIdMember != DISPID_BEFORENAVIGATE2) return S_OK;
  BeforeNavigateArguments arguments;
  if (!ReadBeforeNavigateArguments(*pDispParams, &arguments)) return S_OK;
  ScreenNavigation(arguments.url, arguments.cancel);
  return S_OK;
}

void IeCatch5::ScreenNavigation(VARIANT* url, VARIANT_BOOL* cancel) noexcept {
  // Read at every event: turning the helper objects off or monitoring off stops the screening
  // of connected objects at their next event, even against Alt and Ctrl.
  const uint32_t flags = ReadMonitorFlags();
  if ((flags & MONITOR_BY_HELPER_OBJECT) == 0 || (flags & MONITOR_OFF) != 0) return;

  ScopedVariant text;
  if (FAILED(::VariantCopy(text.Get(), url)) || FAILED(::VariantChangeType(text.Get(), text.Get(), 0, VT_BSTR))) return;
  const OwnedString ansiUrl = WideToAnsi(text->bstrVal);
  if (!HasScreenedScheme(ansiUrl.get())) return;

  // The page the browser shows now is where the link was followed from.
  BSTR location = nullptr;
  if (FAILED(m_pBrowser->get_LocationURL(&location))) location = nullptr;
  const UniqueBstr ownedLocation(location);
  const OwnedString referer = WideToAnsi(ownedLocation.Get());

  if (CatchUrl(ansiUrl.get(), 1, flags, referer.get()) != 0) *cancel = VARIANT_TRUE;
}

HRESULT CreateIeCatch5(IUnknown* outer, REFIID riid, void** object) noexcept {
  return CreateComObject<IeCatch5>(outer, riid, object);
}
