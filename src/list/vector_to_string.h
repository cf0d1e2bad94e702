#ifndef LIST_VECTOR_TO_STRING_H_
#define LIST_VECTOR_TO_STRING_H_

#include <sstream>
#include <string>
#include <vector>

namespace Quorvic::Misc {

// Joins items with separator between them: none before the first item, none
// after the last; an empty list gives "". Items are written as they are,
// nothing is quoted or escaped. separator must not be null.
template <typename T>
std::string VectorToString(const std::vector<T>& items, const char* separator) {
  if (items.empty()) return std::string();
  std::ostringstream text;
  for (size_t i = 0; i + 1 < items.size(); ++i) text << items[i] << separator;
  text << items.back();
  return text.str();
}

// The same for names, joined without a string stream: every listing row
// joins one or two lists, and a stream's set-up costs more than the names.
inline std::string VectorToString(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += separator;
    text += items[i];
  }
  return text;
}

}  // namespace Quorvic::Misc

#endif  // LIST_VECTOR_TO_STRING_H_
