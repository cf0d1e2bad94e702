#include "hostnet/quorvic_exception.h"

#include <utility>

namespace Quorvic::Lib {

QuorvicException::QuorvicException(std::string message, std::string detail, Kind kind)
    : message_(std::move(message)),
      detail_(std::move(detail)),
      detailed_(detail_.empty() ? message_ : detail_ + ": " + message_),
      kind_(kind) {}

std::string QuorvicException::GetDetailedMessage() const { return detailed_; }

}  // namespace Quorvic::Lib
