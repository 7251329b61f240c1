// The program: the real seams, the directory client with its default options, the window.
#include <QApplication>

#include <unistd.h>

#include <csignal>

#include <iostream>

#include "app/AppIcon.h"
#include "app/DesktopSeams.h"
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "app/ShippedFiles.h"
#include "app/TerminationSignals.h"
#include "cli/CommandLine.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/LdapService.h"

namespace {

recast::client::ClientOptions ProgramClientOptions() {
  recast::client::ClientOptions options = recast::client::DefaultClientOptions();
  if (options.demoDataFiles.empty()) options.demoDataFiles = recast::app::DemoDataFiles();
  options.openers[std::string(recast::client::kLdapServiceKind)] = recast::ldap::OpenLdapService;
  return options;
}

// A command runs without a window and without a display; --version checks an installation.
int RunCommand(int argc, char** argv) {
  const recast::client::ClientOptions options = ProgramClientOptions();
  recast::cli::Environment env;
  env.makeClient = [options] { return recast::client::CreateDirectoryClient(options); };
  env.configFile = options.configFile;
  env.dataFolder = options.dataFolder;
  env.reportVersion = [](std::ostream& out) { return recast::app::ReportShippedFiles(out); };
  env.out = &std::cout;
  env.err = &std::cerr;
  env.progress = ::isatty(STDERR_FILENO) == 1;
  return recast::cli::RunCommandLine(argc, argv, env);
}

}  // namespace

int main(int argc, char** argv) {
  // A server or a reader of our output that goes away must not end the program in the middle
  // of a change: writes fail with EPIPE instead, and the LDAP service then needs no signal mask
  // around each call.
  std::signal(SIGPIPE, SIG_IGN);
  if (recast::cli::WantsCommandLine(argc, argv)) return RunCommand(argc, argv);

  QApplication application(argc, argv);
  QApplication::setApplicationName("Recast Object");
  QApplication::setApplicationDisplayName("Recast Object");
  QApplication::setDesktopFileName("recast-object");
  QApplication::setWindowIcon(recast::app::AppIcon());

  recast::app::DesktopSeams seams(recast::settings::DefaultSettingsFolder());
  const recast::client::ClientOptions options = ProgramClientOptions();
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
