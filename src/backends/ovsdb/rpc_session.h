#ifndef BACKENDS_OVSDB_RPC_SESSION_H_
#define BACKENDS_OVSDB_RPC_SESSION_H_

#include <chrono>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backends/ovsdb/json_splitter.h"
#include "backends/ovsdb/reader_limits.h"
#include "backends/ovsdb/stream.h"

namespace ovsdb {

// JSON-RPC 1.0 over one stream, as OVSDB speaks it: the client's requests
// carry increasing ids and each waits for the reply with its id. While
// waiting, the session answers the server's "echo" requests (the server drops
// clients that do not), drops notifications (requests with a null id: this
// client subscribes to none, so only a lock's "locked" is awaited, by
// AwaitNotification) and drops replies to requests it gave up on. Whatever
// the server sends, a message is read within limits and every wait ends by
// its deadline. Not thread-safe: one caller at a time.
class RpcSession {
 public:
  RpcSession(Stream stream, std::chrono::milliseconds timeout, ReaderLimits limits);

  // Sends method with params (an array) and returns the reply's "result".
  // The whole round trip takes the timeout at the most.
  // Throws QuorvicException:
  // - "OVSDB request METHOD to NAME timed out after T" when no reply came in
  //   time. The request may still take effect; a later call drops its reply.
  // - "OVSDB refused METHOD: ERROR: DETAILS" for a reply with an error.
  // - "cannot send OVSDB request METHOD: ..." when params hold a string that
  //   is not UTF-8; nothing was sent.
  // - when the connection fails, closes or carries something that is not
  //   JSON-RPC, or a message beyond the limits, naming the server and what it
  //   sent. The session is then broken: every later call throws at once with
  //   "the connection to NAME is unusable after an earlier failure: REASON",
  //   since the stream's next byte is no longer known to start a message.
  nlohmann::json Call(const std::string& method, const nlohmann::json& params);
  // As Call, but a reply with an error is returned rather than thrown: the
  // whole reply, whose "error" is null when the server did what was asked.
  nlohmann::json Request(const std::string& method, const nlohmann::json& params);
  // How many requests the session has sent.
  std::int64_t RequestsSent() const { return nextId_; }

  // Throws QuorvicException "OVSDB server at NAME answered METHOD with
  // RESULT", for a caller that finds a result not in the form its method's
  // replies have. The session stays usable.
  [[noreturn]] void RefuseReply(const std::string& method, const nlohmann::json& result) const;

  // Waits for a notification of method and takes it; false when none came
  // within timeout. Answers "echo" meanwhile. Only notifications that come
  // during the wait count: those that came while a call waited were dropped.
  bool AwaitNotification(const std::string& method, std::chrono::milliseconds timeout);

  // The longest a later call's round trip may take.
  void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

  const std::string& Name() const { return stream_.Name(); }

 private:
  // Throws when an earlier failure broke the session.
  void RequireUsable() const;
  // Sends one message's text; false when the deadline passed first.
  bool Send(std::string_view text, Deadline deadline);
  // Handles messages until the reply to id comes and returns it, or, with an
  // id below 0, until a notification of method comes and returns it; nullopt
  // when the deadline passed first.
  std::optional<nlohmann::json> AwaitReply(std::int64_t id, const std::string& method,
                                           Deadline deadline);
  // The next message from the server; nullopt when the deadline passed first.
  std::optional<nlohmann::json> Receive(Deadline deadline);
  // Answers a request from the server; false when the deadline passed first.
  bool Answer(const nlohmann::json& request, Deadline deadline);
  // Breaks the session with reason, which the exception thrown carries.
  [[noreturn]] void Fail(const std::string& reason);

  Stream stream_;
  std::chrono::milliseconds timeout_;
  ReaderLimits limits_;
  JsonSplitter splitter_;
  std::vector<char> readBuffer_;
  std::int64_t nextId_ = 0;  // also the count of requests sent
  std::string failure_;  // what broke the session; empty while it is usable
};

// "ERROR: DETAILS" from an OVSDB error, a string or an object with "error"
// and "details" members, for messages.
std::string DescribeError(const nlohmann::json& error);

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_RPC_SESSION_H_
