#pragma once
// An ordered list of texts in which every entry also carries one 32-bit number.
// The directory layer only appends to such lists; the window owns them and decides how
// they are shown (a window list implements this interface over its own model).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace recast {

class TaggedList {
 public:
  virtual ~TaggedList() = default;

  virtual int Count() const = 0;
  // Requires 0 <= index < Count().
  virtual std::string Text(int index) const = 0;
  virtual std::int32_t Tag(int index) const = 0;
  virtual void Add(std::string text, std::int32_t tag) = 0;
  virtual void Clear() = 0;

  // Index of the first entry equal to text as a whole, folding only ASCII a-z; -1 if none.
  // This is the list's exact-match search, which ignores letter case.
  virtual int IndexOf(std::string_view text) const;
};

// The plain in-memory list: the default for callers that are not window lists.
class VectorTaggedList : public TaggedList {
 public:
  struct Entry {
    std::string text;
    std::int32_t tag = 0;
  };

  int Count() const override { return static_cast<int>(entries_.size()); }
  std::string Text(int index) const override { return entries_[static_cast<std::size_t>(index)].text; }
  std::int32_t Tag(int index) const override { return entries_[static_cast<std::size_t>(index)].tag; }
  void Add(std::string text, std::int32_t tag) override { entries_.push_back({std::move(text), tag}); }
  void Clear() override { entries_.clear(); }

  const std::vector<Entry>& entries() const { return entries_; }
  std::vector<std::string> Texts() const;

 private:
  std::vector<Entry> entries_;
};

}  // namespace recast
