// FindManagerWindow against real processes: a manager already running, and managers started
// from "AppPath" through CreateProcessA or WinExec.
#include <gtest/gtest.h>

#include <string>

#include "handoff/handoff.h"
#include "launched_manager.h"

namespace {

class FindManagerWindowTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(NoManagerWindow()) << "a manager of an earlier test is still running"; }
  ScopedSettings settings_;
};

TEST_F(FindManagerWindowTest, ReturnsTheRunningManagersWindowAndStartsNothing) {
  ReferenceManagerProcess running;
  LaunchedManager copy;
  settings_.SetAppPath(copy.Exe());
  ASSERT_TRUE(::IsWindow(running.Window()));

  EXPECT_EQ(running.Window(), FindManagerWindow());
  EXPECT_EQ(0u, copy.Running()) << "the registry is not consulted while a window exists";
}

TEST_F(FindManagerWindowTest, StartsTheManagerFromAppPathInTheFolderCutAtTheLastBackslash) {
  LaunchedManager copy;
  settings_.SetAppPath(copy.Exe());

  HWND window = FindManagerWindow();
  ASSERT_TRUE(::IsWindow(window));
  EXPECT_EQ(1u, copy.Running());
  const std::vector<JournalEntry> starts = copy.Starts();
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(copy.Folder(), starts[0].Get("cwd"));
  EXPECT_EQ(copy.ArgsFile(), starts[0].Get("args")) << "started with no command line, so it read its args file";

  EXPECT_EQ(window, FindManagerWindow()) << "found at once the next time";
  EXPECT_EQ(1u, copy.Running());
}

TEST_F(FindManagerWindowTest, StartsThroughWinExecWhenCreateProcessFails) {
  // Quotes make the value unusable as a program file name, but fine as WinExec's command line,
  // which starts it in the caller's own current directory.
  LaunchedManager copy;
  ScratchFolder elsewhere;
  ScopedCurrentDirectory current(elsewhere.Path());
  settings_.SetAppPath("\"" + copy.Exe() + "\"");

  ASSERT_TRUE(::IsWindow(FindManagerWindow()));
  const std::vector<JournalEntry> starts = copy.Starts();
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(elsewhere.Path(), starts[0].Get("cwd"));
}

TEST_F(FindManagerWindowTest, GivesAPathWithoutBackslashWholeAsTheDirectory) {
  // "launched-manager.exe" is no directory, so CreateProcessA cannot start it there; WinExec
  // finds it in the current directory and starts it in that directory.
  LaunchedManager copy;
  ScopedCurrentDirectory current(copy.Folder());
  settings_.SetAppPath(LAUNCHED_MANAGER_EXE);

  ASSERT_TRUE(::IsWindow(FindManagerWindow()));
  const std::vector<JournalEntry> starts = copy.Starts();
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(copy.Folder(), starts[0].Get("cwd"));
}

// The copy's path padded with ".\" steps to exactly `length` characters; it still names the copy.
std::string PaddedPath(const LaunchedManager& copy, size_t length) {
  std::string path = copy.Folder() + "\\";
  const std::string name = LAUNCHED_MANAGER_EXE;
  while (path.size() + name.size() + 2 <= length) path += ".\\";
  if (path.size() + name.size() < length) path += "\\";  // an odd length: a doubled backslash
  return path + name;
}

TEST_F(FindManagerWindowTest, CannotReadAnAppPathOf260CharactersOrMoreAndStartsNothing) {
  LaunchedManager copy;
  for (size_t length : {260u, 300u}) {
    const std::string path = PaddedPath(copy, length);
    ASSERT_EQ(length, path.size());
    settings_.SetAppPath(path);
    EXPECT_FALSE(::IsWindow(FindManagerWindow())) << length;
    EXPECT_EQ(0u, copy.Running()) << length;
  }
  // One character less is read, and the same padded path starts the manager.
  settings_.SetAppPath(PaddedPath(copy, 259));
  EXPECT_TRUE(::IsWindow(FindManagerWindow()));
  EXPECT_EQ(1u, copy.Running());
}

TEST_F(FindManagerWindowTest, ReturnsNoWindowAtOnceWithoutSettingsOrWithoutAStartableProgram) {
  LaunchedManager copy;
  const struct {
    const char* appPath;  // null: no value; "": no key at all
    const char* why;
  } cases[] = {
      {"", "no settings key"},
      {nullptr, "no AppPath value"},
      {"C:\\no\\such\\manager.exe", "neither CreateProcessA nor WinExec can start it"},
  };
  for (const auto& c : cases) {
    ScopedSettings::Remove();
    if (c.appPath == nullptr) settings_.SetFlags(0);
    if (c.appPath != nullptr && *c.appPath != '\0') settings_.SetAppPath(c.appPath);
    EXPECT_EQ(nullptr, FindManagerWindow()) << c.why;
  }
  EXPECT_EQ(0u, copy.Running());
}

TEST_F(FindManagerWindowTest, ReadsAnAppPathStoredWithoutItsTerminator) {
  LaunchedManager copy;
  settings_.SetRaw("AppPath", REG_SZ, copy.Exe().data(), static_cast<DWORD>(copy.Exe().size()));
  EXPECT_TRUE(::IsWindow(FindManagerWindow()));
  ASSERT_EQ(1u, copy.Starts().size());
  EXPECT_EQ(copy.Folder(), copy.Starts()[0].Get("cwd"));
}

}  // namespace
