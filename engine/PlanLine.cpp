#include "engine/PlanLine.h"

#include <cstring>
#include <string>

namespace recast::engine {
namespace {

bool IsMark(std::string_view mark) { return mark.size() == 1 && std::strchr("*!-? ", mark[0]) != nullptr; }

// A cursor over a line as the writer writes it:
//   line     = '{"object":' text ',"class":' text ',"target":' text ',"verdict":' text
//              ',"stamp":' count ',"conflicts":[' [conflict *(',' conflict)] ']'
//              [',"unvalued":[' [text *(',' text)] ']'] '}'
//   conflict = '{"attribute":' text ',"mark":' text ',"value":' text '}'
//   text     = '"' *(printable ASCII but '"' and '\') '"'
//   count    = '0' / (non-zero digit, up to 17 more digits)
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool Literal(std::string_view expected) {
    if (text_.substr(at_, expected.size()) != expected) return false;
    at_ += expected.size();
    return true;
  }
  bool Text(std::string* out) {
    if (!Literal("\"")) return false;
    const std::size_t start = at_;
    for (; at_ < text_.size() && text_[at_] != '"'; ++at_) {
      if (!json::IsPlainTextByte(text_[at_])) return false;
    }
    if (at_ == text_.size()) return false;
    out->assign(text_.substr(start, at_ - start));
    ++at_;
    return true;
  }
  bool Count(std::int64_t* out) {
    const std::size_t start = at_;
    std::int64_t value = 0;
    for (; at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'; ++at_) {
      if (at_ - start == 18) return false;  // more than a stamp can need, and near the limit
      value = value * 10 + (text_[at_] - '0');
    }
    const std::size_t digits = at_ - start;
    if (digits == 0 || (digits > 1 && text_[start] == '0')) return false;
    *out = value;
    return true;
  }
  bool AtEnd() const { return at_ == text_.size(); }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

// Reads a bracketed list whose items item reads, after its opening '['.
template <class Item>
bool List(Cursor& cursor, Item item) {
  if (cursor.Literal("]")) return true;
  do {
    if (!item()) return false;
  } while (cursor.Literal(","));
  return cursor.Literal("]");
}

}  // namespace

const char* ReadPlanObjectMembers(const json::Value& o, bool withUnvalued, PlanObject* object) {
  PlanObject out;
  std::string verdict;
  std::optional<Verdict> parsed;
  if (!json::GetText(o, "object", &out.object) || out.object.empty()) return "object";
  if (!json::GetText(o, "class", &out.objectClass) || out.objectClass.empty()) return "class";
  if (!json::GetText(o, "target", &out.target) || out.target.empty()) return "target";
  if (!json::GetText(o, "verdict", &verdict) || !(parsed = PlanVerdictFromName(verdict))) return "verdict";
  if (!json::GetInteger(o, "stamp", &out.stamp) || out.stamp < 0) return "stamp";
  const json::Value* conflicts = json::Member(o, "conflicts");
  if (conflicts == nullptr || !conflicts->is_array()) return "conflicts";
  for (const json::Value& item : *conflicts) {
    Conflict c;
    std::string mark;
    if (!json::GetText(item, "attribute", &c.attribute) || c.attribute.empty() || !json::GetText(item, "mark", &mark) ||
        !IsMark(mark) || !json::GetText(item, "value", &c.value)) {
      return "conflicts";
    }
    c.mark = mark[0];
    out.conflicts.push_back(std::move(c));
  }
  if (withUnvalued) {
    const json::Value* unvalued = json::Member(o, "unvalued");
    if (unvalued == nullptr || !unvalued->is_array()) return "unvalued";
    for (const json::Value& name : *unvalued) {
      if (!name.is_string() || name.get_ref<const std::string&>().empty()) return "unvalued";
      out.conflicts.push_back({name.get_ref<const std::string&>(), ' ', {}});
    }
  }
  out.verdict = *parsed;
  *object = std::move(out);
  return nullptr;
}

bool ScanPlanObjectLine(std::string_view json, bool withUnvalued, PlanObject* object) {
  Cursor cursor(json);
  PlanObject out;
  std::string verdict;
  if (!cursor.Literal("{\"object\":") || !cursor.Text(&out.object) || out.object.empty() ||
      !cursor.Literal(",\"class\":") || !cursor.Text(&out.objectClass) || out.objectClass.empty() ||
      !cursor.Literal(",\"target\":") || !cursor.Text(&out.target) || out.target.empty() ||
      !cursor.Literal(",\"verdict\":") || !cursor.Text(&verdict) || !cursor.Literal(",\"stamp\":") ||
      !cursor.Count(&out.stamp) || !cursor.Literal(",\"conflicts\":[")) {
    return false;
  }
  const std::optional<Verdict> parsed = PlanVerdictFromName(verdict);
  if (!parsed) return false;
  std::string mark;
  const bool conflicts = List(cursor, [&] {
    Conflict c;
    if (!cursor.Literal("{\"attribute\":") || !cursor.Text(&c.attribute) || c.attribute.empty() ||
        !cursor.Literal(",\"mark\":") || !cursor.Text(&mark) || !IsMark(mark) || !cursor.Literal(",\"value\":") ||
        !cursor.Text(&c.value) || !cursor.Literal("}")) {
      return false;
    }
    c.mark = mark[0];
    out.conflicts.push_back(std::move(c));
    return true;
  });
  if (!conflicts) return false;
  if (withUnvalued) {
    const bool unvalued = cursor.Literal(",\"unvalued\":[") && List(cursor, [&] {
                            Conflict c;
                            c.mark = ' ';
                            if (!cursor.Text(&c.attribute) || c.attribute.empty()) return false;
                            out.conflicts.push_back(std::move(c));
                            return true;
                          });
    if (!unvalued) return false;
  }
  if (!cursor.Literal("}") || !cursor.AtEnd()) return false;
  out.verdict = *parsed;
  *object = std::move(out);
  return true;
}

}  // namespace recast::engine
