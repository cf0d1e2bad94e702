#include "hostnet/quorvic_exception.h"

#include <utility>

namespace Quorvic::Lib {

QuorvicException::QuorvicException(std::string message, std::string detail)
    : message_(std::move(message)),
      detailed_(detail.empty() ? message_ : detail + ": " + message_) {}

std::string QuorvicException::GetDetailedMessage() const { return detailed_; }

}  // namespace Quorvic::Lib
