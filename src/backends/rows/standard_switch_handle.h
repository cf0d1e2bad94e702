#ifndef BACKENDS_ROWS_STANDARD_SWITCH_HANDLE_H_
#define BACKENDS_ROWS_STANDARD_SWITCH_HANDLE_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/rows/switch_row_handle.h"
#include "hostnet/virtual_switch.h"

namespace rows {

// A handle on one standard switch: getters return the values read with it
// (its port groups included), changes go to the switch by its ref, and the
// handle then holds the switch as written. The teaming policy is the value
// commands read in order to write it back: reading it takes the store's
// hold, if it has one, and reads the switch again; the handle remembers the
// policy it handed out, and SetTeamingPolicy redoes the caller's change on
// whatever another run wrote since (MergeTeaming).
//
// A handle a listing hands out is read without its port groups and never
// keeps them: it takes them from the store's listing, or, when the listing
// has passed them, reads the switch again (a change made through the handle
// keeps the port groups as written).
class StandardSwitchHandle : public SwitchRowHandle<Quorvic::Network::VirtualSwitch> {
 public:
  StandardSwitchHandle(RowStore& store, StandardSwitchDoc doc);
  // A switch of the store's current listing (RowStore::ListSwitches).
  StandardSwitchHandle(RowStore& store, SwitchRow listed);

  std::vector<std::unique_ptr<Quorvic::Network::PortGroup>> GetPortGroups() const override;
  std::unique_ptr<Quorvic::Network::PortGroup> AddPortGroup(const std::string& name) override;
  void RemovePortGroup(const std::string& name) override;
  Quorvic::Network::NicTeamingPolicy GetTeamingPolicy() const override;
  void SetTeamingPolicy(Quorvic::Network::NicTeamingPolicy policy) override;
  void AddUplink(const std::string& pnic, bool persist) override;
  void RemoveUplink(const std::string& pnic, bool configOnly) override;
  int32_t GetCdpStatus() const override;
  void SetCdpStatus(int32_t status) override;
  uint32_t GetMtu() const override;
  void SetMtu(uint16_t mtu) override;
  void RestoreUplinks() override;

 private:
  // The port groups of a listed switch, from the listing or read now;
  // throws SwitchGone when the switch has gone since the listing.
  std::vector<PortGroupRow> TakeOrReadPortGroups() const;
  // Edits the switch and keeps it as written.
  void Edit(const std::function<void(StandardSwitchDoc&)>& edit);
  // Whether the port groups' ports in use were read with the switch: a
  // listing reads them, a lookup of a store that leaves them out does not.
  bool Counted() const { return !forChange_ || store_.LookupsCountPorts(); }

  // The port groups as read or written; none yet in a listed handle.
  mutable std::optional<std::vector<PortGroupRow>> groups_;
  // The teaming policy GetTeamingPolicy last handed out, or that the
  // handle last wrote.
  mutable std::optional<TeamingRow> base_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_STANDARD_SWITCH_HANDLE_H_
