#ifndef BACKENDS_OVSDB_RPC_SESSION_H_
#define BACKENDS_OVSDB_RPC_SESSION_H_

#include <chrono>
#include <cstdint>
#include <deque>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backends/ovsdb/json_splitter.h"
#include "backends/ovsdb/stream.h"

namespace ovsdb {

// JSON-RPC 1.0 over one stream, as OVSDB speaks it: the client's requests
// carry increasing ids and each waits for the reply with its id. While
// waiting, the session answers the server's "echo" requests (the server drops
// clients that do not), keeps notifications (requests with a null id, such as
// "update", "update2" and "update3") for TakeNotifications, and drops replies
// to requests it gave up on. Not thread-safe: one caller at a time.
class RpcSession {
 public:
  RpcSession(Stream stream, std::chrono::milliseconds timeout);

  // Sends method with params (an array) and returns the reply's "result".
  // The whole round trip takes timeout at the most.
  // Throws QuorvicException:
  // - "OVSDB request METHOD timed out after T" when no reply came in time.
  //   The request may still take effect; a later call drops its reply.
  // - "OVSDB refused METHOD: ERROR: DETAILS" for a reply with an error.
  // - "cannot send OVSDB request METHOD: ..." when params hold a string that
  //   is not UTF-8; nothing was sent.
  // - when the connection fails, closes or carries something that is not
  //   JSON-RPC. The session is then broken: every later call throws at once,
  //   since the stream's next byte is no longer known to start a message.
  nlohmann::json Call(const std::string& method, const nlohmann::json& params);

  // Throws QuorvicException "OVSDB server at NAME answered METHOD with
  // RESULT", for a caller that finds a result not in the form its method's
  // replies have. The session stays usable.
  [[noreturn]] void RefuseReply(const std::string& method, const nlohmann::json& result) const;

  // Waits for a notification of method (one received earlier counts) and
  // takes it; false when none came within timeout. Answers "echo" meanwhile.
  bool AwaitNotification(const std::string& method, std::chrono::milliseconds timeout);

  // Hands over the notifications received so far, oldest first.
  std::deque<nlohmann::json> TakeNotifications();

  const std::string& Name() const { return stream_.Name(); }

 private:
  // Sends one message's text; false when the deadline passed first.
  bool Send(std::string_view text, Deadline deadline);
  // Handles messages until the reply to id comes and returns it; nullopt when
  // the deadline passed first. With an id below 0 it returns null at the
  // first notification, which it keeps.
  std::optional<nlohmann::json> AwaitReply(std::int64_t id, Deadline deadline);
  // The next message from the server; nullopt when the deadline passed first.
  std::optional<nlohmann::json> Receive(Deadline deadline);
  // Answers a request from the server; false when the deadline passed first.
  bool Answer(const nlohmann::json& request, Deadline deadline);

  Stream stream_;
  std::chrono::milliseconds timeout_;
  JsonSplitter splitter_;
  std::vector<char> readBuffer_;
  std::deque<nlohmann::json> notifications_;
  std::int64_t nextId_ = 0;
  bool broken_ = false;
};

// "ERROR: DETAILS" from an OVSDB error, a string or an object with "error"
// and "details" members, for messages.
std::string DescribeError(const nlohmann::json& error);

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_RPC_SESSION_H_
