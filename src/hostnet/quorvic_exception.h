#ifndef HOSTNET_QUORVIC_EXCEPTION_H_
#define HOSTNET_QUORVIC_EXCEPTION_H_

#include <exception>
#include <string>
#include <utility>

namespace Quorvic::Lib {

// The one exception type of the host network configuration library. Every
// library operation that fails throws it; nothing else is thrown on purpose.
// Its kind says what a caller may conclude beyond the message.
class QuorvicException : public std::exception {
 public:
  enum class Kind {
    // The host refused the call (a rule, a value, a clash): nothing changed.
    kRefused,
    // The object the call names does not exist (or no longer does).
    kNotFound,
    // The host, or a database behind it, could not be reached: nothing is
    // known of the object, and a change was not made.
    kUnreachable,
    // A change was sent and no answer says whether it was made.
    kOutcomeUnknown,
    // A change is in the host's database, but whether the engine that
    // applies it (ovs-vswitchd) did so is not known.
    kNotConfirmed,
  };

  // message: what went wrong, for a person (printed after ", Error: ").
  // detail: where it went wrong (the operation); the detailed message is
  // detail + ": " + message, or message alone when detail is empty.
  explicit QuorvicException(std::string message, std::string detail = {},
                            Kind kind = Kind::kRefused);
  QuorvicException(Kind kind, std::string message)
      : QuorvicException(std::move(message), std::string(), kind) {}

  // The plain message.
  const std::string& GetMessage() const { return message_; }
  // The detailed message; it always contains the plain message.
  std::string GetDetailedMessage() const;
  // Where it went wrong, as given; may be empty.
  const std::string& GetDetail() const { return detail_; }
  Kind GetKind() const { return kind_; }
  // True when the host, or a database behind it, gave no answer: nothing is
  // known of the object asked about (kUnreachable) or of the change sent
  // (kOutcomeUnknown). Such a failure never means "there is no such object".
  bool NoAnswer() const { return kind_ == Kind::kUnreachable || kind_ == Kind::kOutcomeUnknown; }
  // The detailed message, for callers that only know std::exception.
  const char* what() const noexcept override { return detailed_.c_str(); }

 private:
  std::string message_;
  std::string detail_;
  std::string detailed_;
  Kind kind_;
};

}  // namespace Quorvic::Lib

#endif  // HOSTNET_QUORVIC_EXCEPTION_H_
