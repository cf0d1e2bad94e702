#include "json_diff.h"

#include <algorithm>

namespace {

constexpr size_t kShown = 10;

std::string Show(const Json& value) {
  std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
  return text.size() > 120 ? text.substr(0, 117) + "..." : text;
}

size_t Walk(const Json& want, const Json& got, const std::string& path, std::ostream& out,
            size_t found) {
  if (want.type() == got.type() && want.is_object()) {
    for (const auto& item : want.items()) {
      const std::string at = path + "." + item.key();
      found = got.contains(item.key()) ? Walk(item.value(), got[item.key()], at, out, found)
                                       : Walk(item.value(), Json(), at, out, found);
    }
    for (const auto& item : got.items()) {
      if (!want.contains(item.key()))
        found = Walk(Json(), item.value(), path + "." + item.key(), out, found);
    }
    return found;
  }
  if (want.type() == got.type() && want.is_array()) {
    const size_t n = std::max(want.size(), got.size());
    for (size_t i = 0; i < n; ++i) {
      found = Walk(i < want.size() ? want[i] : Json(), i < got.size() ? got[i] : Json(),
                   path + "[" + std::to_string(i) + "]", out, found);
    }
    return found;
  }
  if (want == got) return found;
  if (found < kShown) {
    out << (path.empty() ? "." : path) << ": expected " << Show(want) << ", found " << Show(got)
        << "\n";
  }
  return found + 1;
}

}  // namespace

size_t ReportDifferences(const Json& want, const Json& got, const std::string& path,
                         std::ostream& out) {
  return Walk(want, got, path, out, 0);
}
