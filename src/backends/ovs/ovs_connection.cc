#include "backends/ovs/ovs_connection.h"

#include <thread>
#include <utility>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/stream.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using Quorvic::Lib::QuorvicException;

namespace {

constexpr const char* kLockName = "quenta_host";

// What this backend reads and writes of the switch database.
const ovsdb::SchemaNeeds kNeeds = {
    {"Open_vSwitch", {"bridges", "next_cfg", "cur_cfg", "external_ids"}},
    {"Bridge", {"name", "ports", "external_ids", "datapath_type"}},
    {"Port",
     {"name", "interfaces", "external_ids", "tag", "fake_bridge", "bond_mode", "lacp",
      "other_config", "bond_active_slave"}},
    {"Interface",
     {"name", "type", "external_ids", "mtu_request", "mtu", "error", "ofport", "lacp_current"}},
};

}  // namespace

ovsdb::Client& OvsConnection::Client() {
  if (client_) return *client_;
  std::unique_ptr<ovsdb::Client> client;
  try {
    // The schema is checked when a request is refused, not before: a run
    // that only reads sends no request of its own for it.
    client = std::make_unique<ovsdb::Client>(settings_.remote, settings_.requestTimeout,
                                             settings_.peer);
  } catch (const QuorvicException& e) {
    // Only a local socket's server is one this machine's operator starts.
    const bool local = settings_.remote.rfind("unix:", 0) == 0;
    throw QuorvicException(e.GetMessage() + " (the switch database, chosen by " +
                               settings_.source + ")" +
                               (local ? "; is Open vSwitch running? `systemctl start "
                                        "openvswitch-switch` starts it"
                                      : ""),
                           "Open vSwitch");
  }
  if (holds_ > 0) TakeLock(*client);
  client_ = std::move(client);
  ++connections_;
  return *client_;
}

std::vector<nlohmann::json> OvsConnection::Read(std::vector<nlohmann::json> operations) {
  ovsdb::Client& client = Client();
  ovsdb::Client::Outcome outcome;
  try {
    outcome = client.TryTransact(kDatabase, std::move(operations));
  } catch (const QuorvicException&) {
    Drop();
    throw;
  }
  if (!outcome.Committed()) {
    RequireSchema();
    throw QuorvicException(outcome.message);
  }
  return std::move(outcome.results);
}

bool OvsConnection::AwaitApplied(int64_t target, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const nlohmann::json rows =
        Read({ovsdb::Select(kDatabase, {}, {"cur_cfg"})}).at(0).at("rows");
    if (!rows.empty() && rows[0].at("cur_cfg").get<int64_t>() >= target) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void OvsConnection::RequireSchema() { Client().RequireSchema(kDatabase, kNeeds); }

void OvsConnection::TakeLock(ovsdb::Client& client) {
  if (client.Lock(kLockName, settings_.lockWait)) return;
  client.Unlock(kLockName);
  throw QuorvicException("another run kept the host locked for " +
                         ovsdb::DescribeTimeout(settings_.lockWait) + "; nothing was changed");
}

bool OvsConnection::HeldByAnother(const std::string& name) {
  ovsdb::Client& client = Client();
  const bool taken = client.Lock(name, std::chrono::milliseconds(0));
  client.Unlock(name);
  return !taken;
}

void OvsConnection::Lock() {
  if (holds_ == 0) TakeLock(Client());
  ++holds_;
}

void OvsConnection::Unlock() {
  if (--holds_ > 0 || !client_) return;
  try {
    client_->Unlock(kLockName);
  } catch (const QuorvicException&) {
    // The server lets go of the lock when the connection closes.
    Drop();
  }
}

}  // namespace ovs_host
