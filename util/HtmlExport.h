#pragma once
// The table as an HTML document.

#include <string>

#include "util/TextTable.h"

namespace recast {

// "<td>...</td>" for one cell: "<br>" when empty (never bold); else the text with "&", "<",
// ">", "'", the double quote turned into entities and each CR LF into "<br>" (a lone CR or
// LF stays), wrapped in "<b>...</b>" in a header row or column.
std::string HtmlCell(const TextTable& table, int col, int row);

// The document, one item per line, each line followed by CR LF.
std::string TableToHtml(const TextTable& table);

}  // namespace recast
