#pragma once
// What navtrap and the download manager share: the window, the messages, their codes and
// replies, and the fixed names of the block and the file. A manager's maker can include this
// header on its own; it needs nothing but the C++ standard headers.
#include <cstdint>

// The manager's main window, a top-level window of this class.
#define MANAGER_WINDOW_CLASS "Ostrel Class"

// Messages, sent synchronously to that window.
constexpr unsigned WM_HANDOFF_ADD = 1135;     // 0x046F: catches, AddUrl, AddUrlList
constexpr unsigned WM_HANDOFF_REQUEST = 1044;  // 0x0414: IsUrlExist, AddUrlEx, AddUrlListEx

// wParam of WM_HANDOFF_ADD: where the data is.
constexpr unsigned ADD_CATCH_BLOCK = 119;  // CatchRecord in the block; lParam = fromBrowser
constexpr unsigned ADD_CATCH_FILE = 17;    // the URL's bytes alone in the file; lParam = fromBrowser
constexpr unsigned ADD_URLS_BLOCK = 85;    // UrlRecord or UrlListRecord in the block; lParam = size
constexpr unsigned ADD_URLS_FILE = 34;     // the same record in the file; lParam = 1 or the URL count

// wParam of WM_HANDOFF_REQUEST; the record is always in the block and lParam is its size.
constexpr unsigned REQUEST_IS_URL_EXIST = 1;     // UrlQueryRecord
constexpr unsigned REQUEST_ADD_URL_EX = 2;       // UrlExRecord
constexpr unsigned REQUEST_ADD_URL_LIST_EX = 3;  // UrlListExRecord

// Replies.
constexpr long REPLY_BUSY = 85;    // not taken now: the same message comes again after 1000 ms
constexpr long REPLY_FAILED = -1;  // WM_HANDOFF_REQUEST only: the request failed

// The named block of every hand-off. Mapping names compare with case: keep this one exactly.
#define HANDOFF_BLOCK_NAME "{0E7C4A95-B318-42f6-9D20-C5A81F37E604}"
// The hand-off file, in the user's temporary directory.
#define HANDOFF_FILE_NAME "navtrap.tmp"

// A named mutex that every sender holds from making the block or the file until it is gone,
// so that overlapping hand-offs never share the fixed names. The manager need not touch it.
#define HANDOFF_LOCK_NAME "{0E7C4A95-B318-42f6-9D20-C5A81F37E604}.sender"

// Record layouts. Integers are 32-bit little-endian; fields follow one another with no gaps,
// no header and no count. A CountedString is its length n (terminator not counted) followed
// by its n bytes; an absent or empty string is a length of 0 and no bytes.
//
//   CatchRecord      url, referer                          8 + url + referer
//   UrlRecord        referer, url, info                    12 + referer + url + info
//   UrlListRecord    url[0] .. url[N-1]                    sum of (4 + url)
//   UrlQueryRecord   url                                   4 + url
//   UrlExRecord      flags, saveTo, referer, url, info     20 + saveTo + referer + url + info
//   UrlListExRecord  flags, saveTo, url[0] .. url[N-1]     8 + saveTo + sum of (4 + url)
//
// CatchRecord puts the url first; UrlRecord and UrlExRecord put the referer before the url.
