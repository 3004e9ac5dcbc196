// Takes arbitrary bytes apart as a URL with every selection, and checks what must always hold:
// no crash, no read past the input, results built only from the URL's own bytes, and an
// extension that starts with its separator and ends the searched text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "screening/url_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int selection = data[0] & 0x7F;
  // An exactly sized heap copy, so ASan sees any read past the terminator.
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.substr(0, std::strlen(text.c_str()));
  char* url = static_cast<char*>(std::malloc(text.size() + 1));
  std::memcpy(url, text.c_str(), text.size() + 1);

  OwnedString parts = ExtractUrlParts(url, selection);
  if (!parts) std::abort();  // a present URL never gives an absent result
  const size_t partsLength = std::strlen(parts.get());
  // Components may overlap (a "#" inside the host also opens the fragment), but each of the
  // seven is a slice of the URL, plus at most the separators "//", "/", ":" and "@".
  if (partsLength > 7 * text.size() + 5) std::abort();

  for (int withQuery = 0; withQuery < 2; ++withQuery) {
    OwnedString searched = ExtractUrlParts(url, withQuery ? 0x05 : 0x04);
    OwnedString extension = GetUrlExtension(url, '.', withQuery);
    if (!extension) continue;
    const size_t n = std::strlen(extension.get());
    const size_t total = std::strlen(searched.get());
    if (n == 0 || extension.get()[0] != '.') std::abort();
    if (n > total || std::memcmp(searched.get() + total - n, extension.get(), n) != 0) std::abort();
    if (std::memchr(extension.get(), '/', n) != nullptr) std::abort();
  }
  if (std::strcmp(url, text.c_str()) != 0) std::abort();  // the URL is unchanged
  std::free(url);
  return 0;
}
