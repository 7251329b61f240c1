#pragma once
// The table as an XML document declared "windows-1252".
//
// Cell texts are escaped ("&", "<", ">", "'" and the double quote become entities; C1
// controls, the five bytes windows-1252 leaves undefined and characters windows-1252 lacks
// become character references; control characters that XML cannot carry become "?"), so
// that every document is well-formed whatever the cells hold. A byte that is not valid UTF-8
// is read as windows-1252, as the file's conversion does.

#include <string>
#include <string_view>

#include "util/LocalTime.h"
#include "util/TextTable.h"

namespace recast {

std::string EscapeXmlText(std::string_view text);

// "<name>content</name>", or XmlEmptyElement(name) when content is empty. content is
// inserted as it stands.
std::string XmlElement(std::string_view name, std::string_view content);
// "<name/>".
std::string XmlEmptyElement(std::string_view name);

// One '<value index="i">line</value>' per distinct line of the cell (lines split at CR, LF
// and CR LF; sorted ignoring case; of lines equal when case is ignored only the first is
// kept). "" for an empty cell.
std::string XmlCellValues(const TextTable& table, int col, int row);

// The document, one item per line, each line followed by CR LF. exportTime gives the table
// element's date ("yyyy-mm-dd") and time ("hh:nn:ss").
std::string TableToXml(const TextTable& table, const LocalDateTime& exportTime);

}  // namespace recast
