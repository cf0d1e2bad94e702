#ifndef BACKENDS_OVS_OVS_CONNECTION_H_
#define BACKENDS_OVS_OVS_CONNECTION_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <nlohmann/json.hpp>
#include <vector>

#include "backends/ovs/ovs_settings.h"
#include "backends/ovsdb/client.h"

namespace ovs_host {

// The backend's connection to the switch database, made on first use and
// made again after a failure, and the database lock "quenta_host" (OVSDB's
// own lock, let go when the connection closes) that runs reading a value in
// order to change it hold, so that they take turns.
class OvsConnection {
 public:
  explicit OvsConnection(OvsSettings settings) : settings_(std::move(settings)) {}

  const OvsSettings& Settings() const { return settings_; }

  // The client; connects and checks the schema first when there is none
  // (taking the lock again when it is held). Throws, with the detail "Open
  // vSwitch", a message that names the remote, the setting that chose it
  // and how to start Open vSwitch.
  ovsdb::Client& Client();
  // Runs read-only operations and returns their results. A refusal throws
  // naming what the database lacks, when it lacks what this backend uses.
  std::vector<nlohmann::json> Read(std::vector<nlohmann::json> operations);
  // Throws "OVSDB database Open_vSwitch at REMOTE lacks ..." unless it has
  // every table and column this backend uses.
  void RequireSchema();
  // Waits until ovs-vswitchd has applied configuration target (the root's
  // cur_cfg reached it, as next_cfg said after a change); false when
  // deadline came first.
  bool AwaitApplied(int64_t target, std::chrono::steady_clock::time_point deadline);
  // Forgets a connection that failed or whose state is unknown.
  void Drop() { client_.reset(); }
  // Changes with every request sent and every connection made: a value read
  // at one mark is the latest this client knows while the mark stays.
  std::pair<int, std::int64_t> Mark() const {
    return {connections_, client_ ? client_->RequestsSent() : 0};
  }

  // Counted holds of the lock: the first takes it, waiting for another run
  // as long as the settings say; the last lets it go. Lock throws when the
  // wait ends first.
  void Lock();
  void Unlock();
  // True when another client holds the database lock name now; asks by
  // trying to take it, and lets go of it at once.
  bool HeldByAnother(const std::string& name);

 private:
  void TakeLock(ovsdb::Client& client);

  OvsSettings settings_;
  std::unique_ptr<ovsdb::Client> client_;
  int holds_ = 0;
  int connections_ = 0;
};

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_CONNECTION_H_
