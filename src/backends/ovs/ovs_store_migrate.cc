#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "hostnet/names.h"
#include "hostnet/records_format.h"

namespace ovs_host {

using ovsdb::GuardedChange;
using namespace rows;

std::vector<std::string> OvsStore::Migrate() {
  std::vector<std::string> lines;
  Write("bringing the records to format " + hostnet::FormatMark(),
        [&](GuardedChange& change, DatapathCheck& datapath) {
          lines = session_.RootUpgrades();
          HostRead host = ReadEverything();
          auto stored = host.root.externalIds.find(kHostKey);
          if (stored != host.root.externalIds.end() &&
              stored->second != RootRecordsJson(host.root.records).dump()) {
            WriteRoot(change, host.root);
            lines.push_back("the host's records on the root row: written in format " +
                            hostnet::FormatMark());
          }
          for (BridgeRead& bridge : host.bridges) {
            if (!bridge.ours) continue;
            hostnet::RefuseNewerFormat("standard switch " + hostnet::EscapedName(bridge.name),
                                       bridge.format);
            if (bridge.format >= hostnet::kRecordsFormat) continue;
            std::string marked;
            for (const PortRead& port : bridge.ownPorts) {
              if (port.unmarkedRole.empty()) continue;
              marked += (marked.empty() ? "" : ", ") + hostnet::EscapedName(port.name);
            }
            const StandardSwitchDoc sw = SwitchOf(bridge);
            BridgePlan(change, datapath, session_.Settings())
                .Update(bridge, sw, TakenFor(change, sw, &sw));
            lines.push_back("standard switch " + hostnet::EscapedName(bridge.name) + ": format " +
                            std::to_string(bridge.format) + " records written in format " +
                            hostnet::FormatMark() +
                            (marked.empty() ? std::string()
                                            : "; its ports " + marked + " marked as ploncfg's"));
          }
          // The root alone goes in a change of its own.
          if (change.Empty() && !lines.empty()) {
            change.Add(ovsdb::Select(kDatabase, {}, {"_uuid"}));
          }
        });
  return lines;
}

}  // namespace ovs_host
