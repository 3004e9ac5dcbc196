#pragma once
// ANSI copies of the strings of a list argument. Their storage is on the heap and grows with
// the list, however long it is.
#include <windows.h>

#include "browser/bstr_list_view.h"

class AnsiStringList {
 public:
  AnsiStringList() noexcept = default;
  ~AnsiStringList() { Clear(); }
  AnsiStringList(const AnsiStringList&) = delete;
  AnsiStringList& operator=(const AnsiStringList&) = delete;

  // Converts every element with WideToAnsi, in index order. A null BSTR, or one that cannot
  // be converted, gives a null string (an empty URL). False when there is no memory for the
  // list itself.
  bool Convert(const BstrListView& list) noexcept;

  const char* const* Strings() const noexcept { return strings_; }
  ULONG Count() const noexcept { return count_; }

 private:
  void Clear() noexcept;

  char** strings_ = nullptr;
  ULONG count_ = 0;
};
