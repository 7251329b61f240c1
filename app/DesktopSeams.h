#pragma once
// The real outside world of the running program (Qt dialogs, the settings file in the user's
// configuration folder, the desktop's open service, the clipboard, the spreadsheet stand-in)
// and the functions that hook such pieces into AppServices; tests hook in their own.

#include <filesystem>

#include "app/AppServices.h"
#include "app/SettingsStore.h"
#include "platform/automation/LinuxAutomation.h"
#include "platform/clipboard/QtClipboard.h"
#include "platform/qtui/QtUserInterface.h"
#include "platform/shell/LinuxShellService.h"
#include "util/Automation.h"
#include "util/Clipboard.h"
#include "util/ShellService.h"

namespace recast::app {

void WireSettings(AppServices& services, const SettingsStore& store);
void WireShell(AppServices& services, ShellService& shell);
// The export's own messages go to ui.
void WireExport(AppServices& services, UserInterface& ui, Clipboard& clipboard, Automation& automation);

struct DesktopSeams {
  explicit DesktopSeams(std::filesystem::path settingsFolder) : settings(std::move(settingsFolder)) {}

  qtui::QtUserInterface ui;
  SettingsStore settings;
  LinuxShellService shell;
  QtClipboard clipboard;
  LinuxAutomation automation;

  // services with every hook of these seams (the client is the caller's).
  void Wire(AppServices& services);
};

}  // namespace recast::app
