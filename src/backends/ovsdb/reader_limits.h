#ifndef BACKENDS_OVSDB_READER_LIMITS_H_
#define BACKENDS_OVSDB_READER_LIMITS_H_

#include <cstddef>

namespace ovsdb {

// What the reader of a server's messages takes at the most, so that no peer
// can exhaust memory or the stack: OVSDB's own messages nest fewer than ten
// levels deep, and a reply of thousands of rows is a few MiB.
struct ReaderLimits {
  static constexpr std::size_t kMiB = 1024 * 1024;
  static constexpr std::size_t kDefaultMaxMessageMiB = 64;
  static constexpr std::size_t kMaxMessageMiBCap = 4096;

  // Brackets open at once.
  int maxDepth = 64;
  // Bytes of one message.
  std::size_t maxMessage = kDefaultMaxMessageMiB * kMiB;
};

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_READER_LIMITS_H_
