#include "commands/uuid_text.h"

#include <cstdio>
#include <cstring>

const char* const UUID_FORMAT =
    "%02hhx %02hhx %02hhx %02hhx %02hhx %02hhx %02hhx %02hhx-"
    "%02hhx %02hhx %02hhx %02hhx %02hhx %02hhx %02hhx %02hhx";

const char* UuidToString(const char* text) {
  static char buffer[48];
  unsigned char bytes[16] = {};
  std::strncpy(reinterpret_cast<char*>(bytes), text, 15);
  std::snprintf(buffer, sizeof buffer, UUID_FORMAT, bytes[0], bytes[1], bytes[2], bytes[3],
                bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10], bytes[11],
                bytes[12], bytes[13], bytes[14], bytes[15]);
  return buffer;
}

bool IsValidUuidString(const char* text) {
  unsigned char b[16];
  return std::sscanf(text, UUID_FORMAT, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7],
                     &b[8], &b[9], &b[10], &b[11], &b[12], &b[13], &b[14], &b[15]) == 16;
}
