// The reference manager itself, driven with hand-made blocks and files, so the tests of the
// hand-off can trust what its journal says.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "handoff/handoff_protocol.h"
#include "reference_manager_process.h"

namespace {

// A named block holding exactly `bytes`, as a hand-off would make it.
class HandMadeBlock {
 public:
  explicit HandMadeBlock(const std::string& bytes, DWORD size = 0) {
    mapping_ = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    size != 0 ? size : static_cast<DWORD>(bytes.size()), HANDOFF_BLOCK_NAME);
    void* view = ::MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    memcpy(view, bytes.data(), bytes.size());
    ::UnmapViewOfFile(view);
  }
  ~HandMadeBlock() { ::CloseHandle(mapping_); }

 private:
  HANDLE mapping_;
};

std::string Counted(const std::string& text) {
  const uint32_t n = static_cast<uint32_t>(text.size());
  return std::string(reinterpret_cast<const char*>(&n), 4) + text;
}

std::string HandoffFilePath() {
  char folder[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + HANDOFF_FILE_NAME;
}

TEST(ReferenceManager, DecodesEachRecordKindFromTheBlock) {
  ReferenceManagerProcess manager("--known http://known/a.zip");
  ASSERT_NE(nullptr, manager.Window());
  const struct {
    unsigned message;
    unsigned wParam;
    std::string bytes;
    bool lParamIsSize;
    const char* field;
    const char* value;
    long reply;
  } cases[] = {
      {WM_HANDOFF_ADD, ADD_CATCH_BLOCK, Counted("http://h/a.zip") + Counted("http://ref/"), false, "referer", "http://ref/", 1},
      {WM_HANDOFF_ADD, ADD_URLS_BLOCK, Counted("") + Counted("x") + Counted(""), true, "url", "x", 1},
      {WM_HANDOFF_REQUEST, REQUEST_IS_URL_EXIST, Counted("http://known/a.zip"), true, "url", "http://known/a.zip", 1},
      {WM_HANDOFF_REQUEST, REQUEST_IS_URL_EXIST, Counted("http://other/"), true, "url", "http://other/", 0},
      {WM_HANDOFF_REQUEST, REQUEST_ADD_URL_EX, std::string("\x01\0\0\0", 4) + Counted("") + Counted("") + Counted("u") + Counted(""),
       true, "flags", "1", 1},
      {WM_HANDOFF_REQUEST, REQUEST_ADD_URL_LIST_EX, std::string("\x07\0\0\0", 4) + Counted("C:\\d") + Counted("a") + Counted("b"),
       true, "url1", "b", 2},
  };
  size_t seen = 0;
  for (const auto& c : cases) {
    HandMadeBlock block(c.bytes);
    const LPARAM lParam = c.lParamIsSize ? static_cast<LPARAM>(c.bytes.size()) : 1;
    EXPECT_EQ(c.reply, ::SendMessageA(manager.Window(), c.message, c.wParam, lParam)) << c.wParam;
    const auto messages = manager.Messages();
    ASSERT_EQ(++seen, messages.size());
    const JournalEntry& entry = messages.back();
    EXPECT_EQ("block", entry.Get("route"));
    EXPECT_EQ("0", entry.Get("malformed")) << entry.Get("error");
    EXPECT_EQ(HexOf(c.bytes), entry.Get("hex"));
    EXPECT_EQ(c.value, entry.Get(c.field));
  }
}

TEST(ReferenceManager, ReportsMalformedRecordsWithoutReadingPastThem) {
  ReferenceManagerProcess manager;
  const struct {
    unsigned wParam;
    std::string bytes;
    LPARAM lParam;
    const char* error;
  } cases[] = {
      {REQUEST_IS_URL_EXIST, std::string("\x50\0\0\0", 4) + "abc", 7, "url runs past the data"},
      {REQUEST_IS_URL_EXIST, Counted("abc") + "zz", 9, "trailing bytes"},
      {REQUEST_IS_URL_EXIST, Counted("abc"), 100000, "lParam larger than the block"},
      {REQUEST_ADD_URL_EX, std::string("\x01\0", 2), 2, "no flags"},
      {REQUEST_ADD_URL_LIST_EX, std::string("\0\0\0\0", 4) + Counted(""), 8, "no urls"},
  };
  for (const auto& c : cases) {
    HandMadeBlock block(c.bytes);
    ::SendMessageA(manager.Window(), WM_HANDOFF_REQUEST, c.wParam, c.lParam);
    const JournalEntry entry = manager.Messages().back();
    EXPECT_EQ("1", entry.Get("malformed")) << c.error;
    EXPECT_EQ(c.error, entry.Get("error"));
  }
  // No block at all under the name.
  ::SendMessageA(manager.Window(), WM_HANDOFF_REQUEST, REQUEST_IS_URL_EXIST, 7);
  EXPECT_EQ("no block", manager.Messages().back().Get("error"));
}

TEST(ReferenceManager, ReadsTheHandoffFileAndRepliesFromItsScript) {
  ReferenceManagerProcess manager("--replies busy,-1,7");
  const std::string path = HandoffFilePath();
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const std::string url = "http://h/\xE9t\xE9.zip";
  DWORD written = 0;
  ::WriteFile(file, url.data(), static_cast<DWORD>(url.size()), &written, nullptr);
  ::CloseHandle(file);
  EXPECT_EQ(85, ::SendMessageA(manager.Window(), WM_HANDOFF_ADD, ADD_CATCH_FILE, 1));
  EXPECT_EQ(-1, ::SendMessageA(manager.Window(), WM_HANDOFF_ADD, ADD_CATCH_FILE, 1));
  EXPECT_EQ(7, ::SendMessageA(manager.Window(), WM_HANDOFF_ADD, ADD_CATCH_FILE, 0));
  EXPECT_EQ(1, ::SendMessageA(manager.Window(), WM_HANDOFF_ADD, ADD_CATCH_FILE, 0)) << "then the default";
  ::DeleteFileA(path.c_str());
  const auto messages = manager.Messages();
  ASSERT_EQ(4u, messages.size());
  EXPECT_EQ("file", messages[0].Get("route"));
  EXPECT_EQ(url, messages[0].Get("url")) << "bytes above 0x7F survive the journal";
  EXPECT_EQ("0", messages[3].Get("lparam"));
}

TEST(ReferenceManager, ReadsItsArgumentsFromTheFileBesideItWhenStartedWithoutAny) {
  ScratchFolder folder;
  const std::string journal = folder.File("journal.txt");
  const std::string readyName = "navtrap-test-args-ready-" + std::to_string(::GetCurrentProcessId());
  HANDLE ready = ::CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
  const std::string exe =
      ReferenceManagerProcess::InstallCopy(folder.Path(), "--journal \"" + journal + "\" --ready-event " + readyName);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(::CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.Path().c_str(), &startup, &process));
  HANDLE waits[2] = {ready, process.hProcess};
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForMultipleObjects(2, waits, FALSE, 30000));
  ::PostMessageA(::FindWindowExA(nullptr, nullptr, MANAGER_WINDOW_CLASS, nullptr), WM_CLOSE, 0, 0);
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.hProcess, 30000));
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  ::CloseHandle(ready);
  const auto entries = ReadJournal(journal);
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ("start", entries[0].Get("event"));
  EXPECT_EQ(folder.Path(), entries[0].Get("cwd"));
  ::DeleteFileA(exe.c_str());
}

}  // namespace
