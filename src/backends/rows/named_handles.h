#ifndef BACKENDS_ROWS_NAMED_HANDLES_H_
#define BACKENDS_ROWS_NAMED_HANDLES_H_

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "backends/rows/row_store.h"
#include "hostnet/backend.h"

// Objects reached by name rather than through a switch: each asks the host
// afresh on every call.
namespace rows {

// A port group by name; it existed when it was opened.
class NamedPortGroupHandle : public hostnet::NamedPortGroup {
 public:
  // Throws when no running switch has a port group of that name. The
  // teaming policy is read to be written back: reading it takes the hold,
  // if the store has one, and a write redoes the caller's change on what
  // another run wrote since (MergeTeaming).
  NamedPortGroupHandle(RowStore& store, std::string name);

  Quorvic::Network::NicTeamingPolicy GetTeamingPolicy() override;
  void SetTeamingPolicy(Quorvic::Network::NicTeamingPolicy policy) override;

 private:
  RowStore& store_;
  std::string name_;
  std::unique_ptr<ChangeHold> hold_;
  // The policy GetTeamingPolicy last handed out, or this last wrote.
  std::optional<TeamingRow> base_;
};

// A DVPort by the DVPortParam that names it.
class NamedDVPortHandle : public hostnet::NamedDVPort {
 public:
  NamedDVPortHandle(RowStore& store, Quorvic::Network::DVPortParam param)
      : store_(store), param_(std::move(param)) {}

  bool IsValid() override;
  uint32_t GetConnectionId() const override;
  void SetConnectionId(unsigned int connectionId) override;
  void TestDVPortZet() override;

 private:
  // The running DVSwitch with the param's switch id when it has the DVPort;
  // Require throws when it has not.
  std::optional<DVSwitchDoc> Find() const;
  DVSwitchDoc Require() const;
  // Edits the DVPort; throws when it does not exist or is gone.
  void Edit(const std::function<void(DVPortRow&)>& edit);

  RowStore& store_;
  Quorvic::Network::DVPortParam param_;
};

// The names of the port groups of the host's running switches.
class PortGroupNames : public Korvel::Network::PortGroupNameSet {
 public:
  explicit PortGroupNames(RowStore& store) : store_(store) {}
  bool Contains(const std::string& name) const override;
  std::set<std::string> GetNames() const override;

 private:
  RowStore& store_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_NAMED_HANDLES_H_
