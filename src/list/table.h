#ifndef LIST_TABLE_H_
#define LIST_TABLE_H_

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

#include "hostnet/names.h"
#include "output/output.h"

// The layout every listing table shares. A table is an array of columns, each
// a header text, a minimum width and a function that fetches the row's value
// and hands it to its cell. Each value is fetched just before its cell is
// written; when a fetch throws, the cells before it stay written and the line
// is left without its end.
//
// Cells are padded on the right to their width and never cut: a longer value
// pushes the rest of its line to the right. Every line keeps the padding of
// its last cell and ends as every line of the tool does (output/output.h).

// One cell of a row: writes a value in the column's width, padded on the
// right with blanks and whole when it is longer; numbers in decimal, a
// boolean as 1 or 0. A column that writes nothing for a row (an absent value)
// leaves no trace on the line. Cells go into standard output's buffer, which
// the line's end writes in one piece; cells written before a fetch threw go
// out with the next write.
class Cell {
 public:
  explicit Cell(int width) : width_(width) {}
  // A name others gave the host may hold anything: it is written escaped.
  void operator()(const std::string& value) const {
    if (hostnet::IsPrintableName(value)) return Write(value.data(), value.size());
    const std::string text = hostnet::EscapedName(value);
    Write(text.data(), text.size());
  }
  void operator()(const char* value) const { Write(value, std::char_traits<char>::length(value)); }
  void operator()(bool value) const { Write(value ? "1" : "0", 1); }
  template <typename Number, typename = std::enable_if_t<std::is_integral_v<Number>>>
  void operator()(Number value) const {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    Write(digits, static_cast<size_t>(end - digits));
  }

 private:
  void Write(const char* text, size_t size) const {
    OutputStream& out = StandardOutput();
    out << std::string_view(text, size);
    if (size < static_cast<size_t>(width_)) out.WriteBlanks(width_ - size);
  }

  int width_;
};

template <typename Row>
struct Column {
  const char* header;
  int width;
  // Fetches the value from row and writes it with cell (or writes nothing).
  void (*write)(Cell cell, Row& row);
};

// Ends the current line of standard output.
inline void EndLine() { StandardOutput().EndLine(); }
// A blank line: a bare line end.
inline void WriteBlankLine() { EndLine(); }

template <typename Row>
void WriteGap(Cell cell, Row&) {
  cell(" ");
}

// The gap column: a blank in width 2, in the header and in every row.
template <typename Row>
constexpr Column<Row> Gap() {
  return Column<Row>{" ", 2, &WriteGap<Row>};
}

// Writes the table's header line.
template <typename Row, size_t N>
void WriteHeader(const Column<Row> (&table)[N]) {
  for (const Column<Row>& column : table) Cell(column.width)(column.header);
  EndLine();
}

// Writes one row of the table, fetching each value just before its cell.
template <typename Row, size_t N>
void WriteRow(const Column<Row> (&table)[N], Row& row) {
  for (const Column<Row>& column : table) column.write(Cell(column.width), row);
  EndLine();
}

#endif  // LIST_TABLE_H_
