#include "tools/host_graph.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "hostnet/names.h"

namespace {

using hostnet::DVPortRow;
using hostnet::DVSwitchDoc;
using hostnet::HostDocument;
using hostnet::PortGroupRow;
using hostnet::StandardSwitchDoc;
using hostnet::SwitchRow;
using Names = std::vector<std::string>;

// Text for the inside of an HTML-like label. Those labels treat a backslash as
// an ordinary character, unlike DOT's quoted strings, where a trailing
// backslash would swallow the closing quote; so every name goes through here.
std::string Html(const std::string& name) {
  std::string out;
  for (unsigned char c : hostnet::EscapedName(name)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Names come escaped (EscapedName): the label markup allows no
        // control characters.
        out += static_cast<char>(c);
    }
  }
  return out;
}

// A label whose first line is a name in bold, after an optional lead word,
// and whose further lines are details made by this file (already markup-safe).
std::string Label(const std::string& name, const Names& details = {},
                  const std::string& lead = "") {
  std::string label = "<" + lead + "<B>" + Html(name) + "</B>";
  for (const std::string& line : details) label += "<BR/>" + line;
  return label + ">";
}

std::string Count(unsigned count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// "4 of 128 ports used".
std::string Ports(const SwitchRow& sw) {
  return std::to_string(sw.usedPorts) + " of " + Count(sw.numPorts, "port") + " used";
}

std::string CdpName(int32_t cdp) {
  static const char* const kNames[] = {"down", "listen", "advertise", "both"};
  return cdp >= 0 && cdp < 4 ? kNames[cdp] : std::to_string(cdp);
}

bool Contains(const Names& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// One pnic's place in an uplink order, drawn on its edge.
std::string UplinkEdge(const Names& order, int maxActive, const std::string& pnic, bool linked) {
  std::string label, style;
  auto at = std::find(order.begin(), order.end(), pnic);
  if (at != order.end()) {
    auto position = at - order.begin();
    bool active = position < maxActive;
    label = "#" + std::to_string(position + 1) + (active ? " active" : " standby");
    style = active ? "bold" : "dashed";
  } else {
    label = "not in order";
    style = "dotted";
  }
  if (!linked) label += ", not linked";
  return "label=<" + label + ">, style=" + style +
         (linked ? "" : ", color=gray60, fontcolor=gray40");
}

class HostGraph {
 public:
  std::string Draw(const HostDocument& host) {
    for (const std::string& pnic : host.pnics) Pnic(pnic);
    int index = 0;
    for (const StandardSwitchDoc& vswitch : host.switches) StandardSwitch(vswitch, index++);
    index = 0;
    for (const DVSwitchDoc& dvswitch : host.dvswitches) DistributedSwitch(dvswitch, index++);
    index = 0;
    for (const SwitchRow& opaque : host.opaqueSwitches) OpaqueSwitch(opaque, index++);

    std::ostringstream dot;
    dot << "digraph host {\n"
        << "  graph [rankdir=LR, ordering=out, fontname=\"Helvetica\", fontsize=11, "
           "nodesep=0.25, ranksep=1.1];\n"
        << "  node [fontname=\"Helvetica\", fontsize=10, shape=box, style=rounded];\n"
        << "  edge [fontname=\"Helvetica\", fontsize=9, arrowhead=none];\n"
        << "  subgraph cluster_pnics {\n"
        << "    label=<<B>pnics</B>>; style=\"rounded,filled\"; fillcolor=\"#f2f2f2\";\n";
    for (const std::string& line : pnicNodes_) dot << "    " << line << "\n";
    dot << "  }\n" << clusters_.str() << edges_.str() << "}\n";
    return dot.str();
  }

 private:
  // The node ID of a pnic, declared on first use: an uplink that names
  // something not in the host's pnic list still gets a node.
  const std::string& Pnic(const std::string& name) {
    auto found = pnicIds_.find(name);
    if (found != pnicIds_.end()) return found->second;
    std::string id = "p" + std::to_string(pnicIds_.size());
    pnicNodes_.push_back(id + " [label=" + Label(name) +
                         ", shape=box, style=filled, fillcolor=\"#cfe0fc\"];");
    return pnicIds_.emplace(name, id).first->second;
  }

  void Edge(const std::string& from, const std::string& to, const std::string& attrs) {
    edges_ << "  " << from << " -> " << to;
    if (!attrs.empty()) edges_ << " [" << attrs << "]";
    edges_ << ";\n";
  }

  void OpenCluster(const std::string& id, const std::string& title, bool stopped) {
    clusters_ << "  subgraph cluster_" << id << " {\n"
              << "    label=<" << title << ">; style=" << (stopped ? "dashed" : "rounded")
              << "; color=gray50;\n";
  }

  // An edge from a switch to what it holds, or from a DVPort to a client.
  void TreeEdge(const std::string& from, const std::string& to) {
    tree_.push_back("    " + from + " -> " + to + ";\n");
  }

  // With rankdir=LR and ordering=out, dot stacks a node's children bottom-up
  // in edge order, so the tree edges go out last-first: the picture then reads
  // top-down in host order.
  void CloseCluster() {
    for (auto edge = tree_.rbegin(); edge != tree_.rend(); ++edge) clusters_ << *edge;
    tree_.clear();
    clusters_ << "  }\n";
  }

  void StandardSwitch(const StandardSwitchDoc& vswitch, int index) {
    std::string id = "s" + std::to_string(index);
    const SwitchRow& sw = vswitch.row;
    const Names& order = sw.teaming.order;
    int maxActive = sw.teaming.maxActive;

    std::string kind = "standard switch";
    if (sw.system) kind += ", system";
    if (!sw.running) kind += ", stopped";
    Names details{"MTU " + std::to_string(sw.mtu) + ", CDP " + CdpName(sw.cdp), Ports(sw),
                  "max active " + std::to_string(maxActive)};
    if (sw.ens.active) details.push_back("ENS active");

    OpenCluster(id, kind, !sw.running);
    clusters_ << "    " << id << " [label=" << Label(sw.name, details)
              << ", style=\"rounded,filled\", fillcolor=\"#fff3c4\"];\n";
    int pgIndex = 0;
    for (const PortGroupRow& portGroup : vswitch.portGroups)
      PortGroup(portGroup, id, id + "_g" + std::to_string(pgIndex++), sw.uplinks);
    CloseCluster();

    // Order first, so the edges read top to bottom in uplink order.
    Names drawn = order;
    for (const Names* more : {&sw.uplinks, &sw.configUplinks})
      for (const std::string& pnic : *more)
        if (!Contains(drawn, pnic)) drawn.push_back(pnic);
    for (const std::string& pnic : drawn)
      Edge(Pnic(pnic), id, UplinkEdge(order, maxActive, pnic, Contains(sw.uplinks, pnic)));
  }

  // A port group inside its switch's box; when it orders uplinks its own way,
  // an edge from each of them. linked: the pnics linked to the switch.
  void PortGroup(const PortGroupRow& portGroup, const std::string& switchId,
                 const std::string& id, const Names& linked) {
    Names details{
        portGroup.vlan == 0 ? std::string("no VLAN") : "VLAN " + std::to_string(portGroup.vlan),
        Count(portGroup.ports, "port") + " in use"};
    clusters_ << "    " << id << " [label=" << Label(portGroup.name, details)
              << ", shape=box, style=\"rounded,filled\", fillcolor=\"#e3f4dc\"];\n";
    TreeEdge(switchId, id);
    if (!portGroup.teaming.orderSet) return;
    const Names& order = portGroup.teaming.order;
    for (const std::string& pnic : order)
      Edge(Pnic(pnic), id,
           UplinkEdge(order, portGroup.teaming.maxActive, pnic, Contains(linked, pnic)) +
               ", constraint=false, color=\"#3b7d2c\"");
  }

  void DistributedSwitch(const DVSwitchDoc& dvswitch, int index) {
    std::string id = "d" + std::to_string(index);
    const SwitchRow& sw = dvswitch.row;
    Names details;
    if (sw.dvsName != sw.name) details.push_back("DVS name " + Html(sw.dvsName));
    details.push_back(Html(sw.implClass) + " version " + std::to_string(sw.version) + ", MTU " +
                      std::to_string(sw.mtu));
    details.push_back(Ports(sw));
    OpenCluster(id, sw.running ? "DVSwitch" : "DVSwitch, stopped", !sw.running);
    clusters_ << "    " << id << " [label=" << Label(sw.name, details)
              << ", style=\"rounded,filled\", fillcolor=\"#fde2c8\"];\n";
    int portIndex = 0;
    for (const DVPortRow& dvport : dvswitch.dvports)
      DVPort(dvport, id, id + "_p" + std::to_string(portIndex++));
    CloseCluster();
    for (const std::string& pnic : sw.uplinks) Edge(Pnic(pnic), id, "style=bold");
  }

  // A DVPort inside its DVSwitch's box, with its clients beside it.
  void DVPort(const DVPortRow& dvport, const std::string& switchId, const std::string& id) {
    Names details;
    if (dvport.connectionId != 0)
      details.push_back("connection " + std::to_string(dvport.connectionId));
    clusters_ << "    " << id << " [label=" << Label(dvport.portId, details, "DVPort ")
              << ", shape=box, style=\"rounded,filled\", fillcolor=\"#f6e9fb\"];\n";
    TreeEdge(switchId, id);
    int clientIndex = 0;
    Names clients = dvport.clients;
    if (dvport.binding) {
      const std::string bound = dvport.binding->ClientName();
      clients.push_back(bound.empty() ? "a bound VM" : bound);
    }
    for (const std::string& client : clients) {
      std::string clientId = id + "_c" + std::to_string(clientIndex++);
      clusters_ << "    " << clientId << " [label=" << Label(client) << ", shape=note];\n";
      TreeEdge(id, clientId);
    }
    for (const std::string& pnic : dvport.uplinks)
      Edge(Pnic(pnic), id, "constraint=false, style=dashed, color=\"#8a4fa3\"");
  }

  void OpaqueSwitch(const SwitchRow& opaque, int index) {
    std::string id = "o" + std::to_string(index);
    Names details;
    if (opaque.dvsName != opaque.name) details.push_back("DVS name " + Html(opaque.dvsName));
    details.push_back("opaque switch");
    details.push_back(Ports(opaque));
    clusters_ << "  " << id << " [label=" << Label(opaque.name, details)
              << ", shape=box3d, style=filled, fillcolor=\"#e6e6e6\"];\n";
    for (const std::string& pnic : opaque.uplinks) Edge(Pnic(pnic), id, "style=bold");
  }

  std::map<std::string, std::string> pnicIds_;
  Names pnicNodes_;
  std::ostringstream clusters_;
  std::ostringstream edges_;
  Names tree_;
};

}  // namespace

std::string HostGraphDot(const hostnet::HostDocument& host) { return HostGraph().Draw(host); }
