#ifndef HOSTNET_NAMES_H_
#define HOSTNET_NAMES_H_

#include <string>

namespace hostnet {

// True when name is text a host may store and every tool may print as it is:
// valid UTF-8 (no overlong forms, surrogates or code points above U+10FFFF)
// holding no control character (U+0000 to U+001F, U+007F to U+009F). A name
// with a line break could forge lines of a listing, one with an escape
// sequence would reach the terminal, and bytes that are not UTF-8 cannot
// pass through the host's JSON form.
bool IsPrintableName(const std::string& name);

// What a host says when it refuses such a name: what of kind ("switch",
// "port group", ...) must be.
std::string PrintableNameRule(const std::string& kind);

// name as it may reach a terminal: itself when IsPrintableName, else with
// every control character and byte that is not UTF-8 written as \xHH (and
// a backslash as \\), so that a name others gave the host can neither
// forge lines nor send escapes.
std::string EscapedName(const std::string& name);

}  // namespace hostnet

#endif  // HOSTNET_NAMES_H_
