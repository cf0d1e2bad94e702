#include "test_hosts.h"

#include "backends/sqlite/test_host.h"

namespace contract {
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
