#pragma once
// A copy of the reference manager installed where "AppPath" can point at it, under a name of
// its own so that the processes started from it can be counted and ended.
#include <windows.h>

#include <string>
#include <vector>

#include "handoff_test_support.h"
#include "reference_manager_process.h"
#include "settings_fixture.h"

constexpr char LAUNCHED_MANAGER_EXE[] = "launched-manager.exe";

class LaunchedManager {
 public:
  // Installs the copy with `arguments` in its args file (a journal in the folder is added).
  explicit LaunchedManager(const std::string& arguments = std::string()) {
    EndProcessesNamed(LAUNCHED_MANAGER_EXE);
    exe_ = folder_.File(LAUNCHED_MANAGER_EXE);
    journal_ = folder_.File("journal.txt");
    ::CopyFileA(ReferenceManagerProcess::ExePath().c_str(), exe_.c_str(), FALSE);
    arguments_ = "--journal \"" + journal_ + "\" " + arguments;
    WriteWholeFile(folder_.File("reference_manager.args"), arguments_);
  }
  ~LaunchedManager() { EndProcessesNamed(LAUNCHED_MANAGER_EXE); }
  LaunchedManager(const LaunchedManager&) = delete;
  LaunchedManager& operator=(const LaunchedManager&) = delete;

  const std::string& Folder() const { return folder_.Path(); }
  const std::string& Exe() const { return exe_; }
  // What its args file holds; a manager started with no command line reads them from there.
  const std::string& ArgsFile() const { return arguments_; }
  size_t Running() const { return ProcessesNamed(LAUNCHED_MANAGER_EXE).size(); }
  std::vector<JournalEntry> Starts() const {
    std::vector<JournalEntry> starts;
    for (const JournalEntry& entry : ReadJournal(journal_)) {
      if (entry.Get("event") == "start") starts.push_back(entry);
    }
    return starts;
  }
  std::vector<JournalEntry> Messages() const { return JournalMessages(journal_); }

 private:
  ScratchFolder folder_;
  std::string exe_;
  std::string journal_;
  std::string arguments_;
};

// No manager window is around when a test begins that must not find one.
inline bool NoManagerWindow() { return !::IsWindow(::FindWindowExA(nullptr, nullptr, "Ostrel Class", nullptr)); }

// Makes this process's current directory `path` for as long as it lives.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& path) {
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    previous_ = previous;
    ::SetCurrentDirectoryA(path.c_str());
  }
  ~ScopedCurrentDirectory() { ::SetCurrentDirectoryA(previous_.c_str()); }
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::string previous_;
};
