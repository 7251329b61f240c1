// The error-text library as the directory layer uses it: loaded by path, asked by name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "directory/Statuses.h"

namespace {

using StrError = const char* (*)(std::int32_t);
using Record = void (*)(std::int32_t, const char*);

class ErrorTextLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(RECAST_ERRTEXT_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    strerror_ = reinterpret_cast<StrError>(dlsym(library_, "NWstrerror"));
    record_ = reinterpret_cast<Record>(dlsym(library_, "RecastErrtextRecordDiagnostic"));
    ASSERT_NE(strerror_, nullptr);
    ASSERT_NE(record_, nullptr);
  }
  void TearDown() override {
    if (library_ != nullptr) dlclose(library_);
  }
  std::string Text(std::int32_t status) { return strerror_(status); }

  void* library_ = nullptr;
  StrError strerror_ = nullptr;
  Record record_ = nullptr;
};

TEST_F(ErrorTextLibraryTest, EveryRegisteredStatusIsDescribed) {
  // Each registered status answers with its own text (the lookup finds every one).
#define RECAST_STATUS_PAIR(name, code, text) {static_cast<std::int32_t>(code), text},
  const std::vector<std::pair<std::int32_t, std::string>> statuses = {RECAST_ALL_STATUSES(RECAST_STATUS_PAIR)};
#undef RECAST_STATUS_PAIR
  for (const auto& [code, text] : statuses) EXPECT_EQ(Text(code), text) << code;
  EXPECT_EQ(Text(0), "Success");
  EXPECT_EQ(Text(recast::kErrNoSuchAttribute), "No such attribute");
  EXPECT_EQ(Text(-8049), "LDAP server error 49: invalid credentials");
  EXPECT_EQ(Text(-8099), "LDAP server error 99");
  EXPECT_EQ(Text(-7999), "LDAP client library error -1");
}

TEST_F(ErrorTextLibraryTest, OtherCodesAreUnknown) {
  for (std::int32_t code : {1, 7, 30, 0x12345, -1, -600, -605, -7000, -9000, 0x7FFFFFFF}) {
    EXPECT_EQ(Text(code), "Unknown error") << code;
  }
}

TEST_F(ErrorTextLibraryTest, RecordedServerMessageAnswersForItsStatusUntilForgotten) {
  record_(-8065, "attribute 'telephoneNumber' not allowed");
  EXPECT_EQ(Text(-8065), "attribute 'telephoneNumber' not allowed");
  record_(-8065, "newer message");
  EXPECT_EQ(Text(-8065), "newer message");
  EXPECT_EQ(Text(-8066), "LDAP server error 66: not allowed on non-leaf");
  record_(-8065, nullptr);
  EXPECT_EQ(Text(-8065), "LDAP server error 65: object class violation");
  record_(0, "");
  EXPECT_EQ(Text(0), "Success");
}

TEST_F(ErrorTextLibraryTest, OnlyTheLastSixteenMessagesAreKeptAndLongOnesAreCut) {
  for (int i = 0; i < 17; ++i) record_(-8100 - i, ("message " + std::to_string(i)).c_str());
  EXPECT_EQ(Text(-8100), "LDAP server error 100");  // the oldest was pushed out
  EXPECT_EQ(Text(-8101), "message 1");
  EXPECT_EQ(Text(-8116), "message 16");
  const std::string huge(5000, 'x');
  record_(-8120, huge.c_str());
  EXPECT_EQ(Text(-8120).size(), 1024u);
}

TEST_F(ErrorTextLibraryTest, ConcurrentCallersSeeWholeTexts) {
  std::vector<std::thread> threads;
  std::atomic<int> bad{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const std::string mine = "thread " + std::to_string(t);
      for (int i = 0; i < 2000; ++i) {
        record_(-8200 - t, mine.c_str());
        const std::string text = strerror_(-8200 - t);
        if (text != mine && text.rfind("LDAP server error", 0) != 0) ++bad;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
