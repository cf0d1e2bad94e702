#include "commands/all_portgroups.h"

const std::string ALL_PORTGROUPS = "ALL";
