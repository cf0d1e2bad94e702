#include "backends/conf_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "backends/setting_rules.h"
#include "backends/trust/trusted_file.h"
#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"

namespace backends {

using Quorvic::Lib::QuorvicException;

namespace {

// Closes a file descriptor when it goes out of scope.
class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() {
    if (fd_ >= 0) close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void RefuseFile(const std::string& path, const std::string& namedBy,
                             const std::string& reason) {
  throw QuorvicException("cannot use configuration file " + hostnet::EscapedName(path) +
                         (namedBy.empty() ? "" : " (named by " + namedBy + ")") + ": " + reason);
}

[[noreturn]] void RefuseLine(const std::string& source, const std::string& reason) {
  throw QuorvicException(source + ": " + reason);
}

// The whole text of the file at path, read as ReadConfFile says; nullopt
// when it may be and is missing.
std::optional<std::string> ReadText(const std::string& path, const std::string& namedBy) {
  struct stat entry;
  if (lstat(path.c_str(), &entry) != 0) {
    if (errno == ENOENT && namedBy.empty()) return std::nullopt;
    RefuseFile(path, namedBy, errno == ENOENT ? "it does not exist" : std::strerror(errno));
  }
  if (S_ISLNK(entry.st_mode)) {
    const std::string reason = trust::PlantedEntry(path, entry);
    if (!reason.empty()) RefuseFile(path, namedBy, reason);
  }
  // Without blocking, so that a FIFO cannot hold the run.
  OpenFile file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat info;
  if (file.get() < 0 || fstat(file.get(), &info) != 0)
    RefuseFile(path, namedBy, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) RefuseFile(path, namedBy, "it is not a regular file");
  const std::string untrusted = trust::UntrustedSettingsFile(path, info);
  if (!untrusted.empty()) RefuseFile(path, namedBy, untrusted);
  const std::string tooLarge = "it is larger than " + std::to_string(kMaxConfBytes / 1024) + " KiB";
  if (static_cast<size_t>(info.st_size) > kMaxConfBytes) RefuseFile(path, namedBy, tooLarge);
  std::string text(kMaxConfBytes + 1, '\0');
  size_t size = 0;
  while (size < text.size()) {
    const ssize_t length = read(file.get(), &text[size], text.size() - size);
    if (length < 0 && errno == EINTR) continue;
    if (length < 0) RefuseFile(path, namedBy, std::strerror(errno));
    if (length == 0) break;
    size += static_cast<size_t>(length);
  }
  if (size > kMaxConfBytes) RefuseFile(path, namedBy, tooLarge);  // it grew meanwhile
  text.resize(size);
  return text;
}

std::string Trim(const std::string& text) {
  const char* blanks = " \t";
  const std::string::size_type first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

std::optional<std::map<std::string, ConfValue>> ReadConfFile(const std::string& path,
                                                             const std::string& namedBy) {
  const std::optional<std::string> text = ReadText(path, namedBy);
  if (!text) return std::nullopt;
  std::map<std::string, ConfValue> values;
  std::map<std::string, int> lines;  // of each key given
  std::string::size_type start = text->rfind("\xef\xbb\xbf", 0) == 0 ? 3 : 0;
  for (int number = 1; start < text->size(); ++number) {
    std::string::size_type end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::string line = text->substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string source = hostnet::EscapedName(path) + " line " + std::to_string(number);
    if (line.find('\0') != std::string::npos) RefuseLine(source, "holds a NUL byte");
    std::string blanked = line;
    std::replace(blanked.begin(), blanked.end(), '\t', ' ');
    if (!hostnet::IsPrintableName(blanked)) {
      RefuseLine(source, "holds a control character or bytes that are not UTF-8");
    }
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const std::string::size_type equals = line.find('=');
    const std::string key = Trim(line.substr(0, equals));
    if (equals == std::string::npos || key.empty()) {
      RefuseLine(source, "expected KEY = VALUE, found " + line);
    }
    const SettingRule* rule = FindSettingRule(key);
    if (rule == nullptr) {
      const std::string closest = ClosestSettingKey(key);
      RefuseLine(source, "unknown key " + key +
                             (closest.empty() ? " (keys: " + SettingKeys() + ")"
                                              : "; did you mean " + closest + "?"));
    }
    if (lines.count(key) != 0) {
      RefuseLine(source, "key " + key + " given a second time (first on line " +
                             std::to_string(lines[key]) + ")");
    }
    const std::string value = Trim(line.substr(equals + 1));
    CheckSetting(*rule, value, source);
    values[key] = {value, source};
    lines[key] = number;
  }
  return values;
}

}  // namespace backends
