#ifndef BACKENDS_CONF_FILE_H_
#define BACKENDS_CONF_FILE_H_

#include <map>
#include <optional>
#include <string>

// The reader of hostnet.conf: lines "KEY = VALUE", blank lines and lines
// that start with "#" (a "#" after a value is part of the value), in UTF-8,
// a byte-order mark before the first line allowed.
namespace backends {

// The largest configuration file read.
constexpr size_t kMaxConfBytes = 64 * 1024;

// A value of the file and where it stands, as messages name it
// ("/etc/quenta/hostnet.conf line 3").
struct ConfValue {
  std::string value;
  std::string source;
};

// The file's settings by key, or nullopt when the file does not exist and
// namedBy is empty (the default file may be missing; a file the operator
// named, by the variable namedBy, must be there). Reads without blocking
// and without following a planted link, and never more than kMaxConfBytes.
// Throws Quorvic::Lib::QuorvicException, and nothing is read further, for
// a file that is missing when named, not a regular file, larger than
// kMaxConfBytes, or (run as root) not trusted as trust::PlantedEntry and
// trust::UntrustedSettingsFile say, naming the file and, when named, the
// variable that named it; and for a line that holds a NUL byte, a control
// character or bytes that are not UTF-8, that is not "KEY = VALUE", whose
// key is unknown (naming the known key it most likely misspells) or given
// before, or whose value its rule refuses (setting_rules.h), naming the
// file, the line and the key.
std::optional<std::map<std::string, ConfValue>> ReadConfFile(const std::string& path,
                                                             const std::string& namedBy);

}  // namespace backends

#endif  // BACKENDS_CONF_FILE_H_
