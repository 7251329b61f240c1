#include "util/AtomicFile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace recast {
namespace {

namespace fs = std::filesystem;

// Backups are written this way: a name that exists, also as a link, is never replaced.
TEST(AtomicFileTest, NoReplaceCreatesPrivateFilesAndLeavesTakenNames) {
  char pattern[] = "/tmp/recast-atomic-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path dir = pattern;
  std::ofstream(dir / "taken") << "old";
  fs::create_symlink(dir / "taken", dir / "link");

  const FileWriteResult fresh = WriteFileAtomically(dir / "new", "data", ExistingFile::NoReplace, 0600);
  EXPECT_EQ(fresh.status, FileWriteStatus::Written);
  EXPECT_EQ(fs::status(dir / "new").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  for (const char* name : {"taken", "link", "new"}) {
    EXPECT_EQ(WriteFileAtomically(dir / name, "other", ExistingFile::NoReplace).status, FileWriteStatus::Exists)
        << name;
  }
  std::ifstream in(dir / "taken");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);  // no temporary left
  fs::remove_all(dir);
}

}  // namespace
}  // namespace recast
