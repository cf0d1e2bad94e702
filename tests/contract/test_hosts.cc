#include "test_hosts.h"

#include "backends/sqlite/test_host.h"
#include "hostnet/host_json_print.h"
#include "hostnet/host_json_read.h"

namespace contract {

hostnet::Backend& TestHost::Backend() {
  if (!backend_) backend_ = Open();
  return *backend_;
}

void TestHost::Load(const std::string& json) { Backend().ReplaceHost(HostFromJson(json)); }

std::string TestHost::Dump() { return HostToJson(Backend().ReadHost()); }

namespace {

class SqliteTestHost : public TestHost {
 public:
  std::unique_ptr<hostnet::Backend> Open() const override { return temp_.Open(); }

 private:
  sqlite_host::TempHost temp_;
};

}  // namespace

std::vector<TestHostFactory> TestHostFactories() {
  return {{"Sqlite", [] { return std::unique_ptr<TestHost>(new SqliteTestHost); }}};
}

}  // namespace contract
