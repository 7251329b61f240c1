#include "app/TaggedListModel.h"

#include <QLocale>

#include <algorithm>
#include <iterator>

#include "util/Cp1252.h"
#include "util/TextHelpers.h"

namespace recast::app {

QString DisplayText(const std::string& text) {
  QString shown = QString::fromStdString(DisplayUtf8(text));
  if (shown.contains(QLatin1Char('\n')) || shown.contains(QLatin1Char('\r'))) {
    shown.replace(QLatin1String("\r\n"), QLatin1String(" | "));
    shown.replace(QLatin1Char('\n'), QLatin1String(" | "));
    shown.replace(QLatin1Char('\r'), QLatin1String(" | "));
  }
  return shown;
}

namespace {

// The user's locale; the "C" locale compares code points, so it falls back to the common
// (English) collation that list boxes use when no language is set.
QLocale CollationLocale() {
  const QLocale locale;
  return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

}  // namespace

TaggedListModel::TaggedListModel(bool sorted, QObject* parent)
    : QAbstractListModel(parent), sorted_(sorted), collator_(CollationLocale()) {
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
  // Ranks of the printable ASCII characters in the collation (equal ranks for characters
  // that compare equal, such as a and A). A locale that tailors ASCII (contractions such
  // as "ch" or "aa") gets no ranks and every line uses the collator's sort key.
  const QLocale::Language language = collator_.locale().language();
  if (language != QLocale::English) return;
  std::vector<char> chars;
  for (char c = 0x20; c < 0x7F; ++c) chars.push_back(c);
  const auto compare = [this](char a, char b) {
    return collator_.compare(QString(QLatin1Char(a)), QString(QLatin1Char(b)));
  };
  std::stable_sort(chars.begin(), chars.end(), [&](char a, char b) { return compare(a, b) < 0; });
  unsigned char rank = 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (i == 0 || compare(chars[i - 1], chars[i]) != 0) ++rank;
    asciiRank_[static_cast<unsigned char>(chars[i])] = rank;
  }
}

TaggedListModel::~TaggedListModel() = default;

TaggedListModel::Line TaggedListModel::MakeLine(std::string text, std::int32_t tag) const {
  Line line;
  line.text = std::move(text);
  line.tag = tag;
  line.ascii = asciiRank_['a'] != 0;
  if (line.ascii) {
    line.rankKey.resize(line.text.size());
    for (std::size_t i = 0; i < line.text.size(); ++i) {
      const auto c = static_cast<unsigned char>(line.text[i]);
      const unsigned char rank = c < 128 ? asciiRank_[c] : 0;
      if (rank == 0) {
        line.ascii = false;
        line.rankKey.clear();
        break;
      }
      line.rankKey[i] = static_cast<char>(rank);
    }
  }
  return line;
}

const QString& TaggedListModel::Display(const Line& line) const {
  if (!line.display) line.display = DisplayText(line.text);
  return *line.display;
}

const std::vector<std::size_t>& TaggedListModel::MergedOrder() const {
  if (orderValid_) return order_;
  const std::size_t shown = lines_.size();
  const std::size_t waiting = pending_.size();
  const auto at = [&](std::size_t k) -> const Line& { return k < shown ? lines_[k] : pending_[k - shown]; };
  order_.clear();
  order_.reserve(shown + waiting);
  if (nonAsciiLines_ == 0) {
    // As Flush merges: the waiting lines in their own (stable) order, the shown lines first
    // among equals.
    std::vector<std::size_t> next(waiting);
    for (std::size_t j = 0; j < waiting; ++j) next[j] = shown + j;
    std::stable_sort(next.begin(), next.end(),
                     [&](std::size_t a, std::size_t b) { return at(a).rankKey < at(b).rankKey; });
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < shown || j < waiting) {
      if (j < waiting && (i == shown || at(next[j]).rankKey < lines_[i].rankKey)) {
        order_.push_back(next[j++]);
      } else {
        order_.push_back(i++);
      }
    }
  } else {
    // Lines shown so far may have been ordered by rank: order everything by the collator.
    for (std::size_t k = 0; k < shown + waiting; ++k) {
      EnsureKey(at(k));
      order_.push_back(k);
    }
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::size_t a, std::size_t b) { return at(a).key->compare(*at(b).key) < 0; });
  }
  orderValid_ = true;
  return order_;
}

