#include "backends/rows/unreadable_handles.h"

#include "hostnet/quorvic_exception.h"

namespace rows {

void UnreadableDVSwitchHandle::Fail() const {
  throw Quorvic::Lib::QuorvicException(row_.problem);
}

void UnreadableDVPortHandle::Fail() const { throw Quorvic::Lib::QuorvicException(row_.problem); }

}  // namespace rows
