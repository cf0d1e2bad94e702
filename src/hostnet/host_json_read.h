#ifndef HOSTNET_HOST_JSON_READ_H_
#define HOSTNET_HOST_JSON_READ_H_

#include <string>

#include "hostnet/host_document.h"

// Reads the JSON form of a whole host (what `ploncfg-host dump` prints), with
// every field but the names optional and filled with its default. Checks
// everything before it returns: valid JSON, known keys, types, ranges, unique
// names, uplinks that are pnics, no pnic linked to two standard switches.
// Throws Quorvic::Lib::QuorvicException with one line naming the offending
// place, e.g. "switches[2].portGroups[0].vlan: must be 0 to 4095".
hostnet::HostDocument HostFromJson(const std::string& text);

// The UUID text a DVSwitch gets from its name: the name's first 15 bytes,
// zero-padded to 16, as "xx xx xx xx xx xx xx xx-xx xx xx xx xx xx xx xx".
std::string UuidTextFromName(const std::string& name);

#endif  // HOSTNET_HOST_JSON_READ_H_
