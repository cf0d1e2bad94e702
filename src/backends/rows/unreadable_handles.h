#ifndef BACKENDS_ROWS_UNREADABLE_HANDLES_H_
#define BACKENDS_ROWS_UNREADABLE_HANDLES_H_

#include <memory>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "hostnet/dv_port.h"
#include "hostnet/dv_switch.h"

// Handles on rows another writer left that a read could not make sense of:
// a listing shows each as a DVSwitch or DVPort that fails with what is wrong,
// so the rest of it goes on and the row is named.
namespace rows {

// Answers GetName; every other call throws the row's problem.
class UnreadableDVSwitchHandle : public Quorvic::Network::DVSwitch {
 public:
  explicit UnreadableDVSwitchHandle(UnreadableRow row) : row_(std::move(row)) {}

  std::string GetName() const override { return row_.dvswitch; }
  uint32_t GetNumPorts() const override { Fail(); }
  uint32_t GetNumUsedPorts() const override { Fail(); }
  uint32_t GetNumConfiguredPorts() const override { Fail(); }
  std::vector<std::string> GetUplinks() const override { Fail(); }
  std::string GetDVSName() const override { Fail(); }
  uint32_t GetMtu() const override { Fail(); }
  void SetMtu(uint16_t) override { Fail(); }
  std::vector<std::unique_ptr<Quorvic::Network::DVPort>> GetDVPorts() const override { Fail(); }
  std::string GetSwitchId() const override { Fail(); }
  void AddDVPortUplink(const std::string&, Quorvic::Network::DVPortParam) override { Fail(); }
  void RemoveDVPortUplink(const std::string&, int) override { Fail(); }

 private:
  [[noreturn]] void Fail() const;

  UnreadableRow row_;
};

// Answers GetName; every other call throws the row's problem.
class UnreadableDVPortHandle : public Quorvic::Network::DVPort {
 public:
  explicit UnreadableDVPortHandle(UnreadableRow row) : row_(std::move(row)) {}

  std::string GetName() const override { return row_.dvport; }
  const Quorvic::Network::DVPortParam& GetParam() const override { Fail(); }
  bool IsInUse(std::vector<std::string>&) const override { Fail(); }

 private:
  [[noreturn]] void Fail() const;

  UnreadableRow row_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_UNREADABLE_HANDLES_H_
