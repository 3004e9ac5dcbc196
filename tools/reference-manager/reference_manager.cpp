// A stand-in for the download manager, for tests and the demo. It is not a download manager:
// it downloads nothing. It answers the hand-off messages the way a manager must, reads each
// record strictly while the message is handled, writes what it received to a journal and
// replies from a small script.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "handoff/handoff_protocol.h"
#include "journal.h"
#include "options.h"
#include "record_decoder.h"

namespace {

ManagerOptions g_options;
size_t g_nextReply = 0;
unsigned g_sequence = 0;

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string CurrentDirectory() {
  char path[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, path);
  return path;
}

std::string HandoffFilePath() {
  char folder[MAX_PATH] = {};
  const DWORD length = ::GetTempPathA(MAX_PATH, folder);
  std::string path(folder, length < MAX_PATH ? length : 0);
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + HANDOFF_FILE_NAME;
}

// The bytes announced by one message, from the block or the file as its wParam says.
struct Received {
  std::string route = "none";
  std::vector<uint8_t> bytes;
  size_t available = 0;  // how much the block's view really holds
  std::string error;
};

Received ReadBlock(size_t wanted, bool sizeFromLayout) {
  Received received;
  received.route = "block";
  HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, HANDOFF_BLOCK_NAME);
  if (mapping == nullptr) {
    received.error = "no block";
    return received;
  }
  const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (view == nullptr) {
    ::CloseHandle(mapping);
    received.error = "block not mappable";
    return received;
  }
  MEMORY_BASIC_INFORMATION info = {};
  ::VirtualQuery(view, &info, sizeof(info));
  received.available = info.RegionSize;
  const size_t take = sizeFromLayout ? received.available : wanted;
  if (take > received.available) {
    received.error = "lParam larger than the block";
  } else {
    const uint8_t* data = static_cast<const uint8_t*>(view);
    received.bytes.assign(data, data + take);
  }
  ::UnmapViewOfFile(view);
  ::CloseHandle(mapping);
  return received;
}

Received ReadFileRoute() {
  Received received;
  received.route = "file";
  HANDLE file = ::CreateFileA(HandoffFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    received.error = "no file";
    return received;
  }
  uint8_t chunk[4096];
  DWORD read = 0;
  while (::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read != 0) received.bytes.insert(received.bytes.end(), chunk, chunk + read);
  ::CloseHandle(file);
  return received;
}

DecodedRecord Decode(UINT message, WPARAM wParam, LPARAM lParam, Received& received) {
  const uint8_t* data = received.bytes.data();
  const size_t size = received.bytes.size();
  if (message == WM_HANDOFF_ADD) {
    switch (wParam) {
      case ADD_CATCH_BLOCK: {
        DecodedRecord record = DecodeCatchRecord(data, size);
        received.bytes.resize(record.consumed < size ? record.consumed : size);  // the rest is the page's slack
        return record;
      }
      case ADD_CATCH_FILE: return DecodeCatchFile(data, size);
      case ADD_URLS_BLOCK: return DecodeUrlStrings(data, size, 0);
      case ADD_URLS_FILE: return DecodeUrlStrings(data, size, static_cast<uint32_t>(lParam));
    }
  } else if (message == WM_HANDOFF_REQUEST) {
    switch (wParam) {
      case REQUEST_IS_URL_EXIST: return DecodeUrlQueryRecord(data, size);
      case REQUEST_ADD_URL_EX: return DecodeUrlExRecord(data, size);
      case REQUEST_ADD_URL_LIST_EX: return DecodeUrlListExRecord(data, size);
    }
  }
  DecodedRecord unknown;
  unknown.malformed = true;
  unknown.error = "unknown wParam";
  return unknown;
}

Received Receive(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HANDOFF_ADD && (wParam == ADD_CATCH_FILE || wParam == ADD_URLS_FILE)) return ReadFileRoute();
  if (message == WM_HANDOFF_ADD && wParam == ADD_CATCH_BLOCK) return ReadBlock(0, true);
  if (lParam < 0) {
    Received received;
    received.route = "block";
    received.error = "negative lParam";
    return received;
  }
  return ReadBlock(static_cast<size_t>(lParam), false);
}

