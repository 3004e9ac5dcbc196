#pragma once
// One line per event, tab-separated key=value pairs, flushed before the manager replies so a
// test can read it as soon as its send returns.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using JournalFields = std::vector<std::pair<std::string, std::string>>;

// Escapes tabs, newlines, backslashes and bytes outside printable ASCII as \t \n \\ \xHH.
std::string EscapeJournalText(const std::string& text);
std::string HexBytes(const uint8_t* data, size_t size);
void AppendJournalLine(const std::string& path, const JournalFields& fields);
