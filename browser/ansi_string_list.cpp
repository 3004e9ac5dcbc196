#include "browser/ansi_string_list.h"

#include <cstdlib>

#include "browser/wide_to_ansi.h"

bool AnsiStringList::Convert(const BstrListView& list) noexcept {
  Clear();
  const ULONG count = list.Count();
  strings_ = static_cast<char**>(std::calloc(count != 0 ? count : 1, sizeof(char*)));
  if (strings_ == nullptr) return false;
  count_ = count;
  for (ULONG i = 0; i < count; ++i) strings_[i] = WideToAnsi(list.At(i)).release();
  return true;
}

void AnsiStringList::Clear() noexcept {
  for (ULONG i = 0; i < count_; ++i) std::free(strings_[i]);
  std::free(strings_);
  strings_ = nullptr;
  count_ = 0;
}
