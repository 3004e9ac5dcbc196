// Stress run of the hand-off under Wine.
//   handoff_stress coordinator PROCESSES THREADS COUNT
// The coordinator starts PROCESSES workers (this program again), each running THREADS threads
// that catch COUNT URLs apiece through CatchUrl against the reference manager. While they run,
// the manager answers busy now and then, is stopped once (the next catch starts it again from
// "AppPath"), and the block's name is taken for a while so the file route is used. At the end
// the manager's journal is compared with what every worker says it handed off: records sent,
// received intact, lost, duplicated, corrupted. Exit code 0 only if none was lost, duplicated
// or corrupted and the workers' handle counts and memory came back.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "handoff/handoff.h"
#include "handoff/handoff_protocol.h"
#include "reference_manager_process.h"
#include "screening/monitor_flags.h"
#include "settings_fixture.h"

namespace {

const char kPhaseEvent[] = "navtrap-stress-phase-%d";  // set by worker 0, thread 0

std::string PhaseName(int phase) {
  char name[64];
  std::snprintf(name, sizeof(name), kPhaseEvent, phase);
  return name;
}

std::string UrlFor(int worker, int thread, int index) {
  return "http://stress.example/w" + std::to_string(worker) + "/t" + std::to_string(thread) + "/file" +
         std::to_string(index) + ".zip";
}
std::string RefererFor(const std::string& url) { return url.substr(0, url.rfind('/') + 1); }

int CountOpenHandles() {
  int open = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  return open;
}

// Committed private memory (Wine leaves PrivateUsage at 0 but fills PagefileUsage).
size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PagefileUsage;
}

struct WorkerThread {
  int worker;
  int thread;
  int count;
  std::vector<std::string> sent;  // caught: the manager answered non-zero
  int refused = 0;                // CatchUrl answered 0
};

DWORD WINAPI RunWorkerThread(void* parameter) {
  WorkerThread& work = *static_cast<WorkerThread*>(parameter);
  for (int i = 0; i < work.count; ++i) {
    if (work.worker == 0 && work.thread == 0) {
      for (int phase = 1; phase <= 3; ++phase) {
        if (i == work.count * phase / 4) {
          HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, PhaseName(phase).c_str());
          if (event != nullptr) {
            ::SetEvent(event);
            ::CloseHandle(event);
          }
        }
      }
    }
    const std::string url = UrlFor(work.worker, work.thread, i);
    const std::string referer = RefererFor(url);
    if (CatchUrl(url.c_str(), 1, MONITOR_BROWSER, referer.c_str()) != 0) {
      work.sent.push_back(url);
    } else {
      ++work.refused;
    }
  }
  return 0;
}

int RunWorker(int worker, int threads, int count, const std::string& resultPath) {
  // One hand-off first, so that what the first use of each piece allocates is not counted.
  CatchUrl(UrlFor(worker, 99, 0).c_str(), 1, MONITOR_BROWSER, nullptr);
  const int handlesBefore = CountOpenHandles();
  const size_t memoryBefore = PrivateBytes();
  std::vector<WorkerThread> work(threads);
  std::vector<HANDLE> handles;
  for (int t = 0; t < threads; ++t) {
    work[t] = {worker, t, count, {}, 0};
    work[t].sent.reserve(count);
    handles.push_back(::CreateThread(nullptr, 0, RunWorkerThread, &work[t], 0, nullptr));
  }
  ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
  for (HANDLE h : handles) ::CloseHandle(h);
  const int handlesAfter = CountOpenHandles();
  const size_t memoryAfter = PrivateBytes();
  // Then the same number of catches again on one thread: a leak per hand-off would show here,
  // apart from what the threads themselves cost.
  for (int i = 0; i < count; ++i) CatchUrl(UrlFor(worker, 99, i).c_str(), 1, MONITOR_BROWSER, nullptr);
  const int handlesSteady = CountOpenHandles();
  const size_t memorySteady = PrivateBytes();
  FILE* out = std::fopen(resultPath.c_str(), "wb");
  if (out == nullptr) return 3;
  std::fprintf(out, "handles %d %d %d\nmemory %lu %lu %lu\n", handlesBefore, handlesAfter, handlesSteady,
               static_cast<unsigned long>(memoryBefore), static_cast<unsigned long>(memoryAfter),
               static_cast<unsigned long>(memorySteady));
  for (const WorkerThread& w : work) {
    std::fprintf(out, "refused %d\n", w.refused);
    for (const std::string& url : w.sent) std::fprintf(out, "sent %s\n", url.c_str());
  }
  std::fclose(out);
  return 0;
}

