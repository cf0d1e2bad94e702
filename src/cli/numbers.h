#ifndef CLI_NUMBERS_H_
#define CLI_NUMBERS_H_

#include <cstdlib>
#include <type_traits>

// A number read from option text, narrowed to the width of its field.
template <typename T>
struct Number {
  T value;
  bool complete;  // false when characters follow the number
};

// Reads text by the C library's base-0 rule (leading white space, a sign,
// then 0x/0X for hexadecimal, a leading 0 for octal, decimal otherwise):
// with strtol for a signed T, strtoul for an unsigned one, then keeps the low
// bits that fit T. Text without a number reads as 0; it is complete only when
// it is empty.
template <typename T>
Number<T> ParseNumber(const char* text) {
  static_assert(std::is_integral_v<T>);
  char* end = nullptr;
  T value;
  if constexpr (std::is_signed_v<T>) {
    value = static_cast<T>(std::strtol(text, &end, 0));
  } else {
    value = static_cast<T>(std::strtoul(text, &end, 0));
  }
  return {value, *end == '\0'};
}

#endif  // CLI_NUMBERS_H_
