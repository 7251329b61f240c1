#pragma once
// The content of a store before it is written: schemas, trees, logins, entries and values,
// as the data files describe them.

#include <string>
#include <vector>

#include "platform/service/DirectoryService.h"

namespace recast::embedded {

struct DataSchema {
  std::string name;
  service::Schema schema;
};

struct DataLogin {
  std::string name;  // dotted typed name of the login's entry
  bool mayWrite = false;
};

struct DataEntry {
  service::EntryName name;  // most specific part first
  std::string baseClass;
  // Values in the order the data gives them; "Object Class" included (base class first,
  // then its super classes nearest first, then auxiliary classes).
  std::vector<service::AttributeValues> attributes;
};

struct DataTree {
  std::string name;
  std::string schemaName;
  std::vector<DataLogin> logins;
  std::vector<DataEntry> entries;  // parents before their children
};

struct DataSet {
  std::vector<DataSchema> schemas;
  std::vector<DataTree> trees;
};

}  // namespace recast::embedded
