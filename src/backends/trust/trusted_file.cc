#include "backends/trust/trusted_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace trust {

namespace {

std::string Mode(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// Why root does not trust folder (stat's info): owned by another user, or
// writable by others without the sticky bit.
std::string UntrustedFolder(const std::string& folder, const struct stat& info) {
  if (info.st_uid != 0) {
    return "its folder " + folder + " belongs to user " + std::to_string(info.st_uid) +
           "; root reads settings only from folders of its own";
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (info.st_mode & S_ISVTX) == 0) {
    return "its folder " + folder + " has mode " + Mode(info.st_mode) +
           ", so others may replace it; root does not read it";
  }
  return std::string();
}

// Why root does not trust a folder on the way to the file at path (absolute).
std::string UntrustedFolders(const std::string& path) {
  for (std::string folder = ParentFolder(path);; folder = ParentFolder(folder)) {
    struct stat info;
    if (stat(folder.c_str(), &info) != 0) return std::strerror(errno);
    std::string reason = UntrustedFolder(folder, info);
    if (!reason.empty() || folder == "/") return reason;
  }
}

}  // namespace

std::string ParentFolder(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string PlantedEntry(const std::string& path, const struct stat& entry) {
  if (geteuid() != 0 || entry.st_uid == 0) return std::string();
  struct stat folder;
  if (stat(ParentFolder(path).c_str(), &folder) != 0) return std::strerror(errno);
  if ((folder.st_mode & S_IWOTH) == 0) return std::string();
  return "it belongs to user " + std::to_string(entry.st_uid) +
         " in a folder anyone may write; root does not use it";
}

std::string UntrustedSettingsFile(const std::string& path, const struct stat& info) {
  if (geteuid() != 0) return std::string();
  if (info.st_uid != 0) {
    return "it belongs to user " + std::to_string(info.st_uid) +
           "; root reads settings only from files of its own";
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return "it has mode " + Mode(info.st_mode) + ", so others may change it; root does not read it";
  }
  // The folders on the way to the link as named, and those on the way to
  // the file it leads to.
  std::string named = path;
  if (named.empty() || named[0] != '/') {
    std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    if (!cwd) return std::strerror(errno);
    named = std::string(cwd.get()) + "/" + path;
  }
  std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
  if (!real) return std::strerror(errno);
  for (const std::string& file : {named, std::string(real.get())}) {
    std::string reason = UntrustedFolders(file);
    if (!reason.empty()) return reason;
  }
  return std::string();
}

}  // namespace trust
