#pragma once
// Writes a list or a table in one of the program's output forms, chosen by a keyword
// (normally the extension of the chosen file name, any case):
//   "HTML", "HTM"         HTML document file
//   "XML"                 XML document file
//   "TXT", "DOC", "ASCII" separated text, on the clipboard and in the file
//   "QP", "WB3"           clipboard, then a new Quattro Pro notebook
//   "XLS", "EXCEL"        clipboard, then a new Excel workbook
//   "CLIPBOARD"           clipboard only

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/Automation.h"
#include "util/Clipboard.h"
#include "util/LocalTime.h"
#include "util/TextTable.h"
#include "util/UserInterface.h"

namespace recast {

// What an export talks to. now defaults to the system's local time.
struct ExportContext {
  UserInterface& ui;
  Clipboard& clipboard;
  Automation& automation;
  Clock now = LocalNow;
};

enum class ExportTarget { Html, Xml, Text, QuattroPro, Excel, Clipboard };

// The target of keyword, tried in the order above, ignoring case; nothing when none matches.
std::optional<ExportTarget> ExportTargetForKeyword(std::string_view keyword);

// True for the targets that write the file (HTML, XML, separated text).
bool IsFileTarget(ExportTarget target);

// True when fileName has more than two characters; otherwise shows the error box
// "Invalid target path" when showMessage is set, and gives false.
bool CheckTargetPath(UserInterface& ui, std::string_view fileName, bool showMessage);

// The dispatcher. Nothing happens without a table. An empty keyword is taken from the
// file name's extension. An unknown keyword shows "Invalid target"; a file target with a
// bad path fails CheckTargetPath; in both cases nothing is written and the clipboard is
// untouched. The text, spreadsheet and clipboard targets first put the separated text on
// the clipboard; the text target writes that same text to the file. Files are replaced
// whole (see WriteTextFile); a file that cannot be written, a read-only one included, is
// reported in an error box naming the file and the cause (FileWriteErrorText) and stays as it
// was.
// Returns true when everything the target asks for was done.
bool ExportTable(ExportContext& context, const TextTable* table, std::string_view keyword, const std::string& fileName,
                 std::string_view columnSeparator, std::string_view rowTrailer);

// ExportTable with a tab as column separator and no row trailer.
bool ExportTableTabbed(ExportContext& context, const TextTable* table, std::string_view keyword,
                       const std::string& fileName);

// Exports the lines of a list as a one-column table (TableFromLines). Never throws: a file
// that cannot be written is reported as ExportTable does; any other failure is swallowed
// without a message and reported only by the result (false).
bool ExportLines(ExportContext& context, const std::vector<std::string>& lines, std::string_view keyword,
                 const std::string& fileName);

}  // namespace recast
