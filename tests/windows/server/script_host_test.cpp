// Real script hosts against the real DLL: after regsvr32, cscript runs a JScript and a
// VBScript file that create Ostrel.Netscape by its ProgID and call every method; the
// reference manager, a second process, journals what reached it, checked byte for byte.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../settings_fixture.h"
#include "reference_manager_process.h"
#include "screening/monitor_flags.h"
#include "server_test_support.h"

namespace {

std::string Le32(uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}
std::string Counted(const std::string& text) { return Le32(static_cast<uint32_t>(text.size())) + text; }

struct ExpectedMessage {
  int msg;
  int wparam;
  std::string record;  // the bytes the manager must have received
  bool lparamIsSize;   // else lparam is 0, the fromBrowser of a script's catch
};

ExpectedMessage Catch(const std::string& url) { return {1135, 119, Counted(url) + Counted(""), false}; }
ExpectedMessage AddUrl(const std::string& url, const std::string& info, const std::string& referer) {
  return {1135, 85, Counted(referer) + Counted(url) + Counted(info), true};
}
ExpectedMessage AddUrlList(const std::vector<std::string>& urls) {
  std::string record;
  for (const std::string& url : urls) record += Counted(url);
  return {1135, 85, record, true};
}
ExpectedMessage IsUrlExist(const std::string& url) { return {1044, 1, Counted(url), true}; }
ExpectedMessage AddUrlEx(const std::string& url, const std::string& info, const std::string& referer,
                         const std::string& saveTo, uint32_t flags) {
  return {1044, 2, Le32(flags) + Counted(saveTo) + Counted(referer) + Counted(url) + Counted(info), true};
}
ExpectedMessage AddUrlListEx(const std::vector<std::string>& urls, const std::string& saveTo, uint32_t flags) {
  std::string record = Le32(flags) + Counted(saveTo);
  for (const std::string& url : urls) record += Counted(url);
  return {1044, 3, record, true};
}

struct ScriptRun {
  const char* file;
  const char* replies;  // the manager's answers, one per message in order
  std::vector<std::string> output;
  std::vector<ExpectedMessage> messages;
};

class ScriptHost : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_EQ(Regsvr32(NavtrapDllPath()), 0);
    settings_.SetFlags(MONITOR_PLUGIN);
    settings_.SetTypes(".zip");
  }
  void TearDown() override { Regsvr32(NavtrapDllPath(), true); }

  ScopedSettings settings_;
};

const std::vector<ScriptRun>& Runs() {
  static const std::vector<ScriptRun> runs = {
      {"ostrel_netscape.js",
       "1,1,5,0,0,-1",
       {"Initialize true", "AddUrl done", "IsUrlExist true", "isURLexist false", "AddUrlEx true",
        "AddUrlListEx error 800a0005", "AddUrlList error 800a0005", "IsUrlExist error 80004005",
        "NAVTRAP SCRIPT END"},
       {Catch("http://host/js/file.zip"), AddUrl("http://host/js/add.zip", "js info", "http://host/js/page.html"),
        IsUrlExist("http://known/js.zip"), IsUrlExist("http://host/js/new.zip"),
        AddUrlEx("http://host/js/ex.zip", "ex info", "http://host/js/ex.html", "C:\\Downloads", 7),
        IsUrlExist("http://host/js/failing.zip")}},
      {"ostrel_netscape.vbs",
       "1,1,5,0,1,7,-1",
       {"Initialize True", "AddUrl done", "IsUrlExist True", "ADDURLEX True", "AddUrlList done", "AddUrlListEx 7",
        "AddUrlList by value error 5", "IsUrlExist error 80004005", "NAVTRAP SCRIPT END"},
       {Catch("http://host/vbs/file.zip"), AddUrl("http://host/vbs/add.zip", "vbs info", "http://host/vbs/page.html"),
        IsUrlExist("http://known/vbs.zip"),
        AddUrlEx("http://host/vbs/ex.zip", "ex info", "http://host/vbs/ex.html", "C:\\Downloads", 7),
        AddUrlList({"http://host/vbs/1.zip", "", "http://host/vbs/3.zip"}),
        AddUrlListEx({"http://host/vbs/1.zip", "", "http://host/vbs/3.zip"}, "C:\\Downloads", 3),
        IsUrlExist("http://host/vbs/failing.zip")}},
  };
  return runs;
}

TEST_P(ScriptHost, DrivesTheScriptingObjectByNameAndTheManagerGetsExactlyWhatWasSent) {
  const ScriptRun& run = Runs()[GetParam()];
  ReferenceManagerProcess manager(std::string("--replies ") + run.replies);
  ASSERT_TRUE(manager.Started());
  ASSERT_NE(manager.Window(), nullptr);

  std::string output;
  int exitCode = RunProcess(std::string("cscript.exe //nologo ") + run.file, WindowsPathOf(NAVTRAP_SCRIPTS_DIR), &output);
  manager.Stop();
  EXPECT_EQ(exitCode, 0) << output;
  EXPECT_EQ(SplitLines(output), run.output) << output;

  std::vector<JournalEntry> messages = manager.Messages();
  ASSERT_EQ(messages.size(), run.messages.size());
  for (size_t i = 0; i < messages.size(); ++i) {
    const ExpectedMessage& expected = run.messages[i];
    const JournalEntry& got = messages[i];
    EXPECT_EQ(got.Number("msg"), expected.msg) << run.file << " message " << i;
    EXPECT_EQ(got.Number("wparam"), expected.wparam) << run.file << " message " << i;
    EXPECT_EQ(got.Number("lparam"), expected.lparamIsSize ? static_cast<long>(expected.record.size()) : 0)
        << run.file << " message " << i;
    EXPECT_EQ(got.Get("route"), "block") << run.file << " message " << i;
    EXPECT_EQ(got.Get("hex"), HexOf(expected.record)) << run.file << " message " << i;
    EXPECT_EQ(got.Get("malformed"), "0") << run.file << " message " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(JScriptAndVBScript, ScriptHost, testing::Values(0, 1),
                         [](const testing::TestParamInfo<int>& info) { return info.param == 0 ? "JScript" : "VBScript"; });

}  // namespace
