// What the files of plan and apply cost: a journal record synced one at a time or in batches,
// marks, and reading a plan line by line. Run: build/bench/engine/engine_bench
// (the folder from RECAST_BENCH_FOLDER, else the temporary folder: sync costs are the disk's).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "engine/Journal.h"
#include "engine/PlanFile.h"

namespace recast::engine {
namespace {

namespace fs = std::filesystem;

fs::path Folder() {
  const char* chosen = std::getenv("RECAST_BENCH_FOLDER");
  std::string pattern =
      ((chosen ? fs::path(chosen) : fs::temp_directory_path()) / "recast-engine-bench-XXXXXX").string();
  return ::mkdtemp(pattern.data());
}

JournalRecord Record() {
  return {0,
          "CN=user0001.OU=Staff.O=ACME",
          "User",
          std::string("Organizational Person"),
          {{"Language", "v1;3;RW5nbGlzaA=="}, {"Login Disabled", "v1;7;AQ=="}},
          ""};
}

// Records per second with one sync per batch of state.range(0) records, each marked done.
void BM_JournalAppend(benchmark::State& state) {
  const fs::path folder = Folder();
  JournalWriter journal;
  if (!journal.OpenNew(folder / "j.jsonl", JournalForm::kJsonLines, {"T", std::nullopt, ""}).ok()) {
    state.SkipWithError("cannot open the journal");
    return;
  }
  const auto batch = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    std::vector<JournalRecord> records(batch, Record());
    if (!journal.AppendBatch(records).ok()) state.SkipWithError("append failed");
    for (const JournalRecord& r : records) journal.MarkDone(r.number);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(batch));
  journal.Close();
  fs::remove_all(folder);
}
BENCHMARK(BM_JournalAppend)->Arg(1)->Arg(16)->Arg(256)->UseRealTime();

// Plan lines read per second from a plan of 100,000 objects.
void BM_PlanRead(benchmark::State& state) {
  const fs::path folder = Folder();
  const fs::path path = folder / "plan.jsonl";
  {
    PlanWriter writer;
    writer.Open(path);
    writer.WriteHeader({NewPlanId(), "ACME_CORP", "OU=Staff.O=ACME", "Organizational Person", std::nullopt, false, ""});
    for (int i = 0; i < 100000; ++i) {
      writer.WriteObject({"CN=user" + std::to_string(i) + ".OU=Staff.O=ACME",
                          "User",
                          "Organizational Person",
                          Verdict::kDeleteFirst,
                          1765264500,
                          {{"Language", '*', "English"}, {"Title", ' ', ""}}});
    }
    writer.WriteSummary();
    if (!writer.Close().ok()) state.SkipWithError("cannot write the plan");
  }
  std::int64_t objects = 0;
  for (auto _ : state) {
    PlanReader reader;
    reader.Open(path);
    PlanObject o;
    while (reader.Next(&o)) ++objects;
    if (!reader.finished()) state.SkipWithError(reader.error().text.c_str());
  }
  state.SetItemsProcessed(objects);
  fs::remove_all(folder);
}
BENCHMARK(BM_PlanRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace recast::engine

BENCHMARK_MAIN();
