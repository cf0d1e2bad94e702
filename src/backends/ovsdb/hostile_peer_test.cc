// The client against peers that answer as a hostile or broken server would:
// each ends in time with the library's exception naming the peer, never by
// a signal, an abort or a wait past the deadline.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "backends/ovsdb/client.h"
#include "support/message_of.h"
#include "support/test_server.h"

namespace ovsdb {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A server on a loopback port that serves one connection with a function of
// its socket, in a thread of its own, then reads until the client goes.
// Whatever it does stops once the client has gone, and after 20 s in any
// case.
class FakePeer {
 public:
  using Serve = std::function<void(FakePeer&, int fd)>;

  explicit FakePeer(Serve serve) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 1) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot listen on the loopback address");
    }
    remote_ = "tcp:127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    thread_ = std::thread([this, serve] {
      pollfd entry{listener_, POLLIN, 0};
      if (poll(&entry, 1, 5000) != 1) return;
      int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) return;
      timeval second{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &second, sizeof second);
      serve(*this, fd);
      // Closing with the client's request unread would reset the
      // connection and could drop what is still on its way.
      Drain(fd);
      close(fd);
    });
  }
  ~FakePeer() {
    thread_.join();
    close(listener_);
  }

  const std::string& Remote() const { return remote_; }

  // Sends text; false once the client has gone or the peer's time is up.
  bool Send(int fd, const std::string& text) {
    if (Clock::now() - start_ > 20s) return false;
    for (std::size_t done = 0; done < text.size();) {
      ssize_t sent = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
      if (sent <= 0) return errno == EAGAIN && Clock::now() - start_ < 20s;
      done += static_cast<std::size_t>(sent);
    }
    return true;
  }
  // Sends head, then body again and again until the client goes.
  void Flood(int fd, const std::string& head, const std::string& body) {
    std::string chunk;
    while (chunk.size() < 64 * 1024) chunk += body;
    if (!Send(fd, head)) return;
    while (Send(fd, chunk)) {
    }
  }
  // Reads until the client closes the connection.
  static void Drain(int fd) {
    char buffer[4096];
    for (;;) {
      pollfd entry{fd, POLLIN, 0};
      if (poll(&entry, 1, 20000) != 1 || recv(fd, buffer, sizeof buffer, 0) <= 0) return;
    }
  }

 private:
  int listener_ = -1;
  std::string remote_;
  std::thread thread_;
  Clock::time_point start_ = Clock::now();
};

// Two tables: the client's first request is a transact of two operations.
const SchemaNeeds kNeeds = {{"Bridge", {"name"}}, {"Port", {"name"}}};

