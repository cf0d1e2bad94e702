#include "backends/rows/wait_limit.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "hostnet/quorvic_exception.h"

namespace rows {

std::chrono::milliseconds ProcessWaitLimit() {
  const char* text = std::getenv("QUENTA_HOSTNET_WAIT");
  if (text == nullptr || *text == '\0') return std::chrono::seconds(10);
  char* end = nullptr;
  errno = 0;
  long seconds = std::strtol(text, &end, 10);
  if (*end != '\0' || errno != 0 || seconds < 0 || seconds > 3600) {
    throw Quorvic::Lib::QuorvicException(
        std::string("QUENTA_HOSTNET_WAIT must be a whole number of seconds from 0 to 3600: ") +
        text);
  }
  return std::chrono::seconds(seconds);
}

}  // namespace rows
