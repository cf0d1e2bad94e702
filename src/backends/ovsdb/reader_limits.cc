#include "backends/ovsdb/reader_limits.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "hostnet/quorvic_exception.h"

namespace ovsdb {

ReaderLimits ProcessReaderLimits() {
  ReaderLimits limits;
  const char* text = std::getenv("QUENTA_OVSDB_MAX_MESSAGE");
  if (text == nullptr || *text == '\0') return limits;
  char* end = nullptr;
  errno = 0;
  long mib = std::strtol(text, &end, 10);
  if (*end != '\0' || errno != 0 || mib < 1 ||
      static_cast<std::size_t>(mib) > ReaderLimits::kMaxMessageMiBCap) {
    throw Quorvic::Lib::QuorvicException(
        std::string("QUENTA_OVSDB_MAX_MESSAGE must be a whole number of MiB from 1 to 4096: ") +
        text);
  }
  limits.maxMessage = static_cast<std::size_t>(mib) * ReaderLimits::kMiB;
  return limits;
}

}  // namespace ovsdb
