#include "support/test_host.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "hostnet/host_json_print.h"
#include "hostnet/host_json_read.h"

namespace sqlite_host {

TempHost::TempHost() {
  std::string pattern = (std::filesystem::temp_directory_path() / "sqlite-host-XXXXXX").string();
  dir_ = mkdtemp(pattern.data());
  path_ = dir_ + "/hostnet.db";
  setenv("QUENTA_HOSTNET_DB", path_.c_str(), 1);
}

TempHost::~TempHost() {
  setenv("QUENTA_HOSTNET_DB", "", 1);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::unique_ptr<SqliteBackend> TempHost::Open() const {
  return std::make_unique<SqliteBackend>(SqliteSettings{path_});
}

void TempHost::Load(const std::string& json) const { LoadHost(*Open(), json); }

std::string TempHost::Dump() const { return DumpHost(*Open()); }

void LoadHost(hostnet::Backend& backend, const std::string& json) {
  backend.ReplaceHost(HostFromJson(json), hostnet::SharedDVSwitches::kPrune);
}

std::string DumpHost(hostnet::Backend& backend) { return HostToJson(backend.ReadHost()); }

}  // namespace sqlite_host
