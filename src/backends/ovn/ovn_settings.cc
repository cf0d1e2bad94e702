#include "backends/ovn/ovn_settings.h"

#include <cstdlib>
#include <sstream>

#include "hostnet/quorvic_exception.h"

namespace ovn {

using Quorvic::Lib::QuorvicException;

OvnSettings ParseOvnSettings(const std::string& remotes, const std::string& timeout) {
  OvnSettings settings;
  std::stringstream list(remotes);
  for (std::string remote; std::getline(list, remote, ',');) {
    std::string::size_type first = remote.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    remote = remote.substr(first, remote.find_last_not_of(" \t") - first + 1);
    std::string scheme = remote.substr(0, remote.find(':') + 1);
    if (scheme != "tcp:" && scheme != "ssl:" && scheme != "unix:") {
      throw QuorvicException("OVN northbound remote " + remote +
                             " is not tcp:HOST:PORT, ssl:HOST:PORT nor unix:PATH");
    }
    settings.remotes.push_back(remote);
  }
  if (settings.remotes.empty()) {
    throw QuorvicException("no OVN northbound remote in \"" + remotes + "\"");
  }
  if (!timeout.empty()) {
    char* end = nullptr;
    long seconds = std::strtol(timeout.c_str(), &end, 10);
    if (*end != '\0' || seconds < 1 || seconds > 3600) {
      throw QuorvicException("the OVN timeout must be 1 to 3600 seconds, not " + timeout);
    }
    settings.timeout = std::chrono::seconds(seconds);
  }
  return settings;
}

}  // namespace ovn
