#ifndef HOSTSIM_PORT_GROUP_CURSOR_H_
#define HOSTSIM_PORT_GROUP_CURSOR_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "hostsim/host_rows.h"
#include "hostsim/sql.h"

namespace hostsim {

// One forward read over the port groups of every running standard switch of
// one listing (system or other switches), ordered like those switches. The
// switch objects of one GetVirtualSwitches call share it, so a listing reads
// all port groups with one query and holds one switch's worth at a time.
class PortGroupCursor {
 public:
  PortGroupCursor(Connection& db, bool system);
  ~PortGroupCursor();
  PortGroupCursor(const PortGroupCursor&) = delete;
  PortGroupCursor& operator=(const PortGroupCursor&) = delete;

  // The port groups of switch switchId when the cursor has not passed it yet;
  // nullopt when it has (or was closed): the caller reads them by a query of
  // its own.
  std::optional<std::vector<PortGroupRow>> Take(int64_t switchId);
  // Ends the read; later calls of Take return nullopt.
  void Close();

 private:
  Connection& db_;
  bool system_;
  std::unique_ptr<Statement> statement_;
  bool closed_ = false;
  bool exhausted_ = false;
  bool haveRow_ = false;  // the statement's current row is not consumed yet
  int64_t lastTaken_ = 0;
};

}  // namespace hostsim

#endif  // HOSTSIM_PORT_GROUP_CURSOR_H_
