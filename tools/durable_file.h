#ifndef TOOLS_DURABLE_FILE_H_
#define TOOLS_DURABLE_FILE_H_

#include <string>

// Replaces the file at path with text as one step: text goes to PATH.tmp,
// which is synced and renamed over path, and then the folder is synced. A
// reader sees the old file or the new one, never part of it, even after a
// crash. Throws Quorvic::Lib::QuorvicException "cannot write PATH: REASON";
// then path is as it was and PATH.tmp is gone.
void WriteFileDurably(const std::string& path, const std::string& text);

#endif  // TOOLS_DURABLE_FILE_H_
