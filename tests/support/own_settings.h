#ifndef SUPPORT_OWN_SETTINGS_H_
#define SUPPORT_OWN_SETTINGS_H_

#include <string>

// Test support: host settings that belong to the test alone.
namespace test_support {

// Writes an empty hostnet.conf in folder, points QUENTA_HOSTNET_CONF at it
// and sets every other setting the tools read to an explicit empty value, for
// this process and every program it starts. Neither the machine's
// /etc/quenta/hostnet.conf nor the caller's environment then chooses a host
// or a setting; a test sets what it means to use. An empty QUENTA_OVS_PNICS
// lists no pnics, so no test finds the machine's network devices by chance.
// Throws std::runtime_error when the file cannot be written.
void UseOwnHostSettings(const std::string& folder);

}  // namespace test_support

#endif  // SUPPORT_OWN_SETTINGS_H_
