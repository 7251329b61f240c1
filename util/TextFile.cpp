#include "util/TextFile.h"

#include "util/Cp1252.h"
#include "util/TextTable.h"

namespace recast {

FileWriteResult WriteTextFile(const std::string& path, std::string_view text) {
  std::string data;
  data.reserve(text.size() + text.size() / 16);
  for (const std::string& line : SplitLines(text)) {
    data += ToCp1252(line);
    data += "\r\n";
  }
  return WriteFileAtomically(path, data);
}

}  // namespace recast
