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

int TaggedListModel::Count() const {
  FlushConst();
  return static_cast<int>(lines_.size());
}

std::string TaggedListModel::Text(int index) const {
  FlushConst();
  return lines_[static_cast<std::size_t>(index)].text;
}

std::int32_t TaggedListModel::Tag(int index) const {
  FlushConst();
  return lines_[static_cast<std::size_t>(index)].tag;
}

int TaggedListModel::IndexOf(std::string_view text) const {
  FlushConst();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (TextEquals(lines_[i].text, text)) return static_cast<int>(i);
  }
  return -1;
}

void TaggedListModel::Add(std::string text, std::int32_t tag) {
  Line line = MakeLine(std::move(text), tag);
  if (!line.ascii) ++nonAsciiLines_;
  if (sorted_) {
    pending_.push_back(std::move(line));
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
  endInsertRows();
}

void TaggedListModel::Clear() {
  pending_.clear();
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

void TaggedListModel::EnsureKey(Line& line) const {
  if (!line.key) line.key.emplace(collator_.sortKey(Display(line)));
}

namespace {
bool RankLess(const std::string& a, const std::string& b) { return a < b; }
}  // namespace

void TaggedListModel::SortLines(std::vector<Line>& lines, bool byRank) {
  if (byRank) {
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return RankLess(a.rankKey, b.rankKey); });
    return;
  }
  for (auto& line : lines) EnsureKey(line);
  std::stable_sort(lines.begin(), lines.end(),
                   [](const Line& a, const Line& b) { return a.key->compare(*b.key) < 0; });
}

void TaggedListModel::SortAll() {
  if (lines_.size() < 2) return;
  beginResetModel();
  SortLines(lines_, nonAsciiLines_ == 0);
  endResetModel();
}

void TaggedListModel::Flush() {
  if (pending_.empty()) return;
  const bool byRank = nonAsciiLines_ == 0;
  beginResetModel();
  if (lines_.empty()) {
    SortLines(pending_, byRank);
    lines_.swap(pending_);
  } else if (byRank) {
    SortLines(pending_, true);
    std::vector<Line> merged;
    merged.reserve(lines_.size() + pending_.size());
    std::merge(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()),
               std::make_move_iterator(pending_.begin()), std::make_move_iterator(pending_.end()),
               std::back_inserter(merged),
               [](const Line& a, const Line& b) { return RankLess(a.rankKey, b.rankKey); });
    lines_.swap(merged);
  } else {
    // Lines shown so far may have been ordered by rank: order everything by the collator.
    for (auto& line : pending_) lines_.push_back(std::move(line));
    SortLines(lines_, false);
  }
  pending_.clear();
  endResetModel();
}

void TaggedListModel::FlushBatch() {
  if (pending_.size() >= std::max(lines_.size(), kMinBatch)) Flush();
}

std::vector<std::string> TaggedListModel::Lines() const {
  FlushConst();
  std::vector<std::string> out;
  out.reserve(lines_.size());
  for (const auto& line : lines_) out.push_back(line.text);
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
