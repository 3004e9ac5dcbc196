#pragma once
// Wide strings from COM become the ANSI text that is screened and sent to the manager.
#include <windows.h>

#include "common/owned_string.h"

// The string in the system's ANSI code page, terminated; null for a null string or when
// memory runs out. Characters the code page lacks become its default character.
OwnedString WideToAnsi(const wchar_t* text) noexcept;

// The same conversion into any code page.
OwnedString WideToCodePage(UINT codePage, const wchar_t* text) noexcept;
