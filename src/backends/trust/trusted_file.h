#ifndef BACKENDS_TRUST_TRUSTED_FILE_H_
#define BACKENDS_TRUST_TRUSTED_FILE_H_

#include <sys/stat.h>

#include <string>

// What a process run as root trusts among the files that choose or hold its
// host. Each check returns why a file is not to be trusted, as a reason for a
// message ("it belongs to user 65534 ..."), or an empty string when it is;
// run as any other user, every file is trusted (it can harm only its user).
namespace trust {

// An entry (a file or a symbolic link, as lstat saw it at path) that another
// user owns in a folder others may write: they could have planted it there to
// make root read or write where they choose.
std::string PlantedEntry(const std::string& path, const struct stat& entry);

// A file root takes its settings from, open as info (fstat's): it must be
// root's and writable by no one else, and every folder on the way to it
// (path with its links resolved) root's and writable by no one else unless
// it has the sticky bit, so that no one else can change or replace it.
std::string UntrustedSettingsFile(const std::string& path, const struct stat& info);

// The folder that holds path ("." for a bare name).
std::string ParentFolder(const std::string& path);

}  // namespace trust

#endif  // BACKENDS_TRUST_TRUSTED_FILE_H_
