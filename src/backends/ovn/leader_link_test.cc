#include "backends/ovn/leader_link.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/message_of.h"

namespace ovn {
namespace {

using Clock = std::chrono::steady_clock;

// A loopback port whose connections the kernel accepts and no one serves,
// as a member frozen by SIGSTOP or stuck does.
class SilentMember {
 public:
  SilentMember() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), length);
    listen(fd_, 8);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    remote_ = "tcp:127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  }
  ~SilentMember() { close(fd_); }
  const std::string& Remote() const { return remote_; }
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::string remote_;
};

// A member that follows on its first connection and leads on the next, as
// one does once an election is over: it answers the probe of each and
// closes.
class ElectedMember {
 public:
  ElectedMember() : thread_([this] { Serve(); }) {}
  ~ElectedMember() { thread_.join(); }
  const std::string& Remote() const { return socket_.Remote(); }

 private:
  void Serve() {
    for (bool leads : {false, true}) {
      pollfd entry{socket_.Fd(), POLLIN, 0};
      if (poll(&entry, 1, 5000) != 1) return;
      int fd = accept4(socket_.Fd(), nullptr, nullptr, SOCK_CLOEXEC);
      char request[4096];
      entry = {fd, POLLIN, 0};
      if (poll(&entry, 1, 5000) == 1 && recv(fd, request, sizeof request, 0) > 0) {
        std::string reply = std::string(R"({"id":0,"error":null,"result":[{"rows":[)") +
                            R"({"connected":true,"leader":)" + (leads ? "true" : "false") + "}]}]}";
        send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
      }
      close(fd);
    }
  }

  SilentMember socket_;
  std::thread thread_;
};

TEST(LeaderLink, AsksAHungMemberAfterTheOthersInLaterRounds) {
  SilentMember hung;
  ElectedMember elected;
  LeaderLink link(ParseOvnSettings(hung.Remote() + "," + elected.Remote(), "3"));
  Clock::time_point start = Clock::now();
  EXPECT_NO_THROW(link.Connect(Clock::now() + std::chrono::seconds(3)));
  // One budget for the hung member in the first round, none in the second.
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1600));
}

TEST(LeaderLink, PassesOverAHungMemberAndNamesWhatEveryMemberDid) {
  SilentMember silent;
  OvnSettings settings =
      ParseOvnSettings(silent.Remote() + ",tcp:127.0.0.1:1,unix:/nonexistent/nb.sock", "1");
  LeaderLink link(settings);
  EXPECT_EQ(link.ProbeBudget(), std::chrono::milliseconds(333));
  Clock::time_point start = Clock::now();
  std::string message =
      ovsdb::MessageOf([&] { link.Connect(Clock::now() + std::chrono::seconds(1)); });
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  // The last try of the hung member has what was left of the timeout.
  const std::string parts[] = {
      "no member of the OVN northbound database (" + silent.Remote() +
          ", tcp:127.0.0.1:1, unix:/nonexistent/nb.sock) leads it after 1000 ms: ",
      "OVSDB request transact to " + silent.Remote() + " timed out after ",
      " ms; cannot connect to tcp:127.0.0.1:1: Connection refused; cannot connect to "
      "unix:/nonexistent/nb.sock: No such file or directory"};
  std::string::size_type at = 0;
  for (const std::string& part : parts) {
    at = message.find(part, at);
    EXPECT_NE(at, std::string::npos) << part << "\nnot in\n" << message;
  }
  EXPECT_EQ(LeaderLink(ParseOvnSettings("tcp:h:1", "15")).ProbeBudget(), std::chrono::seconds(1));
}

}  // namespace
}  // namespace ovn
