#ifndef BACKENDS_OVS_OVS_BACKEND_H_
#define BACKENDS_OVS_OVS_BACKEND_H_

#include <memory>
#include <string>

#include "backends/ovs/ovs_session.h"
#include "backends/ovs/ovs_settings.h"
#include "backends/ovs/ovs_store.h"
#include "backends/rows/chassis.h"
#include "backends/rows/row_backend.h"

namespace ovs_host {

// The host as Open vSwitch holds it: the library over the switch database
// that settings name (OvsStore gives the mapping). Nothing is reached until
// the first call that needs the host; that call connects, and a failed
// connect is tried again by the next call. Switch names are at most 15
// bytes, the longest name of a network device. Reboot is refused: Open
// vSwitch applies its database as it stands, so there is no stored
// configuration apart from the running one. The backend's one session with
// the database serves its chassis too (MakeChassis).
class OvsBackend : public rows::RowBackend {
 public:
  explicit OvsBackend(OvsSettings settings) : session_(std::move(settings)), store_(session_) {}

  uint32_t MaxSwitchNameSize() const override { return store_.MaxSwitchNameSize(); }
  std::string DefaultDVSCacheFile() const override;
  // No switches of this backend's own; the pnics are the host's.
  rows::HostDocument DefaultHost() const override { return rows::HostDocument(); }
  void Reboot() override;
  // The session keeps the staged row; nothing is reached.
  void StageHistory(const hostnet::HistoryRow& row) override { session_.StageHistory(row); }
  hostnet::StagedRow UnstageHistory() override { return session_.UnstageHistory(); }

  // This host as a chassis of OVN, over the backend's session; the backend
  // must outlive it.
  std::unique_ptr<rows::Chassis> MakeChassis();

 protected:
  OvsStore& Host() override;

 private:
  OvsSession session_;
  OvsStore store_;
};

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_BACKEND_H_
