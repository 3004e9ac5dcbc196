#pragma once
// The four classes as the registry and the type library must show them.
#include <windows.h>

#include <string>
#include <vector>

#include "navtrap_idl.h"
#include "server_test_support.h"

struct ClassIdentity {
  const char* name;
  const CLSID* clsid;
  const char* progId;  // version-independent; the versioned one adds ".1"
  const char* description;
};

inline const std::vector<ClassIdentity>& Classes() {
  static const std::vector<ClassIdentity> classes = {
      {"IeCatch", &CLSID_IeCatch, "Ostrel.IeCatch", "IeCatch Class"},
      {"OstrelNetscape", &CLSID_OstrelNetscape, "Ostrel.Netscape", "OstrelNetscape Class"},
      {"IeCatch2", &CLSID_IeCatch2, "Navtrap.IeCatch2", "IeCatch2 Class"},
      {"IeCatch5", &CLSID_IeCatch5, "Navtrap.IeCatch5", "IeCatch5 Class"},
  };
  return classes;
}

inline const char kLibidText[] = "{3C9E2A17-5B40-4D21-9A6E-71F0C4B8D052}";
inline const char kHelperObjectsKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";

inline std::string ClassKey(const ClassIdentity& c) { return "CLSID\\" + GuidText(*c.clsid); }

// The thirteen entries of one class under HKEY_CLASSES_ROOT, as DumpTree writes them.
inline std::vector<std::string> ExpectedClassEntries(const ClassIdentity& c, const std::string& module) {
  const std::string p = c.progId, p1 = p + ".1", d = c.description, x = GuidText(*c.clsid), k = ClassKey(c);
  std::vector<std::string> lines = {
      p1, p1 + "|@=" + d, p1 + "\\CLSID", p1 + "\\CLSID|@=" + x,                            // 1, 2
      p, p + "|@=" + d, p + "\\CLSID", p + "\\CLSID|@=" + x, p + "\\CurVer", p + "\\CurVer|@=" + p1,  // 3, 4, 5
      k, k + "|@=" + d,                                                                      // 7 (6 is CLSID)
      k + "\\ProgID", k + "\\ProgID|@=" + p1,                                                // 8
      k + "\\VersionIndependentProgID", k + "\\VersionIndependentProgID|@=" + p,             // 9
      k + "\\Programmable",                                                                  // 10
      k + "\\InprocServer32", k + "\\InprocServer32|@=" + module,                            // 11
      k + "\\InprocServer32|ThreadingModel=Apartment",                                       // 12
      k + "\\TypeLib", k + "\\TypeLib|@=" + kLibidText,                                      // 13
  };
  std::sort(lines.begin(), lines.end());
  return lines;
}

// What the registry holds under the three keys of one class.
inline std::vector<std::string> ActualClassEntries(const ClassIdentity& c) {
  std::vector<std::string> lines;
  for (const std::string& key : {std::string(c.progId) + ".1", std::string(c.progId), ClassKey(c)}) {
    std::vector<std::string> part = DumpTree(HKEY_CLASSES_ROOT, key);
    lines.insert(lines.end(), part.begin(), part.end());
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

inline bool ClassKeysGone(const ClassIdentity& c) {
  return !KeyExists(HKEY_CLASSES_ROOT, std::string(c.progId) + ".1") && !KeyExists(HKEY_CLASSES_ROOT, c.progId) &&
         !KeyExists(HKEY_CLASSES_ROOT, ClassKey(c));
}

inline std::string HelperObjectKey() { return std::string(kHelperObjectsKey) + "\\" + GuidText(CLSID_IeCatch5); }

inline std::string TypeLibraryPath() {
  return ReadString(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kLibidText + "\\1.0\\0\\win32");
}
