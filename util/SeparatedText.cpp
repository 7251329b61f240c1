#include "util/SeparatedText.h"

#include "util/TextHelpers.h"

namespace recast {

std::string TextCell(const TextTable& table, int col, int row) {
  std::string text = TrimRightChars(table.Cell(col, row), "\r\n");
  text = ReplaceText(text, "\r\n", "\n", true, true);
  if (text.find('\n') == std::string::npos) return text;
  return QuoteText(ReplaceText(text, "\"", "'", true, true));
}

std::string TableToText(const TextTable& table, std::string_view separator, std::string_view rowTrailer) {
  std::string text;
  for (int row = 0; row < table.RowCount(); ++row) {
    text += TextCell(table, 0, row);
    for (int col = 1; col < table.ColCount(); ++col) {
      text += separator;
      text += TextCell(table, col, row);
    }
    text += "\r\n";
    if (!rowTrailer.empty()) {
      text += rowTrailer;
      text += "\r\n";
    }
  }
  return text;
}

std::string TableToClipboard(Clipboard& clipboard, const TextTable& table, std::string_view separator,
                             std::string_view rowTrailer) {
  std::string text = TableToText(table, separator, rowTrailer);
  clipboard.SetText(text);
  return text;
}

}  // namespace recast
