#ifndef LIST_TABLE_H_
#define LIST_TABLE_H_

#include <cstddef>
#include <iomanip>
#include <iostream>

// The layout every listing table shares. A table is an array of columns, each
// a header text, a minimum width and a function that fetches the row's value
// and hands it to its cell. Header and rows go to standard output, cell by
// cell as each value arrives: when a fetch throws, the cells before it stay
// written and the line is left without its end.
//
// Cells are padded on the right to their width (standard output is set to
// left justification by SetLeftJustified) and never cut: a longer value
// pushes the rest of its line to the right. Every line keeps the padding of
// its last cell and ends as every line of the tool does (commands/output.h).

// One cell of a row: writes a value in the column's width. A column that
// writes nothing for a row (an absent value) leaves no trace on the line.
class Cell {
 public:
  explicit Cell(int width) : width_(width) {}
  template <typename T>
  void operator()(const T& value) const {
    // The width is set only once the value is at hand, so a fetch that throws
    // leaves no width behind on the stream.
    std::cout << std::setw(width_) << value;
  }

 private:
  int width_;
};

template <typename Row>
struct Column {
  const char* header;
  int width;
  // Fetches the value from row and writes it with cell (or writes nothing).
  void (*write)(Cell cell, Row& row);
};

// Adds left justification to standard output's flags; nothing clears it, the
// fill stays a space and no other flag changes.
void SetLeftJustified();
// Ends the current line of standard output.
void EndLine();
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
