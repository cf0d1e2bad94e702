#include "backends/ovsdb/rpc_session.h"

#include <utility>

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

RpcSession::RpcSession(Stream stream, std::chrono::milliseconds timeout)
    : stream_(std::move(stream)), timeout_(timeout), readBuffer_(kReadSize) {}

json RpcSession::Call(const std::string& method, const json& params) {
  if (broken_) {
    throw QuorvicException("the connection to " + Name() + " is unusable after an earlier failure");
  }
  Deadline deadline = Clock::now() + timeout_;
  std::int64_t id = nextId_++;
  auto timedOut = [&] {
    return QuorvicException("OVSDB request " + method + " timed out after " +
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

  std::optional<json> reply = AwaitReply(id, deadline);
  if (!reply) throw timedOut();
  const json& error = (*reply)["error"];  // null when the reply has none
  if (!error.is_null()) {
    throw QuorvicException("OVSDB refused " + method + ": " + DescribeError(error));
  }
  return std::move((*reply)["result"]);
}

void RpcSession::RefuseReply(const std::string& method, const json& result) const {
  std::string shown = result.dump();
  if (shown.size() > 200) shown = shown.substr(0, 200) + "...";
  throw QuorvicException("OVSDB server at " + Name() + " answered " + method + " with " + shown);
}

bool RpcSession::AwaitNotification(const std::string& method, std::chrono::milliseconds timeout) {
  Deadline deadline = Clock::now() + timeout;
  for (;;) {
    for (auto it = notifications_.begin(); it != notifications_.end(); ++it) {
      if ((*it)["method"] == method) {
        notifications_.erase(it);
        return true;
      }
    }
    if (broken_) {
      throw QuorvicException("the connection to " + Name() +
                             " is unusable after an earlier failure");
    }
    if (!AwaitReply(-1, deadline)) return false;
  }
}

std::deque<json> RpcSession::TakeNotifications() { return std::exchange(notifications_, {}); }

bool RpcSession::Send(std::string_view text, Deadline deadline) {
  // Until the whole message is out, the stream may end inside it.
  broken_ = true;
  if (!stream_.WriteAll(text, deadline)) return false;
  broken_ = false;
  return true;
}

std::optional<json> RpcSession::AwaitReply(std::int64_t id, Deadline deadline) {
  for (;;) {
    std::optional<json> message = Receive(deadline);
    if (!message) return std::nullopt;
    auto method = message->find("method");
    if (method != message->end()) {
      const json& requestId = (*message)["id"];
      if (requestId.is_null()) {
        notifications_.push_back(std::move(*message));
        if (id < 0) return json();
      } else if (!Answer(*message, deadline)) {
        return std::nullopt;
      }
      continue;
    }
    // A reply with an error may come without "result". find() finds nothing
    // in values that are not objects.
    auto replyId = message->find("id");
    if (replyId == message->end() || !(message->contains("result") || message->contains("error"))) {
      broken_ = true;
      throw QuorvicException("OVSDB server at " + Name() + " sent a message that is not JSON-RPC");
    }
    // Other ids belong to requests that timed out earlier.
    if (*replyId == id) return std::move(*message);
  }
}

std::optional<json> RpcSession::Receive(Deadline deadline) {
  try {
    for (;;) {
      if (std::optional<std::string_view> text = splitter_.Next()) {
        return json::parse(*text);
      }
      std::optional<std::size_t> received =
          stream_.ReadSome(readBuffer_.data(), readBuffer_.size(), deadline);
      if (!received) return std::nullopt;
      splitter_.Append(readBuffer_.data(), *received);
    }
  } catch (const json::parse_error& e) {
    broken_ = true;
    throw QuorvicException("OVSDB server at " + Name() + " sent invalid JSON: " + e.what());
  } catch (const QuorvicException&) {
    broken_ = true;
    throw;
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

}  // namespace ovsdb
