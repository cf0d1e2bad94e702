#ifndef BACKENDS_SQLITE_HOST_CONSTANTS_H_
#define BACKENDS_SQLITE_HOST_CONSTANTS_H_

#include <cstdint>

#include "backends/rows/row_limits.h"

// The choices this simulated host makes where the library leaves them open.
// They are gathered here so that one page says how the host behaves:
//
// - Portset::DEF_NUM_PORTS is 128; Portset::MAX_VSNAME_SZ is 32, so a switch
//   name of 31 bytes is accepted and one of 32 refused. Empty names are
//   refused.
// - A switch has 8 to 4096 ports (AddVirtualSwitch, AddDVSwitch and load);
//   an MTU is 1280 to 9000; a VLAN ID 0 to 4095; a CDP status 0 (down),
//   1 (listen), 2 (advertise) or 3 (both). ParseCdpStatus folds case.
// - A new standard switch has MTU 1500, CDP listen, all its ports configured
//   and none used; a new DVSwitch has MTU 1500 and stores its UUID text as
//   both uuid and switch id. Any class and any version are accepted.
// - Switch names of all three kinds share one namespace; port group names are
//   unique on the whole host. Objects created later come after older ones.
// - A pnic is linked to at most one standard switch at a time. DVSwitch and
//   opaque uplinks are not links in that sense and may name any pnic.
//   AddUplink of a pnic already linked to the same switch succeeds and only
//   makes sure the stored configuration has it; with persist false it leaves
//   the stored configuration alone.
// - RemoveDVPortUplink detaches the uplink from the DVSwitch's DVPorts; the
//   DVSwitch's own uplink list keeps it.
// - Switches that are not running (after a host restart) are invisible to
//   lookups, listings and removal; their names stay taken.
// - GetVirtualSwitchById, SwitchExists and IsStandardSwitch find system
//   switches too; GetVirtualSwitches returns them only when asked for them.
// - RestoreVirtualSwitches starts the standard switches that are not running
//   and leaves running ones alone; RestoreDVSwitches starts every DVSwitch.
//   NetworkInfoImpl::DefaultDVSCacheFile is "/etc/quenta/dvsdata.db" and is
//   never read: the DVSwitch records live in the host database.
// - Port objects of a port group are numbered 0 to ports - 1.
// - KARN_NODE_net_ens_activate is 0x2f41. KARN_Set on it stores the list's
//   value in the host's ENS activation node; other nodes are accepted and
//   ignored. Kernel statuses: 0 success, 1 failure, 2 bad parameter,
//   3 host state unavailable (DREL_ReturnStatusToString names them).
// - Opaque switches answer the listing calls; their other operations throw.
namespace sqlite_host {

constexpr uint32_t kMaxSwitchNameSize = 32;
constexpr const char* kDVSCacheFile = "/etc/quenta/dvsdata.db";

// How long a process waits for another one's hold on the host before it
// gives up.
constexpr int kBusyTimeoutMs = 10000;

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_HOST_CONSTANTS_H_
