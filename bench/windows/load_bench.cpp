// What a host pays to use navtrap.dll once: LoadLibrary, DllGetClassObject, CreateInstance,
// Release of the object and the factory, FreeLibrary; the same for a trivial server built with
// the same flags, alternating in one run so both see the same machine.
//
//   cmake --build build/win32 --target load_bench navtrap trivial_server
//   WINEPREFIX=$PWD/build/win32/wineprefix WINEDEBUG=-all wine build/win32/bench/windows/load_bench.exe [rounds]
//
// Prints, per DLL and per step, the median and the 10th and 90th percentiles in microseconds.
// The system DLLs both import stay loaded throughout, as they are in any host.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/windows/qpc_clock.h"
#include "navtrap_idl.h"

namespace {

enum Step { kLoad, kGetClassObject, kCreateInstance, kRelease, kFree, kWhole, kStepCount };
const char* const kStepNames[] = {"LoadLibrary", "DllGetClassObject", "CreateInstance", "Release both",
                                  "FreeLibrary", "whole round"};

struct Subject {
  const char* name;
  std::string path;
  const CLSID* clsid;
  std::vector<double> times[kStepCount];
  int failures = 0;
};

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// One round; false when a step failed or the library stayed loaded.
bool Round(Subject& subject, bool record) {
  double t[kStepCount + 1];
  t[0] = NowMicroseconds();
  HMODULE module = ::LoadLibraryA(subject.path.c_str());
  t[1] = NowMicroseconds();
  if (module == nullptr) return false;
  auto getClassObject = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  HRESULT hr = getClassObject != nullptr
                   ? getClassObject(*subject.clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))
                   : E_FAIL;
  t[2] = NowMicroseconds();
  IUnknown* object = nullptr;
  if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object));
  t[3] = NowMicroseconds();
  if (object != nullptr) object->Release();
  if (factory != nullptr) factory->Release();
  t[4] = NowMicroseconds();
  ::FreeLibrary(module);
  t[5] = NowMicroseconds();
  bool unloaded = ::GetModuleHandleA(subject.path.c_str()) == nullptr;
  if (FAILED(hr) || !unloaded) return false;
  if (record) {
    for (int step = kLoad; step <= kFree; ++step) subject.times[step].push_back(t[step + 1] - t[step]);
    subject.times[kWhole].push_back(t[5] - t[0]);
  }
  return true;
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * (values.size() - 1))];
}

std::string BesideThisProgram(const char* relative) {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  folder.resize(folder.find_last_of('\\') + 1);
  return folder + relative;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
  ::CoInitialize(nullptr);
  // A host (browser, script host) has the system DLLs that navtrap imports loaded already;
  // keeping them loaded here measures navtrap's own cost, not theirs.
  for (const char* system : {"user32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll"}) ::LoadLibraryA(system);
  // The build puts navtrap.dll two folders up and the trivial server beside this program.
  Subject subjects[] = {
      {"navtrap.dll (OstrelNetscape)", BesideThisProgram("..\\..\\navtrap.dll"), &CLSID_OstrelNetscape, {}},
      {"trivial_server.dll", BesideThisProgram("trivial_server.dll"), &CLSID_OstrelNetscape, {}},
  };
  for (int warmUp = 0; warmUp < 50; ++warmUp) {
    for (Subject& subject : subjects) Round(subject, false);
  }
  for (int round = 0; round < rounds; ++round) {
    for (Subject& subject : subjects) {
      if (!Round(subject, true)) ++subject.failures;
    }
  }
  std::printf("load, use once and unload, %d rounds each, alternating (microseconds: median [p10, p90])\n", rounds);
  for (Subject& subject : subjects) {
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    ::GetFileAttributesExA(subject.path.c_str(), GetFileExInfoStandard, &file);
    std::printf("%s, %lu bytes%s\n", subject.name, file.nFileSizeLow,
                subject.failures != 0 ? (" - " + std::to_string(subject.failures) + " rounds failed").c_str() : "");
    for (int step = 0; step < kStepCount; ++step) {
      std::printf("  %-18s %9.1f [%9.1f, %9.1f]\n", kStepNames[step], Percentile(subject.times[step], 0.5),
                  Percentile(subject.times[step], 0.1), Percentile(subject.times[step], 0.9));
    }
  }
  ::CoUninitialize();
  return 0;
}
