#pragma once
// The full name of the hand-off file, made from the temporary directory exactly as
// GetTempPathA returned it. Platform-free, so its bounds are tested natively.
#include <cstdint>

constexpr uint32_t HANDOFF_PATH_CAPACITY = 260;  // MAX_PATH, terminator included

// `directory` holds what GetTempPathA wrote and `returned` is what it returned: the length on
// success, 0 on failure, or more than the buffer when the directory did not fit. Writes
// "<directory>navtrap.tmp", with a backslash between the two when the directory lacks one, and
// returns true; false, with `name` left empty, when there is no directory or the name would not
// fit in HANDOFF_PATH_CAPACITY bytes.
bool MakeHandoffFileName(const char* directory, uint32_t returned, char (&name)[HANDOFF_PATH_CAPACITY]) noexcept;
