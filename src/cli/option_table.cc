#include "cli/option_table.h"

const char kShortOptions[] = "aWu:I:n:dlU:L:P:Q:V:rcp:v:hA:D:C:tTB:bM:N:m:X:xRyYfzZioOs:j:k:gGFS";

const struct option kLongOptions[] = {
    {"add", no_argument, nullptr, 'a'},
    {"dvswitch", no_argument, nullptr, 'W'},
    {"uuid", required_argument, nullptr, 'u'},
    {"impl-class", required_argument, nullptr, 'I'},
    {"version", required_argument, nullptr, 'n'},
    {"delete", no_argument, nullptr, 'd'},
    {"list", no_argument, nullptr, 'l'},
    {"link", required_argument, nullptr, 'L'},
    {"unlink", required_argument, nullptr, 'U'},
    {"restore-uplinks", no_argument, nullptr, 'R'},
    {"restore", no_argument, nullptr, 'r'},
    {"add-pg", required_argument, nullptr, 'A'},
    {"del-pg", required_argument, nullptr, 'D'},
    {"check-pg", required_argument, nullptr, 'C'},
    {"check", no_argument, nullptr, 'c'},
    {"pg", required_argument, nullptr, 'p'},
    {"vlan", required_argument, nullptr, 'v'},
    {"set-cdp", required_argument, nullptr, 'B'},
    {"get-cdp", no_argument, nullptr, 'b'},
    {"add-pg-uplink", required_argument, nullptr, 'M'},
    {"del-pg-uplink", required_argument, nullptr, 'N'},
    {"add-dvp-uplink", required_argument, nullptr, 'P'},
    {"del-dvp-uplink", required_argument, nullptr, 'Q'},
    {"dvp", required_argument, nullptr, 'V'},
    {"mtu", required_argument, nullptr, 'm'},
    {"set-maxactive", required_argument, nullptr, 'X'},
    {"get-maxactive", no_argument, nullptr, 'x'},
    {"test-sync-zet", no_argument, nullptr, 'T'},
    {"activate-ens", no_argument, nullptr, 'y'},
    {"deactivate-ens", no_argument, nullptr, 'Y'},
    {"reassociate-ens", no_argument, nullptr, 'z'},
    {"ens-ready", no_argument, nullptr, 'Z'},
    {"force-reassociate-ens", no_argument, nullptr, 'f'},
    {"intr", no_argument, nullptr, 'i'},
    {"fast-switch", no_argument, nullptr, 'F'},
    {"get-lacp-timeout", no_argument, nullptr, 'o'},
    {"load-lacp-timeout", no_argument, nullptr, 'O'},
    {"portset", required_argument, nullptr, 's'},
    {"lagid", required_argument, nullptr, 'j'},
    {"uplink", required_argument, nullptr, 'k'},
    {"get-lag-timeout", no_argument, nullptr, 'g'},
    {"load-lag-timeout", no_argument, nullptr, 'G'},
    {"system", no_argument, nullptr, 'S'},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

const char* LongName(int letter) {
  for (const struct option* entry = kLongOptions; entry->name != nullptr; ++entry) {
    if (entry->val == letter) return entry->name;
  }
  return "";
}
