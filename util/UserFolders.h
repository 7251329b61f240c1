#pragma once
// The current user's folders, read from the environment at the moment of each call.
//
// The home is $HOME, else the account's home from the password database, else ".". The
// configuration home is $XDG_CONFIG_HOME when it is an absolute path, else home/.config; the
// data home $XDG_DATA_HOME when absolute, else home/.local/share.

#include <filesystem>

namespace recast {

// The configuration home itself (~/.config), where no file of the program belongs any more.
std::filesystem::path UserConfigHome();

// The program's own configuration folder: the configuration home + "/recast-object", which
// holds the settings file and connections.ini.
std::filesystem::path UserConfigFolder();

// The program's per-user data folder: the data home + "/recast-object".
std::filesystem::path UserDataFolder();

}  // namespace recast
