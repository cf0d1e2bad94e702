#ifndef SUPPORT_OVSDB_PROXY_H_
#define SUPPORT_OVSDB_PROXY_H_

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace ovsdb {

// For tests and benchmarks: a proxy on a unix socket of its own in front of
// an OVSDB server's unix socket. It counts the requests clients send, by
// method, and the transactions that write, with and without a comment; and
// can lose a transaction as a broken network would: cut the connection
// right after passing a transaction that writes on to the server (which
// then commits it, its answer lost), or right before; and can let another
// client write just before a transaction that writes.
class OvsdbProxy {
 public:
  enum class Cut { kNever, kAfterWrite, kBeforeWrite };

  // Listens in a new temporary folder and forwards to serverPath.
  explicit OvsdbProxy(const std::string& serverPath);
  ~OvsdbProxy();
  OvsdbProxy(const OvsdbProxy&) = delete;
  OvsdbProxy& operator=(const OvsdbProxy&) = delete;

  std::string UnixRemote() const { return "unix:" + path_; }
  // The next transaction that writes is cut so; later ones pass.
  void CutNextWrite(Cut cut) { cut_ = cut; }
  // When the next transaction that writes arrives, runs act (on the proxy's
  // thread) before passing it on: another client's change between a run's
  // read and its write.
  void BeforeNextWrite(std::function<void()> act);
  // The requests clients sent so far, by method, and their sum.
  std::map<std::string, int> Requests();
  int RequestCount();
  // The transactions that wrote, and those of them without a comment.
  int Writes();
  int UncommentedWrites();
  void ResetCounts();

 private:
  void Serve();
  void Relay(int client);
  // Looks at one message from a client: counts it, and says whether to cut
  // the connection before or after passing it.
  Cut Inspect(const std::string& message);

  std::string dir_;
  std::string path_;
  std::string server_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  std::atomic<Cut> cut_{Cut::kNever};
  std::mutex mutex_;
  std::map<std::string, int> requests_;
  int writes_ = 0;
  int uncommented_ = 0;
  std::function<void()> beforeWrite_;
  std::thread thread_;
};

}  // namespace ovsdb

#endif  // SUPPORT_OVSDB_PROXY_H_
