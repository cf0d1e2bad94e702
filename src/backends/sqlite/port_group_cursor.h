#ifndef BACKENDS_SQLITE_PORT_GROUP_CURSOR_H_
#define BACKENDS_SQLITE_PORT_GROUP_CURSOR_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/sqlite/sql.h"

namespace sqlite_host {

// One forward read over the port groups of some switches, in the order of
// the switches' ids, served switch by switch: a reader gets all those port
// groups from one query and holds one switch's worth at a time. The read
// stays open while the cursor lives, inside whatever transaction was open
// when it first stepped.
class PortGroupCursor {
 public:
  // Reads the port groups of the switches that meet where (SQL over the
  // switches table as s, with ?1 bound to value when given).
  PortGroupCursor(Connection& db, const std::string& where,
                  const std::optional<std::string>& value = std::nullopt);

  // The port groups of switch switchId, in host order (none for a switch
  // that has none or does not meet where), when the read has not passed the
  // switch; nullopt once a switch of this id or a higher one was taken.
  std::optional<std::vector<rows::PortGroupRow>> Take(int64_t switchId);

 private:
  StatementLease statement_;
  bool haveRow_ = false;  // the statement stands on a row not consumed yet
  bool done_ = false;
  int64_t lastTaken_ = 0;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_PORT_GROUP_CURSOR_H_
