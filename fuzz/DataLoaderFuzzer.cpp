// Loads arbitrary data text, on its own and after the demo schema (so that tree records get
// past the schema lookup), checking that a failure always says where.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/embedded/DataLoader.h"

using namespace recast::embedded;

namespace {

const DataSet& DemoSchema() {
  static const DataSet schema = [] {
    std::ifstream in(std::string(RECAST_SOURCE_DIR) + "/data/schema.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    DataSet data;
    LoadError error;
    if (LoadDataText(text.str(), "schema.txt", &data, &error) != 0) std::abort();
    return data;
  }();
  return schema;
}

void Load(DataSet data, std::string_view text) {
  LoadError error;
  const recast::DirStatus status = LoadDataText(text, "fuzz.txt", &data, &error);
  if (status != 0 && (error.message.empty() || error.source != "fuzz.txt")) std::abort();
  if (status != 0) (void)error.Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Load(DataSet{}, text);
  Load(DemoSchema(), text);
  return 0;
}
