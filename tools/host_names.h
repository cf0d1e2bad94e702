#ifndef TOOLS_HOST_NAMES_H_
#define TOOLS_HOST_NAMES_H_

#include <string>
#include <vector>

#include "hostnet/host_document.h"

// What ploncfg-host names prints, for scripts and Tab completion: the names
// of the host's objects that a command of ploncfg-vswitch can name, one a
// line, in host order, kind after kind in the order asked. The kinds: pnic,
// switch (running standard switches), portgroup (their port groups),
// dvswitch (running DVSwitches), dvport (their DVPort IDs) and opaque. A
// name a terminal or a line-based reader could misread (see
// hostnet::IsPrintableName) is left out.

// The kinds that args name, each checked; every kind when args is empty.
// Throws Quorvic::Lib::QuorvicException naming a word that is not a kind.
std::vector<std::string> NameKinds(const std::vector<std::string>& args);

// The names of host of the given kinds, each line ending in a newline.
std::string HostNames(const hostnet::HostDocument& host, const std::vector<std::string>& kinds);

#endif  // TOOLS_HOST_NAMES_H_
