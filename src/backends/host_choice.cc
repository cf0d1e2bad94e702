#include "backends/host_choice.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>

#include "backends/faults/fault_injection_backend.h"
#include "backends/sqlite/sqlite_backend.h"
#include "hostnet/quorvic_exception.h"

namespace backends {

using Quorvic::Lib::QuorvicException;

const char kKnownHostSchemes[] = "sqlite:PATH";

namespace {

constexpr const char* kConfPath = "/etc/quenta/hostnet.conf";
constexpr const char* kDefaultHost = "sqlite:/var/lib/quenta/hostnet.db";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r";
  std::string::size_type first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The "host = VALUE" line of the configuration file at path; an empty value
// when the file does not exist or has no such line.
HostChoice HostFromConf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 && errno == ENOENT) return {};
  std::ifstream in(path);
  if (!in) throw QuorvicException("cannot read " + path + ": " + std::strerror(errno));
  HostChoice choice;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::string text = Trim(line);
    if (text.empty() || text[0] == '#') continue;
    std::string::size_type equals = text.find('=');
    if (equals == std::string::npos || Trim(text.substr(0, equals)).empty()) {
      throw QuorvicException(path + " line " + std::to_string(number) +
                             ": expected KEY = VALUE, found " + text);
    }
    if (Trim(text.substr(0, equals)) == "host") {
      choice = {Trim(text.substr(equals + 1)), path + " line " + std::to_string(number)};
    }
  }
  return choice;
}

[[noreturn]] void Refuse(const HostChoice& choice, const std::string& reason) {
  throw QuorvicException("cannot use host " + choice.value + " from " + choice.source + ": " +
                         reason + " (known: " + kKnownHostSchemes + ")");
}

}  // namespace

HostSettings ProcessHostSettings() {
  return {Environment("QUENTA_HOSTNET"), Environment("QUENTA_HOSTNET_DB"), kConfPath};
}

HostChoice ChooseHost(const HostSettings& settings) {
  if (!settings.hostnet.empty()) return {settings.hostnet, "QUENTA_HOSTNET"};
  if (!settings.hostnetDb.empty()) return {"sqlite:" + settings.hostnetDb, "QUENTA_HOSTNET_DB"};
  HostChoice fromConf = HostFromConf(settings.confPath);
  if (!fromConf.value.empty()) return fromConf;
  return {kDefaultHost, "the default"};
}

std::unique_ptr<hostnet::Backend> OpenBackend(const HostChoice& choice) {
  std::string::size_type colon = choice.value.find(':');
  if (colon == std::string::npos) Refuse(choice, "no scheme");
  const std::string scheme = choice.value.substr(0, colon);
  const std::string address = choice.value.substr(colon + 1);
  if (scheme == "sqlite") {
    if (address.empty()) Refuse(choice, "no path after sqlite:");
    return std::make_unique<sqlite_host::SqliteBackend>(address);
  }
  Refuse(choice, "unknown scheme " + scheme);
}

std::unique_ptr<hostnet::Backend> OpenToolBackend() {
  return std::make_unique<faults::FaultInjectionBackend>(
      OpenBackend(ChooseHost(ProcessHostSettings())));
}

}  // namespace backends
