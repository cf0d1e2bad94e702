#ifndef TOOLS_HOST_GRAPH_H_
#define TOOLS_HOST_GRAPH_H_

#include <nlohmann/json.hpp>
#include <string>

// Draws a host as a Graphviz digraph (DOT text, ready for `dot -Tsvg`).
//
// host is the host in the form `ploncfg-host dump` prints; fields that are
// missing take their load defaults, so a document accepted by `ploncfg-host
// load` draws as well. The drawing, left to right:
//   - the pnics, in one box;
//   - each standard switch as a box holding the switch and its port groups
//     (with their VLAN IDs);
//   - each DVSwitch as a box holding the switch, its DVPorts and, beside each
//     DVPort, its clients;
//   - each opaque switch as one node;
//   - an edge from a pnic to each switch, port group or DVPort that it serves.
//     Edges into a standard switch or port group carry the pnic's place in
//     that uplink order: the first maxActive places are active (solid, bold),
//     the rest standby (dashed). A linked pnic outside the order is drawn
//     dotted; a pnic the switch's stored configuration or order names but that
//     is not linked now is drawn grey.
// Every name is shown exactly as the host holds it: quotes, backslashes,
// angle brackets and line breaks are escaped, never interpreted. Node IDs are
// generated, so no name can clash with another or with DOT syntax.
// Throws nlohmann::json::exception when a field has the wrong type.
std::string HostGraphDot(const nlohmann::ordered_json& host);

#endif  // TOOLS_HOST_GRAPH_H_
