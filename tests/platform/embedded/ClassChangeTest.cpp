// Class changes of containers: their children must still fit below them.
#include <gtest/gtest.h>

#include <fstream>

#include "StoreFixture.h"
#include "platform/embedded/StoreFormat.h"

namespace recast::embedded::testing {
namespace {

constexpr const char* kData = R"(schema: boxes

attribute: Object Class
syntax: 20

attribute: O
syntax: 3

attribute: OU
syntax: 3

attribute: CN
syntax: 3

class: Top
mandatory: Object Class

class: Org
flags: Container Effective
super: Top
containment: Tree Root
naming: O
mandatory: O

class: Unit
flags: Container Effective
super: Top
containment: Org
naming: OU
mandatory: OU

class: Shelf
flags: Container Effective
super: Unit

class: Folder
flags: Container Effective
super: Top
containment: Org
naming: OU
mandatory: OU

class: Item
flags: Effective
super: Top
containment: Unit
naming: CN
mandatory: CN

tree: BOXES
schema: boxes

login: O=Org
rights: write

entry: O=Org
class: Org

entry: OU=U.O=Org
class: Unit

entry: CN=I.OU=U.O=Org
class: Item
)";

TEST(ClassChangeTest, ContainerKeepsItsClassWhenAChildWouldNoLongerFit) {
  TempDir dir;
  std::filesystem::path data = dir.path() / "boxes.txt";
  std::ofstream(data) << kData;
  std::filesystem::path store = BuildStore(dir, {data});
  auto boxes = OpenService(store, "BOXES");
  ASSERT_NE(boxes, nullptr);
  const service::EntryName unit{{"OU", "U"}, {"O", "Org"}};
  const service::EntryName item{{"CN", "I"}, {"OU", "U"}, {"O", "Org"}};

  EXPECT_EQ(boxes->ChangeBaseClass(unit, "Folder"), kErrIllegalContainment);
  EXPECT_EQ(boxes->ChangeBaseClass(unit, "Item"), kErrNotLeafEntry);
  service::ListPage page;
  ASSERT_EQ(boxes->ListChildren({{"O", "Org"}}, false, "", 10, &page), 0);
  ASSERT_EQ(page.entries.size(), 1u);
  EXPECT_EQ(page.entries[0].baseClass, "Unit");

  // A class that inherits what its children need is fine (containment is inherited too).
  ASSERT_EQ(boxes->ChangeBaseClass(unit, "Shelf"), 0);
  ASSERT_EQ(boxes->ListChildren({{"O", "Org"}}, false, "", 10, &page), 0);
  EXPECT_EQ(page.entries[0].baseClass, "Shelf");
  EXPECT_NE(page.entries[0].flags & kEntryContainer, 0u);
  service::AttributeValues classes;
  ASSERT_EQ(boxes->ReadAttribute(unit, "Object Class", false, &classes), 0);
  EXPECT_EQ(classes.values, (std::vector<service::DirValue>{service::value::Text{"Shelf"}, service::value::Text{"Unit"},
                                                            service::value::Text{"Top"}}));
  ASSERT_EQ(boxes->ListChildren(unit, false, "", 10, &page), 0);
  EXPECT_EQ(page.entries.size(), 1u);
}

}  // namespace
}  // namespace recast::embedded::testing
