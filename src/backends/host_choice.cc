#include "backends/host_choice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "backends/faults/fault_injection_backend.h"
#include "backends/history/history_recorder.h"
#include "backends/ovn/ovn_backend.h"
#include "backends/ovs/ovs_backend.h"
#include "backends/ovsdb/peer_settings.h"
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

[[noreturn]] void Refuse(const HostChoice& choice, const std::string& reason) {
  throw QuorvicException("cannot use host " + choice.value + " from " + choice.source + ": " +
                         reason + " (known: " + kKnownHostSchemes + ")");
}

}  // namespace

HostSettings ProcessHostSettings() {
  const std::string conf = Environment("QUENTA_HOSTNET_CONF");
  HostSettings settings{Environment("QUENTA_HOSTNET"), Environment("QUENTA_HOSTNET_DB"),
                        conf.empty() ? kConfPath : conf};
  const std::pair<const char*, const char*> kOptions[] = {
      {"wait", "QUENTA_HOSTNET_WAIT"},
      {"datapath", "QUENTA_OVS_DATAPATH"},
      {"pnics", "QUENTA_OVS_PNICS"},
      {"apply-wait", "QUENTA_OVS_APPLY_WAIT"},
      {"ovn-nb", "QUENTA_OVN_NB"},
      {"ovn-timeout", "QUENTA_OVN_TIMEOUT"},
      {"ssl-private-key", "QUENTA_SSL_PRIVATE_KEY"},
      {"ssl-certificate", "QUENTA_SSL_CERTIFICATE"},
      {"ssl-ca-cert", "QUENTA_SSL_CA_CERT"},
      {"max-message", "QUENTA_OVSDB_MAX_MESSAGE"}};
  for (const auto& [key, variable] : kOptions) {
    if (std::getenv(variable) != nullptr) settings.options[key] = Environment(variable);
  }
  return settings;
}

HostChoice ChooseHost(const HostSettings& settings) {
  HostChoice choice;
  if (!settings.hostnet.empty()) {
    choice.value = settings.hostnet;
    choice.source = "QUENTA_HOSTNET";
  } else if (!settings.hostnetDb.empty()) {
    choice.value = "sqlite:" + settings.hostnetDb;
    choice.source = "QUENTA_HOSTNET_DB";
  } else {
    choice = HostFromConf(settings.confPath);
    if (choice.value.empty()) {
      choice.value = kDefaultHost;
      choice.source = "the default";
    }
  }
  for (const auto& [key, value] : settings.options) choice.options[key] = value;
  return choice;
}

namespace {

// The local host that choice names: its backend, and the chassis it is
// among hosts that share DVSwitches.
struct LocalHost {
  std::unique_ptr<rows::RowBackend> backend;
  std::unique_ptr<rows::Chassis> chassis;
};

// The name of a simulated host among others: the machine and the database,
// wherever the run was started.
std::string SimulatedHostName(const std::string& path) {
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return std::string(host) + ":" + (error ? path : absolute.lexically_normal().string());
}

LocalHost OpenLocalHost(const HostChoice& choice, MissingHost missing) {
  std::string::size_type colon = choice.value.find(':');
  if (colon == std::string::npos) Refuse(choice, "no scheme");
  const std::string scheme = choice.value.substr(0, colon);
  const std::string address = choice.value.substr(colon + 1);
  if (scheme == "sqlite") {
    if (address.empty()) Refuse(choice, "no path after sqlite:");
    sqlite_host::SqliteSettings settings = sqlite_host::ParseSqliteSettings(address, choice.options);
    settings.makeMissing = missing == MissingHost::kMake;
    return {std::make_unique<sqlite_host::SqliteBackend>(std::move(settings)),
            std::make_unique<rows::RecordsOnlyChassis>(SimulatedHostName(address))};
  }
  if (scheme == "ovsdb") {
    std::string remoteScheme = address.substr(0, address.find(':') + 1);
    if (remoteScheme != "unix:" && remoteScheme != "tcp:" && remoteScheme != "ssl:" &&
        !address.empty()) {
      Refuse(choice, "ovsdb: takes unix:PATH, tcp:HOST:PORT or ssl:HOST:PORT, or nothing");
    }
    ovs_host::OvsSettings settings = ovs_host::ParseOvsSettings(address, choice.source, choice.options);
    settings.comment = history::ProcessCommandLine();
    auto backend = std::make_unique<ovs_host::OvsBackend>(std::move(settings));
    std::unique_ptr<rows::Chassis> chassis = backend->MakeChassis();
    return {std::move(backend), std::move(chassis)};
  }
  Refuse(choice, "unknown scheme " + scheme);
}

}  // namespace

std::unique_ptr<hostnet::Backend> OpenBackend(const HostChoice& choice, MissingHost missing) {
  auto option = [&](const char* key) {
    auto found = choice.options.find(key);
    return found == choice.options.end() ? std::string() : found->second;
  };
  LocalHost local = OpenLocalHost(choice, missing);
  if (option("ovn-nb").empty()) return std::move(local.backend);
  ovn::OvnSettings settings = ovn::ParseOvnSettings(option("ovn-nb"), option("ovn-timeout"));
  settings.peer = ovsdb::ParsePeerSettings(choice.options);
  settings.comment = history::ProcessCommandLine();
  return std::make_unique<ovn::OvnBackend>(std::move(local.backend), std::move(settings),
                                           std::move(local.chassis));
}

std::unique_ptr<hostnet::Backend> OpenToolBackend() {
  return std::make_unique<faults::FaultInjectionBackend>(
      OpenBackend(ChooseHost(ProcessHostSettings())));
}

}  // namespace backends
