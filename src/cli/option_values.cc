#include "cli/option_values.h"

#include <cstdint>

#include "cli/numbers.h"
#include "commands/end_run.h"
#include "commands/uuid_text.h"
#include "output/output.h"

namespace {

constexpr uint32_t kMaxVlanId = 4095;

}  // namespace

void ReadUplinkName(CommandLine& line, const char* text) { line.uplinkName = text; }
void ReadPortGroupName(CommandLine& line, const char* text) { line.portGroupName = text; }
void ReadDVPortId(CommandLine& line, const char* text) { line.dvPortId = text; }
void ReadImplClass(CommandLine& line, const char* text) { line.implClass = text; }
void ReadDvsVersion(CommandLine& line, const char* text) { line.dvsVersion = text; }
void ReadCdpStatus(CommandLine& line, const char* text) { line.cdpStatus = text; }
void ReadPortsetName(CommandLine& line, const char* text) { line.portsetName = text; }
void ReadTimeoutUplink(CommandLine& line, const char* text) { line.timeoutUplink = text; }

void ReadMtu(CommandLine& line, const char* text) { line.mtu = ParseNumber<uint16_t>(text).value; }

void ReadLagId(CommandLine& line, const char* text) {
  line.lagId = ParseNumber<uint32_t>(text).value;
}

void ReadVlanId(CommandLine& line, const char* text) {
  Number<uint32_t> vlan = ParseNumber<uint32_t>(text);
  if (!vlan.complete || vlan.value > kMaxVlanId) {
    ErrorLine() << "Invalid vlan id.  Vlan must be between 0-4095: " << text;
    throw EndRun{1};
  }
  line.vlanId = vlan.value;
}

void ReadMaxActive(CommandLine& line, const char* text) {
  Number<int32_t> maxActive = ParseNumber<int32_t>(text);
  if (!maxActive.complete) {
    ErrorLine() << "Invalid max active:" << text;
    throw EndRun{1};
  }
  line.maxActive = maxActive.value;
}

void ReadUuid(CommandLine& line, const char* text) {
  line.dvsUuid = text;
  if (!IsValidUuidString(text)) {
    ErrorLine() << "Invalid UUID:" << text << ". Should be of format "
                << UuidToString("abcdefghijklmnop");
    throw EndRun{1};
  }
}
