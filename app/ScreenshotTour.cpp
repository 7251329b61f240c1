// Developer tool (not installed): walks the typical request on the demo directory and saves a
// picture of each tab along the way, at the given window size.
//   recast-object-screens <folder> [width height]
// The tour changes the directory it walks, so it runs in a temporary home of its own (fresh
// settings, connections and demo store), removed at its end; the user's own configuration and
// demo store are never touched.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <filesystem>

#include "app/AppIcon.h"
#include "app/DesktopSeams.h"
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "platform/client/DirectoryClientFactory.h"
#include "util/FileNames.h"

namespace {

// The real dialogs, except that questions are answered with OK and boxes are not shown, so
// the tour runs unattended.
class UnattendedUserInterface : public recast::UserInterface {
 public:
  explicit UnattendedUserInterface(recast::UserInterface& inner) : inner_(inner) {}
  void MessageBox(recast::MessageBoxKind, const std::string& text) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  bool AskOkAbort(const std::string&) override { return true; }
  std::optional<std::string> AskSaveFileName(const recast::SaveDialogRequest&) override { return std::nullopt; }
  recast::CursorId CurrentCursor() const override { return inner_.CurrentCursor(); }
  void SetCursor(recast::CursorId cursor) override { inner_.SetCursor(cursor); }
  void ProcessPendingMessages() override { inner_.ProcessPendingMessages(); }

 private:
  recast::UserInterface& inner_;
};

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

void Save(recast::app::MainForm& form, QWidget* tab, const QString& file) {
  form.PageControl1->setCurrentWidget(tab);
  Settle();
  form.grab().save(file);
}

bool Pick(recast::app::ListBox& list, const std::string& text) {
  const int row = list.Items().IndexOf(text);
  if (row < 0) {
    std::fprintf(stderr, "no line \"%s\" in %s\n", text.c_str(), list.objectName().toUtf8().constData());
    return false;
  }
  list.SelectLine(row);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <folder> [width height]\n", argv[0]);
    return 2;
  }
  const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QDir().mkpath(folder);
  const QTemporaryDir home;
  if (!home.isValid()) {
    std::fprintf(stderr, "cannot create a temporary home: %s\n", home.errorString().toLocal8Bit().constData());
    return 1;
  }
  // Every per-user folder derives from HOME once the XDG variables are gone.
  qputenv("HOME", QFile::encodeName(home.path()));
  qunsetenv("XDG_CONFIG_HOME");
  qunsetenv("XDG_DATA_HOME");
  QApplication::setApplicationName("Recast Object");
  QApplication::setWindowIcon(recast::app::AppIcon());

  recast::app::DesktopSeams seams(recast::settings::DefaultSettingsFolder());
  UnattendedUserInterface ui(seams.ui);
  recast::client::ClientOptions options = recast::client::DefaultClientOptions();
  const std::filesystem::path data = std::filesystem::path(recast::ProgramFileWithExt("txt")).parent_path() / "data";
  if (options.demoDataFiles.empty()) options.demoDataFiles = {data / "schema.txt", data / "acme.txt", data / "lab.txt"};
  const auto client = recast::client::CreateDirectoryClient(options);

  recast::app::AppServices services;
  services.client = client.get();
  seams.Wire(services);
  services.ui = &ui;
  services.infoFileName = recast::ProgramFileWithExt("txt");
  const std::filesystem::path program(recast::ProgramFileWithExt("txt"));
  services.infoFileName = (program.parent_path() / "recast-object.txt").string();

  recast::app::MainForm form;
  recast::app::MainFormController controller(form, std::move(services));
  if (argc >= 4) form.resize(QString(argv[2]).toInt(), QString(argv[3]).toInt());
  form.show();
  Settle();
  const QString size = QString("%1x%2").arg(form.width()).arg(form.height());

  Save(form, form.TabSheet1, folder + "/1-info-" + size + ".png");
  form.PageControl1->setCurrentWidget(form.TabSheet2);
  if (Pick(*form.ListBoxContainers, "Recast Demo")) controller.ListBoxContainersDblClick();
  Save(form, form.TabSheet2, folder + "/2-select-" + size + ".png");

  const int target = form.cbTargetClasses->Items().IndexOf("Organizational Person");
  form.cbTargetClasses->setCurrentIndex(target);
  emit form.cbTargetClasses->activated(target);
  form.PageControl1->setCurrentWidget(form.TabSheet2);
  Pick(*form.ListBoxObjects, "User: Dora Deletable");
  Settle();
  if (form.ListBoxDelta->Items().Count() > 0) form.ListBoxDelta->SelectLine(0);
  Save(form, form.TabSheet3, folder + "/3-analysis-" + size + ".png");

  if (form.BitBtnDeleteConflicts->isEnabled()) controller.BitBtnDeleteConflictsClick();
  Save(form, form.TabSheet3, folder + "/4-after-delete-" + size + ".png");
  if (form.BitBtnRecast->isEnabled()) controller.BitBtnRecastClick();
  Save(form, form.TabSheet4, folder + "/5-protocol-" + size + ".png");
  form.close();
  return 0;
}
