// The scan of a plan's object lines: it takes exactly the lines the writer writes, and gives
// for them what the JSON reading gives.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/PlanLine.h"

namespace recast::engine {
namespace {

std::vector<std::tuple<std::string, char, std::string>> Fields(const std::vector<Conflict>& conflicts) {
  std::vector<std::tuple<std::string, char, std::string>> fields;
  for (const Conflict& c : conflicts) fields.emplace_back(c.attribute, c.mark, c.value);
  return fields;
}

constexpr const char* kHead = R"({"object":".CN=p0.O=Org","class":"inetOrgPerson","target":"person","verdict":)";

TEST(PlanLineTest, ScansTheWrittenFormAndLeavesTheRestToTheJsonReading) {
  const struct {
    std::string json;
    bool withUnvalued;
    bool scanned;
  } cases[] = {
      {std::string(kHead) + R"("delete-first","stamp":17,"conflicts":[{"attribute":"mail","mark":"*","value":"a@b"},)"
                            R"({"attribute":"uid","mark":"!","value":""}],"unvalued":["audio","photo"]})",
       true, true},
      {std::string(kHead) + R"("no-conflicts","stamp":0,"conflicts":[],"unvalued":[]})", true, true},
      {std::string(kHead) + R"("no-conflicts","stamp":0,"conflicts":[]})", false, true},  // version 1
      // Each of these is read as JSON instead (and may well be valid there).
      {std::string(kHead) + R"("no-conflicts","stamp":0,"conflicts":[]})", true, false},  // no unvalued list
      {std::string(kHead) + R"("no-conflicts","stamp":0,"conflicts":[],"unvalued":[]})", false, false},
      {std::string(kHead) + R"("no-conflicts", "stamp":0,"conflicts":[],"unvalued":[]})", true, false},
      {std::string(kHead) + R"("no-conflicts","stamp":07,"conflicts":[],"unvalued":[]})", true, false},
      {std::string(kHead) + R"("no-conflicts","stamp":1234567890123456789,"conflicts":[],"unvalued":[]})", true, false},
      {std::string(kHead) + R"("no-conflicts","stamp":-1,"conflicts":[],"unvalued":[]})", true, false},
      {std::string(kHead) + R"("sure","stamp":0,"conflicts":[],"unvalued":[]})", true, false},
      {std::string(kHead) + R"("no-conflicts","stamp":0,"conflicts":[],"unvalued":["a\"b"]})", true, false},
      {std::string(kHead) + "\"no-conflicts\",\"stamp\":0,\"conflicts\":[],\"unvalued\":[\"\xC3\xB6\"]}", true, false},
      {std::string(kHead) + R"("no-conflicts","stamp":0,"conflicts":[],"unvalued":[""]})", true, false},
      {std::string(kHead) + R"("blocked","stamp":0,"conflicts":[{"attribute":"cn","mark":"x","value":""}],)"
                            R"("unvalued":[]})",
       true, false},
      {std::string(kHead) + R"("blocked","stamp":0,"conflicts":[{"mark":"!","attribute":"cn","value":""}],)"
                            R"("unvalued":[]})",
       true, false},
      {std::string(kHead) + R"("no-conflicts","stamp":0,"conflicts":[],"unvalued":[]} )", true, false},
      {R"({"class":"inetOrgPerson","object":".CN=p0.O=Org","target":"person","verdict":"no-conflicts","stamp":0,)"
       R"("conflicts":[],"unvalued":[]})",
       true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    PlanObject scanned;
    ASSERT_EQ(ScanPlanObjectLine(c.json, c.withUnvalued, &scanned), c.scanned);
    if (!c.scanned) continue;
    PlanObject read;
    ASSERT_EQ(ReadPlanObjectMembers(json::Parse(c.json), c.withUnvalued, &read), nullptr);
    EXPECT_EQ(scanned.object, read.object);
    EXPECT_EQ(scanned.objectClass, read.objectClass);
    EXPECT_EQ(scanned.target, read.target);
    EXPECT_EQ(scanned.verdict, read.verdict);
    EXPECT_EQ(scanned.stamp, read.stamp);
    EXPECT_EQ(Fields(scanned.conflicts), Fields(read.conflicts));
  }
}

}  // namespace
}  // namespace recast::engine
