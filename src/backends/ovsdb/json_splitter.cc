#include "backends/ovsdb/json_splitter.h"

#include <cstdio>
#include <string>

#include "hostnet/quorvic_exception.h"

namespace ovsdb {

void JsonSplitter::Append(const char* data, std::size_t size) {
  // Values handed out are done with: drop them so that the buffer holds at
  // most one partial value and what has just arrived.
  buffer_.erase(0, start_);
  scan_ -= start_;
  start_ = 0;
  buffer_.append(data, size);
}

std::optional<std::string_view> JsonSplitter::Next() {
  while (scan_ < buffer_.size()) {
    if (scan_ - start_ >= limits_.maxMessage) {
      std::size_t max = limits_.maxMessage;
      throw Quorvic::Lib::QuorvicException("a message longer than " +
                                           (max % ReaderLimits::kMiB == 0
                                                ? std::to_string(max / ReaderLimits::kMiB) + " MiB"
                                                : std::to_string(max) + " bytes") +
                                           " (QUENTA_OVSDB_MAX_MESSAGE)");
    }
    char c = buffer_[scan_++];
    if (inString_) {
      if (escaped_) {
        escaped_ = false;
      } else if (c == '\\') {
        escaped_ = true;
      } else if (c == '"') {
        inString_ = false;
      }
      continue;
    }
    if (depth_ == 0) {
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        start_ = scan_;
        continue;
      }
      if (c != '{' && c != '[') {
        char shown[8];
        std::snprintf(shown, sizeof shown, c >= 0x20 && c < 0x7f ? "'%c'" : "0x%02x",
                      static_cast<unsigned char>(c));
        throw Quorvic::Lib::QuorvicException(std::string("unexpected ") + shown +
                                             " between JSON values");
      }
    }
    switch (c) {
      case '"':
        inString_ = true;
        break;
      case '{':
      case '[':
        if (++depth_ > limits_.maxDepth) {
          throw Quorvic::Lib::QuorvicException("a value nested deeper than " +
                                               std::to_string(limits_.maxDepth) + " levels");
        }
        break;
      case '}':
      case ']':
        if (--depth_ == 0) {
          std::string_view value(buffer_.data() + start_, scan_ - start_);
          start_ = scan_;
          return value;
        }
        break;
      default:
        break;
    }
  }
  return std::nullopt;
}

}  // namespace ovsdb
