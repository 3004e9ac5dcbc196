#include "browser/wide_to_ansi.h"

#include <cstdlib>

OwnedString WideToAnsi(const wchar_t* text) noexcept { return WideToCodePage(CP_ACP, text); }

OwnedString WideToCodePage(UINT codePage, const wchar_t* text) noexcept {
  if (text == nullptr) return OwnedString();
  // Two bytes per UTF-16 unit and the terminator hold any single- or double-byte code page.
  // A code page with longer sequences (UTF-8 takes up to three per unit) is measured, so the
  // whole string and its terminator always fit.
  const size_t units = static_cast<size_t>(::lstrlenW(text));
  size_t size = 2 * units + 2;
  const int needed = ::WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed > 0 && static_cast<size_t>(needed) > size) size = static_cast<size_t>(needed);
  OwnedString buffer(static_cast<char*>(std::malloc(size)));
  if (!buffer) return OwnedString();
  buffer.get()[0] = '\0';
  // A conversion that fails part way may leave bytes without a terminator: it gives "".
  if (::WideCharToMultiByte(codePage, 0, text, -1, buffer.get(), static_cast<int>(size), nullptr, nullptr) == 0) {
    buffer.get()[0] = '\0';
  }
  return buffer;
}
