#ifndef HOSTNET_HOST_JSON_READ_H_
#define HOSTNET_HOST_JSON_READ_H_

#include <cstddef>
#include <cstdint>
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
// names, uplinks that are pnics, no pnic linked to two standard switches,
// switch names shorter than maxSwitchNameSize bytes (the host's
// MAX_VSNAME_SZ; 0: any length), a format this build knows, and the bounds
// below, which hold before anything is built: a string of kMaxDocumentString
// bytes or more, or more than kMaxDocumentValues values, is refused from a
// first pass over the text that builds nothing longer.
// Throws Quorvic::Lib::QuorvicException with one line naming the offending
// place, e.g. "switches[2].portGroups[0].vlan: must be 0 to 4095".
// In a document without a format, a DVSwitch's or a DVPort's uplink that is
// not one of its pnics is another host's (format 1 shared every host's
// uplinks of a DVSwitch) and is left out, into read.
hostnet::HostDocument HostFromJson(const std::string& text, uint32_t maxSwitchNameSize = 0,
                                   DocumentRead* read = nullptr);

// The bounds of a document: a host of 10,000 switches with 8 port groups
// each dumps as 10.4 MiB of 680,000 values.
// The longest document read, in bytes; its readers refuse a longer one
// before they read it whole.
constexpr size_t kMaxDocumentBytes = 32u << 20;
// Every string of a document (keys and values, as written) is shorter.
constexpr size_t kMaxDocumentString = 64u << 10;
// No document holds more values (objects, arrays, strings, numbers, ...).
constexpr size_t kMaxDocumentValues = 2u << 20;

// The UUID text a DVSwitch gets from its name: the name's first 15 bytes,
// zero-padded to 16, as "xx xx xx xx xx xx xx xx-xx xx xx xx xx xx xx xx".
std::string UuidTextFromName(const std::string& name);

#endif  // HOSTNET_HOST_JSON_READ_H_
