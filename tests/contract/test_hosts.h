#ifndef CONTRACT_TEST_HOSTS_H_
#define CONTRACT_TEST_HOSTS_H_

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "hostnet/backend.h"
#include "hostnet/host_json_print.h"
#include "hostnet/host_json_read.h"

// The hosts the backend contract suite runs on: a private host per test, of
// each backend the project has; a test loads the host it needs.
namespace contract {

// A fresh host of one backend, removed when the object goes.
class TestHost {
 public:
  virtual ~TestHost() = default;

  // A backend of its own on this host, as a new run of the tool opens it;
  // usable in a child process too.
  virtual std::unique_ptr<hostnet::Backend> Open() const = 0;

  // The test's own backend on this host, opened on first use.
  hostnet::Backend& Backend() {
    if (!backend_) backend_ = Open();
    return *backend_;
  }
  // Ends the test's backend, which may keep other backends off the host.
  void Close() { backend_.reset(); }
  // Replaces the host with the JSON document json.
  virtual void Load(const std::string& json) {
    Backend().ReplaceHost(HostFromJson(json), hostnet::SharedDVSwitches::kPrune);
  }
  // The host as JSON, as ploncfg-host dump prints it.
  std::string Dump() { return HostToJson(Backend().ReadHost()); }

 private:
  std::unique_ptr<hostnet::Backend> backend_;
};

// Makes fresh hosts of one backend.
struct TestHostFactory {
  std::string name;
  // What the backend needs and this machine lacks, for its tests to skip
  // with; empty when nothing is missing.
  std::string (*missing)();
  std::unique_ptr<TestHost> (*make)();
  // Reboot simulates a restart (a host that keeps its running configuration
  // apart from the stored one); other hosts refuse it.
  bool reboots;
};

// Names the backend in test output.
inline void PrintTo(const TestHostFactory& factory, std::ostream* out) { *out << factory.name; }

// One factory per backend, whether or not it can run here.
std::vector<TestHostFactory> TestHostFactories();

}  // namespace contract

#endif  // CONTRACT_TEST_HOSTS_H_
