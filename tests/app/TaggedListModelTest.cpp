#include "app/TaggedListModel.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace recast::app {
namespace {

std::vector<std::string> Fill(TaggedListModel& model, std::initializer_list<const char*> lines) {
  std::int32_t tag = 0;
  for (const char* line : lines) model.Add(line, tag++);
  return model.Lines();
}

TEST(TaggedListModelTest, SortedListOrdersLikeAListBoxIgnoringCase) {
  TaggedListModel model(true);
  EXPECT_EQ(Fill(model, {"User: zeta", "user: Alpha", "Group: b", "USER: beta", "group: A"}),
            (std::vector<std::string>{"group: A", "Group: b", "user: Alpha", "USER: beta", "User: zeta"}));
}

TEST(TaggedListModelTest, PlainAsciiLinesSortAsTheCollatorSortsThem) {
  // Lines of plain ASCII take a faster path; it must give the collator's own order, which
  // the same lines get when one line outside ASCII forces the collator on the whole list.
  const std::initializer_list<const char*> lines = {"a-b", "a b", "ab", "A_b", "a.b", "[ .. ]", "_x", "9z",
                                                    "10",  "Z",   "a",  "(a)", "a~",  "a+b",    "A@", "~"};
  TaggedListModel fast(true);
  std::vector<std::string> fastOrder = Fill(fast, lines);
  TaggedListModel collated(true);
  collated.Add("\xC3\xA9", 0);
  for (const char* line : lines) collated.Add(line, 0);
  std::vector<std::string> collatedOrder = collated.Lines();
  collatedOrder.erase(std::find(collatedOrder.begin(), collatedOrder.end(), "\xC3\xA9"));
  EXPECT_EQ(fastOrder, collatedOrder);
}

TEST(TaggedListModelTest, SortedLinesKeepTheirTags) {
  TaggedListModel model(true);
  model.Add("c", 30);
  model.Add("a", 10);
  model.Add("b", 20);
  ASSERT_EQ(model.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(model.Tag(i), (i + 1) * 10) << model.Text(i);
}

TEST(TaggedListModelTest, BatchesAppendedBetweenFlushesMergeIntoOrder) {
  TaggedListModel model(true);
  model.Add("m", 0);
  model.Add("c", 0);
  model.Flush();
  EXPECT_EQ(model.rowCount(), 2);
  model.Add("a", 0);
  model.Add("z", 0);
  model.Add("n", 0);
  EXPECT_TRUE(model.HasPending());
  EXPECT_EQ(model.rowCount(), 2) << "views see appended lines only at a flush";
  EXPECT_EQ(model.Lines(), (std::vector<std::string>{"a", "c", "m", "n", "z"}));
  EXPECT_EQ(model.rowCount(), 2) << "reading shows nothing new";
  model.Flush();
  EXPECT_EQ(model.rowCount(), 5);
}

TEST(TaggedListModelTest, ReadingWithLinesWaitingLeavesViewsAlone) {
  TaggedListModel model(true);
  Fill(model, {"m", "c"});
  model.Flush();
  model.Add("a", 7);
  model.Add("C", 8);
  QSignalSpy reset(&model, &QAbstractItemModel::modelAboutToBeReset);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsAboutToBeInserted);
  EXPECT_EQ(model.Count(), 4);
  EXPECT_EQ(model.Text(0), "a");
  EXPECT_EQ(model.Tag(0), 7);
  EXPECT_EQ(model.IndexOf("c"), 1) << "the shown line comes first among equals";
  EXPECT_EQ(model.IndexOf("C"), 1);
  EXPECT_EQ(model.Text(2), "C");
  EXPECT_EQ(model.IndexOf("x"), -1);
  EXPECT_EQ(reset.count() + inserted.count(), 0);
  EXPECT_EQ(model.rowCount(), 2);
  model.Flush();
  EXPECT_EQ(model.data(model.index(2), Qt::DisplayRole).toString(), "C") << "the merge agrees with the readers";
}

TEST(TaggedListModelTest, FirstFlushIntoAnEmptyListInsertsRows) {
  // Inserting keeps a view's state (current line, scroll position); a reset drops it.
  TaggedListModel model(true);
  Fill(model, {"b", "a"});
  QSignalSpy reset(&model, &QAbstractItemModel::modelAboutToBeReset);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  model.Flush();
  EXPECT_EQ(reset.count(), 0);
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(model.data(model.index(0), Qt::DisplayRole).toString(), "a");
}

TEST(TaggedListModelTest, BatchFlushWaitsUntilAsManyLinesWaitAsAreShown) {
  TaggedListModel model(true);
  for (std::size_t i = 0; i < TaggedListModel::kMinBatch - 1; ++i) model.Add("x", 0);
  model.FlushBatch();
  EXPECT_EQ(model.rowCount(), 0);
  model.Add("x", 0);
  model.FlushBatch();
  EXPECT_EQ(model.rowCount(), static_cast<int>(TaggedListModel::kMinBatch));
  for (std::size_t i = 0; i < TaggedListModel::kMinBatch; ++i) model.Add("y", 0);
  model.FlushBatch();
  EXPECT_EQ(model.rowCount(), static_cast<int>(2 * TaggedListModel::kMinBatch));
  model.Add("z", 0);
  model.FlushBatch();
  EXPECT_TRUE(model.HasPending());
  EXPECT_EQ(model.Count(), static_cast<int>(2 * TaggedListModel::kMinBatch + 1)) << "readers see everything";
}

TEST(TaggedListModelTest, UnsortedListKeepsInsertionOrderAndShowsAtOnce) {
  TaggedListModel model(false);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  EXPECT_EQ(Fill(model, {"b", "A", "c"}), (std::vector<std::string>{"b", "A", "c"}));
  EXPECT_EQ(inserted.count(), 3);
}

TEST(TaggedListModelTest, LineInsertedAfterSwitchingToUnsortedStaysFirst) {
  TaggedListModel model(true);
  Fill(model, {"Sales", "Admin", "[ ..", "_x"});
  model.SetSorted(false);
  model.Insert(0, "[ .. ]", 0);
  const auto lines = model.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines.front(), "[ .. ]");
}

