#pragma once
// The byte layout of the six records (see handoff_protocol.h): their sizes and their bytes in
// record order. Pure and platform-free; the block, the file and the tests are all sinks.
#include <cstdint>

#include "handoff/handoff_records.h"

// Receives a record's bytes in order, one piece at a time.
class ByteSink {
 public:
  virtual void Put(const void* bytes, uint32_t length) noexcept = 0;

 protected:
  ~ByteSink() = default;
};

// The record's size in bytes from the lengths of its strings. False when it would not fit in
// 32 bits (then no block of that size can exist). A list with no URLs has size 0.
bool RecordSize(const CatchRecord& record, uint32_t* size) noexcept;
bool RecordSize(const UrlRecord& record, uint32_t* size) noexcept;
bool RecordSize(const UrlListRecord& record, uint32_t* size) noexcept;
bool RecordSize(const UrlQueryRecord& record, uint32_t* size) noexcept;
bool RecordSize(const UrlExRecord& record, uint32_t* size) noexcept;
bool RecordSize(const UrlListExRecord& record, uint32_t* size) noexcept;

// Puts the record's fields into `sink` in record order: each string as its 4-byte length and
// then its bytes (none for an empty or null one), flags as 4 bytes, all little-endian.
void EncodeRecord(const CatchRecord& record, ByteSink& sink) noexcept;
void EncodeRecord(const UrlRecord& record, ByteSink& sink) noexcept;
void EncodeRecord(const UrlListRecord& record, ByteSink& sink) noexcept;
void EncodeRecord(const UrlQueryRecord& record, ByteSink& sink) noexcept;
void EncodeRecord(const UrlExRecord& record, ByteSink& sink) noexcept;
void EncodeRecord(const UrlListExRecord& record, ByteSink& sink) noexcept;
