#pragma once
// Strict decoding of the records a hand-off carries: lengths that run past the data, sizes that
// disagree with the message, and trailing bytes are reported as malformed, never read past.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct DecodedRecord {
  bool malformed = false;
  std::string error;
  size_t consumed = 0;  // bytes the record's layout accounts for
  std::vector<std::pair<std::string, std::string>> fields;  // in record order
};

// A catch from the block: url and referer, the size following from the layout.
DecodedRecord DecodeCatchRecord(const uint8_t* data, size_t available);
// A catch from the file: the URL's bytes alone.
DecodedRecord DecodeCatchFile(const uint8_t* data, size_t size);
// WM_HANDOFF_ADD with wParam 85 or 34: a UrlRecord or a UrlListRecord, which share one shape
// (counted strings only). `expectedStrings` is 0 when the count is unknown.
DecodedRecord DecodeUrlStrings(const uint8_t* data, size_t size, uint32_t expectedStrings);
DecodedRecord DecodeUrlQueryRecord(const uint8_t* data, size_t size);
DecodedRecord DecodeUrlExRecord(const uint8_t* data, size_t size);
DecodedRecord DecodeUrlListExRecord(const uint8_t* data, size_t size);
