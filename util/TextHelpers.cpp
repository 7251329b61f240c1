#include "util/TextHelpers.h"

#include <algorithm>

namespace recast {

namespace {
char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// 0-based offset of sub in text at or after from; npos when absent.
std::size_t FindText(std::string_view text, std::string_view sub, std::size_t from, bool caseSensitive) {
  if (sub.empty() || sub.size() > text.size()) return std::string_view::npos;
  if (caseSensitive) return text.find(sub, from);
  for (std::size_t i = from; i + sub.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < sub.size() && UpperChar(text[i + k]) == UpperChar(sub[k])) ++k;
    if (k == sub.size()) return i;
  }
  return std::string_view::npos;
}

template <typename Texts>
std::string PickFrom(std::int32_t index, const Texts& texts) {
  if (index < 0 || static_cast<std::size_t>(index) >= texts.size()) return "n/a";
  return std::string(texts[static_cast<std::size_t>(index)]);
}

template <typename Texts>
std::int32_t IndexIn(std::string_view text, const Texts& texts, bool caseSensitive) {
  std::int32_t i = 0;
  for (const auto& element : texts) {
    const std::string_view e(element);
    if (caseSensitive ? e == text : TextEquals(e, text)) return i;
    ++i;
  }
  return -1;
}
}  // namespace

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperChar(c);
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerChar(c);
  return out;
}

bool TextLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(UpperChar(x)) < static_cast<unsigned char>(UpperChar(y));
  });
}

std::size_t CaseHash::operator()(std::string_view text) const {
  std::size_t h = 14695981039346656037ull;  // FNV-1a over the upper-cased bytes
  for (char c : text) h = (h ^ static_cast<unsigned char>(UpperChar(c))) * 1099511628211ull;
  return h;
}

std::uint16_t MinWord(std::uint16_t a, std::uint16_t b) { return std::min(a, b); }
std::int32_t MinInt(std::int32_t a, std::int32_t b) { return std::min(a, b); }

std::string ChooseText(bool condition, std::string_view whenTrue, std::string_view whenFalse) {
  return std::string(condition ? whenTrue : whenFalse);
}

std::string BoolText(std::uint8_t flag) { return flag != 0 ? "TRUE" : "FALSE"; }

std::string PickText(std::int32_t index, std::span<const std::string_view> texts) { return PickFrom(index, texts); }
std::string PickText(std::int32_t index, std::span<const std::string> texts) { return PickFrom(index, texts); }

std::int32_t IndexOfText(std::string_view text, std::span<const std::string_view> texts, bool caseSensitive) {
  return IndexIn(text, texts, caseSensitive);
}
std::int32_t IndexOfText(std::string_view text, std::span<const std::string> texts, bool caseSensitive) {
  return IndexIn(text, texts, caseSensitive);
}
std::int32_t IndexOfText(std::string_view text, std::initializer_list<std::string_view> texts, bool caseSensitive) {
  return IndexIn(text, texts, caseSensitive);
}
bool IsOneOfText(std::string_view text, std::span<const std::string_view> texts, bool caseSensitive) {
  return IndexOfText(text, texts, caseSensitive) >= 0;
}
bool IsOneOfText(std::string_view text, std::span<const std::string> texts, bool caseSensitive) {
  return IndexOfText(text, texts, caseSensitive) >= 0;
}
bool IsOneOfText(std::string_view text, std::initializer_list<std::string_view> texts, bool caseSensitive) {
  return IndexOfText(text, texts, caseSensitive) >= 0;
}

std::string TrimRightChars(std::string_view text, std::string_view set) {
  while (!text.empty() && set.find(text.back()) != std::string_view::npos) text.remove_suffix(1);
  return std::string(text);
}

std::string TrimLeftChars(std::string_view text, std::string_view set) {
  while (!text.empty() && set.find(text.front()) != std::string_view::npos) text.remove_prefix(1);
  return std::string(text);
}

std::string EnsurePrefix(std::string_view text, std::string_view prefix) {
  if (text.starts_with(prefix)) return std::string(text);
  std::string out(prefix);
  out += text;
  return out;
}

void SplitAtFirst(std::string_view text, std::string_view separator, std::string* head, std::string* tail) {
  const std::size_t at = FindText(text, separator, 0, true);
  // Built before assigning: text may view *head or *tail.
  std::string newHead(at == std::string_view::npos ? text : text.substr(0, at));
  std::string newTail(at == std::string_view::npos ? std::string_view() : text.substr(at + separator.size()));
  *head = std::move(newHead);
  *tail = std::move(newTail);
}

std::size_t PosText(std::string_view sub, std::string_view text, bool caseSensitive) {
  const std::size_t at = FindText(text, sub, 0, caseSensitive);
  return at == std::string_view::npos ? 0 : at + 1;
}

std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement, bool caseSensitive,
                        bool all) {
  if (find.empty() || find == replacement) return std::string(text);
  std::string out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = FindText(text, find, from, caseSensitive);
    if (at == std::string_view::npos) break;
    out.append(text.substr(from, at - from));
    out.append(replacement);
    from = at + find.size();
    if (!all) break;
  }
  out.append(text.substr(from));
  return out;
}

std::string QuoteText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  out.append(text);
  out.push_back('"');
  return out;
}

std::string JoinText(std::string_view left, std::string_view right, std::string_view separator) {
  std::string out(left);
  if (!left.empty() && !right.empty()) out.append(separator);
  out.append(right);
  return out;
}

}  // namespace recast
