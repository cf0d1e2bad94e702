#ifndef BACKENDS_OVSDB_STREAM_H_
#define BACKENDS_OVSDB_STREAM_H_

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "backends/ovsdb/tls_settings.h"

// A byte stream to an OVSDB server. Every wait on the socket is bounded by a
// deadline the caller gives; the socket itself never blocks.
namespace ovsdb {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

class TlsSession;

// Where a server listens: "unix:PATH", "tcp:HOST:PORT" or "ssl:HOST:PORT"
// (TLS over TCP; an IPv6 HOST in brackets, "tcp:[::1]:6640").
struct Endpoint {
  enum class Kind { kUnix, kTcp, kSsl };
  Kind kind = Kind::kUnix;
  std::string path;  // kUnix
  std::string host;  // kTcp and kSsl, without brackets
  std::string port;  // kTcp and kSsl, 1 to 65535 in decimal
};

// Reads remote; throws QuorvicException naming remote and what is wrong with
// it when it is not one of the three forms (other schemes, a missing or bad
// port, a socket path longer than a socket address holds).
Endpoint ParseEndpoint(const std::string& remote);

// "3 s" for whole seconds, "250 ms" otherwise: how messages state a timeout.
std::string DescribeTimeout(std::chrono::milliseconds timeout);

// An open socket to one server, closed when the Stream goes.
class Stream {
 public:
  // Connects to remote (ParseEndpoint's forms), waiting timeout at the most
  // for a TCP server to answer and, for "ssl:", to finish the TLS handshake
  // (looking up a host name comes before that wait and is not bounded by
  // it). An "ssl:" remote uses tls, checked before anything is sent. Throws
  // QuorvicException "cannot connect to REMOTE: REASON".
  static Stream Connect(const std::string& remote, std::chrono::milliseconds timeout,
                        const TlsFiles& tls = {});
  // Takes over fd, an open stream socket; name stands for the peer in
  // messages.
  Stream(int fd, std::string name);
  ~Stream();
  Stream(Stream&& other) noexcept;
  Stream& operator=(Stream&& other) noexcept;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // The remote as given, for messages.
  const std::string& Name() const { return name_; }

  // Sends all of bytes, waiting for room until deadline. False when the
  // deadline passed first: then a part of bytes may have been sent and the
  // stream no longer ends at a message boundary. Throws QuorvicException
  // "cannot send to NAME: REASON" when the socket fails.
  bool WriteAll(std::string_view bytes, Deadline deadline);
  // Receives what is there, up to size bytes, into buffer, waiting until
  // deadline for the first byte. The count received, at least 1; nullopt
  // when the deadline passed first. Throws QuorvicException when the server
  // closed the connection or the socket fails.
  std::optional<std::size_t> ReadSome(char* buffer, std::size_t size, Deadline deadline);

 private:
  // Connects to a TCP endpoint named remote for messages.
  static Stream ConnectTcp(const Endpoint& endpoint, const std::string& remote,
                           std::chrono::milliseconds timeout, Deadline deadline);
  // Polls for events until deadline; false when it passed first.
  bool Await(short events, Deadline deadline);

  int fd_ = -1;
  std::string name_;
  std::unique_ptr<TlsSession> tls_;  // for "ssl:" remotes
};

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_STREAM_H_
