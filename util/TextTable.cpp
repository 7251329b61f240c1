#include "util/TextTable.h"

namespace recast {

TextTable::TextTable(int colCount, int rowCount)
    : colCount_(colCount < 1 ? 1 : colCount),
      rowCount_(rowCount < 1 ? 1 : rowCount),
      cells_(static_cast<std::size_t>(colCount_) * static_cast<std::size_t>(rowCount_)) {}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

TextTable TableFromLines(const std::vector<std::string>& lines) {
  const std::vector<std::string> pieces = SplitLines(JoinLines(lines));
  TextTable table(1, static_cast<int>(pieces.size()));
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    table.SetCell(0, static_cast<int>(k), pieces[k].empty() ? " " : pieces[k]);
  }
  return table;
}

}  // namespace recast
