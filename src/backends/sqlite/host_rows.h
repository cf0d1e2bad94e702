#ifndef BACKENDS_SQLITE_HOST_ROWS_H_
#define BACKENDS_SQLITE_HOST_ROWS_H_

#include "backends/rows/host_rows.h"

// The simulated host keeps the rows every row store keeps.
namespace sqlite_host {
using namespace rows;
}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_HOST_ROWS_H_
