#ifndef LIST_DV_SWITCH_COLUMNS_H_
#define LIST_DV_SWITCH_COLUMNS_H_

#include "hostnet/dv_switch.h"
#include "list/table.h"
#include "list/vector_to_string.h"

// The columns that the DVSwitch table and the opaque switch table share: an
// opaque switch is read through a DVSwitch handle and shows the same name,
// port counts and uplinks, under the same headers but the first.

using DVSwitchColumn = Column<const Quorvic::Network::DVSwitch>;

// The switch's name under header.
constexpr DVSwitchColumn DVSwitchNameColumn(const char* header) {
  return {header, 15, [](Cell cell, const Quorvic::Network::DVSwitch& sw) { cell(sw.GetDVSName()); }};
}

inline constexpr DVSwitchColumn kDVSwitchNumPortsColumn = {
    "Num Ports", 12, [](Cell cell, const Quorvic::Network::DVSwitch& sw) { cell(sw.GetNumPorts()); }};

inline constexpr DVSwitchColumn kDVSwitchUsedPortsColumn = {
    "Used Ports", 12,
    [](Cell cell, const Quorvic::Network::DVSwitch& sw) { cell(sw.GetNumUsedPorts()); }};

inline constexpr DVSwitchColumn kDVSwitchUplinksColumn = {
    "Uplinks", 10, [](Cell cell, const Quorvic::Network::DVSwitch& sw) {
      cell(Quorvic::Misc::VectorToString(sw.GetUplinks(), ","));
    }};

#endif  // LIST_DV_SWITCH_COLUMNS_H_
