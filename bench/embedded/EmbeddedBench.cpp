// Speed of the embedded directory: paging through a large container, opening the demo
// store, reading one attribute of one object.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/client/DirectoryClientFactory.h"

#include "platform/embedded/DataLoader.h"
#include "platform/embedded/EmbeddedService.h"
#include "platform/embedded/StoreCreator.h"

namespace recast::embedded {
namespace {

namespace fs = std::filesystem;

class BenchDir {
 public:
  BenchDir() {
    std::string pattern = (fs::temp_directory_path() / "recast-bench-XXXXXX").string();
    if (char* made = ::mkdtemp(pattern.data())) path_ = made;
  }
  ~BenchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

BenchDir& Dir() {
  static BenchDir dir;
  return dir;
}

fs::path DataFile(const char* name) { return fs::path(RECAST_DATA_DIR) / name; }

const fs::path& DemoStore() {
  static const fs::path store = [] {
    fs::path path = Dir().path() / "demo.db";
    LoadError error;
    if (CreateStoreFromData({DataFile("schema.txt"), DataFile("acme.txt"), DataFile("lab.txt")}, path, &error) != 0)
      std::abort();
    return path;
  }();
  return store;
}

const fs::path& LargeStore() {
  static const fs::path store = [] {
    fs::path path = Dir().path() / "large.db";
    DataSet data;
    LoadError error;
    const char* tree =
        "tree: BIG\nschema: classic\n\nlogin: CN=Admin.O=Big\nrights: write\n\n"
        "entry: O=Big\nclass: Organization\n\nentry: CN=Admin.O=Big\nclass: User\nSurname: Admin\n\n"
        "entry: OU=Many.O=Big\nclass: Organizational Unit\n\n"
        "generate: CN=user{n:6}.OU=Many.O=Big\ncount: 100000\nclass: User\nSurname: S{n}\n\n"
        "entry: OU=Few.O=Big\nclass: Organizational Unit\n\n"
        "generate: CN=user{n:6}.OU=Few.O=Big\ncount: 10000\nclass: User\nSurname: S{n}\n";
    if (LoadDataFiles({DataFile("schema.txt")}, &data, &error) != 0 ||
        LoadDataText(tree, "bench", &data, &error) != 0 || WriteStore(data, path) != 0)
      std::abort();
    return path;
  }();
  return store;
}

std::unique_ptr<service::DirectoryService> Open(const fs::path& store, const char* tree) {
  service::ConnectionConfig config;
  config.service = store.string();
  config.treeName = tree;
  std::unique_ptr<service::DirectoryService> dir;
  if (OpenEmbeddedService(config, &dir) != 0) std::abort();
  return dir;
}

// A 4096-byte reply holds some 60 to 80 entries of a listing. The same per-entry rate for
// 10,000 and 100,000 entries shows that each page continues where the last one ended.
void ListAll(benchmark::State& state, const char* unit, std::size_t expected) {
  auto dir = Open(LargeStore(), "BIG");
  const service::EntryName parent{{"OU", unit}, {"O", "Big"}};
  const std::uint32_t pageSize = static_cast<std::uint32_t>(state.range(0));
  std::size_t entries = 0;
  for (auto _ : state) {
    std::string cursor;
    std::size_t listed = 0;
    do {
      service::ListPage page;
      if (dir->ListChildren(parent, false, cursor, pageSize, &page) != 0) std::abort();
      listed += page.entries.size();
      cursor = page.cursor;
    } while (!cursor.empty());
    if (listed != expected) std::abort();
    entries += listed;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(entries));
}

void BM_ListChildren100k(benchmark::State& state) { ListAll(state, "Many", 100000); }
BENCHMARK(BM_ListChildren100k)->Arg(64)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ListChildren10k(benchmark::State& state) { ListAll(state, "Few", 10000); }
BENCHMARK(BM_ListChildren10k)->Arg(64)->Unit(benchmark::kMillisecond);

// Kilobytes of a field of /proc/self/status ("VmRSS", "VmHWM").
long StatusKilobytes(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  return -1;
}

// The whole path the window takes: the client's ListSubordinates and GetObjectName with
// 4096-byte replies over the embedded store. Also the peak memory the listing adds.
void BM_ClientListing100k(benchmark::State& state) {
  LargeStore();
  fs::path config = Dir().path() / "connections.ini";
  {
    std::ofstream ini(config);
    ini << "[big]\ntree=BIG\nservice=" << LargeStore().string() << "\nlogin=CN=Admin.O=Big\nprimary=1\n";
  }
  client::ClientOptions options;
  options.configFile = config;
  options.dataFolder = Dir().path();
  auto dir = client::CreateDirectoryClient(options);
  ConnRef ref = 0;
  ConnHandle connection = 0;
  DirContext ctx = kNoContext;
  if (dir->InitClient(0, 0) != 0 || dir->GetPrimaryConnectionRef(&ref) != 0 ||
      dir->OpenConnectionByRef(ref, 1, 0, &connection) != 0 || dir->CreateContext(&ctx) != 0) {
    state.SkipWithError("client cannot open the store");
    return;
  }
  std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak at the present size
  const long baseline = StatusKilobytes("VmRSS");
  std::size_t entries = 0;
  char name[kMaxNameBytes];
  ObjectInfo info;
  std::uint32_t attrCount = 0;
  for (auto _ : state) {
    DirBuffer reply = kNoBuffer;
    dir->AllocBuffer(kDefaultBufferSize, &reply);
    IterationHandle handle = kNoIteration;
    std::size_t listed = 0;
    do {
      std::uint32_t count = 0;
      if (dir->ListSubordinates(ctx, ".OU=Many.O=Big", &handle, reply) != 0 ||
          dir->GetObjectCount(ctx, reply, &count) != 0)
        break;
      for (std::uint32_t i = 0; i < count; ++i)
        if (dir->GetObjectName(ctx, reply, name, &attrCount, &info) == 0) ++listed;
    } while (handle != kNoIteration);
    dir->FreeBuffer(reply);
    if (listed != 100000) {
      state.SkipWithError("listing incomplete");
      break;
    }
    entries += listed;
  }
  state.counters["peak_above_baseline_MiB"] = static_cast<double>(StatusKilobytes("VmHWM") - baseline) / 1024.0;
  state.SetItemsProcessed(static_cast<std::int64_t>(entries));
  dir->FreeContext(ctx);
}
BENCHMARK(BM_ClientListing100k)->Unit(benchmark::kMillisecond);

void BM_OpenDemoStore(benchmark::State& state) {
  DemoStore();
  for (auto _ : state) {
    auto dir = Open(DemoStore(), "ACME_CORP");
    benchmark::DoNotOptimize(dir.get());
  }
}
BENCHMARK(BM_OpenDemoStore)->Unit(benchmark::kMillisecond);

void BM_ReadOneAttribute(benchmark::State& state) {
  auto dir = Open(DemoStore(), "ACME_CORP");
  const service::EntryName jane{{"CN", "Jane Doe"}, {"OU", "Sales"}, {"O", "ACME"}};
  for (auto _ : state) {
    service::AttributeValues values;
    if (dir->ReadAttribute(jane, "Telephone Number", false, &values) != 0) std::abort();
    benchmark::DoNotOptimize(values);
  }
}
BENCHMARK(BM_ReadOneAttribute)->Unit(benchmark::kMicrosecond);

void BM_ModifyOneValue(benchmark::State& state) {
  auto dir = Open(DemoStore(), "ACME_CORP");
  const service::EntryName jane{{"CN", "Jane Doe"}, {"OU", "Sales"}, {"O", "ACME"}};
  bool add = true;
  dir->Modify(jane, {service::Change{kChangeClearValue, "Title", service::value::Text{"Bench"}}});  // earlier runs
  for (auto _ : state) {
    service::Change change{add ? kChangeAddValue : kChangeRemoveValue, "Title", service::value::Text{"Bench"}};
    if (DirStatus st = dir->Modify(jane, {change})) {
      state.SkipWithError(("modify failed: " + std::to_string(st)).c_str());
      break;
    }
    add = !add;
  }
}
BENCHMARK(BM_ModifyOneValue)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace recast::embedded

BENCHMARK_MAIN();
