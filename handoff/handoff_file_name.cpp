#include "handoff/handoff_file_name.h"

#include <cstring>

#include "handoff/handoff_protocol.h"

bool MakeHandoffFileName(const char* directory, uint32_t returned, char (&name)[HANDOFF_PATH_CAPACITY]) noexcept {
  name[0] = '\0';
  // A length of the whole buffer or more means the call asked for a bigger one.
  if (directory == nullptr || returned == 0 || returned >= HANDOFF_PATH_CAPACITY) return false;
  const bool endsWithBackslash = directory[returned - 1] == '\\';
  const size_t fileLength = sizeof(HANDOFF_FILE_NAME) - 1;
  const size_t total = returned + (endsWithBackslash ? 0 : 1) + fileLength + 1;
  if (total > HANDOFF_PATH_CAPACITY) return false;
  char* out = name;
  std::memcpy(out, directory, returned);
  out += returned;
  if (!endsWithBackslash) *out++ = '\\';
  std::memcpy(out, HANDOFF_FILE_NAME, fileLength + 1);
  return true;
}
