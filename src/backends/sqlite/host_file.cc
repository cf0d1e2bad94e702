#include "backends/sqlite/host_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "backends/trust/trusted_file.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {


namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
  throw Quorvic::Lib::QuorvicException("cannot open host database " + path + ": " + reason);
}

// Makes folder and the folders above it that are missing, each 0755.
void MakeFolders(const std::string& path, const std::string& folder) {
  struct stat info;
  if (stat(folder.c_str(), &info) == 0) {
    if (!S_ISDIR(info.st_mode)) Refuse(path, folder + " is not a folder");
    return;
  }
  if (errno != ENOENT) Refuse(path, "cannot reach folder " + folder + ": " + std::strerror(errno));
  MakeFolders(path, trust::ParentFolder(folder));
  if (mkdir(folder.c_str(), 0755) == 0) {
    chmod(folder.c_str(), 0755);  // whatever the umask left of it
  } else if (errno != EEXIST) {
    Refuse(path, "cannot create folder " + folder + ": " + std::strerror(errno));
  }
}

// When root opens it: refuses an entry another user owns in a folder that
// others may write.
void RefusePlanted(const std::string& path, const struct stat& entry) {
  const std::string reason = trust::PlantedEntry(path, entry);
  if (!reason.empty()) Refuse(path, reason);
}

// True when the file at fd starts as an SQLite database; it holds size bytes.
bool StartsAsDatabase(int fd) {
  static const char kHeader[16] = "SQLite format 3";  // and its final NUL
  char start[16];
  return pread(fd, start, sizeof start, 0) == sizeof start &&
         std::memcmp(start, kHeader, sizeof start) == 0;
}

}  // namespace

bool PrepareHostFile(const std::string& path) {
  struct stat entry;
  if (lstat(path.c_str(), &entry) == 0) {
    RefusePlanted(path, entry);
  } else if (errno == ENOENT) {
    MakeFolders(path, trust::ParentFolder(path));
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      fchmod(fd, 0644);  // whatever the umask left of it
      close(fd);
      return false;
    }
    if (errno != EEXIST) Refuse(path, std::strerror(errno));
    // Another run made it meanwhile: look at what it made.
  } else {
    Refuse(path, std::strerror(errno));
  }
  // Without blocking, so that a FIFO cannot hold the run.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) Refuse(path, std::strerror(errno));
  struct stat info;
  bool ok = fstat(fd, &info) == 0;
  const int error = errno;
  bool regular = ok && S_ISREG(info.st_mode);
  bool database = regular && info.st_size > 0 && StartsAsDatabase(fd);
  close(fd);
  if (!ok) Refuse(path, std::strerror(error));
  if (!regular) Refuse(path, "it is not a regular file");
  if (info.st_size > 0 && !database) Refuse(path, "it is not a host database");
  return info.st_size > 0;
}

}  // namespace sqlite_host
