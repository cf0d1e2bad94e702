#ifndef BACKENDS_ROWS_WAIT_LIMIT_H_
#define BACKENDS_ROWS_WAIT_LIMIT_H_

#include <chrono>

namespace rows {

// How long a run waits for another run's hold on the host before it gives
// up: QUENTA_HOSTNET_WAIT seconds (a whole number, 0 to 3600) when set, else
// 10 s. Throws QuorvicException for any other value.
std::chrono::milliseconds ProcessWaitLimit();

}  // namespace rows

#endif  // BACKENDS_ROWS_WAIT_LIMIT_H_
