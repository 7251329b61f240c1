#include <gtest/gtest.h>

#include <cstring>

#include "directory/Connection.h"
#include "directory/ErrorText.h"
#include "tests/directory/support/ScriptedClient.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using testing::ScriptedClient;

constexpr const char* kMissingLibrary = "/nonexistent/librecast-errtext.so";

TEST(DirErrorText, CodeFormsAndDescriptions) {
  struct Case {
    const char* library;
    DirStatus status;
    std::string expected;
  };
  const Case cases[] = {
      // Without the library: the bare code, at least four digits, eight for negatives.
      {kMissingLibrary, 7, "0x0007"},
      {kMissingLibrary, 0x12345, "0x12345"},
      {kMissingLibrary, -601, "0xFFFFFDA7"},
      {kMissingLibrary, 0, "0x0000"},
      // The library's own text.
      {RECAST_TEST_ERRTEXT, -601, "0xFFFFFDA7 (No such entry)"},
      {RECAST_TEST_ERRTEXT, -603, "0xFFFFFDA5 (No such attribute)"},
      // "Unknown error" from the library falls back to the system's text...
      {RECAST_TEST_ERRTEXT, 7, "0x0007 (" + std::string(std::strerror(7)) + ")"},
      {RECAST_TEST_ERRTEXT, 0, "0x0000 (" + std::string(std::strerror(0)) + ")"},
      // ...and a number the system does not know either gives empty parentheses.
      {RECAST_TEST_ERRTEXT, 0x12345, "0x12345 ()"},
      {RECAST_TEST_ERRTEXT, -601 - 100000, "0xFFFE7707 ()"},
      // A library without the routine: the system's text.
      {RECAST_TEST_ERRTEXT_NOROUTINE, 2, "0x0002 (" + std::string(std::strerror(2)) + ")"},
      {RECAST_TEST_ERRTEXT_NOROUTINE, -601, "0xFFFFFDA7 ()"},
  };
  for (const Case& c : cases) EXPECT_EQ(DirErrorText(c.library, c.status), c.expected) << c.status;
}

TEST(DirErrorText, LibraryIsNotKeptLoadedBetweenCalls) {
  // The library answers on each call even when it was unloaded after the previous one.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(DirErrorText(RECAST_TEST_ERRTEXT, -601), "0xFFFFFDA7 (No such entry)");
}

class ConnectionTest : public ::testing::Test {
 protected:
  ConnectionTest() : session(client, ui, kMissingLibrary) {
    client.connections = {{5, "FIRST_TREE"}, {9, "SECOND_TREE"}};
  }
  ScriptedClient client;
  ScriptedUserInterface ui;
  DirectorySession session;
};

TEST_F(ConnectionTest, ShowDirErrorShowsNothingForZeroAndOneErrorBoxOtherwise) {
  ShowDirError(session, 0, "Anything");
  EXPECT_TRUE(ui.messages().empty());
  ShowDirError(session, -601, "ReadObject");
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].kind, MessageBoxKind::Error);
  EXPECT_EQ(ui.messages()[0].text, "ReadObject returned error 0xFFFFFDA7");
}

TEST_F(ConnectionTest, OpensThePrimaryConnectionOnce) {
  client.primary = 9;
  EXPECT_EQ(InitNetWare(session), 0);
  EXPECT_EQ(session.connectionHandle, client.openedHandle);
  EXPECT_TRUE(ui.messages().empty());
  client.calls.clear();
  EXPECT_EQ(InitNetWare(session), 0);
  EXPECT_TRUE(client.calls.empty());  // already open: the client is not asked again
}

TEST_F(ConnectionTest, WithoutPrimaryTheFirstScannedConnectionIsOpened) {
  EXPECT_EQ(InitNetWare(session), 0);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"InitClient", "GetPrimaryConnectionRef", "ScanConnectionRefs",
                                                    "OpenConnectionByRef"}));
  EXPECT_EQ(session.connectionHandle, client.openedHandle);
}

TEST_F(ConnectionTest, StartUpFailuresShowOneMessageNamingTheCase) {
  struct Case {
    const char* failing;
    DirStatus status;
    std::string message;
  };
  const Case cases[] = {
      {"InitClient", 0xFFFF, "Could not initialize NetWare Client. InitNetWare returned error 0xFFFF"},
      {"InitClient", 0x8801, "Could not find server/tree connection. InitNetWare returned error 0x8801"},
      {"OpenConnectionByRef", 0x8810, "Could not find server/tree connection. InitNetWare returned error 0x8810"},
      // 0xFFFF from a later step is still the "initialize" case: only the value counts.
      {"OpenConnectionByRef", 0xFFFF, "Could not initialize NetWare Client. InitNetWare returned error 0xFFFF"},
  };
  for (const Case& c : cases) {
    ScriptedClient failing;
    failing.connections = client.connections;
    failing.primary = 5;
    failing.FailNext(c.failing, {c.status});
    ScriptedUserInterface dialogs;
    DirectorySession s(failing, dialogs, kMissingLibrary);
    EXPECT_EQ(InitNetWare(s), c.status);
    EXPECT_EQ(s.connectionHandle, kNoConnectionHandle);
    ASSERT_EQ(dialogs.messages().size(), 1u) << c.failing;
    EXPECT_EQ(dialogs.messages()[0].kind, MessageBoxKind::Error);
    EXPECT_EQ(dialogs.messages()[0].text, c.message);
  }
}

TEST_F(ConnectionTest, NoConnectionAtAllReturnsTheScanStatus) {
  client.connections.clear();
  EXPECT_EQ(InitNetWare(session), kConnNoMoreEntries);
  EXPECT_EQ(session.connectionHandle, kNoConnectionHandle);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Could not find server/tree connection. InitNetWare returned error 0x88FF");
  // A failed start-up does not stop a later attempt from trying again.
  client.connections = {{5, "FIRST_TREE"}};
  EXPECT_EQ(OpenPrimaryConnection(session), 0);
}

}  // namespace
}  // namespace recast
