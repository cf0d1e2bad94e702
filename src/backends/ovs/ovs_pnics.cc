#include "backends/ovs/ovs_pnics.h"

#include <algorithm>
#include <filesystem>

namespace ovs_host {

std::vector<std::string> DiscoverPnics(const std::string& sysfs) {
  namespace fs = std::filesystem;
  std::vector<std::string> pnics;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(sysfs, error)) {
    const fs::path& device = entry.path();
    const bool physical = fs::exists(device / "device", error);
    const bool bond = fs::exists(device / "bonding", error);
    if ((physical || bond) && !fs::exists(device / "bridge", error)) {
      pnics.push_back(device.filename().string());
    }
  }
  std::sort(pnics.begin(), pnics.end());
  return pnics;
}

std::vector<std::string> NetworkDevices(const std::string& sysfs) {
  std::vector<std::string> devices;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(sysfs, error)) {
    devices.push_back(entry.path().filename().string());
  }
  std::sort(devices.begin(), devices.end());
  return devices;
}

}  // namespace ovs_host
