// Plans: the round trip, and what the reader says of every way a plan can be damaged.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "engine/PlanFile.h"

namespace recast::engine {
namespace {

namespace fs = std::filesystem;

PlanHeader Header() {
  return {"20261209T071500Z-0000abcd", "ACME_CORP", "Sales.ACME",          "Organizational Role",
          std::string("User"),         true,        "2026-12-09T07:15:00Z"};
}

std::vector<PlanObject> Objects() {
  return {{"Anna.Sales.ACME",
           "User",
           "Organizational Role",
           Verdict::kDeleteFirst,
           1765264500,
           {{"Surname", '*', "Smith"}, {"CN", '!', "Anna"}, {"Title", ' ', ""}}},
          {"Bert.Sales.ACME", "User", "Organizational Role", Verdict::kNoConflicts, 7, {}},
          {"Öl \"x\".Sales.ACME", "User", "Organizational Role", Verdict::kBlocked, 0, {{"Mail", '?', "a\r\nb"}}}};
}

class PlanFileTest : public ::testing::Test {
 protected:
  PlanFileTest() {
    std::string pattern = (fs::temp_directory_path() / "recast-plan-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
  }
  ~PlanFileTest() override { fs::remove_all(folder_); }

  // A whole valid plan's text, written by the writer.
  std::string ValidPlan() {
    const fs::path path = folder_ / "p.jsonl";
    PlanWriter writer;
    EXPECT_TRUE(writer.Open(path).ok());
    EXPECT_TRUE(writer.WriteHeader(Header()).ok());
    for (const PlanObject& o : Objects()) EXPECT_TRUE(writer.WriteObject(o).ok());
    EXPECT_TRUE(writer.WriteSummary().ok());
    EXPECT_TRUE(writer.Close().ok());
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  // Reads a plan's text to its end; the error (ok for a plan read to its summary).
  static FileError ReadAll(const std::string& text, std::vector<PlanObject>* objects = nullptr) {
    PlanReader reader;
    if (FileError e = reader.OpenText(text); !e.ok()) return e;
    PlanObject o;
    while (reader.Next(&o)) {
      if (objects) objects->push_back(o);
    }
    EXPECT_EQ(reader.finished(), reader.error().ok());
    return reader.error();
  }

  fs::path folder_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + '\n';
  return text;
}

// Replaces from with to in line and seals it again, as an editor who knows the checksum would.
std::string Reseal(const std::string& line, const std::string& from, const std::string& to) {
  std::string json;
  EXPECT_EQ(CheckLineSeal(line, &json), LineSeal::kSealed);
  const auto at = json.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  json.replace(at, from.size(), to);
  return SealLine(json);
}

// The checksum is zlib's crc32 of the line without its "crc" member, so other tools can check it.
TEST(LineSealTest, IsZlibCrc32OfTheLineWithoutIt) {
  EXPECT_EQ(SealLine(R"({"done":1})"), R"({"done":1,"crc":"c079b5a6"})");
  std::string json;
  EXPECT_EQ(CheckLineSeal(R"({"done":1,"crc":"c079b5a6"})", &json), LineSeal::kSealed);
  EXPECT_EQ(json, R"({"done":1})");
  EXPECT_EQ(CheckLineSeal(R"({"done":1,"crc":"C079B5A6"})", &json), LineSeal::kUnsealed);
  EXPECT_EQ(CheckLineSeal(R"({"done":2,"crc":"c079b5a6"})", &json), LineSeal::kMismatch);
}

TEST_F(PlanFileTest, RoundTripKeepsEveryField) {
  PlanReader reader;
  ASSERT_TRUE(reader.OpenText(ValidPlan()).ok());
  const PlanHeader h = reader.Header(), w = Header();
  EXPECT_EQ(std::tie(h.id, h.tree, h.container, h.to, h.from, h.subtree, h.created),
            std::tie(w.id, w.tree, w.container, w.to, w.from, w.subtree, w.created));
  for (const PlanObject& want : Objects()) {
    PlanObject got;
    ASSERT_TRUE(reader.Next(&got)) << reader.error().text;
    EXPECT_EQ(got.object, want.object);
    EXPECT_EQ(got.objectClass, want.objectClass);
    EXPECT_EQ(got.verdict, want.verdict);
    EXPECT_EQ(got.stamp, want.stamp);
    ASSERT_EQ(got.conflicts.size(), want.conflicts.size());
    for (std::size_t i = 0; i < want.conflicts.size(); ++i) {
      EXPECT_EQ(got.conflicts[i].attribute, want.conflicts[i].attribute);
      EXPECT_EQ(got.conflicts[i].mark, want.conflicts[i].mark);
      EXPECT_EQ(got.conflicts[i].value, want.conflicts[i].value);
    }
  }
  PlanObject none;
  EXPECT_FALSE(reader.Next(&none));
  EXPECT_TRUE(reader.finished()) << reader.error().text;
  EXPECT_EQ(reader.summary().objects, 3);
  EXPECT_EQ(reader.summary().deleteFirst, 1);
  EXPECT_EQ(reader.summary().blocked, 1);
}

TEST_F(PlanFileTest, EveryTruncationIsAnErrorOnTheCutLine) {
  const std::string text = ValidPlan();
  std::vector<std::size_t> lineEnds;  // offset after each LF
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') lineEnds.push_back(i + 1);
  }
  for (std::size_t n = 0; n < text.size(); ++n) {
    const FileError e = ReadAll(text.substr(0, n));
    std::int64_t whole = 0;  // lines kept whole
    while (whole < static_cast<std::int64_t>(lineEnds.size()) && lineEnds[whole] <= n) ++whole;
    const bool atLineEnd = n == 0 || (whole > 0 && lineEnds[whole - 1] == n);
    const std::int64_t expectedLine = n == 0 ? 0 : whole + 1;
    ASSERT_FALSE(e.ok()) << "cut at " << n;
    EXPECT_EQ(e.line, expectedLine) << "cut at " << n << ": " << e.text;
    const char* expected = n == 0 ? "not a plan" : !atLineEnd ? "cut short" : "without its summary line";
    EXPECT_NE(e.text.find(expected), std::string::npos) << "cut at " << n << ": " << e.text;
  }
}

// Version 1 kept the unvalued conflicts among the others; such plans are still carried out.
TEST_F(PlanFileTest, ReadsVersionOnePlans) {
  std::vector<std::string> lines = Lines(ValidPlan());
  lines[0] = Reseal(lines[0], "\"version\":2", "\"version\":1");
  lines[1] =
      Reseal(lines[1], "],\"unvalued\":[\"Title\"]", ",{\"attribute\":\"Title\",\"mark\":\" \",\"value\":\"\"}]");
  std::vector<PlanObject> objects;
  ASSERT_TRUE(ReadAll(Join(lines), &objects).ok());
  ASSERT_EQ(objects.size(), 3u);
  ASSERT_EQ(objects[0].conflicts.size(), 3u);
  EXPECT_EQ(objects[0].conflicts[2].attribute, "Title");
  EXPECT_EQ(objects[0].conflicts[2].mark, ' ');
}

TEST_F(PlanFileTest, DamageIsNamedWithItsLine) {
  const std::vector<std::string> valid = Lines(ValidPlan());
  struct Case {
    const char* name;
    std::function<std::vector<std::string>(std::vector<std::string>)> damage;
    std::int64_t line;
    const char* text;
  };
  const Case cases[] = {
      {"foreign file",
       [](auto) {
         return std::vector<std::string>{"name,class", "a,b"};
       },
       0, "not a plan of this program"},
      {"foreign JSON", [](auto) { return std::vector<std::string>{R"({"journal":"recast-object"})"}; }, 0,
       "not a plan of this program"},
      {"flipped byte",
       [](auto l) {
         l[2][12] ^= 0x01;
         return l;
       },
       3, "checksum does not match (the line was edited)"},
      {"flipped header byte",
       [](auto l) {
         l[0][30] ^= 0x20;
         return l;
       },
       1, "checksum does not match"},
      {"checksum removed",
       [](auto l) {
         l[1] = l[1].substr(0, l[1].find(",\"crc\"")) + "}";
         return l;
       },
       2, "no checksum"},
      {"newer version",
       [](auto l) {
         l[0] = Reseal(l[0], "\"version\":2", "\"version\":3");
         return l;
       },
       1, "plan version 3 is not supported"},
      {"unvalued conflict not a name",
       [](auto l) {
         l[1] = Reseal(l[1], "\"unvalued\":[\"Title\"]", "\"unvalued\":[7]");
         return l;
       },
       2, "\"unvalued\""},
      {"bad verdict",
       [](auto l) {
         l[2] = Reseal(l[2], "no-conflicts", "maybe");
         return l;
       },
       3, "\"verdict\""},
      {"bad mark",
       [](auto l) {
         l[1] = Reseal(l[1], "\"mark\":\"*\"", "\"mark\":\"**\"");
         return l;
       },
       2, "\"conflicts\""},
      {"stamp as text",
       [](auto l) {
         l[2] = Reseal(l[2], "\"stamp\":7", "\"stamp\":\"7\"");
         return l;
       },
       3, "\"stamp\""},
      {"header without target",
       [](auto l) {
         l[0] = Reseal(l[0], "\"to\":", "\"To\":");
         return l;
       },
       1, "\"to\""},
      {"object line removed",
       [](auto l) {
         l.erase(l.begin() + 2);
         return l;
       },
       4, "the summary counts 3 objects"},
      {"verdict changed, resealed",
       [](auto l) {
         l[2] = Reseal(l[2], "no-conflicts", "unvalued-only");
         return l;
       },
       5, "the summary counts"},
      {"text after the summary",
       [](auto l) {
         l.push_back(l[1]);
         return l;
       },
       6, "follows the summary"},
      {"summary twice",
       [](auto l) {
         l.push_back(l.back());
         return l;
       },
       6, "follows the summary"},
  };
  for (const Case& c : cases) {
    const FileError e = ReadAll(Join(c.damage(valid)));
    EXPECT_EQ(e.line, c.line) << c.name << ": " << e.text;
    EXPECT_NE(e.text.find(c.text), std::string::npos) << c.name << ": " << e.text;
  }
}

TEST_F(PlanFileTest, NoPlanStandsUnlessClosed) {
  const fs::path path = folder_ / "half.jsonl";
  {
    PlanWriter writer;
    ASSERT_TRUE(writer.Open(path).ok());
    ASSERT_TRUE(writer.WriteHeader(Header()).ok());
    ASSERT_TRUE(writer.WriteObject(Objects()[0]).ok());
    EXPECT_FALSE(writer.Close().ok());  // no summary yet
  }
  EXPECT_TRUE(fs::is_empty(folder_));
}

}  // namespace
}  // namespace recast::engine
