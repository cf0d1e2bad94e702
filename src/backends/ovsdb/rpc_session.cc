#include "backends/ovsdb/rpc_session.h"

#include <utility>

#include "backends/ovsdb/message_parse.h"
#include "hostnet/quorvic_exception.h"

namespace ovsdb {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

namespace {

// Big enough that a large reply takes few reads.
constexpr std::size_t kReadSize = 64 * 1024;

}  // namespace

std::string DescribeError(const json& error) {
  if (error.is_string()) return error.get<std::string>();
  if (!error.is_object() || !error.contains("error")) return error.dump();
  const json& kind = error["error"];
  std::string text = kind.is_string() ? kind.get<std::string>() : kind.dump();
  auto details = error.find("details");
  if (details != error.end()) {
    text += ": " + (details->is_string() ? details->get<std::string>() : details->dump());
  }
  return text;
}

RpcSession::RpcSession(Stream stream, std::chrono::milliseconds timeout, ReaderLimits limits)
    : stream_(std::move(stream)),
      timeout_(timeout),
      limits_(limits),
      splitter_(limits),
      readBuffer_(kReadSize) {}

json RpcSession::Call(const std::string& method, const json& params) {
  json reply = Request(method, params);
  const json& error = reply["error"];  // null when the reply has none
  if (!error.is_null()) {
    throw QuorvicException("OVSDB refused " + method + ": " + DescribeError(error));
  }
  return std::move(reply["result"]);
}

json RpcSession::Request(const std::string& method, const json& params) {
  RequireUsable();
  Deadline deadline = Clock::now() + timeout_;
  std::int64_t id = nextId_++;
  auto timedOut = [&] {
    return QuorvicException("OVSDB request " + method + " to " + Name() + " timed out after " +
                            DescribeTimeout(timeout_));
  };

  std::string text;
  try {
    // Written by hand rather than as a json object, which would copy params.
    text = "{\"method\":" + json(method).dump() + ",\"params\":" + params.dump() +
           ",\"id\":" + std::to_string(id) + "}";
  } catch (const json::type_error&) {
    throw QuorvicException("cannot send OVSDB request " + method +
                           ": a string in it is not valid UTF-8");
  }
  if (!Send(text, deadline)) throw timedOut();

  std::optional<json> reply = AwaitReply(id, method, deadline);
  if (!reply) throw timedOut();
  if (!reply->contains("error")) (*reply)["error"] = nullptr;
  return std::move(*reply);
}

void RpcSession::RefuseReply(const std::string& method, const json& result) const {
  std::string shown = result.dump();
  if (shown.size() > 200) shown = shown.substr(0, 200) + "...";
  throw QuorvicException("OVSDB server at " + Name() + " answered " + method + " with " + shown);
}

bool RpcSession::AwaitNotification(const std::string& method, std::chrono::milliseconds timeout) {
  RequireUsable();
  return AwaitReply(-1, method, Clock::now() + timeout).has_value();
}

void RpcSession::RequireUsable() const {
  if (!failure_.empty()) {
    throw QuorvicException("the connection to " + Name() +
                           " is unusable after an earlier failure: " + failure_);
  }
}

bool RpcSession::Send(std::string_view text, Deadline deadline) {
  bool sent = false;
  try {
    sent = stream_.WriteAll(text, deadline);
  } catch (const QuorvicException& e) {
    Fail(e.GetMessage());
  }
  // Until the whole message is out, the stream may end inside it.
  if (!sent) failure_ = "a message to it was cut short by a timeout";
  return sent;
}

std::optional<json> RpcSession::AwaitReply(std::int64_t id, const std::string& method,
                                           Deadline deadline) {
  for (;;) {
    std::optional<json> message = Receive(deadline);
    if (!message) return std::nullopt;
    if (!message->is_object()) {
      Fail("OVSDB server at " + Name() + " sent a message that is not JSON-RPC");
    }
    auto request = message->find("method");
    if (request != message->end()) {
      if (!(*message)["id"].is_null()) {
        if (!Answer(*message, deadline)) return std::nullopt;
      } else if (id < 0 && *request == method) {
        return message;
      }
      continue;
    }
    auto replyId = message->find("id");
    // A reply with an error may come without "result".
    if (replyId == message->end() || !(message->contains("result") || message->contains("error"))) {
      Fail("OVSDB server at " + Name() + " sent a message that is not JSON-RPC");
    }
    // Other ids belong to requests that timed out earlier.
    if (id >= 0 && *replyId == id) return message;
  }
}

std::optional<json> RpcSession::Receive(Deadline deadline) {
  for (;;) {
    std::optional<std::string_view> text;
    try {
      text = splitter_.Next();
    } catch (const QuorvicException& e) {
      Fail("OVSDB server at " + Name() + " sent " + e.GetMessage());
    }
    if (text) {
      try {
        return ParseMessage(*text, limits_);
      } catch (const QuorvicException& e) {
        Fail("OVSDB server at " + Name() + " sent " + e.GetMessage());
      }
    }
    // Checked before every read, not only when the socket is idle: a server
    // that never stops sending never makes a read wait.
    if (Clock::now() >= deadline) return std::nullopt;
    std::optional<std::size_t> received;
    try {
      received = stream_.ReadSome(readBuffer_.data(), readBuffer_.size(), deadline);
    } catch (const QuorvicException& e) {
      Fail(e.GetMessage() + (splitter_.HoldsPartial() ? " in the middle of a message" : ""));
    }
    if (!received) return std::nullopt;
    splitter_.Append(readBuffer_.data(), *received);
  }
}

bool RpcSession::Answer(const json& request, Deadline deadline) {
  json reply = json::object();
  if (request["method"] == "echo") {
    reply["result"] = request.value("params", json::array());
    reply["error"] = nullptr;
  } else {
    reply["result"] = nullptr;
    reply["error"] = "unknown method";
  }
  reply["id"] = request["id"];
  return Send(reply.dump(), deadline);
}

void RpcSession::Fail(const std::string& reason) {
  failure_ = reason;
  throw QuorvicException(reason);
}

}  // namespace ovsdb
