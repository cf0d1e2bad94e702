#include <string>

#include "backends/sqlite/store.h"

namespace sqlite_host {

void Store::LoadUplinkTimeouts(const std::string& portset, uint32_t lagId,
                               const std::string& uplink) {
  Write([&] {
    db_.Run(
        "UPDATE uplink_timeouts SET loaded = 1 "
        "WHERE (?1 = '' OR portset = ?1) AND (?2 = 0 OR lag_id = ?2) AND (?3 = '' OR uplink = ?3)",
        portset, lagId, uplink);
  });
}

void Store::LoadLagTimeouts(const std::string& portset, uint32_t lagId) {
  Write([&] {
    db_.Run(
        "UPDATE lag_timeouts SET loaded = 1 "
        "WHERE (?1 = '' OR portset = ?1) AND (?2 = 0 OR lag_id = ?2)",
        portset, lagId);
  });
}

}  // namespace sqlite_host
