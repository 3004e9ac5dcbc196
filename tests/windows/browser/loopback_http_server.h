#pragma once
// A tiny HTTP server on 127.0.0.1 for one test, on a thread of its own. It answers every GET
// with a small page and records the path of each request, so a test can tell which requests
// reached it and wait for one while its own thread pumps messages.
#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <string>
#include <vector>

class LoopbackHttpServer {
 public:
  LoopbackHttpServer() {
    ::InitializeCriticalSection(&lock_);
    request_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (listener_ != INVALID_SOCKET && ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::listen(listener_, 8) == 0 && ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port_ = ::ntohs(address.sin_port);
      thread_ = ::CreateThread(nullptr, 0, Serve, this, 0, nullptr);
    }
  }
  ~LoopbackHttpServer() {
    if (listener_ != INVALID_SOCKET) ::closesocket(listener_);  // ends the accept loop
    if (thread_ != nullptr) {
      ::WaitForSingleObject(thread_, 10000);
      ::CloseHandle(thread_);
    }
    if (started_) ::WSACleanup();
    ::CloseHandle(request_);
    ::DeleteCriticalSection(&lock_);
  }
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool Running() const { return thread_ != nullptr; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::wstring WideUrl(const std::string& path) const {
    const std::string url = Url(path);
    return std::wstring(url.begin(), url.end());
  }
  std::vector<std::string> Paths() const {
    ::EnterCriticalSection(&lock_);
    std::vector<std::string> copy = paths_;
    ::LeaveCriticalSection(&lock_);
    return copy;
  }
  bool Saw(const std::string& path) const {
    const std::vector<std::string> paths = Paths();
    return std::find(paths.begin(), paths.end(), path) != paths.end();
  }
  // Set whenever a request has been answered.
  HANDLE RequestEvent() const { return request_; }

 private:
  static DWORD WINAPI Serve(void* parameter) {
    LoopbackHttpServer* server = static_cast<LoopbackHttpServer*>(parameter);
    for (;;) {
      SOCKET client = ::accept(server->listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return 0;
      server->Answer(client);
      ::closesocket(client);
    }
  }

  void Answer(SOCKET client) {
    std::string request;
    char chunk[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const int received = ::recv(client, chunk, sizeof(chunk), 0);
      if (received <= 0) return;
      request.append(chunk, received);
    }
    const size_t pathStart = request.find(' ') + 1;
    const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
    const std::string body = "<html><body>navtrap test page</body></html>";
    const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                 std::to_string(body.size()) + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
    ::send(client, response.data(), static_cast<int>(response.size()), 0);
    ::shutdown(client, SD_SEND);
    ::EnterCriticalSection(&lock_);
    paths_.push_back(path);
    ::LeaveCriticalSection(&lock_);
    ::SetEvent(request_);
  }

  mutable CRITICAL_SECTION lock_;
  HANDLE request_ = nullptr;
  bool started_ = false;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  HANDLE thread_ = nullptr;
  std::vector<std::string> paths_;
};
