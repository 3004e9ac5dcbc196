#pragma once
// Records for the overlap tests: record `index` of sender `label` is one of the six kinds in
// turn, with strings that name it, so every line of the manager's journal can be traced back
// to the one record it must be, and compared with bytes spelled out here independently.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "handoff/handoff.h"
#include "handoff/handoff_protocol.h"

struct OverlapRecord {
  int kind = 0;  // 0 catch, 1 url, 2 list, 3 query, 4 ex, 5 list ex
  std::string url, referer, info, saveTo;
  std::vector<std::string> urls;
  int32_t flags = 0;

  // The token that names it inside its first URL.
  static std::string Token(const std::string& label, int index) { return label + "-" + std::to_string(index); }

  OverlapRecord(const std::string& label, int index) : kind(index % 6), flags(index * 7919) {
    const std::string token = Token(label, index);
    const std::string padding(static_cast<size_t>(index % 7), 'p');  // sizes differ from one record to the next
    url = "http://host/" + token + "/" + padding + "file.zip";
    referer = "http://host/" + token + "/page" + padding;
    info = "info " + token;
    saveTo = "C:\\Downloads\\" + token;
    urls = {url, "ftp://host/second" + padding, std::string()};
    if (kind == 5) urls.pop_back();
  }

  UINT Message() const { return kind <= 2 ? WM_HANDOFF_ADD : WM_HANDOFF_REQUEST; }
  WPARAM WParam() const {
    static const WPARAM codes[] = {ADD_CATCH_BLOCK, ADD_URLS_BLOCK, ADD_URLS_BLOCK, REQUEST_IS_URL_EXIST, REQUEST_ADD_URL_EX,
                                   REQUEST_ADD_URL_LIST_EX};
    return codes[kind];
  }
  LPARAM LParam() const { return kind == 0 ? 1 : static_cast<LPARAM>(Bytes().size()); }
  // The reference manager's default answers: 1 for adds, 0 for an unknown URL, the URL count.
  LRESULT Reply() const {
    static const LRESULT replies[] = {1, 1, 1, 0, 1, 2};
    return replies[kind];
  }

  static std::string Le32(uint32_t value) {
    return std::string{static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                       static_cast<char>(value >> 24)};
  }
  static std::string Counted(const std::string& text) { return Le32(static_cast<uint32_t>(text.size())) + text; }

  // The record's bytes, as the layouts describe them.
  std::string Bytes() const {
    switch (kind) {
      case 0: return Counted(url) + Counted(referer);
      case 1: return Counted(referer) + Counted(url) + Counted(info);
      case 2: return Counted(urls[0]) + Counted(urls[1]) + Counted(urls[2]);
      case 3: return Counted(url);
      case 4: return Le32(static_cast<uint32_t>(flags)) + Counted(saveTo) + Counted(referer) + Counted(url) + Counted(info);
      default: return Le32(static_cast<uint32_t>(flags)) + Counted(saveTo) + Counted(urls[0]) + Counted(urls[1]);
    }
  }
};

// Delivers it; true when the manager's final reply is the one expected.
inline bool DeliverOverlapRecord(HWND manager, const OverlapRecord& r) {
  std::vector<const char*> urls;
  for (const std::string& u : r.urls) urls.push_back(u.c_str());
  DeliveryOutcome outcome = {DeliveryStatus::kNoBlock, 0};
  switch (r.kind) {
    case 0: outcome = DeliverRecord(manager, CatchRecord{r.url.c_str(), r.referer.c_str()}, 1); break;
    case 1: outcome = DeliverRecord(manager, UrlRecord{r.referer.c_str(), r.url.c_str(), r.info.c_str()}); break;
    case 2: outcome = DeliverRecord(manager, UrlListRecord{urls.data(), static_cast<uint32_t>(urls.size())}); break;
    case 3: outcome = DeliverRecord(manager, UrlQueryRecord{r.url.c_str()}); break;
    case 4:
      outcome = DeliverRecord(manager, UrlExRecord{r.flags, r.saveTo.c_str(), r.referer.c_str(), r.url.c_str(), r.info.c_str()});
      break;
    default:
      outcome = DeliverRecord(manager, UrlListExRecord{r.flags, r.saveTo.c_str(), urls.data(), static_cast<uint32_t>(urls.size())});
      break;
  }
  return outcome.status == DeliveryStatus::kReplied && outcome.reply == r.Reply();
}
