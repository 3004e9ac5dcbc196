#pragma once
// One extension against one pattern of the user's list. "?" is any one byte; "[a-c,x]" is one
// byte out of items and ranges; everything else, "*" included, is itself. Byte for byte and
// case-sensitive: the caller lower-cases both sides.

// 1 for a match, 0 for none. Neither input needs a terminator; both are left unchanged.
int MatchExtensionPattern(const char* extension, int extensionLength, const char* pattern, int patternLength) noexcept;
