// navtrap-demo-host: a stand-in browser for the demo, using navtrap only as a browser would,
// through its registration.
//   navtrap-demo-host browser URL...    WebBrowser control with the helper object IeCatch5
//   navtrap-demo-host protocol URL...   urlmon with IeCatch as the http handler
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "roads.h"

int wmain(int argc, wchar_t** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc >= 3 && std::wcscmp(argv[1], L"browser") == 0) return RunBrowserRoad(argc - 2, argv + 2);
  if (argc >= 3 && std::wcscmp(argv[1], L"protocol") == 0) return RunProtocolRoad(argc - 2, argv + 2);
  std::fprintf(stderr, "usage: navtrap-demo-host browser|protocol URL...\n");
  return 2;
}
