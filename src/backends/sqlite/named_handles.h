#ifndef BACKENDS_SQLITE_NAMED_HANDLES_H_
#define BACKENDS_SQLITE_NAMED_HANDLES_H_

#include <set>
#include <string>

#include "backends/sqlite/store.h"
#include "hostnet/backend.h"

// Objects reached by name rather than through a switch: each asks the host
// afresh on every call.
namespace sqlite_host {

// A port group by name; it existed when it was opened.
class NamedPortGroupHandle : public hostnet::NamedPortGroup {
 public:
  // Throws when no running switch has a port group of that name.
  NamedPortGroupHandle(Store& store, std::string name, WriterHold hold);

  Quorvic::Network::NicTeamingPolicy GetTeamingPolicy() override;
  void SetTeamingPolicy(Quorvic::Network::NicTeamingPolicy policy) override;

 private:
  Store& store_;
  std::string name_;
  WriterHold hold_;
};

// A DVPort by the DVPortParam that names it.
class NamedDVPortHandle : public hostnet::NamedDVPort {
 public:
  NamedDVPortHandle(Store& store, Quorvic::Network::DVPortParam param, WriterHold hold)
      : store_(store), param_(std::move(param)), hold_(std::move(hold)) {}

  bool IsValid() override;
  uint32_t GetConnectionId() const override;
  void SetConnectionId(unsigned int connectionId) override;
  void TestDVPortZet() override;

 private:
  // The DVPort's row; throws when it does not exist.
  DVPortRow Require() const;

  Store& store_;
  Quorvic::Network::DVPortParam param_;
  WriterHold hold_;
};

// The names of the port groups of the host's running switches.
class PortGroupNames : public Korvel::Network::PortGroupNameSet {
 public:
  explicit PortGroupNames(Store& store) : store_(store) {}
  bool Contains(const std::string& name) const override;
  std::set<std::string> GetNames() const override;

 private:
  Store& store_;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_NAMED_HANDLES_H_
