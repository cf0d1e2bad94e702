#ifndef BACKENDS_SQLITE_PORT_GROUP_CURSOR_H_
#define BACKENDS_SQLITE_PORT_GROUP_CURSOR_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "backends/sqlite/host_rows.h"
#include "backends/sqlite/sql.h"

namespace sqlite_host {

// One forward read over the port groups of every running standard switch of
// one listing (system or other switches), ordered like those switches, so a
// listing reads all port groups with one query and holds one switch's worth
// at a time. The store owns it and ends it before any write.
class PortGroupCursor {
 public:
  PortGroupCursor(Connection& db, bool system);
  ~PortGroupCursor();
  PortGroupCursor(const PortGroupCursor&) = delete;
  PortGroupCursor& operator=(const PortGroupCursor&) = delete;

  // The port groups of switch switchId when the cursor has not passed it yet;
  // nullopt when it has: the caller reads them by a query of its own.
  std::optional<std::vector<PortGroupRow>> Take(int64_t switchId);
  // Which listing the cursor reads: system switches or the others.
  bool System() const { return system_; }

 private:
  Connection& db_;
  bool system_;
  std::unique_ptr<Statement> statement_;
  bool exhausted_ = false;
  bool haveRow_ = false;  // the statement's current row is not consumed yet
  int64_t lastTaken_ = 0;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_PORT_GROUP_CURSOR_H_