LRESULT DefaultReply(UINT message, WPARAM wParam, const DecodedRecord& record) {
  if (message == WM_HANDOFF_ADD) return 1;
  if (wParam == REQUEST_IS_URL_EXIST) {
    for (const auto& [key, value] : record.fields) {
      if (key != "url") continue;
      for (const std::string& known : g_options.known) {
        if (known == value) return 1;
      }
    }
    return 0;
  }
  if (wParam == REQUEST_ADD_URL_LIST_EX) {
    for (const auto& [key, value] : record.fields) {
      if (key == "count") return std::atol(value.c_str());
    }
    return 0;
  }
  return 1;
}

LRESULT HandleHandoff(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  Received received = Receive(message, wParam, lParam);
  DecodedRecord record;
  if (received.error.empty()) {
    record = Decode(message, wParam, lParam, received);
  } else {
    record.malformed = true;
    record.error = received.error;
  }
  if (g_options.notifyWindow != nullptr) {
    ::SendMessageA(static_cast<HWND>(g_options.notifyWindow), WM_APP + 1, wParam, lParam);
  }
  LRESULT reply = 0;
  if (g_nextReply < g_options.replies.size()) {
    reply = g_options.replies[g_nextReply++];
  } else if (g_options.busyEvery > 0 && (g_sequence + 1) % g_options.busyEvery == 0) {
    reply = REPLY_BUSY;
  } else {
    reply = DefaultReply(message, wParam, record);
  }

  JournalFields fields = {{"event", "message"},
                          {"pid", std::to_string(::GetCurrentProcessId())},
                          {"seq", std::to_string(++g_sequence)},
                          {"msg", std::to_string(message)},
                          {"wparam", std::to_string(wParam)},
                          {"lparam", std::to_string(lParam)},
                          {"route", received.route},
                          {"bytes", std::to_string(received.bytes.size())},
                          {"hex", HexBytes(received.bytes.data(), received.bytes.size())},
                          {"malformed", record.malformed ? "1" : "0"}};
  if (record.malformed) fields.emplace_back("error", record.error);
  fields.emplace_back("reply", std::to_string(reply));
  for (const auto& field : record.fields) fields.push_back(field);
  AppendJournalLine(g_options.journal, fields);
  return reply;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HANDOFF_ADD:
    case WM_HANDOFF_REQUEST:
      return HandleHandoff(window, message, wParam, lParam);
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

std::string ArgumentsText() {
  const char* line = ::GetCommandLineA();
  // Skip the program name, quoted or not.
  if (*line == '"') {
    ++line;
    while (*line != '\0' && *line != '"') ++line;
    if (*line == '"') ++line;
  } else {
    while (*line != '\0' && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

std::string ArgumentsFromFile() {
  FILE* file = std::fopen((ExeFolder() + "reference_manager.args").c_str(), "rb");
  if (file == nullptr) return std::string();
  std::string text;
  char chunk[512];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof(chunk), file)) != 0) text.append(chunk, n);
  std::fclose(file);
  return text;
}

}  // namespace

int main() {
  std::string line = ArgumentsText();
  if (line.empty()) line = ArgumentsFromFile();
  std::string error;
  g_options.commandLine = line;
  if (!ParseManagerOptions(SplitCommandLine(line), &g_options, &error)) {
    std::fprintf(stderr, "reference_manager: %s\n", error.c_str());
    return 2;
  }
  if (g_options.journal.empty()) g_options.journal = ExeFolder() + "reference_manager.journal";
  AppendJournalLine(g_options.journal, {{"event", "start"},
                                        {"pid", std::to_string(::GetCurrentProcessId())},
                                        {"cwd", CurrentDirectory()},
                                        {"args", line}});

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = MANAGER_WINDOW_CLASS;
  if (::RegisterClassA(&windowClass) == 0) return 3;

  if (g_options.noWindow) {
    // Runs without ever showing a window, until it is terminated.
    ::Sleep(INFINITE);
  }
  if (g_options.windowAfterMs > 0) ::Sleep(static_cast<DWORD>(g_options.windowAfterMs));
  HWND window = ::CreateWindowExA(0, MANAGER_WINDOW_CLASS, "navtrap reference manager", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                  100, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 4;
  if (!g_options.readyEvent.empty()) {
    HANDLE ready = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, g_options.readyEvent.c_str());
    if (ready != nullptr) {
      ::SetEvent(ready);
      ::CloseHandle(ready);
    }
  }
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}
