// The access layer's own cost over the real client and an embedded store: listing a large
// container, reading a class's attribute list and one attribute's values, formatting octets.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "directory/Directory.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/embedded/StoreCreator.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

constexpr int kEntries = 100000;

// One store per run, with kEntries users in OU=Many.
class BenchStore {
 public:
  BenchStore() : folder_(std::filesystem::temp_directory_path() / "recast-directory-bench") {
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    {
      std::ofstream data(folder_ / "tree.txt");
      data << "tree: BENCH\nschema: classic\n\nlogin: CN=Admin.O=Bench\nrights: write\n\n"
              "entry: O=Bench\nclass: Organization\n\nentry: CN=Admin.O=Bench\nclass: User\nSurname: Admin\n"
              "Telephone Number: 1\nTelephone Number: 2\nTelephone Number: 3\n\n"
              "entry: OU=Many.O=Bench\nclass: Organizational Unit\n\n";
      for (int i = 0; i < kEntries; ++i) data << "entry: CN=U" << i << ".OU=Many.O=Bench\nclass: User\nSurname: S\n\n";
    }
    embedded::LoadError error;
    if (embedded::CreateStoreFromData({RECAST_SCHEMA_FILE, folder_ / "tree.txt"}, folder_ / "bench.db", &error) != 0) {
      std::fprintf(stderr, "%s\n", error.Text().c_str());
      return;
    }
    std::ofstream(folder_ / "connections.ini")
        << "[Main]\nTree=BENCH\nService=bench.db\nLogin=CN=Admin.O=Bench\nPrimary=1\n";
    ok_ = true;
  }
  ~BenchStore() { std::filesystem::remove_all(folder_); }

  std::unique_ptr<DirectoryClient> NewClient() const {
    client::ClientOptions options;
    options.configFile = folder_ / "connections.ini";
    options.dataFolder = folder_ / "data";
    return client::CreateDirectoryClient(options);
  }
  bool ok() const { return ok_; }

 private:
  std::filesystem::path folder_;
  bool ok_ = false;
};

const BenchStore& Store() {
  static const BenchStore store;
  return store;
}

struct Session {
  Session() : client(Store().NewClient()), session(*client, ui, "/nonexistent.so") {
    InitNetWare(session);
    client->CreateContext(&ctx);
    SetTree(session, ctx, "BENCH", false);
  }
  ~Session() { client->FreeContext(ctx); }
  ScriptedUserInterface ui;
  std::unique_ptr<DirectoryClient> client;
  DirectorySession session;
  DirContext ctx = kNoContext;
};

void BM_ListContainerContents(benchmark::State& state) {
  if (!Store().ok()) return state.SkipWithError("no store");
  Session s;
  for (auto _ : state) {
    VectorTaggedList containers, objects;
    ListContainerContents(s.session, s.ctx, ".Many.Bench", &containers, &objects, {}, true);
    if (objects.Count() != kEntries) return state.SkipWithError("incomplete listing");
    benchmark::DoNotOptimize(objects);
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_ListContainerContents)->Unit(benchmark::kMillisecond);

void BM_ReadClassAttributes(benchmark::State& state) {
  if (!Store().ok()) return state.SkipWithError("no store");
  Session s;
  for (auto _ : state) {
    VectorTaggedList list;
    ReadClassAttributes(s.session, s.ctx, "User", list);
    benchmark::DoNotOptimize(list);
  }
}
BENCHMARK(BM_ReadClassAttributes)->Unit(benchmark::kMicrosecond);

void BM_GetAttributeValueText(benchmark::State& state) {
  if (!Store().ok()) return state.SkipWithError("no store");
  Session s;
  for (auto _ : state) {
    std::string text;
    GetAttributeValueText(s.session, s.ctx, "Admin", "Telephone Number", &text);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_GetAttributeValueText)->Unit(benchmark::kMicrosecond);

void BM_FormatOctetValue(benchmark::State& state) {
  std::vector<std::uint8_t> value(4096, 0x41);
  for (auto _ : state) benchmark::DoNotOptimize(FormatOctetValue(4096, value.data(), "Some Octets"));
  state.SetBytesProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_FormatOctetValue);

}  // namespace
}  // namespace recast

BENCHMARK_MAIN();
