#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include "tests/util/StrictXml.h"
#include "util/Cp1252.h"
#include "util/HtmlExport.h"
#include "util/SeparatedText.h"
#include "util/TextTable.h"
#include "util/XmlExport.h"

namespace recast {
namespace {

const LocalDateTime kExportTime{2026, 3, 7, 9, 5, 3};

TextTable Grid(int cols, int rows, std::initializer_list<const char*> cellsByRow) {
  TextTable table(cols, rows);
  int i = 0;
  for (const char* text : cellsByRow) {
    table.SetCell(i % cols, i / cols, text);
    ++i;
  }
  return table;
}

TEST(TextTableTest, SplitLinesAndTableFromLines) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"\r\n\r\n", {"", ""}},
      {"a\r\r\nb", {"a", "", "b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;

  const TextTable empty = TableFromLines({});
  EXPECT_EQ(empty.RowCount(), 1);
  EXPECT_EQ(empty.Cell(0, 0), "");  // an empty list: one empty row

  const TextTable blank = TableFromLines({"a", "", "b"});
  EXPECT_EQ(blank.Cell(0, 1), " ");  // an empty entry: a single blank

  const TextTable spread = TableFromLines({"x\r\ny", "z"});
  ASSERT_EQ(spread.RowCount(), 3);  // a row for every piece: nothing falls off the end
  EXPECT_EQ(spread.Cell(0, 0), "x");
  EXPECT_EQ(spread.Cell(0, 1), "y");
  EXPECT_EQ(spread.Cell(0, 2), "z");
}

TEST(HtmlExportTest, Documents) {
  EXPECT_EQ(TableToHtml(TableFromLines({})),
            "<html><body>\r\n<table border=1>\r\n<tr>\r\n<td><br></td>\r\n</tr>\r\n</table>\r\n</body></html>\r\n");
  EXPECT_EQ(TableToHtml(TableFromLines({"one", ""})),
            "<html><body>\r\n<table border=1>\r\n<tr>\r\n<td>one</td>\r\n</tr>\r\n<tr>\r\n<td> </td>\r\n</tr>\r\n"
            "</table>\r\n</body></html>\r\n");
}

TEST(HtmlExportTest, CellsEscapeAndMarkHeaders) {
  TextTable table = Grid(2, 2, {"", "head", "side", "a&b<c>'d'\"e\"\r\nf\rg\nh"});
  table.SetFixedRows(1);
  table.SetFixedCols(1);
  EXPECT_EQ(HtmlCell(table, 0, 0), "<td><br></td>");  // empty header: not bold
  EXPECT_EQ(HtmlCell(table, 1, 0), "<td><b>head</b></td>");
  EXPECT_EQ(HtmlCell(table, 0, 1), "<td><b>side</b></td>");
  EXPECT_EQ(HtmlCell(table, 1, 1), "<td>a&amp;b&lt;c&gt;&apos;d&apos;&quot;e&quot;<br>f\rg\nh</td>");
  EXPECT_EQ(HtmlCell(Grid(1, 1, {"&amp;"}), 0, 0), "<td>&amp;amp;</td>");
}

TEST(XmlExportTest, ElementsAndValues) {
  EXPECT_EQ(XmlElement("row", "x"), "<row>x</row>");
  EXPECT_EQ(XmlElement("row", ""), "<row/>");
  EXPECT_EQ(XmlEmptyElement("col"), "<col/>");
  const TextTable table = Grid(2, 1, {"b\r\na\nB", ""});
  EXPECT_EQ(XmlCellValues(table, 0, 0), R"(<value index="0">a</value><value index="1">b</value>)");
  EXPECT_EQ(XmlCellValues(table, 1, 0), "");
}

TEST(XmlExportTest, OneColumnDocument) {
  EXPECT_EQ(TableToXml(TableFromLines({}), kExportTime),
            "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\r\n<document>\r\n"
            "<table rowCount=\"1\" colCount=\"1\" fixedRows=\"0\" fixedCols=\"0\" date=\"2026-03-07\" "
            "time=\"09:05:03\"/>\r\n<row value=\"0\">\r\n<row/>\r\n</row>\r\n</document>\r\n");
  EXPECT_EQ(TableToXml(TableFromLines({"CN=x"}), kExportTime).find("<cell>"), std::string::npos);
}

TEST(XmlExportTest, SeveralColumnsCarryHeadingsAndValues) {
  TextTable table = Grid(2, 2, {"Name", "Value", "n1", "v2\r\nv1"});
  table.SetFixedRows(1);
  const std::string xml = TableToXml(table, kExportTime);
  EXPECT_NE(
      xml.find("<row value=\"1\">\r\n<row>n1</row>\r\n<cell><col>Name</col><value index=\"0\">n1</value></cell>\r\n"
               "<cell><col>Value</col><value index=\"0\">v1</value><value index=\"1\">v2</value></cell>\r\n"
               "</row>\r\n"),
      std::string::npos)
      << xml;
  EXPECT_TRUE(IsWellFormedXml(ToCp1252(xml)));
}

// Every document must parse, whatever the cells hold.
TEST(XmlExportTest, DocumentsAreWellFormed) {
  const std::vector<TextTable> tables = {
      TableFromLines({"Tom & Jerry", "<script>", "a > b", "it's \"quoted\"", "ctl\x01\x1f", "M\xC3\xBCller"}),
      Grid(3, 2, {"A&B", "<C>", "'D'", "x\r\ny & z", "\"", ""}),
      TableFromLines({}),
      // Values that were not UTF-8: the undefined bytes as shown, and as raw bytes.
      TableFromLines({DisplayUtf8("\x81\x8D\x8F\x90\x9D"), "raw \x81\x8D\x8F\x90\x9D\x80", "\xD0\x96 \xEF\xBF\xBF"}),
  };
  for (const TextTable& table : tables) {
    const std::string bytes = ToCp1252(TableToXml(table, kExportTime));
    QXmlStreamReader reader(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    QStringList rows;
    while (!reader.atEnd()) {
      reader.readNext();
      if (reader.isStartElement() && reader.name() == QStringLiteral("row") &&
          !reader.attributes().hasAttribute(QStringLiteral("value"))) {
        rows << reader.readElementText();
      }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString() << "\n" << bytes;
    EXPECT_TRUE(IsWellFormedXml(bytes));
    if (&table == &tables[0]) {
      EXPECT_EQ(rows.value(0), QStringLiteral("Tom & Jerry"));
      EXPECT_EQ(rows.value(3), QStringLiteral("it's \"quoted\""));
      EXPECT_EQ(rows.value(5), QString::fromUtf8("M\xC3\xBCller"));
    }
  }
}

TEST(XmlExportTest, CharactersTheDocumentCannotCarryAsTheyAre) {
  struct Case {
    std::string text, escaped;
  };
  const std::vector<Case> cases = {
      {"\xC2\x81", "&#x81;"},      // an undefined byte as DisplayUtf8 shows it
      {"a\x9D", "a&#x9D;"},        // the raw byte of a value that is not UTF-8
      {"\xC2\x85", "&#x85;"},      // any other C1 control
      {"\x80 \xE9", "\x80 \xE9"},  // raw bytes windows-1252 defines stay bytes
      {"\xE2\x82\xAC\xC3\xA9", "\xE2\x82\xAC\xC3\xA9"},
      {"\xD0\x96", "&#x416;"},     // not in windows-1252: kept, not "?"
      {"\xEF\xBF\xBF\x01", "??"},  // not an XML character at all
      {"tab\tline\r\n", "tab\tline\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeXmlText(c.text), c.escaped) << c.text;
}

TEST(SeparatedTextTest, CellsAndRows) {
  struct Case {
    std::string cell, expected;
  };
  const std::vector<Case> cases = {
      {"plain", "plain"},
      {"a\r\nb", "\"a\nb\""},
      {"say \"hi\"\r\nthere", "\"say 'hi'\nthere\""},
      {"keeps \"quotes\"\tand tabs", "keeps \"quotes\"\tand tabs"},
      {"trailing\r\n\r\n", "trailing"},
      {"lone\rcr", "lone\rcr"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TextCell(Grid(1, 1, {c.cell.c_str()}), 0, 0), c.expected) << c.cell;

  const TextTable table = Grid(3, 2, {"a", "b", "c", "d", "", "f"});
  EXPECT_EQ(TableToText(table, "\t", ""), "a\tb\tc\r\nd\t\tf\r\n");
  EXPECT_EQ(TableToText(table, ";", "--"), "a;b;c\r\n--\r\nd;;f\r\n--\r\n");
  EXPECT_EQ(TableToText(TableFromLines({}), "\t", ""), "\r\n");
}

}  // namespace
}  // namespace recast
