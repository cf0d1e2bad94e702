// Fuzzes the reader of an OVSDB server's messages: whatever bytes the server
// sends before it closes the connection, a request ends with its reply or
// the library's exception, within its deadline; no other exception, no
// crash, no recursion on the peer's nesting.

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/rpc_session.h"
#include "hostnet/quorvic_exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) __builtin_trap();
  // The whole input fits the socket's buffer (-max_len), so the "server"
  // writes it at once and hangs up; the session's answers to echo requests
  // wait in the other direction, unread.
  if (write(fds[1], data, size) != static_cast<ssize_t>(size)) __builtin_trap();
  shutdown(fds[1], SHUT_WR);
  ovsdb::ReaderLimits limits;
  limits.maxMessage = 64 * 1024;
  ovsdb::RpcSession session(ovsdb::Stream(fds[0], "unix:fuzz.sock"), std::chrono::milliseconds(200),
                            limits);
  auto start = std::chrono::steady_clock::now();
  try {
    nlohmann::json result = session.Call("transact", nlohmann::json::array({"Open_vSwitch"}));
    // What callers do with a result they do not expect.
    if (!result.is_array()) session.RefuseReply("transact", result);
    session.Call("list_dbs", nlohmann::json::array());
  } catch (const Quorvic::Lib::QuorvicException&) {
  }
  try {
    session.AwaitNotification("locked", std::chrono::milliseconds(10));
  } catch (const Quorvic::Lib::QuorvicException&) {
  }
  if (std::chrono::steady_clock::now() - start > std::chrono::seconds(2)) __builtin_trap();
  close(fds[1]);
  return 0;
}