TEST(HostilePeer, EveryAnswerEndsInTimeNamingThePeer) {
  struct Case {
    const char* name;
    FakePeer::Serve serve;
    std::string says;  // a part of the message
  };
  const std::string reply = R"({"id":0,"error":null,"result":)";
  const Case cases[] = {
      {"nested 2,000,000 deep", [](FakePeer& p, int fd) { p.Send(fd, std::string(2000000, '[')); },
       "sent a value nested deeper than 64 levels"},
      {"a value that never ends", [&](FakePeer& p, int fd) { p.Flood(fd, reply + "[", "1,"); },
       "sent a message longer than 1 MiB (QUENTA_OVSDB_MAX_MESSAGE)"},
      {"a string of a GiB", [&](FakePeer& p, int fd) { p.Flood(fd, reply + "\"", "x"); },
       "sent a message longer than 1 MiB (QUENTA_OVSDB_MAX_MESSAGE)"},
      {"a megabyte of empty objects",
       [&](FakePeer& p, int fd) {
         std::string objects;
         for (int i = 0; i < 349000; ++i) objects += "{},";
         p.Send(fd, reply + "[" + objects + "{}]}");
       },
       "sent a message whose parsed form takes more than 16 MiB of memory"},
      {"notifications without end",
       [](FakePeer& p, int fd) {
         p.Flood(fd, "", R"({"method":"update","params":[null,{"Bridge":{}}],"id":null})");
       },
       "timed out after 2 s"},
      {"echo requests without end",
       [](FakePeer& p, int fd) { p.Flood(fd, "", R"({"method":"echo","params":[],"id":"e"})"); },
       "timed out after 2 s"},
      {"garbage", [](FakePeer& p, int fd) { p.Send(fd, "HTTP/1.1 400 Bad Request\r\n\r\n"); },
       "sent unexpected 'H' between JSON values"},
      {"half a reply, then a close",
       [&](FakePeer& p, int fd) {
         p.Send(fd, reply + R"([{"rows":[)");
         shutdown(fd, SHUT_WR);
       },
       "closed the connection in the middle of a message"},
      {"fewer results than operations",
       [&](FakePeer& p, int fd) { p.Send(fd, reply + R"([{"rows":[]}]})"); },
       R"(answered transact with [{"rows":[]}])"},
  };
  // A limit an operator may set; the default's 64 MiB take a while to
  // arrive under the sanitizers on a busy machine.
  PeerSettings peerSettings;
  peerSettings.limits.maxMessage = ReaderLimits::kMiB;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePeer peer(c.serve);
    Clock::time_point start = Clock::now();
    std::string message =
        MessageOf([&] { Client(peer.Remote(), 2s, "Open_vSwitch", kNeeds, peerSettings); });
    auto took = Clock::now() - start;
    EXPECT_NE(message.find(peer.Remote()), std::string::npos) << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
    // One timeout, not one per request.
    EXPECT_LT(took, 3s) << message;
  }
}

// Peers that complete the TLS handshake and then close, one way or another:
// the client sees the close at once instead of waiting out its deadline.
TEST(HostilePeer, ATlsCloseEndsAtOnceNamingThePeer) {
  if (!TestPki::Missing().empty()) GTEST_SKIP() << "not installed: " << TestPki::Missing();
  TestPki pki;
  const TlsFiles serverFiles = pki.Sign("server");
  const TlsFiles clientFiles = pki.Sign("client");
  std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_server_method()),
                                                            &SSL_CTX_free);
  ASSERT_EQ(SSL_CTX_use_certificate_chain_file(context.get(), serverFiles.certificate.c_str()), 1);
  ASSERT_EQ(
      SSL_CTX_use_PrivateKey_file(context.get(), serverFiles.privateKey.c_str(), SSL_FILETYPE_PEM),
      1);
  struct Case {
    const char* name;
    std::function<void(SSL*, int fd)> serve;  // after the handshake
    std::string says;
  };
  const std::string half = R"({"id":0,"error":null,"result":[{"rows":[)";
  const Case cases[] = {
      {"TLS's close notice", [](SSL* ssl, int) { SSL_shutdown(ssl); }, "closed the connection"},
      {"a close without TLS's notice", [](SSL*, int fd) { shutdown(fd, SHUT_WR); },
       "closed the connection"},
      {"half a reply, then TLS's close notice",
       [&](SSL* ssl, int) {
         SSL_write(ssl, half.data(), static_cast<int>(half.size()));
         SSL_shutdown(ssl);
       },
       "closed the connection in the middle of a message"},
  };
  PeerSettings peerSettings;
  peerSettings.tls = clientFiles;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePeer peer([&](FakePeer&, int fd) {
      SSL* ssl = SSL_new(context.get());
      SSL_set_fd(ssl, fd);
      if (SSL_accept(ssl) == 1) c.serve(ssl, fd);
      SSL_free(ssl);
    });
    const std::string remote = "ssl:" + peer.Remote().substr(peer.Remote().find(':') + 1);
    Clock::time_point start = Clock::now();
    std::string message =
        MessageOf([&] { Client(remote, 5s, "Open_vSwitch", kNeeds, peerSettings); });
    auto took = Clock::now() - start;
    EXPECT_NE(message.find(remote), std::string::npos) << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
    EXPECT_LT(took, 3s) << message;
  }
}

}  // namespace
}  // namespace ovsdb
