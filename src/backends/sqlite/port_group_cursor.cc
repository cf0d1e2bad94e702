#include "backends/sqlite/port_group_cursor.h"

#include <string>

namespace sqlite_host {

PortGroupCursor::PortGroupCursor(Connection& db, bool system) : db_(db), system_(system) {}

PortGroupCursor::~PortGroupCursor() = default;

std::optional<std::vector<PortGroupRow>> PortGroupCursor::Take(int64_t switchId) {
  if (switchId <= lastTaken_) return std::nullopt;
  lastTaken_ = switchId;
  if (exhausted_) return std::vector<PortGroupRow>();
  if (!statement_) {
    statement_ = std::make_unique<Statement>(
        db_,
        "SELECT g.id, g.switch_id, g.name, g.vlan, g.ports, g.order_set, g.max_active, o.pnic "
        "FROM port_groups g JOIN switches s ON s.id = g.switch_id "
        "LEFT JOIN port_group_order o ON o.port_group_id = g.id "
        "WHERE s.kind = ?1 AND s.running = 1 AND s.system = ?2 "
        "ORDER BY s.id, g.id, o.position");
    statement_->Bind(1, SwitchKind::kStandard).Bind(2, system_);
  }
  std::vector<PortGroupRow> rows;
  for (;;) {
    if (!haveRow_) {
      if (!statement_->Step()) {
        statement_.reset();
        exhausted_ = true;
        break;
      }
      haveRow_ = true;
    }
    int64_t owner = statement_->Int(1);
    if (owner > switchId) break;
    haveRow_ = false;
    if (owner < switchId) continue;  // a switch nobody asked about
    if (rows.empty() || rows.back().id != statement_->Int(0)) {
      PortGroupRow row;
      row.id = statement_->Int(0);
      row.switchId = owner;
      row.name = statement_->Text(2);
      row.vlan = statement_->UInt32(3);
      row.ports = statement_->UInt32(4);
      row.teaming.orderSet = statement_->Bool(5);
      row.teaming.maxActive = statement_->Int32(6);
      rows.push_back(std::move(row));
    }
    if (!statement_->IsNull(7)) rows.back().teaming.order.push_back(statement_->Text(7));
  }
  return rows;
}

}  // namespace sqlite_host
