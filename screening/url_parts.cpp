#include "screening/url_parts.h"

#include <cstring>

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);
constexpr size_t kMaxHostLength = 120;

struct Slice {
  const char* text = nullptr;
  size_t length = 0;
};

size_t FindFrom(const char* url, size_t length, size_t start, char wanted) noexcept {
  if (start >= length) return kNone;
  const void* hit = std::memchr(url + start, wanted, length - start);
  return hit == nullptr ? kNone : static_cast<size_t>(static_cast<const char*>(hit) - url);
}

size_t FirstOf(size_t a, size_t b) noexcept { return a < b ? a : b; }

// Where each delimiter of one URL stands. Every component is found by the first occurrence of
// its delimiter, so the positions are computed once and the components are cut by length.
struct UrlLayout {
  const char* url;
  size_t length;
  size_t colon;
  bool authorityForm = false;
  size_t authorityStart = 0;
  size_t authorityEnd = 0;

  UrlLayout(const char* u) noexcept : url(u), length(std::strlen(u)), colon(FindFrom(u, length, 0, ':')) {
    if (colon == kNone) return;
    authorityForm = colon + 2 < length && url[colon + 1] == '/' && url[colon + 2] == '/';
    if (!authorityForm) return;
    authorityStart = colon + 3;
    authorityEnd = FirstOf(FindFrom(url, length, authorityStart, '/'), length);
  }

  Slice Cut(size_t start, size_t end) const noexcept { return Slice{url + start, end - start}; }

  Slice Scheme() const noexcept { return colon == kNone ? Slice{} : Cut(0, colon + 1); }

  bool ThirdAfterColonIsSlash() const noexcept { return colon != kNone && colon + 3 < length && url[colon + 3] == '/'; }

  size_t AtSign() const noexcept { return authorityForm ? FindFrom(url, authorityEnd, authorityStart, '@') : kNone; }

  Slice Host() const noexcept {
    if (!authorityForm) return Slice{};
    size_t at = AtSign();
    size_t start = at == kNone ? authorityStart : at + 1;
    size_t end = FirstOf(authorityEnd, FirstOf(FindFrom(url, length, start, '?'), length));
    if (end < start) return Slice{};
    Slice host = Cut(start, end);
    if (host.length > kMaxHostLength) host.length = kMaxHostLength;
    return host;
  }

  Slice Path() const noexcept {
    if (colon == kNone) return Slice{};
    size_t start = colon + 1;
    if (authorityForm) {
      if (authorityEnd >= length) return Slice{};
      start = authorityEnd;
    }
    size_t end = FirstOf(FirstOf(FindFrom(url, length, start, '?'), FindFrom(url, length, start, '#')), length);
    return Cut(start, end);
  }

  // From the first `opener` of the whole URL up to the first `closer` after it.
  Slice Delimited(char opener, char closer) const noexcept {
    size_t start = FindFrom(url, length, 0, opener);
    if (start == kNone) return Slice{};
    return Cut(start, FirstOf(FindFrom(url, length, start + 1, closer), length));
  }
  Slice Fragment() const noexcept { return Delimited('#', '?'); }
  Slice Query() const noexcept { return Delimited('?', '#'); }
};

// Collects the pieces of a result so it is allocated once, at its final size.
class PieceList {
 public:
  void Add(Slice piece) noexcept {
    if (piece.length != 0) pieces_[count_++] = piece;
  }
  void Add(const char* literal) noexcept { Add(Slice{literal, std::strlen(literal)}); }

  OwnedString Join() const noexcept {
    size_t total = 0;
    for (size_t i = 0; i < count_; ++i) total += pieces_[i].length;
    char* out = static_cast<char*>(std::malloc(total + 1));
    if (out == nullptr) return OwnedString();
    char* cursor = out;
    for (size_t i = 0; i < count_; ++i) {
      std::memcpy(cursor, pieces_[i].text, pieces_[i].length);
      cursor += pieces_[i].length;
    }
    *cursor = '\0';
    return OwnedString(out);
  }

 private:
  Slice pieces_[12];
  size_t count_ = 0;
};

void AddUserInformation(const UrlLayout& layout, int selection, PieceList& pieces) noexcept {
  if (!layout.authorityForm || layout.authorityEnd == layout.authorityStart) return;
  size_t at = layout.AtSign();
  if (at == kNone) return;
  size_t passwordColon = FindFrom(layout.url, at, layout.authorityStart, ':');
  pieces.Add(layout.Cut(layout.authorityStart, passwordColon == kNone ? at : passwordColon));
  if ((selection & URL_PART_PASSWORD) && passwordColon != kNone) {
    pieces.Add(":");
    pieces.Add(layout.Cut(passwordColon + 1, at));
  }
  if (selection & URL_PART_HOST) pieces.Add("@");
}

}  // namespace

OwnedString ExtractUrlParts(const char* url, int selection) noexcept {
  if (url == nullptr) return OwnedString();
  const UrlLayout layout(url);
  PieceList pieces;
  if ((selection & URL_PART_SCHEME) && layout.colon != kNone) {
    pieces.Add(layout.Scheme());
    if (selection & (URL_PART_HOST | URL_PART_USER | URL_PART_PASSWORD)) {
      if (layout.authorityForm) pieces.Add("//");
      if (layout.ThirdAfterColonIsSlash()) pieces.Add("/");
    }
  }
  if (selection & URL_PART_USER) AddUserInformation(layout, selection, pieces);
  if (selection & URL_PART_HOST) pieces.Add(layout.Host());
  if (selection & URL_PART_PATH) pieces.Add(layout.Path());
  if (selection & URL_PART_FRAGMENT) pieces.Add(layout.Fragment());
  if (selection & URL_PART_QUERY) pieces.Add(layout.Query());
  return pieces.Join();
}

bool FindUrlExtension(const char* url, char separator, int withQuery, UrlExtensionSlices* found) noexcept {
  if (url == nullptr) return false;
  const UrlLayout layout(url);
  // The searched text is the path followed by the query; they need not be adjacent in the URL
  // (a fragment may stand between), so scan the two slices from the back without joining them.
  const Slice parts[2] = {layout.Path(), withQuery ? layout.Query() : Slice{}};
  for (int part = 1; part >= 0; --part) {
    const Slice& slice = parts[part];
    for (size_t i = slice.length; i-- > 0;) {
      const char c = slice.text[i];
      if (c == separator) {
        found->head = slice.text + i;
        found->headLength = slice.length - i;
        found->tail = part == 0 ? parts[1].text : nullptr;
        found->tailLength = part == 0 ? parts[1].length : 0;
        found->length = found->headLength + found->tailLength;
        return true;
      }
      if (c == '/') return false;
    }
  }
  return false;
}

OwnedString GetUrlExtension(const char* url, char separator, int withQuery) noexcept {
  UrlExtensionSlices found;
  if (!FindUrlExtension(url, separator, withQuery, &found)) return OwnedString();
  PieceList pieces;
  pieces.Add(Slice{found.head, found.headLength});
  pieces.Add(Slice{found.tail, found.tailLength});
  return pieces.Join();
}
