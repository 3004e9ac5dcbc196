#pragma once
// The real navtrap.dll loaded into a test program, child processes (regsvr32, cscript) with
// their output caught in a file, and registry subtrees read back as sorted lines.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/com_ptr.h"

#ifndef NAVTRAP_DLL_PATH
#error "navtrap_server_test() defines NAVTRAP_DLL_PATH"
#endif

// A Unix path of the build as Wine's Z: drive shows it.
inline std::string WindowsPathOf(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

inline std::string NavtrapDllPath() { return WindowsPathOf(NAVTRAP_DLL_PATH); }

inline std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                     static_cast<int>(wide.size()));
  wide.resize(length > 0 ? length : 0);
  return wide;
}

inline std::string GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  std::string narrow;
  for (const wchar_t* p = text; *p != 0; ++p) narrow += static_cast<char>(*p);
  return narrow;
}

// The DLL as a host loads it, with its four exports; freed at the end.
class LoadedServer {
 public:
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using RegisterFunction = HRESULT(STDAPICALLTYPE*)();

  explicit LoadedServer(const std::string& path = NavtrapDllPath()) : module_(::LoadLibraryA(path.c_str())) {
    if (module_ == nullptr) return;
    canUnloadNow = reinterpret_cast<CanUnloadNow>(Export("DllCanUnloadNow"));
    getClassObject = reinterpret_cast<GetClassObject>(Export("DllGetClassObject"));
    registerServer = reinterpret_cast<RegisterFunction>(Export("DllRegisterServer"));
    unregisterServer = reinterpret_cast<RegisterFunction>(Export("DllUnregisterServer"));
  }
  ~LoadedServer() {
    if (module_ != nullptr) ::FreeLibrary(module_);
  }
  LoadedServer(const LoadedServer&) = delete;
  LoadedServer& operator=(const LoadedServer&) = delete;

  HMODULE Module() const { return module_; }
  bool Loaded() const {
    return module_ != nullptr && canUnloadNow && getClassObject && registerServer && unregisterServer;
  }
  void* Export(const char* name) const { return reinterpret_cast<void*>(::GetProcAddress(module_, name)); }

  CanUnloadNow canUnloadNow = nullptr;
  GetClassObject getClassObject = nullptr;
  RegisterFunction registerServer = nullptr;
  RegisterFunction unregisterServer = nullptr;

 private:
  HMODULE module_;
};

// COM on this thread for one test.
class ComApartment {
 public:
  ComApartment() { ::CoInitialize(nullptr); }
  ~ComApartment() { ::CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

// A new empty folder under the temporary directory; it and its files go at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name = "navtrap-server-test") {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    static LONG counter = 0;
    path_ = std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(::InterlockedIncrement(&counter));
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

  static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(folder + "\\" + name);
        } else {
          ::DeleteFileA((folder + "\\" + name).c_str());
        }
      } while (::FindNextFileA(search, &found));
      ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
  }

 private:
  std::string path_;
};

// Runs a command line to its end with its output in a file (never this process's pipes).
// Returns the exit code, or -1 when it could not start or did not end within the time.
inline int RunProcess(const std::string& commandLine, const std::string& folder, std::string* output = nullptr,
                      DWORD timeoutMs = 60000) {
  TempFolder scratch("navtrap-run");
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  const std::string outputPath = scratch.File("output.txt");
  HANDLE file = ::CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE input = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                               nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = file;
  startup.hStdError = file;
  PROCESS_INFORMATION process = {};
  std::string command = commandLine;
  BOOL started = ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  ::CloseHandle(file);
  ::CloseHandle(input);
  if (!started) return -1;
  ::CloseHandle(process.hThread);
  DWORD exitCode = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(process.hProcess, &exitCode);
  } else {
    ::TerminateProcess(process.hProcess, 1);
    ::WaitForSingleObject(process.hProcess, 10000);
  }
  ::CloseHandle(process.hProcess);
  if (output != nullptr) {
    output->clear();
    HANDLE read = ::CreateFileA(outputPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    char chunk[4096];
    DWORD got = 0;
    while (read != INVALID_HANDLE_VALUE && ::ReadFile(read, chunk, sizeof(chunk), &got, nullptr) && got != 0) {
      output->append(chunk, got);
    }
    if (read != INVALID_HANDLE_VALUE) ::CloseHandle(read);
  }
  return static_cast<int>(exitCode);
}

// regsvr32 of this prefix, silent: 0 on success, 3 missing DLL, 4 missing export, 5 failing export.
inline int Regsvr32(const std::string& dllPath, bool unregister = false) {
  return RunProcess(std::string("regsvr32.exe /s ") + (unregister ? "/u " : "") + "\"" + dllPath + "\"", "");
}

// Every key and value under `root`\`path` as sorted lines: "key" for a key (relative to
// root), "key|name=data" for a string value ("@" names the default value). Empty when the key
// does not exist.
inline void DumpKey(HKEY key, const std::string& name, std::vector<std::string>* lines) {
  lines->push_back(name);
  char valueName[16384];
  BYTE data[4096];
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = sizeof(valueName);
    DWORD dataLength = sizeof(data) - 1;
    DWORD type = 0;
    if (::RegEnumValueA(key, index, valueName, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS) break;
    data[dataLength] = 0;
    std::string text = type == REG_SZ ? std::string(reinterpret_cast<char*>(data)) : "<type " + std::to_string(type) + ">";
    lines->push_back(name + "|" + (nameLength == 0 ? "@" : valueName) + "=" + text);
  }
  char subkey[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof(subkey);
    if (::RegEnumKeyExA(key, index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    if (::RegOpenKeyExA(key, subkey, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    DumpKey(child, name + "\\" + subkey, lines);
    ::RegCloseKey(child);
  }
}

inline std::vector<std::string> DumpTree(HKEY root, const std::string& path) {
  std::vector<std::string> lines;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return lines;
  DumpKey(key, path, &lines);
  ::RegCloseKey(key);
  std::sort(lines.begin(), lines.end());
  return lines;
}

inline bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

inline std::string ReadString(HKEY root, const std::string& path, const char* name = nullptr) {
  char data[4096] = {};
  DWORD size = sizeof(data) - 1;
  if (::RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return "<none>";
  return data;
}

inline DWORD SubkeyCount(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD count = 0;
  ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
  ::RegCloseKey(key);
  return count;
}
