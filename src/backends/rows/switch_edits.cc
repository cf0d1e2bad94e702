#include "backends/rows/switch_edits.h"

#include <utility>

#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;

const char* KindLabel(SwitchKind kind) {
  switch (kind) {
    case SwitchKind::kStandard:
      return "standard switch";
    case SwitchKind::kDistributed:
      return "DVSwitch";
    case SwitchKind::kOpaque:
      return "opaque switch";
  }
  return "switch";
}

void SwitchGone(const SwitchRow& sw) {
  throw QuorvicException(QuorvicException::Kind::kNotFound,
                         std::string(KindLabel(sw.kind)) + " " + sw.name + " no longer exists");
}

void SwitchNameTaken(const std::string& name) {
  throw QuorvicException("a switch named " + name + " already exists");
}

StandardSwitchDoc EditStandardSwitch(RowStore& store, const SwitchRow& sw,
                                     const std::function<void(StandardSwitchDoc&)>& edit) {
  std::optional<StandardSwitchDoc> written = store.EditSwitch(sw.ref, edit);
  if (!written) SwitchGone(sw);
  return std::move(*written);
}

DVSwitchDoc EditDistributedSwitch(RowStore& store, const SwitchRow& sw,
                                  const std::function<void(DVSwitchDoc&)>& edit) {
  std::optional<DVSwitchDoc> written = store.EditDVSwitch(sw.ref, edit);
  if (!written) SwitchGone(sw);
  return std::move(*written);
}

PortGroupRow EditPortGroup(RowStore& store, const RowRef& owner, const PortGroupRow& pg,
                           const std::function<void(PortGroupRow&)>& edit) {
  auto gone = [&] {
    return QuorvicException(QuorvicException::Kind::kNotFound,
                            "port group " + pg.name + " no longer exists");
  };
  PortGroupRow written;
  std::optional<StandardSwitchDoc> sw = store.EditSwitch(owner, [&](StandardSwitchDoc& doc) {
    for (PortGroupRow& group : doc.portGroups) {
      if (group.ref != pg.ref) continue;
      edit(group);
      written = group;
      return;
    }
    throw gone();
  });
  if (!sw) throw gone();
  return written;
}

}  // namespace rows
