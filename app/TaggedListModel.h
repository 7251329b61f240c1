#pragma once
// The lines of one window list (list box or combo box) as a Qt item model that the directory
// layer appends to directly through the TaggedList interface.
//
// A sorted model orders its lines the way a list box does: case-insensitive and locale-aware.
// Appends to a sorted model are collected and merged into place in batches (Flush), so that
// filling 100,000 lines costs one sort instead of 100,000 ordered inserts. The TaggedList
// accessors read the lines in the order they will have once merged, waiting ones included,
// without changing what views see (so reading never disturbs a view's selection); views see
// new lines at the next Flush (the window flushes while it lets messages be processed and
// when a handler ends).

#include <QAbstractListModel>
#include <QCollator>
#include <QCollatorSortKey>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "util/TaggedList.h"

namespace recast::app {

class TaggedListModel : public QAbstractListModel, public TaggedList {
  Q_OBJECT

 public:
  explicit TaggedListModel(bool sorted, QObject* parent = nullptr);
  ~TaggedListModel() override;

  // ---- TaggedList (line indexes are display rows once flushed; the readers change
  // nothing a view sees) ----
  int Count() const override;
  std::string Text(int index) const override;
  std::int32_t Tag(int index) const override;
  void Add(std::string text, std::int32_t tag) override;
  void Clear() override;
  int IndexOf(std::string_view text) const override;

  // Places a line at row index (0 <= index <= Count()) whatever the sort mode, as a list
  // box's Insert does; a sorted model keeps it there only until the next sorted append.
  void Insert(int index, std::string text, std::int32_t tag);

  bool Sorted() const { return sorted_; }
  // Switching to sorted re-sorts the lines present; switching to unsorted keeps the order.
  void SetSorted(bool sorted);

  // Makes every appended line visible to views, in its sorted place.
  void Flush();
  // Flush while a long fill runs: only once the lines waiting are as many as those shown (at
  // least kMinBatch), so a fill of n lines merges O(n) lines in all, not O(n) per batch.
  void FlushBatch();
  static constexpr std::size_t kMinBatch = 16;
  bool HasPending() const { return !pending_.empty(); }

  std::vector<std::string> Lines() const;

  // ---- QAbstractListModel ----
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  struct Line {
    std::string text;
    std::int32_t tag = 0;
    mutable std::optional<QString> display;  // made when first shown
    // Printable ASCII lines sort by their characters' collation ranks, compared bytewise;
    // other lines need the collator's own sort key.
    bool ascii = false;
    std::string rankKey;
    mutable std::optional<QCollatorSortKey> key;
  };

  Line MakeLine(std::string text, std::int32_t tag) const;
  const QString& Display(const Line& line) const;
  void EnsureKey(const Line& line) const;
  // Sorts lines by the keys all of them (and the shown lines) share.
  void SortLines(std::vector<Line>& lines, bool byRank) const;
  void SortAll();
  // The line at display row index, waiting lines merged in as Flush will place them.
  const Line& LineAt(int index) const;
  // The merged order: entries below lines_.size() are shown lines, the others waiting ones.
  const std::vector<std::size_t>& MergedOrder() const;
  void LinesChanged() { orderValid_ = false; }

  bool sorted_;
  QCollator collator_;
  unsigned char asciiRank_[128] = {};  // 0: not ranked (control characters)
  std::vector<Line> lines_;
  std::vector<Line> pending_;  // appended to a sorted model, not yet merged
  mutable std::vector<std::size_t> order_;
  mutable bool orderValid_ = false;
  std::size_t nonAsciiLines_ = 0;  // lines (shown or waiting) that need the collator's key
};

// The text a window shows for a directory text: valid UTF-8 as such, else windows-1252;
// line breaks inside a value are shown as " | " so that every line keeps one text row.
QString DisplayText(const std::string& text);

}  // namespace recast::app
