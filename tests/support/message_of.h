#ifndef SUPPORT_MESSAGE_OF_H_
#define SUPPORT_MESSAGE_OF_H_

#include <functional>
#include <string>

#include "hostnet/quorvic_exception.h"

namespace ovsdb {

// For tests: the message of the QuorvicException that call throws, or
// "no exception".
inline std::string MessageOf(const std::function<void()>& call) {
  try {
    call();
    return "no exception";
  } catch (const Quorvic::Lib::QuorvicException& e) {
    return e.GetMessage();
  }
}

}  // namespace ovsdb

#endif  // SUPPORT_MESSAGE_OF_H_
