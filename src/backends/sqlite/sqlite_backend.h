#ifndef BACKENDS_SQLITE_SQLITE_BACKEND_H_
#define BACKENDS_SQLITE_SQLITE_BACKEND_H_

#include <memory>
#include <string>
#include <vector>

#include "backends/sqlite/sql.h"
#include "backends/sqlite/store.h"
#include "backends/sqlite/writer_lock.h"
#include "hostnet/backend.h"

namespace sqlite_host {

// The simulated host: the whole host in one SQLite database (host_constants.h
// lists the choices it makes). Nothing is opened until the first call that
// needs the host; that call opens the database, creating it with the default
// host when it is missing. A failed open is tried again by the next call.
// Lookups of an object to change hold the host's writer lock for as long as
// the object lives, and every change holds it while it writes (WriterLock);
// listings and checks read a snapshot and take no lock. A backend that
// changed the host leaves the database file holding it all when it is
// destroyed, unless another run is reading or writing at that moment.
class SqliteBackend : public hostnet::Backend {
 public:
  explicit SqliteBackend(std::string path);
  ~SqliteBackend() override;
  SqliteBackend(const SqliteBackend&) = delete;
  SqliteBackend& operator=(const SqliteBackend&) = delete;

  const std::string& Path() const { return path_; }

  uint32_t DefaultNumPorts() const override;
  uint32_t MaxSwitchNameSize() const override;
  std::string DefaultDVSCacheFile() const override;
  uint16_t EnsActivateNode() const override;

  void Connect() override;
  std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> GetVirtualSwitchInfo() override;
  std::unique_ptr<Korvel::Network::PortGroupNameSet> GetAllPortGroupNames() override;
  std::unique_ptr<Quorvic::Network::VirtualSwitch> GetVirtualSwitchById(
      const std::string& name) override;
  std::unique_ptr<Quorvic::Network::DVSwitch> GetDVSwitchByName(const std::string& name) override;
  std::unique_ptr<Quorvic::Network::Portset> GetPortsetById(const std::string& name) override;
  bool IsValidVirtualSwitch(const std::string& name) override;
  bool SwitchExists(const std::string& name) override;
  int32_t ParseCdpStatus(const std::string& text) override;
  bool IsValidPortGroup(const std::string& name) override;
  std::unique_ptr<hostnet::NamedPortGroup> OpenPortGroup(const std::string& name) override;
  std::unique_ptr<hostnet::NamedDVPort> OpenDVPort(
      const Quorvic::Network::DVPortParam& param) override;

  int KernelCheckSig(KARN_SigInfo* info, uint32_t sigVersion, KARN_SigError* error) override;
  int KernelSet(uint16_t node, int instance, const KARN_ParamList* params, int flags,
                int reserved) override;
  const char* KernelStatusText(int status) const override;

  HostDocument ReadHost() override;
  void ReplaceHost(const HostDocument& doc) override;
  HostDocument DefaultHost() const override;
  void Reboot() override;

  std::vector<FaultRow> ReadFaults() override;
  void AddFault(const FaultRow& fault) override;
  void ClearFaults() override;
  bool SpendFault(int64_t id) override;

  void AppendHistory(const hostnet::HistoryRow& row) override;
  std::vector<hostnet::HistoryRow> ReadHistory(int64_t sinceUs) override;

 private:
  // The store, opening the host first when it is not open yet.
  Store& Host();
  // A hold of the writer lock, for a lookup of an object to change.
  WriterHold HoldForChange();

  std::string path_;
  // Declared first, so that it goes after the connection has closed.
  std::unique_ptr<WriterLock> lock_;
  std::unique_ptr<Connection> db_;
  std::unique_ptr<Store> store_;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_SQLITE_BACKEND_H_
