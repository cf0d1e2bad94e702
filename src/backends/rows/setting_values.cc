#include "backends/rows/setting_values.h"

#include <cerrno>
#include <cstdlib>

#include "hostnet/quorvic_exception.h"

namespace rows {

std::string OptionOr(const Options& options, const std::string& key, const std::string& fallback) {
  auto found = options.find(key);
  return found == options.end() || found->second.empty() ? fallback : found->second;
}

std::chrono::seconds SecondsOption(const Options& options, const std::string& key, long min,
                                   long max, std::chrono::seconds fallback,
                                   const std::string& what) {
  const std::string text = OptionOr(options, key, "");
  if (text.empty()) return fallback;
  char* end = nullptr;
  errno = 0;
  long seconds = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || seconds < min || seconds > max) {
    throw Quorvic::Lib::QuorvicException(what + " must be a whole number of seconds from " +
                                         std::to_string(min) + " to " + std::to_string(max) +
                                         ": " + text);
  }
  return std::chrono::seconds(seconds);
}

std::chrono::milliseconds WaitLimit(const Options& options) {
  return SecondsOption(options, "wait", 0, 3600, std::chrono::seconds(10), "QUENTA_HOSTNET_WAIT");
}

}  // namespace rows
