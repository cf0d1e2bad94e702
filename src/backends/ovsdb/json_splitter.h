#ifndef BACKENDS_OVSDB_JSON_SPLITTER_H_
#define BACKENDS_OVSDB_JSON_SPLITTER_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "backends/ovsdb/reader_limits.h"

namespace ovsdb {

// Cuts a byte stream of JSON objects and arrays, with nothing but whitespace
// between them, into one text per value. The stream has no other framing: a
// value ends where the bracket that opened it closes, outside strings. Bytes
// come in pieces of any size; the scan resumes where the previous one
// stopped, so a value costs one pass however many pieces it arrived in.
// Only the boundaries and the limits are checked here; the JSON inside is
// the parser's. Nothing here recurses, however deep the brackets.
class JsonSplitter {
 public:
  explicit JsonSplitter(ReaderLimits limits = {}) : limits_(limits) {}

  // Adds received bytes after those already held. Between calls of Next
  // that return nullopt, the caller appends at most one read's worth: the
  // buffer then never holds much more than one message at its limit.
  void Append(const char* data, std::size_t size);

  // The text of the next complete value, or nullopt when none is complete
  // yet. The text stays valid until the next Append. Throws QuorvicException
  // when a byte between values is neither whitespace nor '{' or '[', or a
  // value nests deeper or runs longer than the limits, saying which in
  // words that follow "the server sent".
  std::optional<std::string_view> Next();

  // Whether bytes of a value that is not complete yet are held.
  bool HoldsPartial() const { return scan_ > start_; }

 private:
  ReaderLimits limits_;
  std::string buffer_;
  std::size_t start_ = 0;  // the first byte of the value being scanned
  std::size_t scan_ = 0;   // the next byte to look at
  int depth_ = 0;          // brackets open at scan_
  bool inString_ = false;
  bool escaped_ = false;  // the byte before scan_ was a backslash in a string
};

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_JSON_SPLITTER_H_
