#include "handoff/record_encoding.h"

#include <cstring>

namespace {

constexpr uint64_t kLargestRecord = UINT32_MAX;
constexpr uint32_t kLengthFieldBytes = 4;
constexpr uint32_t kFlagsFieldBytes = 4;

// Adds up a record's size; once the sum passes 32 bits it stays spoilt. Each piece is below
// 2^33 and the sum before it below 2^32, so the 64-bit sum itself cannot wrap.
class SizeCounter {
 public:
  void AddFixed(uint32_t bytes) noexcept { Add(bytes); }
  void AddString(const char* text) noexcept {
    Add(kLengthFieldBytes + (text == nullptr ? uint64_t{0} : uint64_t{std::strlen(text)}));
  }
  bool Result(uint32_t* size) const noexcept {
    if (!fits_) return false;
    *size = static_cast<uint32_t>(total_);
    return true;
  }

 private:
  void Add(uint64_t bytes) noexcept {
    if (!fits_) return;
    total_ += bytes;
    fits_ = total_ <= kLargestRecord;
  }
  uint64_t total_ = 0;
  bool fits_ = true;
};

void PutUint32(ByteSink& sink, uint32_t value) noexcept {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  sink.Put(bytes, sizeof(bytes));
}

void PutCountedString(ByteSink& sink, const char* text) noexcept {
  const uint32_t length = text == nullptr ? 0 : static_cast<uint32_t>(std::strlen(text));
  PutUint32(sink, length);
  if (length != 0) sink.Put(text, length);
}

void AddUrls(SizeCounter& counter, const char* const* urls, uint32_t count) noexcept {
  for (uint32_t i = 0; urls != nullptr && i < count; ++i) counter.AddString(urls[i]);
}

void PutUrls(ByteSink& sink, const char* const* urls, uint32_t count) noexcept {
  for (uint32_t i = 0; urls != nullptr && i < count; ++i) PutCountedString(sink, urls[i]);
}

}  // namespace

bool RecordSize(const CatchRecord& record, uint32_t* size) noexcept {
  SizeCounter counter;
  counter.AddString(record.url);
  counter.AddString(record.referer);
  return counter.Result(size);
}

bool RecordSize(const UrlRecord& record, uint32_t* size) noexcept {
  SizeCounter counter;
  counter.AddString(record.referer);
  counter.AddString(record.url);
  counter.AddString(record.info);
  return counter.Result(size);
}

bool RecordSize(const UrlListRecord& record, uint32_t* size) noexcept {
  SizeCounter counter;
  AddUrls(counter, record.urls, record.count);
  return counter.Result(size);
}

bool RecordSize(const UrlQueryRecord& record, uint32_t* size) noexcept {
  SizeCounter counter;
  counter.AddString(record.url);
  return counter.Result(size);
}

bool RecordSize(const UrlExRecord& record, uint32_t* size) noexcept {
  SizeCounter counter;
  counter.AddFixed(kFlagsFieldBytes);
  counter.AddString(record.saveTo);
  counter.AddString(record.referer);
  counter.AddString(record.url);
  counter.AddString(record.info);
  return counter.Result(size);
}

bool RecordSize(const UrlListExRecord& record, uint32_t* size) noexcept {
  SizeCounter counter;
  counter.AddFixed(kFlagsFieldBytes);
  counter.AddString(record.saveTo);
  AddUrls(counter, record.urls, record.count);
  return counter.Result(size);
}

void EncodeRecord(const CatchRecord& record, ByteSink& sink) noexcept {
  PutCountedString(sink, record.url);
  PutCountedString(sink, record.referer);
}

void EncodeRecord(const UrlRecord& record, ByteSink& sink) noexcept {
  PutCountedString(sink, record.referer);
  PutCountedString(sink, record.url);
  PutCountedString(sink, record.info);
}

void EncodeRecord(const UrlListRecord& record, ByteSink& sink) noexcept {
  PutUrls(sink, record.urls, record.count);
}

void EncodeRecord(const UrlQueryRecord& record, ByteSink& sink) noexcept {
  PutCountedString(sink, record.url);
}

void EncodeRecord(const UrlExRecord& record, ByteSink& sink) noexcept {
  PutUint32(sink, static_cast<uint32_t>(record.flags));
  PutCountedString(sink, record.saveTo);
  PutCountedString(sink, record.referer);
  PutCountedString(sink, record.url);
  PutCountedString(sink, record.info);
}

void EncodeRecord(const UrlListExRecord& record, ByteSink& sink) noexcept {
  PutUint32(sink, static_cast<uint32_t>(record.flags));
  PutCountedString(sink, record.saveTo);
  PutUrls(sink, record.urls, record.count);
}
