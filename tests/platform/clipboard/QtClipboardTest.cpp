#include "platform/clipboard/QtClipboard.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

namespace recast {
namespace {

TEST(QtClipboardTest, WithoutAnApplicationReadsEmpty) {
  QtClipboard clipboard;
  clipboard.SetText("dropped");
  EXPECT_EQ(clipboard.GetText(), "");
}

TEST(QtClipboardTest, RoundTripsUtf8Text) {
  int argc = 1;
  char name[] = "clipboard_tests";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  QtClipboard clipboard;
  const std::string text = "M\xC3\xBCller\t\xE2\x82\xAC\r\n\"a\nb\"\r\n";
  clipboard.SetText(text);
  EXPECT_EQ(clipboard.GetText(), text);
  clipboard.SetText("");
  EXPECT_EQ(clipboard.GetText(), "");
}

}  // namespace
}  // namespace recast
