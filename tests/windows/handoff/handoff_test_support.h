#pragma once
// What the hand-off tests need besides the reference manager: a way to make the block
// impossible, a temporary directory of a chosen length, the hand-off file's place, processes
// started from "AppPath", and a second process from handoff_peer.
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "handoff/handoff_protocol.h"

#ifndef HANDOFF_PEER_EXE
#error "the hand-off tests get HANDOFF_PEER_EXE from their CMakeLists.txt"
#endif

// Holds an event under the block's name, so that no mapping of that name can be made.
class BlockNameTaken {
 public:
  BlockNameTaken() : event_(::CreateEventA(nullptr, TRUE, FALSE, HANDOFF_BLOCK_NAME)) {}
  ~BlockNameTaken() { ::CloseHandle(event_); }
  BlockNameTaken(const BlockNameTaken&) = delete;
  BlockNameTaken& operator=(const BlockNameTaken&) = delete;
  bool Held() const { return event_ != nullptr; }

 private:
  HANDLE event_;
};

// Points this process's TMP and TEMP at `directory` for as long as it lives.
class ScopedTempDirectory {
 public:
  explicit ScopedTempDirectory(const std::string& directory) {
    Save("TMP", &tmp_);
    Save("TEMP", &temp_);
    ::SetEnvironmentVariableA("TMP", directory.c_str());
    ::SetEnvironmentVariableA("TEMP", directory.c_str());
  }
  ~ScopedTempDirectory() {
    ::SetEnvironmentVariableA("TMP", tmp_.empty() ? nullptr : tmp_.c_str());
    ::SetEnvironmentVariableA("TEMP", temp_.empty() ? nullptr : temp_.c_str());
  }
  ScopedTempDirectory(const ScopedTempDirectory&) = delete;
  ScopedTempDirectory& operator=(const ScopedTempDirectory&) = delete;

 private:
  static void Save(const char* name, std::string* value) {
    char buffer[32768];
    const DWORD length = ::GetEnvironmentVariableA(name, buffer, sizeof(buffer));
    if (length != 0 && length < sizeof(buffer)) value->assign(buffer, length);
  }
  std::string tmp_, temp_;
};

// The hand-off file's full name in this process's temporary directory.
inline std::string HandoffFilePath() {
  char directory[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, directory);
  std::string path = directory;
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + HANDOFF_FILE_NAME;
}

inline bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadWholeFile(const std::string& path) {
  std::string text;
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char chunk[4096];
  DWORD read = 0;
  while (::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read != 0) text.append(chunk, read);
  ::CloseHandle(file);
  return text;
}

inline void WriteWholeFile(const std::string& path, const std::string& text) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
}

// The ids of the running processes whose program file is called `exeName`.
inline std::vector<DWORD> ProcessesNamed(const std::string& exeName) {
  std::vector<DWORD> ids;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, exeName.c_str()) == 0) ids.push_back(entry.th32ProcessID);
  }
  ::CloseHandle(snapshot);
  return ids;
}

// Ends every process of that name, and waits until each is gone.
inline void EndProcessesNamed(const std::string& exeName) {
  for (DWORD id : ProcessesNamed(exeName)) {
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (process == nullptr) continue;
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, 10000);
    ::CloseHandle(process);
  }
}

// A named manual-reset event, created unsignalled.
class NamedEvent {
 public:
  explicit NamedEvent(const std::string& prefix)
      : name_(prefix + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(NextNumber())),
        event_(::CreateEventA(nullptr, TRUE, FALSE, name_.c_str())) {}
  ~NamedEvent() { ::CloseHandle(event_); }
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;
  const std::string& Name() const { return name_; }
  HANDLE Get() const { return event_; }
  void Set() const { ::SetEvent(event_); }

 private:
  static LONG NextNumber() {
    static LONG number = 0;
    return ::InterlockedIncrement(&number);
  }
  std::string name_;
  HANDLE event_;
};

// handoff_peer.exe running with `arguments`; the destructor waits for it (or ends it).
class PeerProcess {
 public:
  explicit PeerProcess(const std::string& arguments) {
    std::string command = "\"" + ExePath() + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      ::CloseHandle(info.hThread);
      process_ = info.hProcess;
    }
  }
  ~PeerProcess() {
    if (process_ == nullptr) return;
    if (::WaitForSingleObject(process_, 60000) != WAIT_OBJECT_0) ::TerminateProcess(process_, 99);
    ::CloseHandle(process_);
  }
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  bool Started() const { return process_ != nullptr; }
  HANDLE Handle() const { return process_; }
  // Waits for the end and returns the exit code (or 1000 when it did not end in time).
  DWORD ExitCode() const {
    if (::WaitForSingleObject(process_, 120000) != WAIT_OBJECT_0) return 1000;
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    return code;
  }

 private:
  static std::string ExePath() {
    std::string path = "Z:" HANDOFF_PEER_EXE;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }
  HANDLE process_ = nullptr;
};
