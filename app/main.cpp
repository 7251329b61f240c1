// The program: the real seams, the directory client with its default options, the window.
#include <QApplication>

#include <cstring>
#include <iostream>

#include "app/AppIcon.h"
#include "app/DesktopSeams.h"
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "app/ShippedFiles.h"
#include "app/TerminationSignals.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/LdapService.h"

int main(int argc, char** argv) {
  // Checks an installation without a display: where the shipped files were found.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return recast::app::ReportShippedFiles(std::cout);

  QApplication application(argc, argv);
  QApplication::setApplicationName("Recast Object");
  QApplication::setApplicationDisplayName("Recast Object");
  QApplication::setDesktopFileName("recast-object");
  QApplication::setWindowIcon(recast::app::AppIcon());

  recast::app::DesktopSeams seams(recast::settings::DefaultSettingsFolder());
  recast::client::ClientOptions options = recast::client::DefaultClientOptions();
  if (options.demoDataFiles.empty()) options.demoDataFiles = recast::app::DemoDataFiles();
  options.openers[std::string(recast::client::kLdapServiceKind)] = recast::ldap::OpenLdapService;
  const std::unique_ptr<recast::DirectoryClient> client = recast::client::CreateDirectoryClient(options);

  recast::app::AppServices services;
  services.client = client.get();
  services.dataFolder = options.dataFolder;
  seams.Wire(services);
  services.infoFileName = recast::app::InfoTextPath();

  recast::app::MainForm form;
  recast::app::MainFormController controller(form, std::move(services));
  // Logout and kill close the window like its close box, so the settings are written.
  const recast::app::TerminationSignals terminationSignals([&controller] { controller.RequestClose(); });
  form.show();
  return QApplication::exec();
}
