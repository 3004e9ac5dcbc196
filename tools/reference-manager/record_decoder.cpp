#include "record_decoder.h"

#include <cstring>

namespace {

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool U32(uint32_t* value) {
    if (size_ - offset_ < 4) return false;
    *value = static_cast<uint32_t>(data_[offset_]) | static_cast<uint32_t>(data_[offset_ + 1]) << 8 |
             static_cast<uint32_t>(data_[offset_ + 2]) << 16 | static_cast<uint32_t>(data_[offset_ + 3]) << 24;
    offset_ += 4;
    return true;
  }
  bool Counted(std::string* text) {
    uint32_t length = 0;
    if (!U32(&length)) return false;
    if (length > size_ - offset_) return false;
    text->assign(reinterpret_cast<const char*>(data_ + offset_), length);
    offset_ += length;
    return true;
  }
  size_t Offset() const { return offset_; }
  bool AtEnd() const { return offset_ == size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

DecodedRecord Fail(DecodedRecord record, const std::string& why) {
  record.malformed = true;
  record.error = why;
  return record;
}

bool ReadField(Reader& reader, DecodedRecord& record, const char* name) {
  std::string text;
  if (!reader.Counted(&text)) return false;
  record.fields.emplace_back(name, text);
  return true;
}

bool ReadFlags(Reader& reader, DecodedRecord& record) {
  uint32_t flags = 0;
  if (!reader.U32(&flags)) return false;
  record.fields.emplace_back("flags", std::to_string(static_cast<int32_t>(flags)));
  return true;
}

// Counted strings up to the end of the data; false when one runs past it.
bool ReadStringsToEnd(Reader& reader, std::vector<std::string>* strings) {
  while (!reader.AtEnd()) {
    std::string text;
    if (!reader.Counted(&text)) return false;
    strings->push_back(text);
  }
  return true;
}

void AddUrlList(DecodedRecord& record, const std::vector<std::string>& urls) {
  record.fields.emplace_back("count", std::to_string(urls.size()));
  for (size_t i = 0; i < urls.size(); ++i) record.fields.emplace_back("url" + std::to_string(i), urls[i]);
}

DecodedRecord Finish(Reader& reader, DecodedRecord record) {
  record.consumed = reader.Offset();
  if (!reader.AtEnd()) return Fail(record, "trailing bytes");
  return record;
}

}  // namespace

DecodedRecord DecodeCatchRecord(const uint8_t* data, size_t available) {
  DecodedRecord record;
  Reader reader(data, available);
  if (!ReadField(reader, record, "url")) return Fail(record, "url runs past the block");
  if (!ReadField(reader, record, "referer")) return Fail(record, "referer runs past the block");
  record.consumed = reader.Offset();
  return record;
}

DecodedRecord DecodeCatchFile(const uint8_t* data, size_t size) {
  DecodedRecord record;
  record.fields.emplace_back("url", std::string(reinterpret_cast<const char*>(data), size));
  record.consumed = size;
  return record;
}

DecodedRecord DecodeUrlStrings(const uint8_t* data, size_t size, uint32_t expectedStrings) {
  DecodedRecord record;
  Reader reader(data, size);
  std::vector<std::string> strings;
  if (!ReadStringsToEnd(reader, &strings)) return Fail(record, "a string runs past the data");
  if (strings.empty()) return Fail(record, "no strings");
  if (expectedStrings != 0 && strings.size() != expectedStrings) {
    // lParam 1 by the file route is a UrlRecord (three strings) or a list of one.
    if (!(expectedStrings == 1 && strings.size() == 3)) return Fail(record, "string count disagrees with lParam");
  }
  AddUrlList(record, strings);
  if (strings.size() == 3) {  // read as a UrlRecord too
    record.fields.emplace_back("referer", strings[0]);
    record.fields.emplace_back("url", strings[1]);
    record.fields.emplace_back("info", strings[2]);
  }
  record.consumed = reader.Offset();
  return record;
}

DecodedRecord DecodeUrlQueryRecord(const uint8_t* data, size_t size) {
  DecodedRecord record;
  Reader reader(data, size);
  if (!ReadField(reader, record, "url")) return Fail(record, "url runs past the data");
  return Finish(reader, record);
}

DecodedRecord DecodeUrlExRecord(const uint8_t* data, size_t size) {
  DecodedRecord record;
  Reader reader(data, size);
  if (!ReadFlags(reader, record)) return Fail(record, "no flags");
  for (const char* name : {"saveTo", "referer", "url", "info"}) {
    if (!ReadField(reader, record, name)) return Fail(record, std::string(name) + " runs past the data");
  }
  return Finish(reader, record);
}

DecodedRecord DecodeUrlListExRecord(const uint8_t* data, size_t size) {
  DecodedRecord record;
  Reader reader(data, size);
  if (!ReadFlags(reader, record)) return Fail(record, "no flags");
  if (!ReadField(reader, record, "saveTo")) return Fail(record, "saveTo runs past the data");
  std::vector<std::string> urls;
  if (!ReadStringsToEnd(reader, &urls)) return Fail(record, "a url runs past the data");
  if (urls.empty()) return Fail(record, "no urls");
  AddUrlList(record, urls);
  record.consumed = reader.Offset();
  return record;
}
