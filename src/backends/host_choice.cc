#include "backends/host_choice.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#include "backends/faults/fault_injection_backend.h"
#include "backends/ovn/ovn_backend.h"
#include "backends/ovsdb/ovs_backend.h"
#include "backends/ovsdb/tls_settings.h"
#include "backends/sqlite/sqlite_backend.h"
#include "hostnet/quorvic_exception.h"

namespace backends {

using Quorvic::Lib::QuorvicException;

const char kKnownHostSchemes[] =
    "sqlite:PATH, ovsdb:, ovsdb:unix:PATH, ovsdb:tcp:HOST:PORT, ovsdb:ssl:HOST:PORT";

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

// The "host = VALUE" line of the configuration file at path, with the
// file's other keys as options; an empty value when the file does not exist
// or has no such line.
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
    std::string key = Trim(text.substr(0, equals));
    std::string value = Trim(text.substr(equals + 1));
    if (key == "host") {
      choice.value = value;
      choice.source = path + " line " + std::to_string(number);
    } else {
      choice.options[key] = value;
    }
  }
  return choice;
}

// The blank-separated words of text.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string::size_type start = 0;
  while ((start = text.find_first_not_of(" \t", start)) != std::string::npos) {
    std::string::size_type end = text.find_first_of(" \t", start);
    words.push_back(text.substr(start, end - start));
    start = end;
  }
  return words;
}

[[noreturn]] void Refuse(const HostChoice& choice, const std::string& reason) {
  throw QuorvicException("cannot use host " + choice.value + " from " + choice.source + ": " +
                         reason + " (known: " + kKnownHostSchemes + ")");
}

}  // namespace

HostSettings ProcessHostSettings() {
  HostSettings settings{Environment("QUENTA_HOSTNET"), Environment("QUENTA_HOSTNET_DB"),
                        kConfPath};
  const std::pair<const char*, const char*> kOptions[] = {
      {"datapath", "QUENTA_OVS_DATAPATH"},
      {"pnics", "QUENTA_OVS_PNICS"},
      {"apply-wait", "QUENTA_OVS_APPLY_WAIT"},
      {"ovn-nb", "QUENTA_OVN_NB"},
      {"ovn-timeout", "QUENTA_OVN_TIMEOUT"}};
  for (const auto& [key, variable] : kOptions) {
    if (std::getenv(variable) != nullptr) settings.options[key] = Environment(variable);
  }
  ovsdb::AddTlsEnvironment(settings.options);
  return settings;
}

HostChoice ChooseHost(const HostSettings& settings) {
  HostChoice choice = HostFromConf(settings.confPath);
  for (const auto& [key, value] : settings.options) choice.options[key] = value;
  if (!settings.hostnet.empty()) {
    choice.value = settings.hostnet;
    choice.source = "QUENTA_HOSTNET";
  } else if (!settings.hostnetDb.empty()) {
    choice.value = "sqlite:" + settings.hostnetDb;
    choice.source = "QUENTA_HOSTNET_DB";
  } else if (choice.value.empty()) {
    choice.value = kDefaultHost;
    choice.source = "the default";
  }
  return choice;
}

namespace {

// The backend of the local host that choice names.
std::unique_ptr<rows::RowBackend> OpenLocalBackend(const HostChoice& choice) {
  std::string::size_type colon = choice.value.find(':');
  if (colon == std::string::npos) Refuse(choice, "no scheme");
  const std::string scheme = choice.value.substr(0, colon);
  const std::string address = choice.value.substr(colon + 1);
  if (scheme == "sqlite") {
    if (address.empty()) Refuse(choice, "no path after sqlite:");
    return std::make_unique<sqlite_host::SqliteBackend>(address);
  }
  if (scheme == "ovsdb") {
    ovs_host::OvsSettings settings;
    if (!address.empty()) settings.remote = address;
    std::string remoteScheme = address.substr(0, address.find(':') + 1);
    if (remoteScheme != "unix:" && remoteScheme != "tcp:" && remoteScheme != "ssl:" &&
        !address.empty()) {
      Refuse(choice, "ovsdb: takes unix:PATH, tcp:HOST:PORT or ssl:HOST:PORT, or nothing");
    }
    for (const auto& [key, value] : choice.options) {
      if (key == "datapath") {
        if (!value.empty()) settings.datapathType = value;
      } else if (key == "pnics") {
        settings.pnics = Words(value);
      } else if (key == "apply-wait") {
        char* end = nullptr;
        long seconds = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || seconds < 0 || seconds > 3600) {
          Refuse(choice, "apply-wait must be 0 to 3600 seconds, not " + value);
        }
        settings.applyWait = std::chrono::seconds(seconds);
      }
    }
    return std::make_unique<ovs_host::OvsBackend>(std::move(settings));
  }
  Refuse(choice, "unknown scheme " + scheme);
}

}  // namespace

std::unique_ptr<hostnet::Backend> OpenBackend(const HostChoice& choice) {
  auto option = [&](const char* key) {
    auto found = choice.options.find(key);
    return found == choice.options.end() ? std::string() : found->second;
  };
  ovsdb::SetProcessTlsFiles(ovsdb::TlsFilesFromOptions(choice.options));
  std::unique_ptr<rows::RowBackend> local = OpenLocalBackend(choice);
  if (option("ovn-nb").empty()) return local;
  return std::make_unique<ovn::OvnBackend>(
      std::move(local), ovn::ParseOvnSettings(option("ovn-nb"), option("ovn-timeout")));
}

std::unique_ptr<hostnet::Backend> OpenToolBackend() {
  return std::make_unique<faults::FaultInjectionBackend>(
      OpenBackend(ChooseHost(ProcessHostSettings())));
}

}  // namespace backends
