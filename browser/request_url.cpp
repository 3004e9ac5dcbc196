#include "browser/request_url.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

OwnedString ConvertRequestUrl(UINT codePage, const wchar_t* url) noexcept {
  if (url == nullptr) return OwnedString();
  const size_t units = static_cast<size_t>(::lstrlenW(url));
  if (units > INT_MAX / 2 || units > (SIZE_MAX - 4) / 4) return OwnedString();
  // The conversion may fill at most half of the zero-filled buffer, so whatever it writes, even
  // when it stops part way, the buffer ends with terminators.
  OwnedString buffer(static_cast<char*>(std::calloc(4 * units + 4, 1)));
  if (!buffer) return OwnedString();
  // With an empty URL the limit is 0: the call only measures, and "" stays in the buffer.
  const int limit = static_cast<int>(2 * units);
  if (::WideCharToMultiByte(codePage, WC_COMPOSITECHECK, url, -1, buffer.get(), limit, nullptr, nullptr) == 0) {
    return OwnedString();
  }
  return buffer;
}
