// A second process for the hand-off tests.
//   handoff_peer hold-mapping NAME SIZE FILL READY RELEASE
//       holds a page-file mapping NAME of SIZE bytes filled with FILL, sets the event READY and
//       keeps it until the event RELEASE is set.
//   handoff_peer hand-off LABEL COUNT GO
//       waits for the event GO, then delivers COUNT records (see overlap_records.h) to the
//       manager's window; the exit code is the number that did not get the expected reply.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "overlap_records.h"

namespace {

void SetNamedEvent(const char* name) {
  HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
  if (event != nullptr) {
    ::SetEvent(event);
    ::CloseHandle(event);
  }
}

int HoldMapping(const char* name, DWORD size, int fill, const char* ready, const char* release) {
  HANDLE releaseEvent = ::OpenEventA(SYNCHRONIZE, FALSE, release);
  HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
  if (mapping == nullptr || releaseEvent == nullptr) return 10;
  void* view = ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  if (view == nullptr) return 11;
  std::memset(view, fill, size);
  SetNamedEvent(ready);
  ::WaitForSingleObject(releaseEvent, 60000);
  ::UnmapViewOfFile(view);
  ::CloseHandle(mapping);
  ::CloseHandle(releaseEvent);
  return 0;
}

int HandOff(const std::string& label, int count, const char* go) {
  HANDLE goEvent = ::OpenEventA(SYNCHRONIZE, FALSE, go);
  if (goEvent == nullptr) return 100;
  ::WaitForSingleObject(goEvent, 60000);
  ::CloseHandle(goEvent);
  HWND manager = ::FindWindowExA(nullptr, nullptr, "Ostrel Class", nullptr);
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    if (!DeliverOverlapRecord(manager, OverlapRecord(label, i))) ++failures;
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 7 && std::strcmp(argv[1], "hold-mapping") == 0) {
    return HoldMapping(argv[2], std::strtoul(argv[3], nullptr, 10), std::atoi(argv[4]), argv[5], argv[6]);
  }
  if (argc == 5 && std::strcmp(argv[1], "hand-off") == 0) return HandOff(argv[2], std::atoi(argv[3]), argv[4]);
  std::fprintf(stderr, "usage: handoff_peer hold-mapping NAME SIZE FILL READY RELEASE | hand-off LABEL COUNT GO\n");
  return 2;
}
