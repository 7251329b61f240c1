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

TaggedListModel::TaggedListModel(bool sorted, QObject* parent)
    : QAbstractListModel(parent), sorted_(sorted), collator_(QLocale()) {
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

TaggedListModel::~TaggedListModel() = default;

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
  Line line{std::move(text), tag, QString(), std::nullopt};
  line.display = DisplayText(line.text);
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
  Line line{std::move(text), tag, QString(), std::nullopt};
  line.display = DisplayText(line.text);
  beginInsertRows(QModelIndex(), index, index);
  lines_.insert(lines_.begin() + index, std::move(line));
  endInsertRows();
}

void TaggedListModel::Clear() {
  pending_.clear();
  if (lines_.empty()) return;
  beginResetModel();
  lines_.clear();
  endResetModel();
}

void TaggedListModel::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  Flush();
  sorted_ = sorted;
  if (sorted_) {
    SortAll();
  } else {
    for (auto& line : lines_) line.key.reset();
  }
}

void TaggedListModel::EnsureKey(Line& line) const {
  if (!line.key) line.key.emplace(collator_.sortKey(line.display));
}

void TaggedListModel::SortAll() {
  if (lines_.size() < 2) return;
  beginResetModel();
  for (auto& line : lines_) EnsureKey(line);
  std::stable_sort(lines_.begin(), lines_.end(),
                   [](const Line& a, const Line& b) { return a.key->compare(*b.key) < 0; });
  endResetModel();
}

void TaggedListModel::Flush() {
  if (pending_.empty()) return;
  const auto less = [](const Line& a, const Line& b) { return a.key->compare(*b.key) < 0; };
  for (auto& line : pending_) EnsureKey(line);
  std::stable_sort(pending_.begin(), pending_.end(), less);
  beginResetModel();
  if (lines_.empty()) {
    lines_.swap(pending_);
  } else {
    for (auto& line : lines_) EnsureKey(line);
    std::vector<Line> merged;
    merged.reserve(lines_.size() + pending_.size());
    std::merge(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()),
               std::make_move_iterator(pending_.begin()), std::make_move_iterator(pending_.end()),
               std::back_inserter(merged), less);
    lines_.swap(merged);
  }
  pending_.clear();
  endResetModel();
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
      return line.display;
    case Qt::UserRole:
      return line.tag;
    default:
      return {};
  }
}

}  // namespace recast::app
