// Minimal window until the workflow lands: caption, four tabs and the Info text.
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextStream>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTabWidget window;
  window.setWindowTitle("Recast Object: Change Current Object Class");
  auto* memo = new QPlainTextEdit;
  memo->setReadOnly(true);
  const QString info = QCoreApplication::applicationDirPath() + "/recast-object.txt";
  QFile file(info);
  if (file.open(QIODevice::ReadOnly)) {
    memo->setPlainText(QString::fromUtf8(file.readAll()));
  } else {
    memo->setPlainText("Could not find " + info);
  }
  window.addTab(memo, "&Info");
  window.addTab(new QWidget, "Select &Object");
  window.addTab(new QWidget, "&Change Object Class");
  window.addTab(new QWidget, "&Protocol");
  window.resize(800, 560);
  window.show();
  return app.exec();
}
