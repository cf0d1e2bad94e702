#ifndef HOSTNET_HOST_JSON_READ_H_
#define HOSTNET_HOST_JSON_READ_H_

#include <string>
#include <vector>

#include "hostnet/host_document.h"

// What a read found beside the host: the document's format ("format", which
// a backup carries; 0 when it names none, as dump and every build before
// format 3), and the uplinks it left out, each as a line naming its place.
struct DocumentRead {
  int format = 0;
  std::vector<std::string> leftOut;
};

// Reads the JSON form of a whole host (what `ploncfg-host dump` prints), with
// every field but the names optional and filled with its default. Checks
// everything before it returns: valid JSON, known keys, types, ranges, unique
// names, uplinks that are pnics, no pnic linked to two standard switches, a
// format this build knows. Throws Quorvic::Lib::QuorvicException with one
// line naming the offending place, e.g. "switches[2].portGroups[0].vlan:
// must be 0 to 4095". In a document without a format, a DVSwitch's or a
// DVPort's uplink that is not one of its pnics is another host's (format 1
// shared every host's uplinks of a DVSwitch) and is left out, into read.
hostnet::HostDocument HostFromJson(const std::string& text, DocumentRead* read = nullptr);

// The UUID text a DVSwitch gets from its name: the name's first 15 bytes,
// zero-padded to 16, as "xx xx xx xx xx xx xx xx-xx xx xx xx xx xx xx xx".
std::string UuidTextFromName(const std::string& name);

#endif  // HOSTNET_HOST_JSON_READ_H_
