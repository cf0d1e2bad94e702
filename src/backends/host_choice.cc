#include "backends/host_choice.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <utility>

#include "backends/conf_file.h"
#include "backends/faults/fault_injection_backend.h"
#include "backends/history/history_recorder.h"
#include "backends/ovn/ovn_backend.h"
#include "backends/ovs/ovs_backend.h"
#include "backends/ovsdb/peer_settings.h"
#include "backends/setting_rules.h"
#include "backends/sqlite/sqlite_backend.h"
#include "hostnet/quorvic_exception.h"

namespace backends {

using Quorvic::Lib::QuorvicException;

namespace {

constexpr const char* kConfPath = "/etc/quenta/hostnet.conf";
constexpr const char* kDefaultHost = "sqlite:/var/lib/quenta/hostnet.db";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

}  // namespace

HostSettings ProcessHostSettings() {
  const std::string conf = Environment("QUENTA_HOSTNET_CONF");
  HostSettings settings{Environment("QUENTA_HOSTNET"), Environment("QUENTA_HOSTNET_DB"),
                        conf.empty() ? kConfPath : conf, conf.empty() ? "" : "QUENTA_HOSTNET_CONF"};
  for (const SettingRule& rule : SettingRules()) {
    if (std::string(rule.key) == "host" || std::getenv(rule.variable) == nullptr) continue;
    settings.options[rule.key] = Environment(rule.variable);
  }
  return settings;
}

HostChoice ChooseHost(const HostSettings& settings) {
  for (const auto& [key, value] : settings.options) {
    const SettingRule* rule = FindSettingRule(key);
    if (rule == nullptr) throw QuorvicException("unknown setting " + key);
    CheckSetting(*rule, value, rule->variable);
  }
  HostChoice choice;
  if (!settings.hostnet.empty()) {
    choice = {settings.hostnet, "QUENTA_HOSTNET"};
  } else if (!settings.hostnetDb.empty()) {
    choice = {"sqlite:" + settings.hostnetDb, "QUENTA_HOSTNET_DB"};
  } else if (auto conf = ReadConfFile(settings.confPath, settings.confNamedBy)) {
    for (const auto& [key, entry] : *conf) {
      if (key == "host") {
        choice.value = entry.value;
        choice.source = entry.source;
      } else {
        choice.options[key] = entry.value;
      }
    }
  }
  if (choice.value.empty()) choice = {kDefaultHost, "the default", choice.options};
  CheckSetting(*FindSettingRule("host"), choice.value, choice.source);
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
  CheckSetting(*FindSettingRule("host"), choice.value, choice.source);
  const std::string::size_type colon = choice.value.find(':');
  const std::string address = choice.value.substr(colon + 1);
  if (choice.value.compare(0, colon, "sqlite") == 0) {
    sqlite_host::SqliteSettings settings =
        sqlite_host::ParseSqliteSettings(address, choice.options);
    settings.makeMissing = missing == MissingHost::kMake;
    return {std::make_unique<sqlite_host::SqliteBackend>(std::move(settings)),
            std::make_unique<rows::RecordsOnlyChassis>(SimulatedHostName(address))};
  }
  ovs_host::OvsSettings settings =
      ovs_host::ParseOvsSettings(address, choice.source, choice.options);
  settings.comment = history::ProcessCommandLine();
  auto backend = std::make_unique<ovs_host::OvsBackend>(std::move(settings));
  std::unique_ptr<rows::Chassis> chassis = backend->MakeChassis();
  return {std::move(backend), std::move(chassis)};
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
