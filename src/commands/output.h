#ifndef COMMANDS_OUTPUT_H_
#define COMMANDS_OUTPUT_H_

#include <unistd.h>

#include <iostream>
#include <ostream>

// Lines the tool writes. Standard error is flushed at the end of every line.
// Standard output is flushed at the end of every line when it is a terminal;
// otherwise it is flushed when its buffer fills, before anything is written to
// standard error (std::cerr is tied to std::cout), and at exit. So a reader
// of either stream, or of both merged, sees every byte in the order written,
// and a listing of a large host costs one write per buffer, not per line.

inline bool StdoutIsTerminal() {
  static const bool terminal = isatty(STDOUT_FILENO) == 1;
  return terminal;
}

// One line of output: what is streamed into it, then a newline and a flush
// (see above) when it ends. Usage: ErrorLine() << "Failed to ..." << name;
class Line {
 public:
  explicit Line(std::ostream& stream) : stream_(stream) {}
  ~Line() { EndLine(stream_); }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  template <typename T>
  Line& operator<<(const T& value) {
    stream_ << value;
    return *this;
  }

  // Ends a line written straight to stream (the listings write cell by cell).
  static void EndLine(std::ostream& stream) {
    stream << '\n';
    if (&stream != &std::cout || StdoutIsTerminal()) stream.flush();
  }

 private:
  std::ostream& stream_;
};

// A line on standard output (results).
inline Line OutputLine() { return Line(std::cout); }
// A line on standard error (diagnostics).
inline Line ErrorLine() { return Line(std::cerr); }

#endif  // COMMANDS_OUTPUT_H_
