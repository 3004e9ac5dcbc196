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
  void Flags(int32_t) noexcept { Add(kFlagsFieldBytes); }
  void String(const char* text) noexcept {
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

// Writes fields as they are visited: strings as length and bytes, flags as 4 bytes.
class FieldEncoder {
 public:
  explicit FieldEncoder(ByteSink& sink) noexcept : sink_(sink) {}
  void Flags(int32_t flags) noexcept { PutUint32(static_cast<uint32_t>(flags)); }
  void String(const char* text) noexcept {
    const uint32_t length = text == nullptr ? 0 : static_cast<uint32_t>(std::strlen(text));
    PutUint32(length);
    if (length != 0) sink_.Put(text, length);
  }

 private:
  void PutUint32(uint32_t value) noexcept {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    sink_.Put(bytes, sizeof(bytes));
  }
  ByteSink& sink_;
};

template <typename Visitor>
void VisitUrls(Visitor& visitor, const char* const* urls, uint32_t count) noexcept {
  for (uint32_t i = 0; urls != nullptr && i < count; ++i) visitor.String(urls[i]);
}

// Each record's fields in record order, written once so that its size and its bytes cannot
// disagree.
template <typename Visitor>
void VisitFields(const CatchRecord& record, Visitor& visitor) noexcept {
  visitor.String(record.url);
  visitor.String(record.referer);
}
template <typename Visitor>
void VisitFields(const UrlRecord& record, Visitor& visitor) noexcept {
  visitor.String(record.referer);
  visitor.String(record.url);
  visitor.String(record.info);
}
template <typename Visitor>
void VisitFields(const UrlListRecord& record, Visitor& visitor) noexcept {
  VisitUrls(visitor, record.urls, record.count);
}
template <typename Visitor>
void VisitFields(const UrlQueryRecord& record, Visitor& visitor) noexcept {
  visitor.String(record.url);
}
template <typename Visitor>
void VisitFields(const UrlExRecord& record, Visitor& visitor) noexcept {
  visitor.Flags(record.flags);
  visitor.String(record.saveTo);
  visitor.String(record.referer);
  visitor.String(record.url);
  visitor.String(record.info);
}
template <typename Visitor>
void VisitFields(const UrlListExRecord& record, Visitor& visitor) noexcept {
  visitor.Flags(record.flags);
  visitor.String(record.saveTo);
  VisitUrls(visitor, record.urls, record.count);
}

template <typename Record>
bool SizeOf(const Record& record, uint32_t* size) noexcept {
  SizeCounter counter;
  VisitFields(record, counter);
  return counter.Result(size);
}

template <typename Record>
void Encode(const Record& record, ByteSink& sink) noexcept {
  FieldEncoder encoder(sink);
  VisitFields(record, encoder);
}

}  // namespace

bool RecordSize(const CatchRecord& record, uint32_t* size) noexcept { return SizeOf(record, size); }
bool RecordSize(const UrlRecord& record, uint32_t* size) noexcept { return SizeOf(record, size); }
bool RecordSize(const UrlListRecord& record, uint32_t* size) noexcept { return SizeOf(record, size); }
bool RecordSize(const UrlQueryRecord& record, uint32_t* size) noexcept { return SizeOf(record, size); }
bool RecordSize(const UrlExRecord& record, uint32_t* size) noexcept { return SizeOf(record, size); }
bool RecordSize(const UrlListExRecord& record, uint32_t* size) noexcept { return SizeOf(record, size); }

void EncodeRecord(const CatchRecord& record, ByteSink& sink) noexcept { Encode(record, sink); }
void EncodeRecord(const UrlRecord& record, ByteSink& sink) noexcept { Encode(record, sink); }
void EncodeRecord(const UrlListRecord& record, ByteSink& sink) noexcept { Encode(record, sink); }
void EncodeRecord(const UrlQueryRecord& record, ByteSink& sink) noexcept { Encode(record, sink); }
void EncodeRecord(const UrlExRecord& record, ByteSink& sink) noexcept { Encode(record, sink); }
void EncodeRecord(const UrlListExRecord& record, ByteSink& sink) noexcept { Encode(record, sink); }
