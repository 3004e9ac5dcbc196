#pragma once
// The reference manager's command line; read from "reference_manager.args" beside the exe when
// it was started with none (as a launch through "AppPath" does).
#include <string>
#include <vector>

struct ManagerOptions {
  std::string journal;           // --journal PATH
  int windowAfterMs = 0;         // --window-after MS
  bool noWindow = false;         // --no-window
  std::vector<long> replies;     // --replies busy,busy,1
  std::vector<std::string> known;  // --known URL (repeatable)
  int busyEvery = 0;             // --busy-every N: every Nth message is answered busy
  std::string readyEvent;        // --ready-event NAME
  void* notifyWindow = nullptr;  // --notify-window HWND (hex)
  std::string commandLine;       // as received, for the journal
};

// Splits a command line the way the C run time does for simple quoted arguments.
std::vector<std::string> SplitCommandLine(const std::string& line);
bool ParseManagerOptions(const std::vector<std::string>& args, ManagerOptions* options, std::string* error);
