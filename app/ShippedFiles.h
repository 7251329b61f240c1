#pragma once
// The files the program ships (see ShippedDataPath): the Info text, the demo data, the
// error-text library, and the check that the program finds them all.

#include <filesystem>
#include <ostream>
#include <vector>

namespace recast::app {

// The Info text: the program's file name with the extension "txt", as a shipped data file.
std::string InfoTextPath();

// The demo directory's data files, the schema before the trees that use it.
std::vector<std::filesystem::path> DemoDataFiles();

// What "recast-object --version" prints: the version, then one line each for the Info text,
// the error-text library (with a description it gave) and the demo data, naming where each
// was found. Returns 0 when all were found; otherwise names what is missing and how to mend
// it, and returns 1.
int ReportShippedFiles(std::ostream& out);

}  // namespace recast::app
