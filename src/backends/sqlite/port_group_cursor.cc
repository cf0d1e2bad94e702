#include "backends/sqlite/port_group_cursor.h"

#include "backends/sqlite/store.h"

namespace sqlite_host {

using rows::PortGroupRow;

namespace {

// The columns of one port group, then (from a LEFT JOIN) one pnic of its
// order.
PortGroupRow PortGroupFromColumns(const Statement& st) {
  PortGroupRow row;
  row.ref = RefOf(rows::RowKind::kPortGroup, st.Int(0));
  row.name = st.Text(2);
  row.vlan = st.UInt32(3);
  row.ports = st.UInt32(4);
  row.teaming.orderSet = st.Bool(5);
  row.teaming.maxActive = st.Int32(6);
  return row;
}

}  // namespace

PortGroupCursor::PortGroupCursor(Connection& db, const std::string& where,
                                 const std::optional<std::string>& value)
    : statement_(db.Prepare(
          "SELECT g.id, g.switch_id, g.name, g.vlan, g.ports, g.order_set, g.max_active, o.pnic "
          "FROM switches s JOIN port_groups g ON g.switch_id = s.id "
          "LEFT JOIN port_group_order o ON o.port_group_id = g.id WHERE " +
          where + " ORDER BY s.id, g.id, o.position")) {
  if (value) statement_->Bind(1, *value);
}

std::optional<std::vector<PortGroupRow>> PortGroupCursor::Take(int64_t switchId) {
  if (switchId <= lastTaken_) return std::nullopt;
  lastTaken_ = switchId;
  std::vector<PortGroupRow> groups;
  int64_t groupId = 0;
  for (;;) {
    if (!haveRow_) {
      // A finished statement would start again if stepped.
      if (done_ || !statement_->Step()) {
        done_ = true;
        break;
      }
      haveRow_ = true;
    }
    const int64_t owner = statement_->Int(1);
    if (owner > switchId) break;
    haveRow_ = false;
    if (owner < switchId) continue;  // a switch nobody asked about
    if (groups.empty() || statement_->Int(0) != groupId) {
      groupId = statement_->Int(0);
      groups.push_back(PortGroupFromColumns(*statement_));
    }
    if (!statement_->IsNull(7)) groups.back().teaming.order.push_back(statement_->Text(7));
  }
  return groups;
}

}  // namespace sqlite_host
