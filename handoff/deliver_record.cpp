// Delivering one record: in the shared block when it can be made, else in the hand-off file
// for the kinds that have a file route. Which message, codes and lParams each kind uses is the
// table of Routes below.
#include <cstring>

#include "handoff/handoff.h"
#include "handoff/handoff_file_name.h"
#include "handoff/handoff_protocol.h"
#include "handoff/handoff_turn.h"
#include "handoff/record_encoding.h"
#include "handoff/send_to_manager.h"
#include "handoff/shared_block.h"

namespace {

struct Route {
  UINT message;
  WPARAM blockWParam;
  bool blockLParamIsSize;  // else the block's lParam is `lParam`
  bool hasFileRoute;
  WPARAM fileWParam;
  LPARAM lParam;  // the catch's fromBrowser (both routes), or the file route's URL count
};

DeliveryOutcome Replied(LRESULT reply) noexcept { return {DeliveryStatus::kReplied, reply}; }
DeliveryOutcome NothingSent(const Route& route) noexcept {
  return {route.hasFileRoute ? DeliveryStatus::kNoFile : DeliveryStatus::kNoBlock, 0};
}

// Writes the record into the block piece by piece from offset 0.
class BlockSink final : public ByteSink {
 public:
  explicit BlockSink(SharedBlock& block) noexcept : block_(block) {}
  void Put(const void* bytes, uint32_t length) noexcept override {
    uint32_t written = 0;
    block_.Write(bytes, length, &written, offset_);
    offset_ += written;
  }

 private:
  SharedBlock& block_;
  uint32_t offset_ = 0;
};

// Gathers small pieces so that a long list does not cost one WriteFile per field.
class FileSink final : public ByteSink {
 public:
  explicit FileSink(HANDLE file) noexcept : file_(file) {}
  ~FileSink() { Flush(); }
  void Put(const void* bytes, uint32_t length) noexcept override {
    const char* piece = static_cast<const char*>(bytes);
    while (length != 0) {
      if (used_ == sizeof(buffer_)) Flush();
      const uint32_t take = length < sizeof(buffer_) - used_ ? length : sizeof(buffer_) - used_;
      std::memcpy(buffer_ + used_, piece, take);
      used_ += take;
      piece += take;
      length -= take;
    }
  }
  // A failed write changes nothing: the message is sent all the same.
  void Flush() noexcept {
    DWORD written = 0;
    if (used_ != 0) ::WriteFile(file_, buffer_, used_, &written, nullptr);
    used_ = 0;
  }

 private:
  HANDLE file_;
  char buffer_[1024];
  uint32_t used_ = 0;
};

// What the file holds: the record byte for byte, except for a catch, which puts the URL's
// bytes alone there, with no length, no terminator and no referer.
template <typename Record>
void WriteFileContent(const Record& record, ByteSink& sink) noexcept {
  EncodeRecord(record, sink);
}
void WriteFileContent(const CatchRecord& record, ByteSink& sink) noexcept {
  if (record.url != nullptr) sink.Put(record.url, static_cast<uint32_t>(std::strlen(record.url)));
}

template <typename Record>
bool DeliverInBlock(HWND manager, const Record& record, const Route& route, LRESULT* reply) noexcept {
  uint32_t size = 0;
  SharedBlock& block = ProcessSharedBlock();
  if (!RecordSize(record, &size) || !block.Create(size, HANDOFF_BLOCK_NAME)) return false;
  {
    BlockSink sink(block);
    EncodeRecord(record, sink);
  }
  if (route.message == WM_HANDOFF_ADD) ::SetForegroundWindow(manager);
  const LPARAM lParam = route.blockLParamIsSize ? static_cast<LPARAM>(size) : route.lParam;
  *reply = SendToManager(manager, route.message, route.blockWParam, lParam);
  block.Close();
  return true;
}

template <typename Record>
bool DeliverInFile(HWND manager, const Record& record, const Route& route, LRESULT* reply) noexcept {
  char directory[HANDOFF_PATH_CAPACITY];
  const DWORD returned = ::GetTempPathA(sizeof(directory), directory);
  char fileName[HANDOFF_PATH_CAPACITY];
  if (!MakeHandoffFileName(directory, returned, fileName)) return false;

  UniqueFile file(::CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  {
    FileSink sink(file.Get());
    WriteFileContent(record, sink);
  }
  ::FlushFileBuffers(file.Get());
  file.Reset();

  ::SetForegroundWindow(manager);
  *reply = SendToManager(manager, WM_HANDOFF_ADD, route.fileWParam, route.lParam);
  ::DeleteFileA(fileName);
  return true;
}

template <typename Record>
DeliveryOutcome Deliver(HWND manager, const Record& record, const Route& route) noexcept {
  HandoffTurn turn;
  LRESULT reply = 0;
  if (turn.Claim(HandoffResource::kBlock)) {
    if (DeliverInBlock(manager, record, route, &reply)) return Replied(reply);
    turn.Unclaim(HandoffResource::kBlock);
  }
  if (route.hasFileRoute && turn.Claim(HandoffResource::kFile) && DeliverInFile(manager, record, route, &reply)) {
    return Replied(reply);
  }
  return NothingSent(route);
}

LPARAM UrlCount(uint32_t count) noexcept { return static_cast<LPARAM>(count); }

}  // namespace

DeliveryOutcome DeliverRecord(HWND manager, const CatchRecord& record, int fromBrowser) noexcept {
  return Deliver(manager, record, {WM_HANDOFF_ADD, ADD_CATCH_BLOCK, false, true, ADD_CATCH_FILE, fromBrowser});
}

DeliveryOutcome DeliverRecord(HWND manager, const UrlRecord& record) noexcept {
  return Deliver(manager, record, {WM_HANDOFF_ADD, ADD_URLS_BLOCK, true, true, ADD_URLS_FILE, 1});
}

DeliveryOutcome DeliverRecord(HWND manager, const UrlListRecord& record) noexcept {
  const Route route = {WM_HANDOFF_ADD, ADD_URLS_BLOCK, true, true, ADD_URLS_FILE, UrlCount(record.count)};
  if (record.urls == nullptr || record.count == 0) return NothingSent(route);  // a list has at least one URL
  return Deliver(manager, record, route);
}

DeliveryOutcome DeliverRecord(HWND manager, const UrlQueryRecord& record) noexcept {
  return Deliver(manager, record, {WM_HANDOFF_REQUEST, REQUEST_IS_URL_EXIST, true, false, 0, 0});
}

DeliveryOutcome DeliverRecord(HWND manager, const UrlExRecord& record) noexcept {
  return Deliver(manager, record, {WM_HANDOFF_REQUEST, REQUEST_ADD_URL_EX, true, false, 0, 0});
}

DeliveryOutcome DeliverRecord(HWND manager, const UrlListExRecord& record) noexcept {
  const Route route = {WM_HANDOFF_REQUEST, REQUEST_ADD_URL_LIST_EX, true, false, 0, 0};
  if (record.urls == nullptr || record.count == 0) return NothingSent(route);
  return Deliver(manager, record, route);
}
