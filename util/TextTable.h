#pragma once
// The grid of texts the export writes: RowCount x ColCount cells (at least 1 x 1), the first
// FixedRows rows and FixedCols columns being headers. A cell may hold line breaks.

#include <string>
#include <string_view>
#include <vector>

namespace recast {

class TextTable {
 public:
  // Sizes below 1 are taken as 1. All cells start empty.
  TextTable(int colCount, int rowCount);

  int RowCount() const { return rowCount_; }
  int ColCount() const { return colCount_; }
  int FixedRows() const { return fixedRows_; }
  int FixedCols() const { return fixedCols_; }
  void SetFixedRows(int rows) { fixedRows_ = rows < 0 ? 0 : rows; }
  void SetFixedCols(int cols) { fixedCols_ = cols < 0 ? 0 : cols; }

  // Requires 0 <= col < ColCount() and 0 <= row < RowCount().
  const std::string& Cell(int col, int row) const { return cells_[Index(col, row)]; }
  void SetCell(int col, int row, std::string text) { cells_[Index(col, row)] = std::move(text); }

 private:
  std::size_t Index(int col, int row) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(colCount_) + static_cast<std::size_t>(col);
  }
  int colCount_;
  int rowCount_;
  int fixedRows_ = 0;
  int fixedCols_ = 0;
  std::vector<std::string> cells_;
};

// Splits text into lines at every CR, LF or CR LF pair. A line break at the very end
// starts no further line, so "" gives no lines and "a\r\n" gives one.
std::vector<std::string> SplitLines(std::string_view text);

// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// A one-column table with one row per piece (at least one row): the lines are each followed
// by CR LF and split again with SplitLines, so an entry holding a line break takes a row for
// each of its pieces and nothing is dropped; an empty piece is stored as a single blank.
TextTable TableFromLines(const std::vector<std::string>& lines);

}  // namespace recast
