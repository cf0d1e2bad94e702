#ifndef COMMANDS_ALL_PORTGROUPS_H_
#define COMMANDS_ALL_PORTGROUPS_H_

#include <string>

// The port group name that makes the VLAN command address every port group of
// a switch ("ALL"). The usage text prints this same constant.
extern const std::string ALL_PORTGROUPS;

#endif  // COMMANDS_ALL_PORTGROUPS_H_
