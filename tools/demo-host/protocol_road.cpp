// The protocol road: urlmon creates IeCatch (by its registered class) for every http request,
// as the browser's URL moniker layer does for a scheme the handler is attached to.
#include <windows.h>
#include <urlmon.h>

#include <cstdio>

#include "roads.h"

namespace {

const char* Describe(HRESULT hr) {
  if (hr == S_OK) return "downloaded by the default handler";
  if (hr == INET_E_USE_DEFAULT_PROTOCOLHANDLER) return "stepped aside (the default handler loads it)";
  if (hr == E_ABORT) return "ended with no data (caught)";
  return "failed";
}

}  // namespace

int RunProtocolRoad(int count, wchar_t** urls) {
  ::CoInitialize(nullptr);
  CLSID clsid;
  IClassFactory* factory = nullptr;
  IInternetSession* session = nullptr;
  int status = 1;
  if (SUCCEEDED(::CLSIDFromProgID(L"Ostrel.IeCatch", &clsid)) &&
      SUCCEEDED(::CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory))) &&
      SUCCEEDED(::CoInternetGetSession(0, &session, 0)) &&
      SUCCEEDED(session->RegisterNameSpace(factory, clsid, L"http", 0, nullptr, 0))) {
    status = 0;
    wchar_t folder[MAX_PATH];
    wchar_t target[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"nt", 0, target);
    for (int i = 0; i < count; ++i) {
      const HRESULT hr = ::URLDownloadToFileW(nullptr, urls[i], target, 0, nullptr);
      std::printf("RESULT road=protocol url=%ls browser=%s hr=0x%08lx\n", urls[i], Describe(hr), static_cast<unsigned long>(hr));
    }
    ::DeleteFileW(target);
    session->UnregisterNameSpace(factory, L"http");
  } else {
    std::fprintf(stderr, "navtrap-demo-host: IeCatch is not registered\n");
  }
  if (session != nullptr) session->Release();
  if (factory != nullptr) factory->Release();
  ::CoUninitialize();
  return status;
}
