#pragma once
// Starts the reference manager as a real second process for one test, with its journal in a
// fresh folder, waits until its window exists, and stops it at the end.
#include <windows.h>

#include <string>
#include <vector>

#include "manager_journal.h"

#ifndef REFERENCE_MANAGER_EXE
#error "use navtrap_use_reference_manager(<target>) in CMake"
#endif

// A Unix path of the build as Wine's Z: drive shows it.
inline std::string ToWindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// A new empty folder under the temporary directory, removed by the destructor.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    static LONG counter = 0;
    path_ = std::string(temp) + "navtrap-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(::InterlockedIncrement(&counter));
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    std::string pattern = path_ + "\\*";
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileA((path_ + "\\" + found.cFileName).c_str());
      } while (::FindNextFileA(search, &found));
      ::FindClose(search);
    }
    ::RemoveDirectoryA(path_.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

class ReferenceManagerProcess {
 public:
  static std::string ExePath() { return ToWindowsPath(REFERENCE_MANAGER_EXE); }

  // Copies the manager into `folder` with its arguments in "reference_manager.args" beside it,
  // as a manager started through "AppPath" (with no command line) reads them. Returns its path.
  static std::string InstallCopy(const std::string& folder, const std::string& arguments) {
    const std::string exe = folder + "\\reference_manager.exe";
    ::CopyFileA(ExePath().c_str(), exe.c_str(), FALSE);
    HANDLE file = ::CreateFileA((folder + "\\reference_manager.args").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, arguments.data(), static_cast<DWORD>(arguments.size()), &written, nullptr);
    ::CloseHandle(file);
    return exe;
  }

  // Starts the manager with `arguments` (see its --help-free option list) and a journal of its
  // own; unless `waitForWindow` is false, returns once its window exists.
  explicit ReferenceManagerProcess(const std::string& arguments = std::string(), bool waitForWindow = true) {
    journal_ = folder_.File("journal.txt");
    static LONG counter = 0;
    const std::string readyName = "navtrap-test-manager-ready-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                  std::to_string(::InterlockedIncrement(&counter));
    HANDLE ready = ::CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    std::string command = "\"" + ExePath() + "\" --journal \"" + journal_ + "\" --ready-event " + readyName + " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      process_ = process.hProcess;
      ::CloseHandle(process.hThread);
      if (waitForWindow) {
        HANDLE waits[2] = {ready, process_};
        ::WaitForMultipleObjects(2, waits, FALSE, 30000);
      }
    }
    ::CloseHandle(ready);
  }
  ~ReferenceManagerProcess() { Stop(); }
  ReferenceManagerProcess(const ReferenceManagerProcess&) = delete;
  ReferenceManagerProcess& operator=(const ReferenceManagerProcess&) = delete;

  bool Started() const { return process_ != nullptr; }
  HWND Window() const { return ::FindWindowExA(nullptr, nullptr, "Ostrel Class", nullptr); }
  const std::string& JournalPath() const { return journal_; }
  std::vector<JournalEntry> Messages() const { return JournalMessages(journal_); }
  std::vector<JournalEntry> Journal() const { return ReadJournal(journal_); }

  // Closes the window and waits for the process; terminates it if it has no window.
  void Stop() {
    if (process_ == nullptr) return;
    HWND window = Window();
    if (window != nullptr) ::PostMessageA(window, WM_CLOSE, 0, 0);
    if (window == nullptr || ::WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) {
      ::TerminateProcess(process_, 1);
      ::WaitForSingleObject(process_, 10000);
    }
    ::CloseHandle(process_);
    process_ = nullptr;
  }

 private:
  ScratchFolder folder_;
  std::string journal_;
  HANDLE process_ = nullptr;
};