TEST(TaggedListModelTest, SwitchingToSortedResortsPresentLines) {
  TaggedListModel model(false);
  Fill(model, {"b", "a"});
  model.SetSorted(true);
  EXPECT_EQ(model.Lines(), (std::vector<std::string>{"a", "b"}));
}

TEST(TaggedListModelTest, IndexOfMatchesWholeTextIgnoringAsciiCaseOnly) {
  TaggedListModel model(true);
  Fill(model, {"Surname", "Given Name", "\xC3\xA9tat"});
  EXPECT_EQ(model.Text(model.IndexOf("SURNAME")), "Surname");
  EXPECT_EQ(model.IndexOf("Surnam"), -1);
  EXPECT_EQ(model.IndexOf("\xC3\x89TAT"), -1) << "only a-z fold";
  EXPECT_GE(model.IndexOf("\xC3\xA9TAT"), 0);
}

TEST(TaggedListModelTest, ClearDropsPendingAndShownLines) {
  TaggedListModel model(true);
  Fill(model, {"a"});
  model.Add("b", 0);
  model.Clear();
  EXPECT_EQ(model.Count(), 0);
  EXPECT_EQ(model.rowCount(), 0);
}

TEST(TaggedListModelTest, ShowsEveryLineOnOneRow) {
  TaggedListModel model(false);
  model.Add("one\r\ntwo", 0);
  model.Add(std::string("caf\xE9"), 0);  // windows-1252 byte, not UTF-8
  EXPECT_EQ(model.data(model.index(0), Qt::DisplayRole).toString(), QString("one | two"));
  EXPECT_EQ(model.data(model.index(1), Qt::DisplayRole).toString(), QString::fromUtf8("caf\xC3\xA9"));
  EXPECT_EQ(model.Text(0), "one\r\ntwo") << "the stored text is not changed";
}

}  // namespace
}  // namespace recast::app
