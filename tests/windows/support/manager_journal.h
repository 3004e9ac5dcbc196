#pragma once
// Reads the reference manager's journal: one entry per line, tab-separated key=value pairs with
// escaped text (\t \n \\ \xHH), so tests can compare fields and raw bytes exactly.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

struct JournalEntry {
  std::map<std::string, std::string> fields;

  bool Has(const std::string& key) const { return fields.count(key) != 0; }
  std::string Get(const std::string& key) const {
    auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
  }
  long Number(const std::string& key) const { return std::strtol(Get(key).c_str(), nullptr, 10); }
  bool IsMessage() const { return Get("event") == "message"; }
  // The raw bytes the manager received, decoded from the hex field.
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> bytes;
    const std::string hex = Get("hex");
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
  }
};

inline std::string UnescapeJournalText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    if (next == 't') out += '\t';
    else if (next == 'n') out += '\n';
    else if (next == '\\') out += '\\';
    else if (next == 'x' && i + 2 < text.size() + 1) {
      out += static_cast<char>(std::stoul(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += next;
    }
  }
  return out;
}

// Text split at line ends ("\n" or "\r\n"); a last line without an end counts too.
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

inline std::vector<JournalEntry> ReadJournal(const std::string& path) {
  std::vector<JournalEntry> entries;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return entries;
  std::string text;
  char chunk[4096];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof(chunk), file)) != 0) text.append(chunk, n);
  std::fclose(file);
  for (const std::string& line : SplitLines(text)) {
    if (line.empty()) continue;
    JournalEntry entry;
    size_t fieldStart = 0;
    while (fieldStart <= line.size()) {
      size_t tab = line.find('\t', fieldStart);
      if (tab == std::string::npos) tab = line.size();
      const std::string field = line.substr(fieldStart, tab - fieldStart);
      const size_t equals = field.find('=');
      if (equals != std::string::npos) entry.fields[field.substr(0, equals)] = UnescapeJournalText(field.substr(equals + 1));
      fieldStart = tab + 1;
    }
    entries.push_back(entry);
  }
  return entries;
}

inline std::vector<JournalEntry> JournalMessages(const std::string& path) {
  std::vector<JournalEntry> messages;
  for (const JournalEntry& entry : ReadJournal(path)) {
    if (entry.IsMessage()) messages.push_back(entry);
  }
  return messages;
}

// "0e000000..." for bytes given as a string, to compare with JournalEntry::Get("hex").
inline std::string HexOf(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}
