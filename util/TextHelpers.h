#pragma once
// Small stateless text routines. Case folding touches only the ASCII letters a to z, on
// both sides of a comparison. Positions are 1-based where a routine speaks of positions.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace recast {

// The program's one ASCII case fold: only a-z and A-Z change.
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
// Equal when case is ignored (ASCII a-z only). Inline: names are compared this way in every
// loop over attributes.
inline bool TextEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int x = a[i];
    const int y = b[i];
    if (x == y) continue;
    const int folded = x | 0x20;  // a letter and its other case differ in this bit only
    if (folded != (y | 0x20) || folded < 'a' || folded > 'z') return false;
  }
  return true;
}
// Byte order with a-z read as A-Z (the order of a sorted list that ignores case).
bool TextLess(std::string_view a, std::string_view b);
// TextLess for ordered containers keyed by names whose case does not count.
struct CaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return TextLess(a, b); }
};
// Hash and equality for unordered containers keyed by names whose case does not count.
struct CaseHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const;
};
struct CaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return TextEquals(a, b); }
};

std::uint16_t MinWord(std::uint16_t a, std::uint16_t b);
// MinInt and ChooseText belong to the helper set the program's design lays down; nothing
// calls them yet. Keep them as they are (do not delete or "fix" them).
std::int32_t MinInt(std::int32_t a, std::int32_t b);
std::string ChooseText(bool condition, std::string_view whenTrue, std::string_view whenFalse);
// "TRUE" for any non-zero flag, "FALSE" for zero.
std::string BoolText(std::uint8_t flag);

// The element at index; "n/a" when index is below 0 or past the last element.
std::string PickText(std::int32_t index, std::span<const std::string_view> texts);
std::string PickText(std::int32_t index, std::span<const std::string> texts);
// Index of the first element equal to text as a whole (case folded unless caseSensitive);
// -1 when there is none.
std::int32_t IndexOfText(std::string_view text, std::span<const std::string_view> texts, bool caseSensitive);
std::int32_t IndexOfText(std::string_view text, std::span<const std::string> texts, bool caseSensitive);
std::int32_t IndexOfText(std::string_view text, std::initializer_list<std::string_view> texts, bool caseSensitive);
bool IsOneOfText(std::string_view text, std::span<const std::string_view> texts, bool caseSensitive);
bool IsOneOfText(std::string_view text, std::span<const std::string> texts, bool caseSensitive);
bool IsOneOfText(std::string_view text, std::initializer_list<std::string_view> texts, bool caseSensitive);

// Removes the last character again and again while it is one of the characters of set.
std::string TrimRightChars(std::string_view text, std::string_view set);
// The same from the front.
std::string TrimLeftChars(std::string_view text, std::string_view set);
// prefix + text, unless text already begins with prefix (exact comparison).
std::string EnsurePrefix(std::string_view text, std::string_view prefix);

// Splits text at the first occurrence of separator: *head gets what stands before it, *tail
// what stands after it. Without an occurrence (or with an empty separator) *head is the whole
// text and *tail is empty. text may view *head or *tail.
void SplitAtFirst(std::string_view text, std::string_view separator, std::string* head, std::string* tail);

// 1-based position of the first occurrence of sub in text, 0 when absent or sub is empty.
// Both sides are case folded unless caseSensitive.
std::size_t PosText(std::string_view sub, std::string_view text, bool caseSensitive);

// Replaces the first occurrence of find (or, with all, every occurrence left to right
// without overlap) by replacement. The inserted replacement is never searched again. The
// text comes back unchanged when find is empty or equals replacement exactly. Characters
// outside the matches keep their case.
std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement, bool caseSensitive,
                        bool all);

// A double quote, the text, a double quote; inner quotes are left as they are.
std::string QuoteText(std::string_view text);
// left + separator + right when both are non-empty, else left + right.
std::string JoinText(std::string_view left, std::string_view right, std::string_view separator);

}  // namespace recast
