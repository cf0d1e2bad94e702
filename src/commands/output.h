#ifndef COMMANDS_OUTPUT_H_
#define COMMANDS_OUTPUT_H_

#include <iostream>
#include <ostream>

// One line of output: collects what is streamed into it and, when it ends,
// writes a newline and flushes. Usage: ErrorLine() << "Failed to ..." << name;
class Line {
 public:
  explicit Line(std::ostream& stream) : stream_(stream) {}
  ~Line() { stream_ << '\n' << std::flush; }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  template <typename T>
  Line& operator<<(const T& value) {
    stream_ << value;
    return *this;
  }

 private:
  std::ostream& stream_;
};

// A line on standard output (results).
inline Line OutputLine() { return Line(std::cout); }
// A line on standard error (diagnostics).
inline Line ErrorLine() { return Line(std::cerr); }

#endif  // COMMANDS_OUTPUT_H_
