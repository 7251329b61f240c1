// The service conformance suite, run against the embedded directory.
#include "DirectoryServiceConformance.h"
#include "StoreFixture.h"

namespace recast::embedded::testing {
namespace {

using service::conformance::ConformanceTarget;
using service::conformance::DirectoryServiceConformance;

ConformanceTarget MakeEmbeddedTarget() {
  // The folder lives as long as the test process; each target gets its own store.
  static TempDir dir;
  static int counter = 0;
  std::filesystem::path store = BuildStore(dir, SeedDataFiles(), "seed" + std::to_string(++counter) + ".db");
  ConformanceTarget target;
  target.writer = OpenService(store, "SEED", "CN=Admin.O=Seed");
  target.reader = OpenService(store, "SEED", "CN=Reader.O=Seed");
  return target;
}

INSTANTIATE_TEST_SUITE_P(Embedded, DirectoryServiceConformance,
                         ::testing::Values(service::conformance::ConformanceFactory(MakeEmbeddedTarget)),
                         [](const auto&) { return std::string("Sqlite"); });

}  // namespace
}  // namespace recast::embedded::testing
