#include "hostnet/nic_teaming_policy.h"

#include <utility>

#include "hostnet/process_backend.h"

namespace Quorvic::Network {

NicTeamingPolicy NicTeamingPolicy::GetDefaultPolicy() {
  hostnet::NoteCall("NicTeamingPolicy.GetDefaultPolicy");
  return NicTeamingPolicy();
}

NicTeamingPolicy::NicTeamingPolicy(uint32_t mask, std::vector<std::string> order, int32_t maxActive)
    : mask_(mask), uplinkOrder_(std::move(order)), maxActive_(maxActive) {}

uint32_t NicTeamingPolicy::GetMask() const {
  hostnet::NoteCall("NicTeamingPolicy.GetMask");
  return mask_;
}

std::vector<std::string> NicTeamingPolicy::GetUplinkOrder() const {
  hostnet::NoteCall("NicTeamingPolicy.GetUplinkOrder");
  return uplinkOrder_;
}

void NicTeamingPolicy::SetUplinkOrder(std::vector<std::string> order) {
  hostnet::NoteCall("NicTeamingPolicy.SetUplinkOrder");
  uplinkOrder_ = std::move(order);
  mask_ |= UPLINK_ORDER_SET;
}

void NicTeamingPolicy::ClearUplinkOrder() {
  hostnet::NoteCall("NicTeamingPolicy.ClearUplinkOrder");
  uplinkOrder_.clear();
  mask_ &= ~UPLINK_ORDER_SET;
}

int32_t NicTeamingPolicy::GetMaxActiveUplinks() const {
  hostnet::NoteCall("NicTeamingPolicy.GetMaxActiveUplinks");
  return maxActive_;
}

void NicTeamingPolicy::SetMaxActiveUplinks(int32_t count) {
  hostnet::NoteCall("NicTeamingPolicy.SetMaxActiveUplinks");
  maxActive_ = count;
}

bool NicTeamingPolicy::operator==(const NicTeamingPolicy& other) const {
  return mask_ == other.mask_ && uplinkOrder_ == other.uplinkOrder_ &&
         maxActive_ == other.maxActive_ &&
         linkCriteria_.checkSpeed == other.linkCriteria_.checkSpeed &&
         linkCriteria_.minSpeedMbps == other.linkCriteria_.minSpeedMbps &&
         linkCriteria_.checkDuplex == other.linkCriteria_.checkDuplex &&
         linkCriteria_.checkBeacon == other.linkCriteria_.checkBeacon &&
         notifySwitches_ == other.notifySwitches_ && rollingOrder_ == other.rollingOrder_;
}

}  // namespace Quorvic::Network
