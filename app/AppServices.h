#pragma once
// What the main window needs from outside: the directory client, the dialog seam, the
// settings file, the shell and the list export. The program wires the real ones (main.cpp);
// tests wire a fresh store, scripted dialogs and temporary folders.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "directory/DirectoryClient.h"
#include "util/UserInterface.h"

class QWidget;

namespace recast::app {

struct AppServices {
  DirectoryClient* client = nullptr;
  UserInterface* ui = nullptr;
  // The error-text library DirErrorText loads (empty: the layer's default beside the program).
  std::string errorTextLibrary;
  // The Info text shown on the Info tab: the program's path with the extension "txt".
  std::string infoFileName;
  // The per-user data folder (the client options' one): Delete Conflicts and Change Object
  // Class journal what they remove and change in its journals/ folder, for undo. Empty: the
  // window changes without a journal.
  std::filesystem::path dataFolder;

  // The settings file: placement restored at show; placement and the class-change page's
  // control values written at close. Unset hooks do nothing.
  std::function<void(QWidget& form)> restoreMainWindowPlacement;
  std::function<void(QWidget& form)> saveMainWindowPlacement;
  std::function<void(QWidget& page)> savePageSettings;

  // Opens a document or address as the desktop does.
  std::function<void(const std::string& commandLine)> shellOpen;
  // Writes lines in the format the keyword (the file's extension) chooses.
  std::function<void(const std::vector<std::string>& lines, const std::string& keyword, const std::string& fileName)>
      exportLines;

  // How often, at most, long loops let the window repaint and handle messages (0: every
  // time they offer to).
  int messageIntervalMs = 15;
};

}  // namespace recast::app
