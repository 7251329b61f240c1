// Speed of the window's lists and workflow.
#include <QApplication>
#include <QListView>

#include <benchmark/benchmark.h>

#include "app/ListBox.h"
#include "app/TaggedListModel.h"
#include "util/Format.h"

namespace recast::app {
namespace {

// 100,000 "Class: name" lines into a shown sorted list, flushed in batches as the window does
// while it lets messages run.
void BM_SortedListFill100k(benchmark::State& state) {
  ListBox list("ListBoxObjects", true, QAbstractItemView::SingleSelection);
  list.resize(400, 600);
  list.show();
  std::vector<std::string> lines;
  lines.reserve(100000);
  for (int i = 0; i < 100000; ++i) {
    lines.push_back(Format("%s: user%d", {i % 7 == 0 ? "Organizational Unit" : "User", (i * 7919) % 100000}));
  }
  for (auto _ : state) {
    list.Items().Clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      list.Items().Add(lines[i], 6);
      if (i % static_cast<std::size_t>(state.range(0)) == 0) {
        list.Items().Flush();
        QCoreApplication::processEvents();
      }
    }
    list.Items().Flush();
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_SortedListFill100k)->Arg(5000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace recast::app

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
