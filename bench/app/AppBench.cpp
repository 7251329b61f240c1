// Speed of the window: listing a large container into both lists, the analysis of wide
// classes, and start-up to the window shown. The window repaints as it does for the user
// (the Qt message processing behind the dialog seam, at most every 15 ms).
#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <memory>

#include "BenchDirectory.h"
#include "app/ListBox.h"
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "app/ResponsiveUserInterface.h"
#include "app/TaggedListModel.h"
#include "directory/Connection.h"
#include "directory/Listing.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/qtui/QtUserInterface.h"
#include "util/Format.h"

namespace recast::app::bench {
namespace {

constexpr const char* kConnections = "[Main]\nTree=BENCH\nService=@STORE@\nLogin=CN=Admin.O=Org\nPrimary=1\n";

std::string TreeHead() {
  return "\ntree: BENCH\nschema: bench\n\nlogin: CN=Admin.O=Org\nrights: write\n\nentry: O=Org\nclass: Organization\n\n"
         "entry: CN=Admin.O=Org\nclass: Person\nSurname: Admin\n\n";
}

// Two classes of 200 attributes each (150 shared), and one object holding values for the 50
// attributes only its own class allows.
std::string WideData() {
  std::string text = BenchSchema();
  for (int i = 1; i <= 250; ++i) text += Format("\nattribute: Wide%.3d\nsyntax: 3\n", {i});
  const auto classText = [](const char* name, int first) {
    std::string c = Format(
        "\nclass: %s\nflags: Effective\nsuper: Top\ncontainment: Organization\nnaming: CN\n"
        "mandatory: CN\n",
        {name});
    for (int i = first; i < first + 198; ++i) c += Format("optional: Wide%.3d\n", {i});
    return c;
  };
  text += classText("Wide Source", 1);
  text += classText("Wide Target", 51);
  text += TreeHead();
  text += "entry: CN=Wide.O=Org\nclass: Wide Source\n";
  for (int i = 1; i <= 50; ++i) text += Format("Wide%.3d: value %d\n", {i, i});
  return text;
}

std::string LargeContainerData() {
  return std::string(BenchSchema()) + TreeHead() +
         "entry: OU=Big.O=Org\nclass: Organizational Unit\n\n"
         "generate: CN=user{n:6}.OU=Big.O=Org\ncount: 100000\nclass: Person\nSurname: S{n}\n";
}

struct BenchWindow {
  explicit BenchWindow(const BenchDirectory& directory) : client(directory.NewClient()) {
    AppServices services;
    services.client = client.get();
    services.ui = &ui;
    form = std::make_unique<MainForm>();
    controller = std::make_unique<MainFormController>(*form, services);
    form->show();
    QCoreApplication::processEvents();
  }
  ~BenchWindow() { form->close(); }

