#pragma once
// Reads the directory data files (human-readable, LDIF-like) into a DataSet, checking every
// record against the schema as a directory would. The format is described in
// data/README.md. Any bad input is reported with its file, line and record.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/embedded/DataSet.h"

namespace recast::embedded {

// A data file the loader refused: kErrDataBadInput (directory/Statuses.h).

struct LoadError {
  std::string source;  // file name as given
  int line = 0;        // 1-based line of the offending text
  std::string record;  // the record's first line, e.g. "entry: CN=Admin.O=ACME"
  std::string message;
  // "<source>:<line>: <message> (in \"<record>\")"
  std::string Text() const;
};

// Loads the files in order into one data set (schemas before the trees that use them).
// On failure *error says where; *data holds what was loaded before the bad record.
DirStatus LoadDataFiles(const std::vector<std::filesystem::path>& files, DataSet* data, LoadError* error);

// The same for text already in memory; source names it in errors.
DirStatus LoadDataText(std::string_view text, std::string_view source, DataSet* data, LoadError* error);

}  // namespace recast::embedded
