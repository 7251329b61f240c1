#include "app/DesktopSeams.h"

#include "util/ShellLauncher.h"
#include "util/TableExport.h"

namespace recast::app {

void WireSettings(AppServices& services, const SettingsStore& store) {
  const SettingsStore* s = &store;
  services.restoreMainWindowPlacement = [s](QWidget& form) { s->RestoreMainWindowPlacement(form); };
  services.saveMainWindowPlacement = [s](QWidget& form) { s->SaveMainWindowPlacement(form); };
  services.savePageSettings = [s](QWidget& page) { s->SavePageSettings(page); };
}

void WireShell(AppServices& services, ShellService& shell) {
  services.shellOpen = [&shell](const std::string& commandLine) { ShellOpen(shell, commandLine); };
}

void WireExport(AppServices& services, UserInterface& ui, Clipboard& clipboard, Automation& automation) {
  services.exportLines = [&ui, &clipboard, &automation](const std::vector<std::string>& lines,
                                                        const std::string& keyword, const std::string& fileName) {
    ExportContext context{ui, clipboard, automation};
    ExportLines(context, lines, keyword, fileName);
  };
}

void DesktopSeams::Wire(AppServices& services) {
  services.ui = &ui;
  WireSettings(services, settings);
  WireShell(services, shell);
  WireExport(services, ui, clipboard, automation);
}

}  // namespace recast::app
