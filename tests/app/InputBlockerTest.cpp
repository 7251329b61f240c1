#include "app/InputBlocker.h"

#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace recast::app {
namespace {

TEST(InputBlockerTest, HoldsBackInputToTheWindowButNotToItsDialogs) {
  QWidget window;
  auto* button = new QPushButton("in window", &window);
  (new QVBoxLayout(&window))->addWidget(button);
  QPushButton dialogButton("dialog");
  window.show();
  dialogButton.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  int windowClicks = 0;
  int dialogClicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&] { ++windowClicks; });
  QObject::connect(&dialogButton, &QPushButton::clicked, [&] { ++dialogClicks; });

  InputBlocker blocker(window);
  {
    InputHold hold(blocker);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(button, Qt::Key_Space);
    QTest::mouseClick(&dialogButton, Qt::LeftButton);
    EXPECT_EQ(windowClicks, 0);
    EXPECT_EQ(dialogClicks, 1);
    // Closing meanwhile waits for the end of the operation.
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
  }
  // The key typed meanwhile reaches the button now; the click was dropped.
  EXPECT_TRUE(QTest::qWaitFor([&] { return windowClicks == 1; }));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(windowClicks, 2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
}

}  // namespace
}  // namespace recast::app
