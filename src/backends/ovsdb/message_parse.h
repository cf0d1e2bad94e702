#ifndef BACKENDS_OVSDB_MESSAGE_PARSE_H_
#define BACKENDS_OVSDB_MESSAGE_PARSE_H_

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string_view>

#include "backends/ovsdb/reader_limits.h"

namespace ovsdb {

// How many bytes of memory a message's parsed form may take per byte of the
// limit on its length.
constexpr std::size_t kParsedPerByte = 16;

// Parses text, one whole message of a server, as JSON. A message is held
// to limits.maxMessage bytes before it gets here, but its parsed form can
// take twenty times that: an empty object is two bytes of text and some 64
// of memory. So the parse keeps an estimate of what the form takes and
// refuses a message whose form would take more than kParsedPerByte times
// the limit; OVSDB's replies, long strings and small maps, take less than a
// quarter of that.
// Throws QuorvicException saying what was sent, in words that follow "the
// server sent", for that and for text that is not JSON.
nlohmann::json ParseMessage(std::string_view text, const ReaderLimits& limits);

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_MESSAGE_PARSE_H_
