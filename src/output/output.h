#ifndef OUTPUT_OUTPUT_H_
#define OUTPUT_OUTPUT_H_

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

// The tool's two output streams. Every line the tool writes goes through
// OutputLine() (results, standard output) or ErrorLine() (diagnostics,
// standard error), or, for table rows written cell by cell, through
// StandardOutput() and EndLine().
//
// Every line is handed to the kernel when it ends, on both streams, so a
// reader of a pipe sees each line as soon as it is made and a run killed by
// a signal has delivered every line it finished. A write to standard output
// that fails (a full disk, a closed descriptor) ends the run: a line on
// standard error says so and the process exits with status 1.
//
// The streams are ours rather than the standard library's: a run of the tool
// is a few milliseconds, and setting up the standard streams and their
// locale would be a sixth of it.

class OutputStream {
 public:
  // What to do when a write fails, with the errno of the failure.
  using FailureHandler = void (*)(int error);

  // fd: the file descriptor written to. onFailure: called when a write
  // fails, after what was buffered is dropped; it may end the process.
  OutputStream(int fd, FailureHandler onFailure);
  // Writes what is still buffered.
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  OutputStream& operator<<(std::string_view text) {
    Append(text.data(), text.size());
    return *this;
  }
  OutputStream& operator<<(const std::string& text) { return *this << std::string_view(text); }
  OutputStream& operator<<(const char* text) { return *this << std::string_view(text); }
  OutputStream& operator<<(char c) {
    Append(&c, 1);
    return *this;
  }
  // A boolean is written as 1 or 0.
  OutputStream& operator<<(bool value) { return *this << (value ? '1' : '0'); }
  // Integers in decimal (signed ones with a leading '-').
  template <typename Number,
            typename = std::enable_if_t<std::is_integral_v<Number> && !std::is_same_v<Number, bool> &&
                                        !std::is_same_v<Number, char>>>
  OutputStream& operator<<(Number value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    Append(digits, static_cast<size_t>(end - digits));
    return *this;
  }

  // count blanks.
  void WriteBlanks(size_t count);

  // Ends the current line: a newline, then a write.
  void EndLine();
  // Writes everything buffered to the file descriptor.
  void Flush();

 private:
  void Append(const char* data, size_t size);

  int fd_;
  FailureHandler onFailure_;
  std::string buffer_;
};

// Standard output; a failed write ends the process with status 1.
OutputStream& StandardOutput();
// Standard error; a failed write is ignored, as there is nowhere left to say
// so.
OutputStream& StandardError();

// Writes text to stream as hostnet::EscapedName writes a name: itself when it
// is UTF-8 text without control characters, else with those bytes as \xHH.
void WriteEscaped(OutputStream& stream, std::string_view text);

// One line of output: what is streamed into it, then the line's end when it
// goes out of scope. Usage: ErrorLine() << "Failed to ..." << name;
//
// Text streamed into a line goes out escaped (WriteEscaped): a name, the
// operator's own argument or a message that carries one can neither end the
// line early nor reach a terminal as a control sequence. Text without such
// bytes, which is all a host stores and all the tools say, goes out as it is.
class Line {
 public:
  explicit Line(OutputStream& stream) : stream_(stream) {}
  ~Line() { stream_.EndLine(); }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  Line& operator<<(std::string_view text) {
    WriteEscaped(stream_, text);
    return *this;
  }
  Line& operator<<(const std::string& text) { return *this << std::string_view(text); }
  Line& operator<<(const char* text) { return *this << std::string_view(text); }
  // Numbers, a character, a boolean: as OutputStream writes them.
  template <typename T>
  Line& operator<<(const T& value) {
    stream_ << value;
    return *this;
  }

 private:
  OutputStream& stream_;
};

// A line on standard output (results).
inline Line OutputLine() { return Line(StandardOutput()); }
// A line on standard error (diagnostics).
inline Line ErrorLine() { return Line(StandardError()); }

#endif  // OUTPUT_OUTPUT_H_
