// navtrap-why explains a caught and an uncaught link from the settings the DLL reads.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "reference_manager_process.h"
#include "settings_fixture.h"

namespace {

struct Explanation {
  DWORD exitCode = 99;
  std::string text;
};

Explanation Explain(const std::string& arguments) {
  ScratchFolder folder;
  const std::string outputPath = folder.File("out.txt");
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE output = ::CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  std::string command = "\"" + ToWindowsPath(NAVTRAP_WHY_EXE) + "\" " + arguments;
  PROCESS_INFORMATION process = {};
  Explanation explanation;
  if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    ::WaitForSingleObject(process.hProcess, 30000);
    ::GetExitCodeProcess(process.hProcess, &explanation.exitCode);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  ::CloseHandle(output);
  FILE* file = std::fopen(outputPath.c_str(), "rb");
  char chunk[1024];
  size_t n = 0;
  while (file != nullptr && (n = std::fread(chunk, 1, sizeof(chunk), file)) != 0) explanation.text.append(chunk, n);
  if (file != nullptr) std::fclose(file);
  return explanation;
}

TEST(NavtrapWhy, ExplainsACaughtAndAnUncaughtLinkFromTheSameSettings) {
  ScopedSettings settings;
  settings.SetFlags(0x108);
  settings.SetTypes(".ZIP;.r[0-9][0-9]");

  const Explanation caught = Explain("http://h/files/a.Zip");
  EXPECT_EQ(0u, caught.exitCode);
  EXPECT_NE(std::string::npos, caught.text.find("MONITOR_BROWSER | MONITOR_BY_HELPER_OBJECT")) << caught.text;
  EXPECT_NE(std::string::npos, caught.text.find("extension  .zip")) << caught.text;
  EXPECT_NE(std::string::npos, caught.text.find(".zip             matches")) << caught.text;
  EXPECT_NE(std::string::npos, caught.text.find("decision   CATCH")) << caught.text;

  const Explanation uncaught = Explain("http://h/files/a.tar.gz");
  EXPECT_EQ(1u, uncaught.exitCode);
  EXPECT_NE(std::string::npos, uncaught.text.find("r[0-9][0-9]     no match")) << uncaught.text;
  EXPECT_NE(std::string::npos, uncaught.text.find("no pattern matches")) << uncaught.text;
}

TEST(NavtrapWhy, SaysWhichCallerStepsAsideBeforeTheDecision) {
  ScopedSettings settings;
  settings.SetTypes(".zip");
  const struct {
    DWORD flags;
    const char* arguments;
    const char* expected;
  } cases[] = {
      {0x808, "http://h/a.zip", "MONITOR_OFF is set"},
      {0x108, "https://h/a.zip", "screens only \"http:\" and \"ftp:\""},
      {0x008, "--script http://h/a.zip", "MONITOR_PLUGIN clear"},
      {0x008, "ftp://h/get?f=a.zip", "query URLs are not screened"},
  };
  for (const auto& c : cases) {
    settings.SetFlags(c.flags);
    const Explanation explanation = Explain(c.arguments);
    EXPECT_EQ(1u, explanation.exitCode) << c.arguments;
    EXPECT_NE(std::string::npos, explanation.text.find(c.expected)) << explanation.text;
  }
  ScopedSettings::Remove();
  EXPECT_NE(std::string::npos, Explain("http://h/a.zip").text.find("(missing)"));
}

}  // namespace
