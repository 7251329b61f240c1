#include "util/HtmlExport.h"

#include <vector>

#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast {

std::string HtmlCell(const TextTable& table, int col, int row) {
  const std::string& text = table.Cell(col, row);
  std::string content;
  if (text.empty()) {
    content = "<br>";
  } else {
    content = ReplaceText(text, "&", "&amp;", true, true);
    content = ReplaceText(content, "<", "&lt;", true, true);
    content = ReplaceText(content, ">", "&gt;", true, true);
    content = ReplaceText(content, "'", "&apos;", true, true);
    content = ReplaceText(content, "\"", "&quot;", true, true);
    content = ReplaceText(content, "\r\n", "<br>", true, true);
    if (col < table.FixedCols() || row < table.FixedRows()) content = Format("<b>%s</b>", {content});
  }
  return Format("<%s>%s</%s>", {"td", content, "td"});
}

std::string TableToHtml(const TextTable& table) {
  std::vector<std::string> lines = {"<html><body>", "<table border=1>"};
  for (int row = 0; row < table.RowCount(); ++row) {
    lines.push_back(Format("<%s>", {"tr"}));
    for (int col = 0; col < table.ColCount(); ++col) lines.push_back(HtmlCell(table, col, row));
    lines.push_back(Format("</%s>", {"tr"}));
  }
  lines.push_back("</table>");
  lines.push_back("</body></html>");
  return JoinLines(lines);
}

}  // namespace recast
