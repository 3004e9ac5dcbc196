// The four registration scripts, read as the registrar reads them, against the entries each
// class must get.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "script_walk.h"
#include "server/script_placeholders.h"

namespace {

struct ClassScript {
  const char* file;
  const char* progId;  // version-independent; the versioned one adds ".1"
  const char* description;
  const char* clsid;
};

const ClassScript kScripts[] = {
    {"ie_catch.rgs", "Ostrel.IeCatch", "IeCatch Class", "{6A1F0B93-2E47-4C85-B1D9-0E53A7C4F218}"},
    {"ostrel_netscape.rgs", "Ostrel.Netscape", "OstrelNetscape Class", "{6A1F0B95-2E47-4C85-B1D9-0E53A7C4F218}"},
    {"ie_catch2.rgs", "Navtrap.IeCatch2", "IeCatch2 Class", "{D47B2C61-93A0-4E1F-8C25-5F9A06E3B7C4}"},
    {"ie_catch5.rgs", "Navtrap.IeCatch5", "IeCatch5 Class", "{81E5C3D2-0F6A-4B97-A4C8-2D7E9B1F6A35}"},
};

const char kModule[] = "C:\\Program Files\\it's here\\navtrap.DLL";

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string ClassesRootBlock(const ClassScript& s) {
  std::string p = s.progId, d = s.description, x = s.clsid, p1 = p + ".1";
  return "HKCR{ " + p1 + "='" + d + "'{ CLSID='" + x + "' } " +       // entries 1, 2
         p + "='" + d + "'{ CLSID='" + x + "' CurVer='" + p1 + "' }" +  // 3, 4, 5
         " NoRemove CLSID{ ForceRemove " + x + "='" + d + "'{" +         // 6, 7
         " ProgID='" + p1 + "' VersionIndependentProgID='" + p + "'" +   // 8, 9
         " ForceRemove Programmable" +                                   // 10
         " InprocServer32='" + kModule + "'{ val ThreadingModel='Apartment' }" +  // 11, 12
         " TypeLib='{3C9E2A17-5B40-4D21-9A6E-71F0C4B8D052}' } } }";      // 13
}

class RegistrationScript : public testing::TestWithParam<ClassScript> {};

TEST_P(RegistrationScript, ListsTheThirteenEntriesOfItsClassInOrder) {
  const ClassScript& s = GetParam();
  std::string text = ReadFile(std::string(NAVTRAP_RESOURCES_DIR) + "/" + s.file);
  ASSERT_FALSE(text.empty()) << s.file;
  OwnedString module = DoubleSingleQuotes(kModule);
  const ScriptReplacement replacements[] = {{"MODULE", module.get()}};
  OwnedString expanded;
  ASSERT_EQ(ExpandPlaceholders(text.data(), text.size(), replacements, 1, &expanded), ExpandStatus::kExpanded);

  std::string expected = ClassesRootBlock(s);
  if (std::string(s.file) == "ie_catch5.rgs") {
    expected +=
        " HKLM{ SOFTWARE{ Microsoft{ Windows{ CurrentVersion{ Explorer{ Browser Helper Objects{ " +
        std::string(s.clsid) + " } } } } } } }";
  }
  EXPECT_EQ(WalkScript(expanded.get()), expected);
}

INSTANTIATE_TEST_SUITE_P(AllFour, RegistrationScript, testing::ValuesIn(kScripts));

}  // namespace