const TaggedListModel::Line& TaggedListModel::LineAt(int index) const {
  const auto row = static_cast<std::size_t>(index);
  if (pending_.empty()) return lines_[row];
  const std::size_t k = MergedOrder()[row];
  return k < lines_.size() ? lines_[k] : pending_[k - lines_.size()];
}

int TaggedListModel::Count() const { return static_cast<int>(lines_.size() + pending_.size()); }

std::string TaggedListModel::Text(int index) const { return LineAt(index).text; }

std::int32_t TaggedListModel::Tag(int index) const { return LineAt(index).tag; }

int TaggedListModel::IndexOf(std::string_view text) const {
  const auto matches = [&](const Line& line) { return TextEquals(line.text, text); };
  const auto shownMatch = std::find_if(lines_.begin(), lines_.end(), matches);
  if (pending_.empty()) return shownMatch == lines_.end() ? -1 : static_cast<int>(shownMatch - lines_.begin());
  // Only a match needs the merged order (fills look up every name before adding it).
  if (shownMatch == lines_.end() && std::none_of(pending_.begin(), pending_.end(), matches)) return -1;
  const int count = Count();
  for (int row = 0; row < count; ++row) {
    if (matches(LineAt(row))) return row;
  }
  return -1;
}

void TaggedListModel::Add(std::string text, std::int32_t tag) {
  Line line = MakeLine(std::move(text), tag);
  if (!line.ascii) ++nonAsciiLines_;
  if (sorted_) {
    pending_.push_back(std::move(line));
    LinesChanged();
    return;
  }
  const int row = static_cast<int>(lines_.size());
  beginInsertRows(QModelIndex(), row, row);
  lines_.push_back(std::move(line));
  endInsertRows();
}

void TaggedListModel::Insert(int index, std::string text, std::int32_t tag) {
  Flush();
  index = std::clamp(index, 0, static_cast<int>(lines_.size()));
  Line line = MakeLine(std::move(text), tag);
  if (!line.ascii) ++nonAsciiLines_;
  beginInsertRows(QModelIndex(), index, index);
  lines_.insert(lines_.begin() + index, std::move(line));
  LinesChanged();
  endInsertRows();
}

void TaggedListModel::Clear() {
  pending_.clear();
  LinesChanged();
  nonAsciiLines_ = 0;
  if (lines_.empty()) return;
  beginResetModel();
  lines_.clear();
  endResetModel();
}

void TaggedListModel::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  Flush();
  sorted_ = sorted;
  if (sorted_) SortAll();
}

void TaggedListModel::EnsureKey(const Line& line) const {
  if (!line.key) line.key.emplace(collator_.sortKey(Display(line)));
}

void TaggedListModel::SortLines(std::vector<Line>& lines, bool byRank) const {
  if (byRank) {
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.rankKey < b.rankKey; });
    return;
  }
  for (auto& line : lines) EnsureKey(line);
  std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.key->compare(*b.key) < 0; });
}

void TaggedListModel::SortAll() {
  if (lines_.size() < 2) return;
  beginResetModel();
  SortLines(lines_, nonAsciiLines_ == 0);
  LinesChanged();
  endResetModel();
}

void TaggedListModel::Flush() {
  if (pending_.empty()) return;
  const std::size_t shown = lines_.size();
  std::vector<Line> merged;
  merged.reserve(shown + pending_.size());
  for (const std::size_t k : MergedOrder()) merged.push_back(std::move(k < shown ? lines_[k] : pending_[k - shown]));
  // Into an empty list the lines are inserted, which keeps a view's state; a merge moves
  // shown lines and resets it.
  if (shown == 0) {
    beginInsertRows(QModelIndex(), 0, static_cast<int>(merged.size()) - 1);
  } else {
    beginResetModel();
  }
  lines_.swap(merged);
  pending_.clear();
  LinesChanged();
  if (shown == 0) {
    endInsertRows();
  } else {
    endResetModel();
  }
}

void TaggedListModel::FlushBatch() {
  if (pending_.size() >= std::max(lines_.size(), kMinBatch)) Flush();
}

std::vector<std::string> TaggedListModel::Lines() const {
  const int count = Count();
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int row = 0; row < count; ++row) out.push_back(LineAt(row).text);
  return out;
}

int TaggedListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant TaggedListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(lines_.size())) return {};
  const Line& line = lines_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return Display(line);
    case Qt::UserRole:
      return line.tag;
    default:
      return {};
  }
}

}  // namespace recast::app
