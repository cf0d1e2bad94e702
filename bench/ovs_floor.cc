// The floors of ploncfg-vswitch's commands on Open vSwitch: the least a
// client can do for the same answer or the same change. One connection, one
// transaction, nothing but the C library.
//   ovs_floor PATH NAME                 prints 1 when the switch database at
//                                       unix socket PATH has a bridge NAME
//                                       (one select), else 0 (`-c`)
//   ovs_floor PATH --add-bridge NAME    adds bridge NAME with its internal
//                                       port and interface (`-a`)
//   ovs_floor PATH --mtu MTU IFACE...   sets mtu_request of each interface
//                                       IFACE, by name (`-m`)
//   ovs_floor PATH --add-port BRIDGE NAME
//                                       adds port NAME with its interface to
//                                       BRIDGE (`-L`)
//   ovs_floor PATH --del-port BRIDGE NAME
//                                       takes it away again (`-U`): a select
//                                       of the port first, which a client that
//                                       keeps no copy of the database needs
// A change exits 1, printing the server's answer, when it did not commit.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Sends one transaction of operations (JSON text, comma-separated) on fd
// and returns the reply, which ends where its outermost object closes.
std::string Transact(int fd, const std::string& operations) {
  const std::string request =
      R"({"id":0,"method":"transact","params":["Open_vSwitch",)" + operations + "]}";
  if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
    std::perror("ovs_floor: write");
    return {};
  }
  std::string reply;
  int depth = 0;
  bool inString = false, escaped = false, started = false;
  char buffer[4096];
  while (!started || depth > 0) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) {
      std::fprintf(stderr, "ovs_floor: the server closed the connection\n");
      return {};
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
  return reply;
}

std::string WhereName(const std::string& name) { return R"([["name","==",")" + name + R"("]])"; }

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[2] : "";
  const bool select = argc == 3 && mode.rfind("--", 0) != 0;
  const bool port = argc == 5 && (mode == "--add-port" || mode == "--del-port");
  if (!select && !port && !(argc == 4 && mode == "--add-bridge") &&
      !(argc >= 5 && mode == "--mtu")) {
    std::fprintf(stderr,
                 "usage: ovs_floor PATH NAME | PATH --add-bridge NAME | PATH --mtu MTU IFACE... | "
                 "PATH --add-port|--del-port BRIDGE NAME\n");
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
  std::string operations;
  if (select) {
    operations = R"({"op":"select","table":"Bridge","where":)" + WhereName(argv[2]) +
                 R"(,"columns":["_uuid"]})";
  } else if (mode == "--add-bridge") {
    const std::string name = argv[3];
    operations =
        R"({"op":"insert","table":"Interface","row":{"name":")" + name +
        R"(","type":"internal"},"uuid-name":"i"},)"
        R"({"op":"insert","table":"Port","row":{"name":")" + name +
        R"(","interfaces":["named-uuid","i"]},"uuid-name":"p"},)"
        R"({"op":"insert","table":"Bridge","row":{"name":")" + name +
        R"(","ports":["named-uuid","p"]},"uuid-name":"b"},)"
        R"({"op":"mutate","table":"Open_vSwitch","where":[],)"
        R"("mutations":[["bridges","insert",["named-uuid","b"]]]})";
  } else if (mode == "--add-port") {
    operations =
        R"({"op":"insert","table":"Interface","row":{"name":")" + std::string(argv[4]) +
        R"(","type":"dummy"},"uuid-name":"i"},)"
        R"({"op":"insert","table":"Port","row":{"name":")" + argv[4] +
        R"(","interfaces":["named-uuid","i"]},"uuid-name":"p"},)"
        R"({"op":"mutate","table":"Bridge","where":)" + WhereName(argv[3]) +
        R"(,"mutations":[["ports","insert",["named-uuid","p"]]]})";
  } else if (mode == "--del-port") {
    const std::string found = Transact(
        fd, R"({"op":"select","table":"Port","where":)" + WhereName(argv[4]) +
                R"(,"columns":["_uuid"]})");
    const std::size_t at = found.find(R"(["uuid",")");
    if (at == std::string::npos) {
      std::printf("no port %s: %s\n", argv[4], found.c_str());
      return 1;
    }
    operations = R"({"op":"mutate","table":"Bridge","where":)" + WhereName(argv[3]) +
                 R"(,"mutations":[["ports","delete",)" + found.substr(at, 47) + "]]}";
  } else {
    for (int i = 4; i < argc; ++i) {
      operations += std::string(i == 4 ? "" : ",") +
                    R"({"op":"update","table":"Interface","where":)" + WhereName(argv[i]) +
                    R"(,"row":{"mtu_request":)" + argv[3] + "}}";
    }
  }
  const std::string reply = Transact(fd, operations);
  close(fd);
  if (reply.empty()) return 1;
  if (select) {
    std::printf("%d\n", reply.find("\"_uuid\"") != std::string::npos ? 1 : 0);
    return 0;
  }
  if (reply.find("\"error\":null") == std::string::npos ||
      reply.find("\"error\":\"") != std::string::npos) {
    std::printf("%s\n", reply.c_str());
    return 1;
  }
  return 0;
}
