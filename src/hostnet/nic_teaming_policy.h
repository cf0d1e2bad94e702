#ifndef HOSTNET_NIC_TEAMING_POLICY_H_
#define HOSTNET_NIC_TEAMING_POLICY_H_

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvic::Network {

// How a team chooses an uplink for a frame.
struct LinkCriteriaSelectionPolicy {
  bool checkSpeed = false;
  uint32_t minSpeedMbps = 10;
  bool checkDuplex = false;
  bool checkBeacon = false;
};

// The NIC teaming policy of a standard switch or a port group: a value, copied
// out of the library and handed back whole. The uplink order lists uplinks by
// name; its first GetMaxActiveUplinks() entries are active, the rest standby.
class NicTeamingPolicy {
 public:
  // Bit of GetMask(): the policy carries an uplink order of its own.
  static constexpr uint32_t UPLINK_ORDER_SET = 0x10;

  // The policy a new switch gets: no uplink order of its own, max active 0.
  static NicTeamingPolicy GetDefaultPolicy();

  NicTeamingPolicy() = default;
  // A policy as the host stores it; UPLINK_ORDER_SET in mask says whether
  // order is the policy's own.
  NicTeamingPolicy(uint32_t mask, std::vector<std::string> order, int32_t maxActive);

  // Every accessor below may throw QuorvicException when the host refuses it.

  // The fields set explicitly in this policy (UPLINK_ORDER_SET and others).
  uint32_t GetMask() const;

  std::vector<std::string> GetUplinkOrder() const;
  // Replaces the uplink order and sets UPLINK_ORDER_SET.
  void SetUplinkOrder(std::vector<std::string> order);
  // Removes the policy's own uplink order (clears UPLINK_ORDER_SET).
  void ClearUplinkOrder();

  int32_t GetMaxActiveUplinks() const;
  void SetMaxActiveUplinks(int32_t count);

  const LinkCriteriaSelectionPolicy& GetLinkCriteria() const { return linkCriteria_; }
  bool GetNotifySwitches() const { return notifySwitches_; }
  bool GetRollingOrder() const { return rollingOrder_; }

  bool operator==(const NicTeamingPolicy& other) const;
  bool operator!=(const NicTeamingPolicy& other) const { return !(*this == other); }

 private:
  uint32_t mask_ = 0;
  std::vector<std::string> uplinkOrder_;
  int32_t maxActive_ = 0;
  LinkCriteriaSelectionPolicy linkCriteria_;
  bool notifySwitches_ = true;
  bool rollingOrder_ = false;
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_NIC_TEAMING_POLICY_H_
