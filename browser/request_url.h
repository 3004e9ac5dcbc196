#pragma once
// The protocol handler's own conversion of a requested URL to ANSI text: precomposed
// characters where the code page has them, at most 2n bytes for n UTF-16 units with the
// terminator, in a zero-filled buffer of 4n + 4 bytes.
#include <windows.h>

#include "common/owned_string.h"

// The converted URL; "" for an empty one. Null when memory runs out, when the text needs more
// than its 2n bytes, or when the conversion fails: such a request is not screened.
OwnedString ConvertRequestUrl(UINT codePage, const wchar_t* url) noexcept;
