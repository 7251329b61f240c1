#include "util/XmlExport.h"

#include <algorithm>
#include <vector>

#include "util/Cp1252.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast {

namespace {
// The characters an XML 1.0 document may hold, also as a character reference.
bool IsXmlCharacter(char32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
         (cp >= 0x10000 && cp <= 0x10FFFF);
}
}  // namespace

std::string EscapeXmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = 0;
    const std::size_t len = ReadCp1252Character(text, pos, &cp);
    switch (cp) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        if (cp < 0x20 && cp != '\t' && cp != '\r' && cp != '\n') {
          out += '?';
        } else if (IsCp1252Character(cp)) {
          out.append(text.substr(pos, len));  // the file's conversion writes it as one byte
        } else if (IsXmlCharacter(cp)) {
          // Written as a raw byte, a C1 control would make the windows-1252 document unreadable.
          out += Format("&#x%X;", {static_cast<std::uint32_t>(cp)});
        } else {
          out += '?';
        }
    }
    pos += len;
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
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), line, TextLess);
    if (at != sorted.end() && TextEquals(*at, line)) continue;
    sorted.insert(at, std::move(line));
  }
  std::string out;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    out +=
        Format("<%s index=\"%d\">%s</%s>", {"value", static_cast<std::int32_t>(i), EscapeXmlText(sorted[i]), "value"});
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
