#include "support/ovsdb_proxy.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "backends/ovsdb/json_splitter.h"

namespace ovsdb {

namespace {

sockaddr_un Address(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return address;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

// True when a transact's operations hold one of op's.
bool Has(const nlohmann::json& params, std::initializer_list<const char*> ops) {
  for (const nlohmann::json& operation : params) {
    if (!operation.is_object()) continue;
    const std::string op = operation.value("op", "");
    for (const char* wanted : ops) {
      if (op == wanted) return true;
    }
  }
  return false;
}

// True when a transact's operations change something.
bool WritesSomething(const nlohmann::json& params) {
  return Has(params, {"insert", "update", "mutate", "delete"});
}

}  // namespace

OvsdbProxy::OvsdbProxy(const std::string& serverPath) {
  server_ = serverPath.rfind("unix:", 0) == 0 ? serverPath.substr(5) : serverPath;
  std::string pattern = (std::filesystem::temp_directory_path() / "ovsdb-proxy-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  path_ = dir_ + "/proxy.sock";
  listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address = Address(path_);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 16) != 0 || pipe(wake_) != 0) {
    throw std::runtime_error("cannot listen on " + path_);
  }
  thread_ = std::thread([this] { Serve(); });
}

OvsdbProxy::~OvsdbProxy() {
  if (write(wake_[1], "x", 1) != 1) std::abort();
  thread_.join();
  close(listener_);
  close(wake_[0]);
  close(wake_[1]);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::map<std::string, int> OvsdbProxy::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

int OvsdbProxy::RequestCount() {
  int sum = 0;
  for (const auto& [method, count] : Requests()) sum += count;
  return sum;
}

void OvsdbProxy::BeforeNextWrite(std::function<void()> act) {
  std::lock_guard<std::mutex> lock(mutex_);
  beforeWrite_ = std::move(act);
}

int OvsdbProxy::Writes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

int OvsdbProxy::UncommentedWrites() {
  std::lock_guard<std::mutex> lock(mutex_);
  return uncommented_;
}

void OvsdbProxy::ResetCounts() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.clear();
  writes_ = uncommented_ = 0;
}

OvsdbProxy::Cut OvsdbProxy::Inspect(const std::string& message) {
  nlohmann::json request = nlohmann::json::parse(message, nullptr, false);
  if (!request.is_object() || !request.contains("method") || !request["id"].is_number()) {
    return Cut::kNever;
  }
  const std::string method = request["method"].get<std::string>();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++requests_[method];
  }
  if (method != "transact" || !WritesSomething(request["params"])) return Cut::kNever;
  std::function<void()> act;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    act.swap(beforeWrite_);
    ++writes_;
    if (!Has(request["params"], {"comment"})) ++uncommented_;
  }
  if (act) act();
  return cut_.exchange(Cut::kNever);
}

// One client at a time, which is all a run of the tools opens at once.
void OvsdbProxy::Serve() {
  for (;;) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) return;
    int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    Relay(client);
  }
}

void OvsdbProxy::Relay(int client) {
  int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address = Address(server_);
  if (connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(server);
    close(client);
    return;
  }
  JsonSplitter fromClient;
  char buffer[65536];
  for (bool open = true; open;) {
    pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(fds, 3, -1) < 0 || (fds[2].revents & POLLIN)) break;
    if (fds[1].revents & (POLLIN | POLLHUP)) {
      ssize_t got = recv(server, buffer, sizeof buffer, 0);
      open = got > 0 && WriteAll(client, buffer, static_cast<size_t>(got));
    }
    if (open && (fds[0].revents & (POLLIN | POLLHUP))) {
      ssize_t got = recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      fromClient.Append(buffer, static_cast<size_t>(got));
      while (std::optional<std::string_view> message = fromClient.Next()) {
        const std::string text(*message);
        const Cut cut = Inspect(text);
        if (cut == Cut::kBeforeWrite) {
          open = false;
          break;
        }
        open = WriteAll(server, text.data(), text.size());
        if (cut == Cut::kAfterWrite) {
          // Let the server read it before its answer's way is cut.
          shutdown(server, SHUT_WR);
          open = false;
          break;
        }
        if (!open) break;
      }
    }
  }
  close(server);
  close(client);
}

}  // namespace ovsdb
