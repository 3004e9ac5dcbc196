#pragma once
// The six records as their callers fill them, field by field in the order they are written.
// Platform-free, so the encoders build and are tested natively.
#include <cstdint>

// Records, as their callers fill them. A null string is written as an empty field.
struct CatchRecord {
  const char* url;
  const char* referer;
};
struct UrlRecord {  // AddUrl
  const char* referer;
  const char* url;
  const char* info;
};
struct UrlListRecord {  // AddUrlList; count >= 1
  const char* const* urls;
  uint32_t count;
};
struct UrlQueryRecord {  // IsUrlExist
  const char* url;
};
struct UrlExRecord {  // AddUrlEx
  int32_t flags;
  const char* saveTo;
  const char* referer;
  const char* url;
  const char* info;
};
struct UrlListExRecord {  // AddUrlListEx; count >= 1
  int32_t flags;
  const char* saveTo;
  const char* const* urls;
  uint32_t count;
};
