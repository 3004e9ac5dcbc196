/* Compiled as C, where the generated header declares each vtable as a struct of function
   pointers, so offsetof gives the slot the C++ classes fill. */
#define COBJMACROS
#include <stddef.h>
#include <string.h>

#include "navtrap_idl.h"
#include "vtable_offsets.h"

int GeneratedVtableOffset(const char* method) {
  static const struct {
    const char* name;
    size_t offset;
  } kSlots[] = {
      {"Initialize", offsetof(IOstrelNetscapeVtbl, Initialize)},
      {"Open", offsetof(IOstrelNetscapeVtbl, Open)},
      {"AddUrl", offsetof(IOstrelNetscapeVtbl, AddUrl)},
      {"AddUrlList", offsetof(IOstrelNetscapeVtbl, AddUrlList)},
      {"IsUrlExist", offsetof(IOstrelNetscapeVtbl, IsUrlExist)},
      {"AddUrlEx", offsetof(IOstrelNetscapeVtbl, AddUrlEx)},
      {"AddUrlListEx", offsetof(IOstrelNetscapeVtbl, AddUrlListEx)},
  };
  for (size_t i = 0; i < sizeof(kSlots) / sizeof(kSlots[0]); ++i) {
    if (strcmp(kSlots[i].name, method) == 0) return (int)kSlots[i].offset;
  }
  return -1;
}
