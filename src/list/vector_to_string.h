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

}  // namespace Quorvic::Misc

#endif  // LIST_VECTOR_TO_STRING_H_
