#include "backends/ovsdb/peer_settings.h"

#include <cerrno>
#include <cstdlib>

#include "hostnet/quorvic_exception.h"

namespace ovsdb {

namespace {

// Bytes of the max-message option, or the default when it is not given.
std::size_t MaxMessage(const std::map<std::string, std::string>& options) {
  auto found = options.find("max-message");
  if (found == options.end() || found->second.empty()) return ReaderLimits{}.maxMessage;
  const std::string& text = found->second;
  char* end = nullptr;
  errno = 0;
  long mib = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || mib < 1 ||
      static_cast<std::size_t>(mib) > ReaderLimits::kMaxMessageMiBCap) {
    throw Quorvic::Lib::QuorvicException(
        "max-message (QUENTA_OVSDB_MAX_MESSAGE) must be a whole number of MiB from 1 to 4096: " +
        text);
  }
  return static_cast<std::size_t>(mib) * ReaderLimits::kMiB;
}

}  // namespace

PeerSettings ParsePeerSettings(const std::map<std::string, std::string>& options) {
  PeerSettings settings;
  settings.tls = TlsFilesFromOptions(options);
  settings.limits.maxMessage = MaxMessage(options);
  return settings;
}

}  // namespace ovsdb