  std::unique_ptr<DirectoryClient> client;
  qtui::QtUserInterface ui;
  std::unique_ptr<MainForm> form;
  std::unique_ptr<MainFormController> controller;
};

void BM_ListContainer100kIntoBothLists(benchmark::State& state) {
  static const BenchDirectory directory("listing", LargeContainerData(), kConnections);
  if (!directory.ok()) return state.SkipWithError("no store");
  BenchWindow window(directory);
  window.form->PageControl1->setCurrentWidget(window.form->TabSheet2);
  window.form->ListBoxContainers->SelectLine(window.form->ListBoxContainers->Items().IndexOf("Big"));
  window.controller->ListBoxContainersDblClick();
  for (auto _ : state) {
    window.controller->GetContainerInfo();
    QCoreApplication::processEvents();
  }
  state.counters["objects"] = window.form->ListBoxObjects->Items().Count();
}
BENCHMARK(BM_ListContainer100kIntoBothLists)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same listing into plain lists, without a window: what the directory side costs.
void BM_ListContainer100kWithoutWindow(benchmark::State& state) {
  static const BenchDirectory directory("listing", LargeContainerData(), kConnections);
  if (!directory.ok()) return state.SkipWithError("no store");
  const auto client = directory.NewClient();
  qtui::QtUserInterface qtUi;
  ResponsiveUserInterface ui(qtUi, 15);
  DirectorySession session(*client, ui);
  InitNetWare(session);
  DirContext ctx = kNoContext;
  client->CreateContext(&ctx);
  for (auto _ : state) {
    VectorTaggedList containers;
    VectorTaggedList objects;
    ListContainerContents(session, ctx, ".Big.Org", &containers, &objects, "", true);
    state.counters["objects"] = objects.Count();
  }
  client->FreeContext(ctx);
}
BENCHMARK(BM_ListContainer100kWithoutWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AnalysisOf200AttributeClasses50ValuedConflicts(benchmark::State& state) {
  static const BenchDirectory directory("analysis", WideData(), kConnections);
  if (!directory.ok()) return state.SkipWithError("no store");
  BenchWindow window(directory);
  MainForm& form = *window.form;
  const int target = form.cbTargetClasses->Items().IndexOf("Wide Target");
  form.cbTargetClasses->setCurrentIndex(target);
  emit form.cbTargetClasses->activated(target);
  form.ListBoxObjects->SelectLine(form.ListBoxObjects->Items().IndexOf("Wide Source: Wide"));
  for (auto _ : state) window.controller->CalculateAttributesDelta();
  state.counters["conflicts"] = form.ListBoxDelta->Items().Count();
  state.counters["source"] = form.lbSourceClassAttributes->Items().Count();
  state.counters["target"] = form.lbTargetClassAttributes->Items().Count();
}
BENCHMARK(BM_AnalysisOf200AttributeClasses50ValuedConflicts)->Unit(benchmark::kMillisecond);

// The program's own demo directory (no connection file), its store already created by an
// earlier start, as on every start but the first.
std::unique_ptr<DirectoryClient> DemoClient() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path f = std::filesystem::temp_directory_path() / "recast-app-bench-demo";
    std::filesystem::remove_all(f);
    return f;
  }();
  const std::filesystem::path data = RECAST_DATA_DIR;
  client::ClientOptions options;
  options.configFile = folder / "no-connections.ini";
  options.dataFolder = folder;
  options.demoDataFiles = {data / "schema.txt", data / "acme.txt", data / "lab.txt"};
  return client::CreateDirectoryClient(options);
}

void BM_StartUpToWindowShownOnDemoDirectory(benchmark::State& state) {
  {
    const auto first = DemoClient();  // creates the demo store once
    ConnHandle handle = 0;
    ConnRef ref = 0;
    if (first->InitClient(0, 0) != 0 || first->GetPrimaryConnectionRef(&ref) != 0 ||
        first->OpenConnectionByRef(ref, 1, 0, &handle) != 0) {
      return state.SkipWithError("demo directory not available");
    }
  }
  for (auto _ : state) {
    QElapsedTimer exposed;
    exposed.start();
    auto client = DemoClient();
    qtui::QtUserInterface ui;
    AppServices services;
    services.client = client.get();
    services.ui = &ui;
    MainForm form;
    MainFormController controller(form, services);
    form.show();
    while (!form.windowHandle() || !form.windowHandle()->isExposed()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (exposed.elapsed() > 5000) return state.SkipWithError("window not shown");
    }
    state.PauseTiming();
    state.counters["objects"] = form.ListBoxObjects->Items().Count();
    form.close();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpToWindowShownOnDemoDirectory)->Unit(benchmark::kMillisecond)->Iterations(10);

// The list alone: 100,000 "Class: name" lines into a shown sorted list, flushed in batches.
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
      if (i % 15000 == 0) {
        list.Items().Flush();
        QCoreApplication::processEvents();
      }
    }
    list.Items().Flush();
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_SortedListFill100k)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace recast::app::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
