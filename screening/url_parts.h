#pragma once
// Takes URLs apart by plain character search: no decoding, no validation, no errors.
#include "common/owned_string.h"

enum UrlPart : int {
  URL_PART_QUERY = 0x01,
  URL_PART_FRAGMENT = 0x02,
  URL_PART_PATH = 0x04,
  URL_PART_HOST = 0x08,
  URL_PART_SCHEME = 0x10,
  URL_PART_USER = 0x20,
  URL_PART_PASSWORD = 0x40,
};

// The selected components in the fixed order scheme, user, password, host, path, fragment,
// query. Null for a null URL or no memory; an empty string when none of them is present.
OwnedString ExtractUrlParts(const char* url, int selection) noexcept;

// Where an extension stands without copying it: its start in the path or query, and the
// query that follows when the scan began in the path. `length` is the sum of the two.
struct UrlExtensionSlices {
  const char* head = nullptr;
  size_t headLength = 0;
  const char* tail = nullptr;
  size_t tailLength = 0;
  size_t length = 0;
};

// Finds what GetUrlExtension returns, without allocating. False when there is none.
bool FindUrlExtension(const char* url, char separator, int withQuery, UrlExtensionSlices* found) noexcept;

// The text from the last `separator` of the path (and the query, when withQuery is non-zero)
// to its end, separator included. Null when a "/" or the start comes first, or for a null URL.
OwnedString GetUrlExtension(const char* url, char separator, int withQuery) noexcept;
