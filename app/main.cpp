// The program: the real seams, the directory client with its default options, the window.
#include <QApplication>

#include "app/AppIcon.h"
#include "app/DesktopSeams.h"
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "platform/client/DirectoryClientFactory.h"
#include "util/FileNames.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Recast Object");
  QApplication::setApplicationDisplayName("Recast Object");
  QApplication::setDesktopFileName("recast-object");
  QApplication::setWindowIcon(recast::app::AppIcon());

  recast::app::DesktopSeams seams(recast::settings::DefaultSettingsFolder());
  const std::unique_ptr<recast::DirectoryClient> client =
      recast::client::CreateDirectoryClient(recast::client::DefaultClientOptions());

  recast::app::AppServices services;
  services.client = client.get();
  seams.Wire(services);
  services.infoFileName = recast::ProgramFileWithExt("txt");

  recast::app::MainForm form;
  recast::app::MainFormController controller(form, std::move(services));
  form.show();
  return QApplication::exec();
}
