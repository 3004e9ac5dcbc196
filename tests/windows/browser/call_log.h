#pragma once
// What the fakes saw, in order, with the thread each call came on. Calls may come from the
// abort thread, so the log has a lock of its own.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

struct LoggedCall {
  std::string name;  // "sink.ReportResult", "bindInfo.Release", ...
  DWORD thread;
};

class CallLog {
 public:
  CallLog() { ::InitializeCriticalSection(&lock_); }
  ~CallLog() { ::DeleteCriticalSection(&lock_); }
  CallLog(const CallLog&) = delete;
  CallLog& operator=(const CallLog&) = delete;

  void Add(const std::string& name) {
    ::EnterCriticalSection(&lock_);
    calls_.push_back({name, ::GetCurrentThreadId()});
    ::LeaveCriticalSection(&lock_);
  }
  std::vector<LoggedCall> Calls() const {
    ::EnterCriticalSection(&lock_);
    std::vector<LoggedCall> copy = calls_;
    ::LeaveCriticalSection(&lock_);
    return copy;
  }
  // The names alone, leaving out AddRef and Release, which tests count instead.
  std::vector<std::string> Methods() const {
    std::vector<std::string> names;
    for (const LoggedCall& call : Calls()) {
      if (call.name.find(".AddRef") == std::string::npos && call.name.find(".Release") == std::string::npos) {
        names.push_back(call.name);
      }
    }
    return names;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const LoggedCall& call : Calls()) names.push_back(call.name);
    return names;
  }
  size_t Count(const std::string& name) const {
    const std::vector<std::string> names = Names();
    return static_cast<size_t>(std::count(names.begin(), names.end(), name));
  }
  // Position of the first call of that name, or -1.
  int IndexOf(const std::string& name) const {
    const std::vector<std::string> names = Names();
    auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
  }
  int LastIndexOf(const std::string& name) const {
    const std::vector<std::string> names = Names();
    for (int i = static_cast<int>(names.size()) - 1; i >= 0; --i) {
      if (names[i] == name) return i;
    }
    return -1;
  }
  void Clear() {
    ::EnterCriticalSection(&lock_);
    calls_.clear();
    ::LeaveCriticalSection(&lock_);
  }

 private:
  mutable CRITICAL_SECTION lock_;
  std::vector<LoggedCall> calls_;
};

// A reference count that the fakes keep for the tests to read. Fakes live on the test's stack:
// the count starts at 1 for the test's own reference and must come back to 1.
class FakeCount {
 public:
  ULONG Increment() { return static_cast<ULONG>(::InterlockedIncrement(&value_)); }
  ULONG Decrement() { return static_cast<ULONG>(::InterlockedDecrement(&value_)); }
  long Value() const { return ::InterlockedCompareExchange(const_cast<volatile LONG*>(&value_), 0, 0); }

 private:
  volatile LONG value_ = 1;
};
