// The floor of `ploncfg-vswitch -c SWITCH` on Open vSwitch: the least a
// client can do to answer it. One connection, one select of the bridge by
// name, nothing but the C library.
//   ovs_floor PATH NAME   prints 1 when the switch database at unix socket
//                         PATH has a bridge NAME (plain text), else 0
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ovs_floor PATH NAME\n");
    return 2;
  }
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, argv[1], sizeof address.sun_path - 1);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::perror("ovs_floor: connect");
    return 1;
  }
  const std::string request =
      std::string(R"({"id":0,"method":"transact","params":["Open_vSwitch",)") +
      R"({"op":"select","table":"Bridge","where":[["name","==",")" + argv[2] +
      R"("]],"columns":["_uuid"]}]})";
  if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
    std::perror("ovs_floor: write");
    return 1;
  }
  // The reply ends where its outermost object closes.
  std::string reply;
  int depth = 0;
  bool inString = false, escaped = false, started = false;
  char buffer[4096];
  while (!started || depth > 0) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) {
      std::fprintf(stderr, "ovs_floor: the server closed the connection\n");
      return 1;
    }
    for (ssize_t i = 0; i < got; ++i) {
      char c = buffer[i];
      if (escaped) {
        escaped = false;
      } else if (inString) {
        if (c == '\\') escaped = true;
        if (c == '"') inString = false;
      } else if (c == '"') {
        inString = true;
      } else if (c == '{' || c == '[') {
        ++depth;
        started = true;
      } else if (c == '}' || c == ']') {
        --depth;
      }
    }
    reply.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  std::printf("%d\n", reply.find("\"_uuid\"") != std::string::npos ? 1 : 0);
  return 0;
}
