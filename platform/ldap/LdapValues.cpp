#include "platform/ldap/LdapValues.h"

#include <charconv>
#include <cstdint>

#include "platform/ldap/LdapNames.h"
#include "util/CalendarDays.h"
#include "util/Format.h"

namespace recast::ldap {
namespace {

using namespace service::value;

bool Digits(std::string_view text, std::size_t pos, std::size_t count, int* value) {
  if (pos + count > text.size()) return false;
  int v = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  *value = v;
  return true;
}

std::string PostalLine(std::string_view line) {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 2 < line.size()) {
      const std::string_view code = line.substr(i + 1, 2);
      if (TextEquals(code, "24")) {
        out.push_back('$');
        i += 2;
        continue;
      }
      if (TextEquals(code, "5C")) {
        out.push_back('\\');
        i += 2;
        continue;
      }
    }
    out.push_back(line[i]);
  }
  return out;
}

void AppendPostalLine(std::string* out, std::string_view line) {
  for (char c : line) {
    if (c == '$')
      *out += "\\24";
    else if (c == '\\')
      *out += "\\5C";
    else
      out->push_back(c);
  }
}

}  // namespace

std::optional<std::uint32_t> ParseGeneralizedTime(std::string_view text) {
  int year, month, day, hour, minute = 0, second = 0;
  if (!Digits(text, 0, 4, &year) || !Digits(text, 4, 2, &month) || !Digits(text, 6, 2, &day) ||
      !Digits(text, 8, 2, &hour)) {
    return std::nullopt;
  }
  std::size_t pos = 10;
  if (Digits(text, pos, 2, &minute)) {
    pos += 2;
    if (Digits(text, pos, 2, &second)) pos += 2;
  }
  if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
    ++pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
  }
  std::int64_t offset = 0;
  if (pos < text.size() && text[pos] == 'Z') {
    ++pos;
  } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    int oh = 0, om = 0;
    const int sign = text[pos] == '+' ? 1 : -1;
    if (!Digits(text, pos + 1, 2, &oh)) return std::nullopt;
    pos += 3;
    if (Digits(text, pos, 2, &om)) pos += 2;
    offset = sign * (oh * 3600 + om * 60);
  }
  if (pos != text.size()) return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
    return std::nullopt;
  }
  const std::int64_t seconds = DaysFromCivil({year, static_cast<unsigned>(month), static_cast<unsigned>(day)}) * 86400 +
                               hour * 3600 + minute * 60 + second - offset;
  if (seconds < 0 || seconds > 0xFFFFFFFFll) return std::nullopt;
  return static_cast<std::uint32_t>(seconds);
}

std::string FormatGeneralizedTime(std::uint32_t seconds) {
  const std::int64_t days = seconds / 86400;
  const std::uint32_t rest = seconds % 86400;
  const CivilDate date = CivilFromDays(days);
  return Format("%.04d%.02u%.02u%.02u%.02u%.02uZ",
                {date.year, date.month, date.day, rest / 3600, (rest / 60) % 60, rest % 60});
}

std::optional<service::DirValue> DecodeLdapValue(std::uint32_t syntax, std::string_view bytes) {
  switch (FormOf(syntax)) {
    case ValueForm::kText: {
      service::EntryName name;
      if (syntax != kSynDistName || DnToEntryName(bytes, &name) != 0) return Text{std::string(bytes)};
      return Text{DottedText(name)};
    }
    case ValueForm::kBoolean:
      if (bytes == "TRUE") return Boolean{true};
      if (bytes == "FALSE") return Boolean{false};
      return std::nullopt;
    case ValueForm::kInteger: {
      std::int32_t v = 0;
      const auto [end, ec] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), v);
      if (ec != std::errc() || end != bytes.data() + bytes.size()) return std::nullopt;
      return Integer{v};
    }
    case ValueForm::kFax: {
      const auto dollar = bytes.find('$');
      return Fax{std::string(bytes.substr(0, dollar)), 0, {}};
    }
    case ValueForm::kPostalAddress: {
      PostalAddress address;
      std::size_t line = 0, start = 0;
      while (true) {
        const auto dollar = bytes.find('$', start);
        const std::string_view piece =
            bytes.substr(start, dollar == std::string_view::npos ? std::string_view::npos : dollar - start);
        std::string text = PostalLine(piece);
        // Lines beyond the sixth stay in the sixth, one per text line, so nothing is lost.
        if (line < 6) {
          address.lines[line++] = std::move(text);
        } else {
          address.lines[5] += "\n" + text;
        }
        if (dollar == std::string_view::npos) break;
        start = dollar + 1;
      }
      return address;
    }
    case ValueForm::kSeconds: {
      auto seconds = ParseGeneralizedTime(bytes);
      if (!seconds) return std::nullopt;
      return Seconds{*seconds};
    }
    default:  // the forms LDAP has no syntax for arrive as their bytes
      return Octets{std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
  }
}

namespace {

// True when value is of the kind the syntax reads back as.
bool KindFits(std::uint32_t syntax, const service::DirValue& value) {
  switch (FormOf(syntax)) {
    case ValueForm::kText:
    case ValueForm::kBoolean:
    case ValueForm::kInteger:
    case ValueForm::kPostalAddress:
    case ValueForm::kSeconds:
      return value.index() == FormIndex(FormOf(syntax));
    case ValueForm::kFax:
      return std::holds_alternative<Fax>(value) || std::holds_alternative<Text>(value);
    default:
      return std::holds_alternative<Octets>(value) || std::holds_alternative<Text>(value);
  }
}

// The LDAP bytes of one value by its form; a form LDAP has no syntax for is kErrBadSyntax.
struct Encoder {
  std::uint32_t syntax;
  std::string* bytes;

  DirStatus operator()(const Text& text) const {
    if (syntax == kSynDistName) {
      service::EntryName name;
      if (const DirStatus status = ParseDottedText(text.text, &name); status != 0) return status;
      return EntryNameToDn(name, bytes);
    }
    *bytes = text.text;
    return 0;
  }
  DirStatus operator()(const Boolean& b) const {
    *bytes = b.value ? "TRUE" : "FALSE";
    return 0;
  }
  DirStatus operator()(const Integer& i) const {
    *bytes = Format("%d", {i.value});
    return 0;
  }
  DirStatus operator()(const Octets& o) const {
    bytes->assign(o.bytes.begin(), o.bytes.end());
    return 0;
  }
  DirStatus operator()(const Fax& f) const {
    *bytes = f.number;
    return 0;
  }
  DirStatus operator()(const Seconds& s) const {
    *bytes = FormatGeneralizedTime(s.seconds);
    return 0;
  }
  DirStatus operator()(const PostalAddress& p) const {
    std::vector<std::string_view> lines;
    for (const auto& line : p.lines) {
      std::string_view rest = line;
      for (auto nl = rest.find('\n'); nl != std::string_view::npos; nl = rest.find('\n')) {
        lines.push_back(rest.substr(0, nl));
        rest.remove_prefix(nl + 1);
      }
      lines.push_back(rest);
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i) out.push_back('$');
      AppendPostalLine(&out, lines[i]);
    }
    *bytes = std::move(out);
    return 0;
  }
  template <class Other>
  DirStatus operator()(const Other&) const {
    return kErrBadSyntax;
  }
};

}  // namespace

DirStatus EncodeLdapValue(std::uint32_t syntax, const service::DirValue& value, std::string* bytes) {
  if (!KindFits(syntax, value)) return kErrSyntaxViolation;
  return std::visit(Encoder{syntax, bytes}, value);
}

}  // namespace recast::ldap
