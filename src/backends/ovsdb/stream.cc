#include "backends/ovsdb/stream.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>
#include <system_error>
#include <utility>

#include "backends/ovsdb/tls_session.h"
#include "backends/ovsdb/tls_settings.h"
#include "hostnet/quorvic_exception.h"

namespace ovsdb {

using Quorvic::Lib::QuorvicException;

namespace {

std::string Reason(int error) { return std::generic_category().message(error); }

[[noreturn]] void RefuseRemote(const std::string& remote, const std::string& why) {
  throw QuorvicException("OVSDB remote " + remote + " " + why);
}

bool IsPort(const std::string& text) {
  if (text.empty() || text.size() > 5 || text[0] == '0') return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return std::stoi(text) <= 65535;
}

}  // namespace

Endpoint ParseEndpoint(const std::string& remote) {
  Endpoint endpoint;
  if (remote.rfind("unix:", 0) == 0) {
    endpoint.path = remote.substr(5);
    if (endpoint.path.empty()) RefuseRemote(remote, "names no socket path");
    if (endpoint.path.size() >= sizeof(sockaddr_un::sun_path)) {
      RefuseRemote(remote, "has a socket path longer than " +
                               std::to_string(sizeof(sockaddr_un::sun_path) - 1) + " bytes");
    }
    return endpoint;
  }
  std::string scheme = remote.substr(0, 4);
  if (scheme != "tcp:" && scheme != "ssl:") {
    RefuseRemote(remote, "is not unix:PATH, tcp:HOST:PORT nor ssl:HOST:PORT");
  }
  endpoint.kind = scheme == "tcp:" ? Endpoint::Kind::kTcp : Endpoint::Kind::kSsl;
  std::string rest = remote.substr(4);
  std::string::size_type colon;
  if (!rest.empty() && rest[0] == '[') {
    std::string::size_type close = rest.find(']');
    if (close == std::string::npos) RefuseRemote(remote, "lacks the ] after its IPv6 address");
    endpoint.host = rest.substr(1, close - 1);
    colon = close + 1;
    if (colon >= rest.size() || rest[colon] != ':') RefuseRemote(remote, "names no port");
  } else {
    colon = rest.rfind(':');
    if (colon == std::string::npos) RefuseRemote(remote, "names no port");
    endpoint.host = rest.substr(0, colon);
    if (endpoint.host.find(':') != std::string::npos) {
      RefuseRemote(remote, "needs its IPv6 address in brackets: " + scheme + "[ADDRESS]:PORT");
    }
  }
  if (endpoint.host.empty()) RefuseRemote(remote, "names no host");
  endpoint.port = rest.substr(colon + 1);
  if (!IsPort(endpoint.port)) RefuseRemote(remote, "has no port from 1 to 65535");
  return endpoint;
}

std::string DescribeTimeout(std::chrono::milliseconds timeout) {
  if (timeout.count() % 1000 == 0) return std::to_string(timeout.count() / 1000) + " s";
  return std::to_string(timeout.count()) + " ms";
}

Stream Stream::Connect(const std::string& remote, std::chrono::milliseconds timeout,
                       const TlsFiles& tls) {
  Endpoint endpoint = ParseEndpoint(remote);
  Deadline deadline = Clock::now() + timeout;
  auto fail = [&remote](const std::string& reason) -> QuorvicException {
    return QuorvicException("cannot connect to " + remote + ": " + reason);
  };

  if (endpoint.kind == Endpoint::Kind::kUnix) {
    Stream stream(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0), remote);
    if (stream.fd_ < 0) throw fail(Reason(errno));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    endpoint.path.copy(address.sun_path, endpoint.path.size());
    // A local connect completes or fails at once; EAGAIN means the server's
    // queue of new connections is full, which waiting does not fix here.
    if (connect(stream.fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      throw fail(Reason(errno));
    }
    return stream;
  }

  // The files come first, so that a run without them sends nothing.
  std::unique_ptr<TlsSession> session;
  if (endpoint.kind == Endpoint::Kind::kSsl) {
    session = std::make_unique<TlsSession>(tls, remote);
  }
  Stream stream = ConnectTcp(endpoint, remote, timeout, deadline);
  if (!session) return stream;
  session->Attach(stream.fd_);
  for (;;) {
    TlsSession::Want want = session->Handshake();
    if (want == TlsSession::Want::kNothing) break;
    if (!stream.Await(want == TlsSession::Want::kRead ? POLLIN : POLLOUT, deadline)) {
      throw fail("no TLS handshake within " + DescribeTimeout(timeout));
    }
  }
  stream.tls_ = std::move(session);
  return stream;
}

Stream Stream::ConnectTcp(const Endpoint& endpoint, const std::string& remote,
                          std::chrono::milliseconds timeout, Deadline deadline) {
  auto fail = [&remote](const std::string& reason) -> QuorvicException {
    return QuorvicException("cannot connect to " + remote + ": " + reason);
  };
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  int rc = getaddrinfo(endpoint.host.c_str(), endpoint.port.c_str(), &hints, &found);
  if (rc != 0) throw fail(rc == EAI_SYSTEM ? Reason(errno) : gai_strerror(rc));
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> addresses(found, freeaddrinfo);

  // Each address the name has, in the resolver's order, until one answers.
  std::string lastReason;
  for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
    Stream stream(socket(a->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0), remote);
    if (stream.fd_ < 0) {
      lastReason = Reason(errno);
      continue;
    }
    int error = 0;
    if (connect(stream.fd_, a->ai_addr, a->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        if (!stream.Await(POLLOUT, deadline)) {
          throw fail("no answer within " + DescribeTimeout(timeout));
        }
        socklen_t length = sizeof error;
        if (getsockopt(stream.fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
      }
    }
    if (error != 0) {
      lastReason = Reason(error);
      continue;
    }
    // Requests are small and each waits for its reply: send them at once.
    int on = 1;
    setsockopt(stream.fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return stream;
  }
  throw fail(lastReason);
}

Stream::Stream(int fd, std::string name) : fd_(fd), name_(std::move(name)) {
  if (fd_ >= 0) fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

Stream::~Stream() {
  tls_.reset();  // its goodbye goes out on the socket
  if (fd_ >= 0) close(fd_);
}

Stream::Stream(Stream&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      name_(std::move(other.name_)),
      tls_(std::move(other.tls_)) {}

Stream& Stream::operator=(Stream&& other) noexcept {
  if (this != &other) {
    tls_.reset();
    if (fd_ >= 0) close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    name_ = std::move(other.name_);
    tls_ = std::move(other.tls_);
  }
  return *this;
}

bool Stream::WriteAll(std::string_view bytes, Deadline deadline) {
  while (tls_ && !bytes.empty()) {
    TlsSession::Io io = tls_->Write(bytes);
    bytes.remove_prefix(io.count);
    if (io.want != TlsSession::Want::kNothing &&
        !Await(io.want == TlsSession::Want::kRead ? POLLIN : POLLOUT, deadline)) {
      return false;
    }
  }
  while (!bytes.empty()) {
    ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!Await(POLLOUT, deadline)) return false;
    } else if (errno != EINTR) {
      throw QuorvicException("cannot send to " + name_ + ": " + Reason(errno));
    }
  }
  return true;
}

std::optional<std::size_t> Stream::ReadSome(char* buffer, std::size_t size, Deadline deadline) {
  while (tls_) {
    // OpenSSL may hold bytes already received: it is asked before the socket
    // is polled.
    TlsSession::Io io = tls_->Read(buffer, size);
    if (io.count > 0) return io.count;
    if (io.closed) throw QuorvicException("OVSDB server at " + name_ + " closed the connection");
    if (!Await(io.want == TlsSession::Want::kWrite ? POLLOUT : POLLIN, deadline)) {
      return std::nullopt;
    }
  }
  for (;;) {
    ssize_t received = recv(fd_, buffer, size, 0);
    if (received > 0) return static_cast<std::size_t>(received);
    if (received == 0)
      throw QuorvicException("OVSDB server at " + name_ + " closed the connection");
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!Await(POLLIN, deadline)) return std::nullopt;
    } else if (errno != EINTR) {
      throw QuorvicException("cannot receive from " + name_ + ": " + Reason(errno));
    }
  }
}

bool Stream::Await(short events, Deadline deadline) {
  for (;;) {
    long long left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd entry{fd_, events, 0};
    // Errors and hang-ups count as ready: the send or receive that follows
    // reports them.
    int ready = poll(&entry, 1, static_cast<int>(std::clamp<long long>(left, 0, INT_MAX)));
    if (ready > 0) return true;
    if (ready == 0 && left <= 0) return false;
    if (ready < 0 && errno != EINTR) {
      throw QuorvicException("cannot wait for " + name_ + ": " + Reason(errno));
    }
  }
}

}  // namespace ovsdb