HANDLE StartWorker(int worker, int threads, int count, const std::string& resultPath) {
  char self[MAX_PATH];
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = "\"" + std::string(self) + "\" worker " + std::to_string(worker) + " " + std::to_string(threads) + " " +
                        std::to_string(count) + " \"" + resultPath + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return nullptr;
  ::CloseHandle(process.hThread);
  return process.hProcess;
}

void CloseEveryManager() {
  for (int i = 0; i < 100; ++i) {
    HWND window = ::FindWindowExA(nullptr, nullptr, MANAGER_WINDOW_CLASS, nullptr);
    if (window == nullptr) return;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    if (process != nullptr) {
      ::WaitForSingleObject(process, 10000);
      ::CloseHandle(process);
    }
  }
}

int RunCoordinator(int processes, int threads, int count) {
  ScratchFolder folder;
  const std::string journal = folder.File("journal.txt");
  ScopedSettings settings;
  settings.SetFlags(MONITOR_BROWSER);
  settings.SetTypes(".zip");
  settings.SetAppPath(ReferenceManagerProcess::InstallCopy(folder.Path(), "--busy-every 97 --journal \"" + journal + "\""));

  std::vector<HANDLE> phases;
  for (int phase = 1; phase <= 3; ++phase) phases.push_back(::CreateEventA(nullptr, TRUE, FALSE, PhaseName(phase).c_str()));

  const DWORD start = ::GetTickCount();
  std::vector<HANDLE> workers;
  std::vector<std::string> results;
  for (int w = 0; w < processes; ++w) {
    results.push_back(folder.File("worker" + std::to_string(w) + ".txt"));
    workers.push_back(StartWorker(w, threads, count, results.back()));
  }
  // A quarter in: stop the manager; the next catch starts it again from "AppPath".
  ::WaitForSingleObject(phases[0], INFINITE);
  std::printf("stress: stopping the manager\n");
  CloseEveryManager();
  // Half-way: take the block's name, so hand-offs go through the file until three quarters.
  ::WaitForSingleObject(phases[1], INFINITE);
  std::printf("stress: taking the block's name (file route)\n");
  // While a hand-off holds the block, the name belongs to its mapping; take it between two.
  HANDLE nameTaken = nullptr;
  while ((nameTaken = ::CreateEventA(nullptr, TRUE, FALSE, HANDOFF_BLOCK_NAME)) == nullptr) ::Sleep(0);
  ::WaitForSingleObject(phases[2], INFINITE);
  ::CloseHandle(nameTaken);
  std::printf("stress: block's name given back\n");
  ::WaitForMultipleObjects(static_cast<DWORD>(workers.size()), workers.data(), TRUE, INFINITE);
  const DWORD elapsed = ::GetTickCount() - start;
  CloseEveryManager();

  // What the workers say they handed off.
  std::set<std::string> sent;
  int refused = 0;
  bool resourcesBack = true;
  for (size_t w = 0; w < results.size(); ++w) {
    FILE* in = std::fopen(results[w].c_str(), "rb");
    if (in == nullptr) {
      std::printf("stress: worker %u wrote no result\n", static_cast<unsigned>(w));
      return 1;
    }
    char line[1024];
    while (std::fgets(line, sizeof(line), in)) {
      std::string text(line);
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      if (text.rfind("sent ", 0) == 0) sent.insert(text.substr(5));
      else if (text.rfind("refused ", 0) == 0) refused += std::atoi(text.c_str() + 8);
      else std::printf("stress: worker %u %s\n", static_cast<unsigned>(w), text.c_str());
      // before the threads, after them, and after a further round on one thread
      unsigned long before = 0, after = 0, steady = 0;
      if (std::sscanf(text.c_str(), "handles %lu %lu %lu", &before, &after, &steady) == 3 && (after > before || steady > after)) {
        resourcesBack = false;
      }
      // The heap may move by a page or two with its own bookkeeping.
      if (std::sscanf(text.c_str(), "memory %lu %lu %lu", &before, &after, &steady) == 3 && steady > after + 64 * 1024) {
        resourcesBack = false;
      }
    }
    std::fclose(in);
  }

  // What the manager received, counting each hand-off once: busy answers are sent again.
  std::map<std::string, int> received;
  int corrupted = 0, busy = 0, byFile = 0, stray = 0, starts = 0;
  for (const JournalEntry& entry : ReadJournal(journal)) {
    if (entry.Get("event") == "start") ++starts;
    if (!entry.IsMessage()) continue;
    if (entry.Get("reply") == "85") {
      ++busy;
      continue;
    }
    const std::string url = entry.Get("url");
    if (url.find("/t99/") != std::string::npos) continue;  // the workers' own rounds
    const bool fromFile = entry.Get("route") == "file";
    byFile += fromFile ? 1 : 0;
    const bool intact = entry.Get("malformed") == "0" && entry.Get("msg") == "1135" &&
                        entry.Get("wparam") == (fromFile ? "17" : "119") && entry.Get("lparam") == "1" &&
                        (fromFile || entry.Get("referer") == RefererFor(url));
    if (!intact) {
      ++corrupted;
      std::printf("stress: corrupted: %s %s\n", entry.Get("error").c_str(), url.c_str());
      continue;
    }
    ++received[url];
    if (sent.count(url) == 0) ++stray;
  }
  int lost = 0, duplicated = 0;
  for (const std::string& url : sent) {
    auto it = received.find(url);
    if (it == received.end()) ++lost;
    else if (it->second > 1) duplicated += it->second - 1;
  }
  const int attempted = processes * threads * count;
  std::printf("stress: %d catches attempted in %lu ms by %d processes x %d threads\n", attempted,
              static_cast<unsigned long>(elapsed), processes, threads);
  std::printf("stress: sent %u, received intact %u (by file %d), lost %d, duplicated %d, corrupted %d\n",
              static_cast<unsigned>(sent.size()), static_cast<unsigned>(received.size()), byFile, lost, duplicated, corrupted);
  std::printf("stress: refused (no manager at that moment) %d, received without a confirmed send %d, busy answers %d, manager starts %d\n",
              refused, stray, busy, starts);
  std::printf("stress: workers' handles back where they started and memory steady over a further round: %s\n",
              resourcesBack ? "yes" : "NO");
  for (HANDLE h : workers) ::CloseHandle(h);
  for (HANDLE h : phases) ::CloseHandle(h);
  const bool ok = lost == 0 && duplicated == 0 && corrupted == 0 && resourcesBack && !sent.empty() && byFile > 0 && starts >= 2;
  std::printf("stress: %s\n", ok ? "PASSED" : "FAILED");
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc == 5 && std::string(argv[1]) == "coordinator") {
    return RunCoordinator(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
  }
  if (argc == 6 && std::string(argv[1]) == "worker") {
    return RunWorker(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argv[5]);
  }
  std::fprintf(stderr, "usage: handoff_stress coordinator PROCESSES THREADS COUNT\n");
  return 2;
}
