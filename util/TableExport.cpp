#include "util/TableExport.h"

#include <array>
#include <utility>

#include "util/Dialogs.h"
#include "util/HtmlExport.h"
#include "util/SeparatedText.h"
#include "util/SpreadsheetPaste.h"
#include "util/TextFile.h"
#include "util/TextHelpers.h"
#include "util/XmlExport.h"

namespace recast {

namespace {

constexpr std::array<std::pair<std::string_view, ExportTarget>, 11> kKeywords = {{
    {"HTML", ExportTarget::Html},
    {"HTM", ExportTarget::Html},
    {"XML", ExportTarget::Xml},
    {"TXT", ExportTarget::Text},
    {"DOC", ExportTarget::Text},
    {"ASCII", ExportTarget::Text},
    {"QP", ExportTarget::QuattroPro},
    {"WB3", ExportTarget::QuattroPro},
    {"XLS", ExportTarget::Excel},
    {"EXCEL", ExportTarget::Excel},
    {"CLIPBOARD", ExportTarget::Clipboard},
}};

// The extension of the file-name part, with its dot ("" when there is none).
std::string_view FileExtension(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return fileName.substr(dot);
}

// A file that cannot be written is reported, naming the file, the cause and the fix; the old
// file stays as it was.
bool WriteExportFile(UserInterface& ui, const std::string& fileName, std::string_view text) {
  const FileWriteResult result = WriteTextFile(fileName, text);
  if (!result) ShowMessageBox(ui, MessageBoxKind::Error, FileWriteErrorText(fileName, result));
  return result.ok();
}

}  // namespace

bool IsFileTarget(ExportTarget target) {
  return target == ExportTarget::Html || target == ExportTarget::Xml || target == ExportTarget::Text;
}

std::optional<ExportTarget> ExportTargetForKeyword(std::string_view keyword) {
  for (const auto& [word, target] : kKeywords) {
    if (TextEquals(word, keyword)) return target;
  }
  return std::nullopt;
}

bool CheckTargetPath(UserInterface& ui, std::string_view fileName, bool showMessage) {
  if (fileName.size() > 2) return true;
  if (showMessage) ShowMessageBox(ui, MessageBoxKind::Error, "Invalid target path");
  return false;
}

bool ExportTable(ExportContext& context, const TextTable* table, std::string_view keyword, const std::string& fileName,
                 std::string_view columnSeparator, std::string_view rowTrailer) {
  if (table == nullptr) return false;
  const std::string word =
      keyword.empty() ? TrimLeftChars(UpperAscii(FileExtension(fileName)), " .") : std::string(keyword);
  const std::optional<ExportTarget> target = ExportTargetForKeyword(word);
  if (!target) {
    ShowMessageBox(context.ui, MessageBoxKind::Error, "Invalid target");
    return false;
  }
  if (IsFileTarget(*target) && !CheckTargetPath(context.ui, fileName, true)) return false;

  std::string separatedText;
  if (*target != ExportTarget::Html && *target != ExportTarget::Xml) {
    separatedText = TableToClipboard(context.clipboard, *table, columnSeparator, rowTrailer);
  }
  switch (*target) {
    case ExportTarget::Clipboard:
      return true;
    case ExportTarget::Html:
      return WriteExportFile(context.ui, fileName, TableToHtml(*table));
    case ExportTarget::Xml:
      return WriteExportFile(context.ui, fileName, TableToXml(*table, context.now ? context.now() : LocalNow()));
    case ExportTarget::Text:
      // The text just generated, not the clipboard read back: another program may have
      // changed the clipboard meanwhile, and without a clipboard the file would be empty.
      return WriteExportFile(context.ui, fileName, separatedText);
    case ExportTarget::QuattroPro:
      return PasteIntoQuattroPro(context.ui, context.automation);
    case ExportTarget::Excel:
      return PasteIntoExcel(context.ui, context.automation);
  }
  return false;
}

bool ExportTableTabbed(ExportContext& context, const TextTable* table, std::string_view keyword,
                       const std::string& fileName) {
  return ExportTable(context, table, keyword, fileName, "\t", "");
}

bool ExportLines(ExportContext& context, const std::vector<std::string>& lines, std::string_view keyword,
                 const std::string& fileName) {
  try {
    const TextTable table = TableFromLines(lines);
    return ExportTableTabbed(context, &table, keyword, fileName);
  } catch (...) {
    return false;
  }
}

}  // namespace recast
