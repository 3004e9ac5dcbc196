#pragma once
// Where the generated C++ declaration of IOstrelNetscape puts each method in its vtable, in
// bytes, read from the header's C form; -1 for a name it does not have.
#ifdef __cplusplus
extern "C"
#endif
int GeneratedVtableOffset(const char* method);
