#pragma once
// The parsed form of one INI file, kept line by line so that a rewrite reproduces every line
// it did not change (comments, blank lines, odd lines, order).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace recast::profile {

class IniDocument {
 public:
  // Splits text into lines; "\r\n" and "\n" both end a line. A leading UTF-8 byte-order mark
  // is kept for the rewrite but not seen by lookups.
  static IniDocument Parse(std::string_view text);

  // The whole file again; lines end as the first line of the parsed text did ("\n" for a new
  // file), and the last line ends too.
  std::string Serialize() const;

  // The raw value (blanks trimmed, quotes not removed) of the first matching key in the first
  // matching section; nothing when either is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // Replaces the first matching key's line, or adds key=value after the section's last key,
  // or appends the section at the end.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  // Removes every section of that name with all its lines up to the next section. True when
  // something was removed.
  bool EraseSection(std::string_view section);

  // Distinct section names (first spelling), in file order.
  std::vector<std::string> SectionNames() const;
  // Distinct key names of the first matching section, in file order.
  std::vector<std::string> Keys(std::string_view section) const;

 private:
  enum class LineKind { Other, Section, Pair };
  struct Line {
    std::string raw;
    LineKind kind = LineKind::Other;
    std::string name;  // section name or key, trimmed
  };

  static Line Classify(std::string raw);
  // Index of the header of the first matching section, or -1.
  int FindSection(std::string_view section) const;
  // One past the last line that belongs to the section whose header is at index header.
  std::size_t SectionEnd(std::size_t header) const;

  std::vector<Line> lines_;
  std::string newline_ = "\n";
  bool byteOrderMark_ = false;
};

}  // namespace recast::profile
