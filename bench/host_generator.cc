#include "host_generator.h"

void WriteBenchHost(std::ostream& out, int switches) {
  out << "{\"pnics\": [\"nic0\", \"nic1\", \"nic2\", \"nic3\"],\n\"switches\": [\n";
  for (int s = 0; s < switches; ++s) {
    out << (s == 0 ? "" : ",\n") << "{\"name\": \"sw" << s << "\", \"mtu\": 1500, "
        << "\"teaming\": {\"uplinkOrder\": [], \"maxActive\": 0}, \"portGroups\": [";
    for (int p = 0; p < 8; ++p) {
      out << (p == 0 ? "" : ", ") << "{\"name\": \"pg" << s << "_" << p << "\", \"vlan\": "
          << (s * 8 + p) % 4095 << ", \"ports\": " << p % 3 << "}";
    }
    out << "]}";
  }
  out << "\n],\n\"dvswitches\": [\n";
  for (int d = 0; d < 3; ++d) {
    out << (d == 0 ? "" : ",\n") << "{\"name\": \"dvs" << d << "\", \"dvports\": [";
    for (int p = 0; p < 4; ++p) {
      out << (p == 0 ? "" : ", ") << "{\"id\": \"" << 100 + p << "\", \"clients\": ["
          << (p % 2 == 0 ? "\"guest.net0\"" : "") << "]}";
    }
    out << "]}";
  }
  out << "\n],\n\"opaqueSwitches\": [{\"name\": \"ovl0\", \"numPorts\": 4096, \"usedPorts\": 12, "
         "\"uplinks\": [\"nic3\"]}]\n}\n";
}
