// The plan read ahead on its own thread: every object taken once, in the plan's order, by any
// number of takers; a damaged plan ends the taking and its error is the reader's.
#include "cli/PlanReadAhead.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace recast::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kObjects = 500;

// A valid plan of kObjects objects "0" to "499", as the writer writes it.
std::string PlanText() {
  std::string pattern = (fs::temp_directory_path() / "recast-ahead-XXXXXX").string();
  const fs::path folder = ::mkdtemp(pattern.data());
  engine::PlanWriter writer;
  EXPECT_TRUE(writer.Open(folder / "p.jsonl").ok());
  EXPECT_TRUE(writer.WriteHeader({"20261209T071500Z-0000abcd", "T", "C", "User", std::nullopt, false, ""}).ok());
  for (int i = 0; i < kObjects; ++i) {
    EXPECT_TRUE(writer.WriteObject({std::to_string(i), "Person", "User", engine::Verdict::kNoConflicts, 0, {}}).ok());
  }
  EXPECT_TRUE(writer.WriteSummary().ok());
  EXPECT_TRUE(writer.Close().ok());
  std::ostringstream text;
  text << std::ifstream(folder / "p.jsonl", std::ios::binary).rdbuf();
  fs::remove_all(folder);
  return text.str();
}

TEST(PlanReadAheadTest, ThreeTakersGetEveryObjectOnceInThePlansOrder) {
  for (const bool truncated : {false, true}) {
    SCOPED_TRACE(truncated);
    std::string text = PlanText();
    if (truncated) text.erase(text.rfind("{\"summary\""));
    engine::PlanReader reader;
    ASSERT_TRUE(reader.OpenText(text).ok());
    PlanReadAhead ahead(reader, 4);
    std::mutex mutex;
    std::vector<int> taken(kObjects, 0);
    std::vector<std::thread> takers;
    for (int t = 0; t < 3; ++t) {
      takers.emplace_back([&] {
        int last = -1;
        engine::PlanObject object;
        while (ahead.Take(&object)) {
          const int n = std::stoi(object.object);
          EXPECT_GT(n, last);
          last = n;
          const std::lock_guard<std::mutex> lock(mutex);
          ++taken[n];
        }
      });
    }
    for (std::thread& t : takers) t.join();
    ahead.Finish();
    EXPECT_EQ(taken, std::vector<int>(kObjects, 1));
    EXPECT_EQ(reader.error().ok(), !truncated);
    EXPECT_EQ(reader.finished(), !truncated);
  }
}

}  // namespace
}  // namespace recast::cli
