// The client over its default service: listing a 100,000-entry container of an embedded store.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/client/DirectoryClientFactory.h"
#include "platform/embedded/DataLoader.h"
#include "platform/embedded/StoreCreator.h"

namespace recast::client {
namespace {

namespace fs = std::filesystem;

struct Folder {
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "recast-client-bench-XXXXXX").string();
    if (char* made = ::mkdtemp(pattern.data())) path = made;
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
};

void BM_ListEmbeddedContainer(benchmark::State& state) {
  Folder folder;
  const fs::path store = folder.path / "large.db";
  embedded::DataSet data;
  embedded::LoadError error;
  const char* tree =
      "tree: BIG\nschema: classic\n\nlogin: CN=Admin.O=Big\nrights: write\n\n"
      "entry: O=Big\nclass: Organization\n\nentry: CN=Admin.O=Big\nclass: User\nSurname: Admin\n\n"
      "entry: OU=Many.O=Big\nclass: Organizational Unit\n\n"
      "generate: CN=user{n:6}.OU=Many.O=Big\ncount: 100000\nclass: User\nSurname: S{n}\n";
  if (embedded::LoadDataFiles({fs::path(RECAST_DATA_DIR) / "schema.txt"}, &data, &error) != 0 ||
      embedded::LoadDataText(tree, "bench", &data, &error) != 0 || embedded::WriteStore(data, store) != 0) {
    state.SkipWithError("store not built");
    return;
  }
  std::ofstream(folder.path / "connections.ini")
      << "[Big]\nTree=BIG\nService=" << store.string() << "\nLogin=CN=Admin.O=Big\nPrimary=1\n";
  ClientOptions options;
  options.configFile = folder.path / "connections.ini";
  options.dataFolder = folder.path;
  auto client = CreateDirectoryClient(options);
  DirContext ctx = kNoContext;
  DirBuffer reply = kNoBuffer;
  if (client->InitClient(0, 0) != 0 || client->CreateContext(&ctx) != 0 ||
      client->AllocBuffer(kDefaultBufferSize, &reply) != 0) {
    state.SkipWithError("client not started");
    return;
  }
  char name[kMaxNameBytes];
  ObjectInfo info;
  std::int64_t listed = 0;
  for (auto _ : state) {
    IterationHandle handle = kNoIteration;
    do {
      if (client->ListSubordinates(ctx, ".Many.Big", &handle, reply) != 0) {
        state.SkipWithError("listing failed");
        return;
      }
      std::uint32_t count = 0;
      client->GetObjectCount(ctx, reply, &count);
      for (std::uint32_t i = 0; i < count; ++i, ++listed) client->GetObjectName(ctx, reply, name, nullptr, &info);
    } while (handle != kNoIteration);
  }
  client->FreeBuffer(reply);
  state.SetItemsProcessed(listed);
}
BENCHMARK(BM_ListEmbeddedContainer)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace recast::client

BENCHMARK_MAIN();
