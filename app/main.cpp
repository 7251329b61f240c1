// The program: the real seams, the directory client with its default options, the window.
#include <QApplication>

#include <filesystem>

#include "app/AppIcon.h"
#include "app/DesktopSeams.h"
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "app/TerminationSignals.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/LdapService.h"
#include "util/FileNames.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Recast Object");
  QApplication::setApplicationDisplayName("Recast Object");
  QApplication::setDesktopFileName("recast-object");
  QApplication::setWindowIcon(recast::app::AppIcon());

  recast::app::DesktopSeams seams(recast::settings::DefaultSettingsFolder());
  recast::client::ClientOptions options = recast::client::DefaultClientOptions();
  if (options.demoDataFiles.empty()) {
    // The demo data ships beside the program, the schema before the trees that use it.
    const std::filesystem::path data =
        std::filesystem::path(recast::ProgramFileWithExt("txt")).parent_path() / "data";
    options.demoDataFiles = {data / "schema.txt", data / "acme.txt", data / "lab.txt"};
  }
  options.openers[std::string(recast::client::kLdapServiceKind)] = recast::ldap::OpenLdapService;
  const std::unique_ptr<recast::DirectoryClient> client = recast::client::CreateDirectoryClient(options);

  recast::app::AppServices services;
  services.client = client.get();
  seams.Wire(services);
  services.infoFileName = recast::ProgramFileWithExt("txt");

  recast::app::MainForm form;
  recast::app::MainFormController controller(form, std::move(services));
  // Logout and kill close the window like its close box, so the settings are written.
  const recast::app::TerminationSignals terminationSignals([&controller] { controller.RequestClose(); });
  form.show();
  return QApplication::exec();
}
