#include "util/XmlExport.h"

#include <algorithm>
#include <vector>

#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast {

namespace {
unsigned char Fold(char c) {
  return static_cast<unsigned char>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c);
}

// Orders as a sorted list that ignores case does (only ASCII letters fold).
bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Fold(x) < Fold(y); });
}
}  // namespace

std::string EscapeXmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\'': out += "&apos;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') {
          out += '?';
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string XmlElement(std::string_view name, std::string_view content) {
  if (content.empty()) return XmlEmptyElement(name);
  return Format("<%s>%s</%s>", {name, content, name});
}

std::string XmlEmptyElement(std::string_view name) { return Format("<%s/>", {name}); }

std::string XmlCellValues(const TextTable& table, int col, int row) {
  std::vector<std::string> sorted;
  for (std::string& line : SplitLines(table.Cell(col, row))) {
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), line, LessIgnoringCase);
    if (at != sorted.end() && TextEquals(*at, line)) continue;
    sorted.insert(at, std::move(line));
  }
  std::string out;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    out += Format("<%s index=\"%d\">%s</%s>", {"value", static_cast<std::int32_t>(i), EscapeXmlText(sorted[i]), "value"});
  }
  return out;
}

std::string TableToXml(const TextTable& table, const LocalDateTime& t) {
  std::vector<std::string> lines = {
      R"(<?xml version="1.0" encoding="windows-1252" standalone="yes"?>)",
      "<document>",
  };
  const std::string date = Format("%.4d-%.2d-%.2d", {t.year, t.month, t.day});
  const std::string time = Format("%.2d:%.2d:%.2d", {t.hour, t.minute, t.second});
  lines.push_back(Format(R"(<table rowCount="%d" colCount="%d" fixedRows="%d" fixedCols="%d" date="%s" time="%s"/>)",
                         {table.RowCount(), table.ColCount(), table.FixedRows(), table.FixedCols(), date, time}));
  for (int r = 0; r < table.RowCount(); ++r) {
    lines.push_back(Format(R"(<%s %s="%d">)", {"row", "value", r}));
    lines.push_back(XmlElement("row", EscapeXmlText(table.Cell(0, r))));
    if (table.ColCount() > 1) {
      for (int c = 0; c < table.ColCount(); ++c) {
        lines.push_back(
            XmlElement("cell", XmlElement("col", EscapeXmlText(table.Cell(c, 0))) + XmlCellValues(table, c, r)));
      }
    }
    lines.push_back(Format("</%s>", {"row"}));
  }
  lines.push_back("</document>");
  return JoinLines(lines);
}

}  // namespace recast
