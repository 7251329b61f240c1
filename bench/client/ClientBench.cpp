// Listing, schema and value reads through the client over an in-memory service.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

#include "platform/client/NativeDirectoryClient.h"
#include "tests/support/MemoryService.h"

namespace recast::client {
namespace {

service::Schema BenchSchema() {
  service::Schema schema;
  auto attr = [&](const std::string& name, std::uint32_t syntax) {
    service::AttributeDefinition def;
    def.name = name;
    def.syntax = syntax;
    schema.attributes.push_back(def);
  };
  attr("Object Class", kSynClassName);
  attr("CN", kSynCiString);
  attr("OU", kSynCiString);
  attr("Telephone Number", kSynTelNumber);
  service::ClassDefinition top;
  top.name = "Top";
  top.mandatoryAttributes = {"Object Class"};
  service::ClassDefinition unit;
  unit.name = "Organizational Unit";
  unit.flags = kClassContainer | kClassEffective;
  unit.superClasses = {"Top"};
  unit.mandatoryAttributes = {"OU"};
  service::ClassDefinition base;
  base.name = "Wide Base";
  base.superClasses = {"Top"};
  service::ClassDefinition wide;
  wide.name = "Wide";
  wide.flags = kClassEffective;
  wide.superClasses = {"Wide Base"};
  wide.mandatoryAttributes = {"CN"};
  for (int i = 0; i < 200; ++i) {
    const std::string name = "Attribute Number " + std::to_string(i);
    attr(name, kSynCiString);
    (i < 100 ? wide.optionalAttributes : base.optionalAttributes).push_back(name);
  }
  schema.classes = {top, unit, base, wide};
  return schema;
}

// A client whose one connection is a MemoryService with a container of n entries.
struct Setup {
  explicit Setup(int entries) {
    ClientOptions options;
    options.configFile = "/nonexistent/recast-bench.ini";
    options.dataFolder = "/nonexistent";
    options.createDemoStore = [](const auto&, const auto&) { return DirStatus{0}; };
    options.openers["embedded"] = [entries](const service::ConnectionConfig&,
                                            std::unique_ptr<service::DirectoryService>* out) {
      service::LoginInfo login;
      login.fullName = {{"CN", "Admin"}};
      auto memory = std::make_unique<MemoryService>(BenchSchema(), login);
      const service::EntryName big = {{"OU", "Big"}};
      memory->AddEntry(big, "Organizational Unit");
      memory->AddEntry({{"CN", "Admin"}}, "Wide");
      for (int i = 0; i < entries; ++i) {
        memory->AddEntry({{"CN", "user" + std::to_string(1000000 + i)}, {"OU", "Big"}}, "Wide");
      }
      for (int i = 0; i < 5; ++i) {
        memory->AddValue({{"CN", "Admin"}}, "Telephone Number", service::value::Text{"+1 555 010" + std::to_string(i)});
      }
      *out = std::move(memory);
      return DirStatus{0};
    };
    client = std::make_unique<NativeDirectoryClient>(std::move(options));
    client->InitClient(0, 0);
    ConnHandle handle = 0;
    client->OpenConnectionByRef(1, 1, 0, &handle);
    client->CreateContext(&ctx);
  }
  std::unique_ptr<NativeDirectoryClient> client;
  DirContext ctx = kNoContext;
};

// Entries listed; 0 on failure.
std::size_t ListAll(DirectoryClient& client, DirContext ctx) {
  DirBuffer reply = kNoBuffer;
  client.AllocBuffer(kDefaultBufferSize, &reply);
  IterationHandle handle = kNoIteration;
  std::size_t listed = 0;
  char name[kMaxNameBytes];
  ObjectInfo info;
  std::uint32_t attrs = 0;
  do {
    if (client.ListSubordinates(ctx, ".Big", &handle, reply) != 0) return 0;
    std::uint32_t count = 0;
    client.GetObjectCount(ctx, reply, &count);
    for (std::uint32_t i = 0; i < count; ++i) {
      if (client.GetObjectName(ctx, reply, name, &attrs, &info) != 0) return 0;
      ++listed;
    }
  } while (handle != kNoIteration);
  client.FreeBuffer(reply);
  return listed;
}

void BM_ListContainer(benchmark::State& state) {
  Setup setup(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const std::size_t listed = ListAll(*setup.client, setup.ctx);
    if (listed != static_cast<std::size_t>(state.range(0))) state.SkipWithError("listing incomplete");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ListContainer)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  }
  return -1;
}

// Peak memory of one 100,000-entry listing above the resident size before it (the service's
// own data included in the baseline). The peak is reset first so that building the service
// does not hide the listing's peak.
void BM_ListingPeakMemory(benchmark::State& state) {
  Setup setup(100000);
  std::ofstream("/proc/self/clear_refs") << "5";
  const long baseline = StatusKiB("VmRSS:");
  for (auto _ : state) {
    if (ListAll(*setup.client, setup.ctx) != 100000) state.SkipWithError("listing incomplete");
  }
  state.counters["peak_KiB_above_baseline"] = static_cast<double>(StatusKiB("VmHWM:") - baseline);
}
BENCHMARK(BM_ListingPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ExpandedClassDefinition(benchmark::State& state) {
  Setup setup(0);
  DirectoryClient& client = *setup.client;
  const DirContext ctx = setup.ctx;
  DirBuffer request = kNoBuffer, reply = kNoBuffer;
  client.AllocBuffer(kDefaultBufferSize, &request);
  client.AllocBuffer(kMaxBufferSize, &reply);
  char name[kMaxSchemaNameBytes];
  std::size_t items = 0;
  for (auto _ : state) {
    client.InitBuffer(ctx, kOpReadClassDef, request);
    client.PutClassName(ctx, request, "Wide");
    IterationHandle handle = kNoIteration;
    if (client.ReadClassDef(ctx, kClassInfoExpanded, false, request, &handle, reply) != 0) {
      state.SkipWithError("read failed");
      break;
    }
    std::uint32_t n = 0, m = 0;
    ClassInfo info;
    client.GetClassDefCount(ctx, reply, &n);
    client.GetClassDef(ctx, reply, name, &info);
    items = 0;
    for (int kind = 0; kind < 5; ++kind) {
      client.GetClassItemCount(ctx, reply, &m);
      for (std::uint32_t j = 0; j < m; ++j, ++items) client.GetClassItem(ctx, reply, name);
    }
  }
  if (items < 200) state.SkipWithError("fewer items than expected");
  state.counters["items"] = static_cast<double>(items);
  client.FreeBuffer(request);
  client.FreeBuffer(reply);
}
BENCHMARK(BM_ExpandedClassDefinition)->Unit(benchmark::kMicrosecond);

void BM_ReadAttributeValues(benchmark::State& state) {
  Setup setup(0);
  DirectoryClient& client = *setup.client;
  const DirContext ctx = setup.ctx;
  DirBuffer request = kNoBuffer, reply = kNoBuffer;
  client.AllocBuffer(kDefaultBufferSize, &request);
  client.AllocBuffer(kMaxBufferSize, &reply);
  char name[kMaxSchemaNameBytes];
  for (auto _ : state) {
    client.InitBuffer(ctx, kOpReadObject, request);
    client.PutAttrName(ctx, request, "Telephone Number");
    IterationHandle handle = kNoIteration;
    if (client.ReadObject(ctx, ".Admin", kObjectInfoValues, false, request, &handle, reply) != 0) {
      state.SkipWithError("read failed");
      break;
    }
    std::uint32_t attrs = 0, count = 0, syntax = 0, size = 0;
    client.GetAttrCount(ctx, reply, &attrs);
    client.GetAttrName(ctx, reply, name, &count, &syntax);
    for (std::uint32_t i = 0; i < count; ++i) {
      client.ComputeAttrValSize(ctx, reply, syntax, &size);
      auto block = std::make_unique<char[]>(size);
      client.GetAttrVal(ctx, reply, syntax, block.get());
      benchmark::DoNotOptimize(block[0]);
    }
  }
  client.FreeBuffer(request);
  client.FreeBuffer(reply);
}
BENCHMARK(BM_ReadAttributeValues)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace recast::client

BENCHMARK_MAIN();
