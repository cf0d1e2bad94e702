#ifndef HOSTNET_QUORVIC_EXCEPTION_H_
#define HOSTNET_QUORVIC_EXCEPTION_H_

#include <exception>
#include <string>

namespace Quorvic::Lib {

// The one exception type of the host network configuration library. Every
// library operation that fails throws it; nothing else is thrown on purpose.
class QuorvicException : public std::exception {
 public:
  // message: what went wrong, for a person (printed after ", Error: ").
  // detail: where it went wrong (the operation); the detailed message is
  // detail + ": " + message, or message alone when detail is empty.
  explicit QuorvicException(std::string message, std::string detail = {});

  // The plain message.
  const std::string& GetMessage() const { return message_; }
  // The detailed message; it always contains the plain message.
  std::string GetDetailedMessage() const;
  // The detailed message, for callers that only know std::exception.
  const char* what() const noexcept override { return detailed_.c_str(); }

 private:
  std::string message_;
  std::string detailed_;
};

}  // namespace Quorvic::Lib

#endif  // HOSTNET_QUORVIC_EXCEPTION_H_
